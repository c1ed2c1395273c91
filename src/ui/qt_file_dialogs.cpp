#include "qt_file_dialogs.h"

#include <QFileDialog>

FileDialogResult QtFileDialogs::OpenFile(const FileDialogRequest& request)
{
    return Run(request, false);
}

FileDialogResult QtFileDialogs::SaveFile(const FileDialogRequest& request)
{
    return Run(request, true);
}

FileDialogResult QtFileDialogs::Run(const FileDialogRequest& request, bool save)
{
    const QString title = QString::fromStdString(request.title);
    QFileDialog dialog(parent, !title.isEmpty() ? title : save ? "Save As" : "Open");
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    QStringList names;
    for (const FileFilter& f : request.filters)
        names << QString::fromStdString(f.description);
    dialog.setNameFilters(names);
    if (!request.initialFolder.empty())
        dialog.setDirectory(QString::fromStdString(request.initialFolder));
    const int index = request.filterIndex >= 1 && request.filterIndex <= names.size()
                          ? request.filterIndex
                          : 1;
    if (!names.isEmpty())
        dialog.selectNameFilter(names[index - 1]);
    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return result;
    result.accepted = true;
    result.path = dialog.selectedFiles().first().toStdString();
    result.filterIndex = int(names.indexOf(dialog.selectedNameFilter())) + 1;
    if (result.filterIndex < 1)
        result.filterIndex = 1;
    return result;
}
