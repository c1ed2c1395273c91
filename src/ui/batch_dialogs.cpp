#include "batch_dialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "batch_report.h"
#include "dialog_exchange.h"
#include "message_box.h"

using namespace dialog_exchange;

namespace {

constexpr char LogFileName[] = "batch-log.txt";
constexpr char FailedSaveMessage[] = "Failed the file save!";

QString PlanHeading(const BatchPlan& plan)
{
    QString text = QString("%1 of %2 image files would be written to %3")
                       .arg(plan.WriteCount())
                       .arg(plan.files.size())
                       .arg(QString::fromStdString(plan.outputFolder));
    const int existing = plan.Count(PlannedAction::Overwrite) + plan.Count(PlannedAction::SkipExists);
    if (existing > 0)
        text += QString("\n%1 of their outputs exist already").arg(existing);
    if (const int renamed = plan.Count(PlannedAction::NewName))
        text += QString("\n%1 would be written under a new name").arg(renamed);
    if (const int collisions = plan.Count(PlannedAction::Collision))
        text += QString("\n%1 would be skipped, as an earlier file has the same output name").arg(collisions);
    return text + ".";
}

}  // namespace

batch_dry_run::batch_dry_run(const BatchPlan& plan, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Batch Merging: Dry Run");
    setObjectName("batch_dry_run");
    auto* heading = new QLabel(PlanHeading(plan), this);
    heading->setObjectName("heading");
    heading->setWordWrap(true);
    listing = new QTreeWidget(this);
    listing->setObjectName("listing");
    listing->setRootIsDecorated(false);
    listing->setHeaderLabels({"File", "Output", "Note"});
    listing->setAccessibleName("Files and their outputs");
    for (const PlannedFile& file : plan.files) {
        auto* row = new QTreeWidgetItem(listing, {QString::fromStdString(file.listedName),
                                                  file.Writes() ? QString::fromStdString(file.outputName) : "",
                                                  QString::fromStdString(PlanNote(file))});
        if (!file.Writes())
            row->setForeground(1, palette().brush(QPalette::Disabled, QPalette::Text));
    }
    listing->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* merge = buttons->addButton("Merge", QDialogButtonBox::AcceptRole);
    merge->setObjectName("merge");
    merge->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(listing, 1);
    layout->addWidget(buttons);
    resize(DluX(340), DluY(220));
    merge->setFocus();
}

batch_summary::batch_summary(const BatchReport& report, QWidget* parent)
    : QMessageBox(QMessageBox::Information, MessageBoxCaption, QString::fromStdString(report.Summary()),
                  QMessageBox::Ok, parent),
      log(report.Log()),
      logFolder(QString::fromStdString(report.Plan().outputFolder))
{
    setObjectName("batch_summary");
    saveLog = addButton("Save log...", QMessageBox::ActionRole);
    saveLog->setObjectName("saveLog");
    setDefaultButton(QMessageBox::Ok);
    setEscapeButton(QMessageBox::Ok);
    // The box remembers the last button clicked, also when closed otherwise: a flag per showing.
    connect(saveLog, &QAbstractButton::clicked, this, [this] { saveRequested = true; });
}

int batch_summary::exec()
{
    // Every button closes a message box: after saving the log the summary comes back.
    for (;;) {
        saveRequested = false;
        const int result = QMessageBox::exec();
        if (!saveRequested)
            return result;
        SaveLog();
        button(QMessageBox::Ok)->setFocus();
    }
}

void batch_summary::SaveLog()
{
    QFileDialog dialog(this, "Save Log");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({"Text Files (*.txt)", "All Files (*)"});
    dialog.setDefaultSuffix("txt");
    dialog.setDirectory(logFolder);
    dialog.selectFile(LogFileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    std::string why;
    if (!WriteTextFile(dialog.selectedFiles().first().toStdString(), log, why))
        ShowMessageBox(FailedSaveMessage, PromptKind::Plain);
}

batch_progress::batch_progress(QWidget* parent) : QProgressDialog(parent)
{
    setObjectName("batch_progress");
    setWindowTitle("Batch Merging");
    setWindowModality(Qt::NonModal);
    // An unattended run leaves the keyboard with the window; Esc there asks to stop.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoClose(false);
    setAutoReset(false);
    setMinimumDuration(0);
    setCancelButtonText("Cancel");
    setMinimumWidth(DluX(220));
    // Esc asks before stopping, as it does in the window; only the button cancels outright.
    for (QShortcut* shortcut : findChildren<QShortcut*>())
        if (shortcut->key() == QKeySequence(QKeySequence::Cancel))
            shortcut->setEnabled(false);
}

void batch_progress::Update(const BatchProgress& progress)
{
    setMaximum(progress.total);
    setValue(progress.index - 1);
    setLabelText(QString::fromStdString(ProgressText(progress)));
}
