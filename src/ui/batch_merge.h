#pragma once
#include <QDialog>
#include <QString>

class QLabel;

// "Batch Merging": confirms a batch over source 2's folder and shows where the output goes.
class batch_merge : public QDialog {
    Q_OBJECT
public:
    static constexpr int TemplateId = 338;
    static constexpr int FolderLabelId = 1020;

    // source2Path is the full path of source 2's file.
    explicit batch_merge(const QString& source2Path, QWidget* parent = nullptr);

    // The output folder as the label shows it: source 2's folder + "/output", cut at the front
    // separator by separator to at most 50 characters, with "..." for what was cut.
    static QString OutputFolderLabel(const QString& source2Path);
    QString FolderLabelText() const;

private:
    QLabel* folder = nullptr;
};
