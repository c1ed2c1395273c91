#pragma once
#include <string>

#include <QDialog>
#include <QMessageBox>
#include <QProgressDialog>

class BatchReport;
struct BatchPlan;
struct BatchProgress;
class QTreeWidget;

// The dry run: every image file with the output it would write and a note where the output
// exists or another file takes its name. "Merge" goes ahead; "Cancel" writes nothing.
class batch_dry_run : public QDialog {
    Q_OBJECT
public:
    explicit batch_dry_run(const BatchPlan& plan, QWidget* parent = nullptr);
    QTreeWidget* Listing() const { return listing; }

private:
    QTreeWidget* listing = nullptr;
};

// The end message of a run that reports its problems at the end, with "Save log..." writing
// the whole log as plain text through the save dialog; the summary is shown again after it.
class batch_summary : public QMessageBox {
    Q_OBJECT
public:
    explicit batch_summary(const BatchReport& report, QWidget* parent = nullptr);
    int exec() override;

private:
    void SaveLog();

    std::string log;
    QString logFolder;
    QAbstractButton* saveLog = nullptr;
    bool saveRequested = false;
};

// The run's progress beside the status bar's count: the file, how far, the time left and a
// Cancel that stops after the current file. Modeless, so the window's Esc keeps asking.
class batch_progress : public QProgressDialog {
    Q_OBJECT
public:
    explicit batch_progress(QWidget* parent = nullptr);
    void Update(const BatchProgress& progress);
};
