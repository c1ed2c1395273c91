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

bool QtFileDialogs::IsPictureOpen(const FileDialogRequest& request, bool save)
{
    if (save)
        return false;
    for (const FileFilter& f : request.filters)
        if (f.pattern.find("*.bmp") != std::string::npos)
            return true;
    return false;
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
    const bool allPictures = IsPictureOpen(request, save);
    if (allPictures)
        names << AllPicturesFilter;
    for (const FileFilter& f : request.filters)
        names << QString::fromStdString(f.description);
    dialog.setNameFilters(names);
    if (!request.initialFolder.empty())
        dialog.setDirectory(QString::fromStdString(request.initialFolder));
    const int first = allPictures ? 0 : 1;
    const int index = request.filterIndex >= 1 && request.filterIndex <= int(request.filters.size())
                          ? request.filterIndex
                          : first;
    if (!names.isEmpty())
        dialog.selectNameFilter(names[index - first]);
    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return result;
    result.accepted = true;
    result.path = dialog.selectedFiles().first().toStdString();
    result.filterIndex = int(names.indexOf(dialog.selectedNameFilter())) + first;
    if (result.filterIndex < first)
        result.filterIndex = first;
    return result;
}
