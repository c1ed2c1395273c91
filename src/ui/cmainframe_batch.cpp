// The main frame as the batch run's host: its dialog and options, the dry run, the progress
// dialog and the end summary.
#include "batch_dialogs.h"
#include "batch_merge.h"
#include "batch_report.h"
#include "cmainframe.h"
#include "message_box.h"

bool CMainFrame::ConfirmBatch(const std::string& source2Path)
{
    BatchOptions options;
    return ConfirmBatchOptions(source2Path, options);
}

bool CMainFrame::ConfirmBatchOptions(const std::string& source2Path, BatchOptions& options)
{
    batch_merge dialog(QString::fromStdString(source2Path), this);
    dialog.SetOptions(LoadBatchOptions(settings));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options = dialog.Options();
    SaveBatchOptions(settings, options);
    SetBatchRunning(true);
    return true;
}

bool CMainFrame::ApproveBatchPlan(const BatchPlan& plan)
{
    batch_dry_run dialog(plan, this);
    return dialog.exec() == QDialog::Accepted;
}

void CMainFrame::ShowBatchProgress(const BatchProgress& state)
{
    if (!progress) {
        progress = new batch_progress(this);
        progress->show();
    }
    progress->Update(state);
}

void CMainFrame::EndBatchProgress()
{
    if (!progress)
        return;
    delete std::exchange(progress, nullptr);
}

bool CMainFrame::CancelRequested() { return progress && progress->wasCanceled(); }

bool CMainFrame::ShowBatchSummary(const BatchReport& report)
{
    // Tests that answer the message boxes themselves see the summary as a plain message.
    if (MessageBoxesReplaced())
        return false;
    batch_summary box(report, this);
    box.exec();
    return true;
}
