#pragma once
#include <QDialog>
#include <QString>

#include "batch_options.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QToolButton;

// "Batch Merging": confirms a batch over source 2's folder and shows where the output goes.
// Its "Options" part, closed unless opened, chooses the output folder, format and quality, what
// happens to existing outputs, how problems are reported and whether a dry run comes first.
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
    // Any folder shortened the same way.
    static QString ShortFolderLabel(QString folderPath);
    QString FolderLabelText() const;

    // The options part shows these choices; Options() gives them back as the user left them.
    void SetOptions(const BatchOptions& options);
    BatchOptions Options() const;
    void ShowOptions(bool shown);
    bool OptionsShown() const;
    // The pictures of another folder are merged instead of source 2's (a folder dropped here).
    void SetInputFolder(const QString& folderPath);
    QString InputFolder() const { return inputFolder; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildOptions();
    // The real folder chooser, from the folder the edit names.
    void BrowseFolder();
    // The label follows the chosen folder; the quality only matters where JPEG may be written.
    void FollowChoices();
    QString ResolvedFolder() const;

    QString sourceFolder;  // the input folder, ending with the separator
    QString inputFolder;   // empty: source 2's folder
    QLabel* input = nullptr;
    QString defaultLabel;
    QLabel* folder = nullptr;
    QToolButton* optionsToggle = nullptr;
    QWidget* optionsPart = nullptr;
    QLineEdit* outputFolder = nullptr;
    QComboBox* format = nullptr;
    QSpinBox* quality = nullptr;
    QComboBox* whenExists = nullptr;
    QCheckBox* reportAtEnd = nullptr;
    QCheckBox* dryRun = nullptr;
    QCheckBox* keepOwnSize = nullptr;
    QCheckBox* stripMetadata = nullptr;
};
