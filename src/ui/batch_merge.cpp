#include "batch_merge.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "dialog_exchange.h"
#include "dropped_paths.h"

using namespace dialog_exchange;

namespace {
constexpr int LabelLimit = 50;
constexpr QChar Separator = '/';

// The choices in the order of BatchFormat and ExistingOutput.
const char* const FormatNames[BatchFormatCount] = {"Same as input", "BMP", "JPEG", "PNG", "TIFF", "TGA", "PCX"};
const char* const ExistsNames[ExistingOutputCount] = {"Overwrite it", "Skip the file",
                                                      "Write it under a new name: x (2).png"};

// Two small pictures merging into a third, drawn once for the dialog's picture.
QPixmap DrawBatchPicture()
{
    QPixmap pixmap(96, 64);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(255, 192, 192));
    p.drawRect(4, 6, 26, 20);
    p.setBrush(QColor(153, 255, 102));
    p.drawRect(4, 36, 26, 20);
    p.setBrush(QColor(120, 160, 230));
    p.drawRect(60, 18, 30, 26);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.drawLine(32, 16, 56, 28);
    p.drawLine(32, 46, 56, 34);
    p.drawLine(50, 24, 56, 28);
    p.drawLine(50, 38, 56, 34);
    for (int k = 0; k < 3; ++k) {
        p.setPen(QPen(QColor(80, 80, 80), 1));
        p.drawLine(64, 48 + 4 * k, 86, 48 + 4 * k);
    }
    return pixmap;
}
}  // namespace

QString batch_merge::OutputFolderLabel(const QString& source2Path)
{
    return ShortFolderLabel(source2Path.left(source2Path.lastIndexOf(Separator)) + Separator + "output");
}

QString batch_merge::ShortFolderLabel(QString text)
{
    bool cut = false;
    while (text.size() > LabelLimit) {
        const int at = text.indexOf(Separator, 1);
        if (at < 0)
            break;
        text = text.mid(at);
        cut = true;
    }
    return cut ? "..." + text : text;
}

batch_merge::batch_merge(const QString& source2Path, QWidget* parent)
    : QDialog(parent),
      sourceFolder(source2Path.left(source2Path.lastIndexOf(Separator) + 1)),
      defaultLabel(OutputFolderLabel(source2Path))
{
    setWindowTitle("Batch Merging");
    setObjectName("batch_merge");
    auto* picture = new QLabel(this);
    picture->setPixmap(DrawBatchPicture());
    picture->setObjectName("picture");
    auto* warning = new QLabel(
        "This comand will use the last merge parameters and last source image scaling and positioning set up. "
        "If they have been set correctly press 'OK' else press 'Cancel' and reset the parameters.",
        this);
    auto* where = new QLabel(
        "All image files in the source 2 directory will be merged with source 1 and placed in the sub-directory "
        "below:",
        this);
    input = new QLabel(this);
    input->setObjectName("input");
    input->setWordWrap(true);
    input->hide();
    folder = new QLabel(defaultLabel, this);
    folder->setObjectName("folder");
    SetControlId(folder, FolderLabelId);
    folder->setFrameShape(QFrame::StyledPanel);
    auto* stop = new QLabel("You can stop batch merging at any time by pressing 'Esc'.", this);
    for (QLabel* l : {warning, where, stop})
        l->setWordWrap(true);
    auto* ok = new QPushButton("OK", this);
    auto* cancel = new QPushButton("Cancel", this);
    ok->setDefault(true);
    SetControlId(ok, 1);
    SetControlId(cancel, 2);
    ok->setObjectName("ok");
    cancel->setObjectName("cancel");

    auto* head = new QHBoxLayout;
    head->addWidget(picture, 0, Qt::AlignTop);
    head->addWidget(warning, 1);
    BuildOptions();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(optionsToggle);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(input);
    layout->addWidget(where);
    layout->addWidget(folder);
    layout->addWidget(stop);
    layout->addWidget(optionsPart);
    layout->addLayout(buttons);
    setMinimumWidth(DluX(260));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(ok, cancel);
    setTabOrder(cancel, optionsToggle);
    ok->setFocus();
    SetOptions(BatchOptions{});
    setAcceptDrops(true);
}

void batch_merge::dragEnterEvent(QDragEnterEvent* event)
{
    if (DroppedPaths(event->mimeData(), DroppedKind::Folders).size() == 1)
        event->acceptProposedAction();
}

void batch_merge::dropEvent(QDropEvent* event)
{
    const QStringList folders = DroppedPaths(event->mimeData(), DroppedKind::Folders);
    if (folders.size() != 1)
        return;
    event->acceptProposedAction();
    SetInputFolder(folders.first());
}

void batch_merge::SetInputFolder(const QString& folderPath)
{
    // An output folder left at the default follows to the new folder's "output".
    const bool defaultOutput = IsDefaultOutputFolder(sourceFolder.toStdString(), outputFolder->text().trimmed().toStdString());
    inputFolder = folderPath;
    sourceFolder = folderPath.endsWith(Separator) ? folderPath : folderPath + Separator;
    defaultLabel = ShortFolderLabel(sourceFolder + "output");
    input->setText("Merging the image files of " + ShortFolderLabel(folderPath) + " instead of the source 2 directory.");
    input->show();
    if (defaultOutput)
        outputFolder->setText(QString::fromStdString(ResolveOutputFolder(sourceFolder.toStdString(), "")).chopped(1));
    FollowChoices();
}

void batch_merge::BuildOptions()
{
    optionsToggle = new QToolButton(this);
    optionsToggle->setObjectName("optionsToggle");
    optionsToggle->setText("Options");
    optionsToggle->setCheckable(true);
    optionsToggle->setAutoRaise(true);
    optionsToggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    optionsToggle->setArrowType(Qt::RightArrow);
    connect(optionsToggle, &QToolButton::toggled, this, &batch_merge::ShowOptions);

    optionsPart = new QWidget(this);
    optionsPart->setObjectName("options");
    outputFolder = new QLineEdit(optionsPart);
    outputFolder->setObjectName("outputFolder");
    auto* browse = new QPushButton("Browse...", optionsPart);
    browse->setObjectName("browse");
    browse->setAutoDefault(false);
    format = new QComboBox(optionsPart);
    format->setObjectName("format");
    for (const char* name : FormatNames)
        format->addItem(name);
    quality = new QSpinBox(optionsPart);
    quality->setObjectName("quality");
    quality->setRange(1, 100);
    whenExists = new QComboBox(optionsPart);
    whenExists->setObjectName("whenExists");
    for (const char* name : ExistsNames)
        whenExists->addItem(name);
    reportAtEnd = new QCheckBox("Report problems at the end", optionsPart);
    reportAtEnd->setObjectName("reportAtEnd");
    dryRun = new QCheckBox("Dry run: list what would be written first", optionsPart);
    dryRun->setObjectName("dryRun");
    keepOwnSize = new QCheckBox("Keep each picture's own size", optionsPart);
    keepOwnSize->setObjectName("keepOwnSize");
    stripMetadata = new QCheckBox("Remove metadata", optionsPart);
    stripMetadata->setObjectName("stripMetadata");

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(outputFolder, 1);
    folderRow->addWidget(browse);
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(format);
    auto* qualityLabel = new QLabel("JPEG &quality:", optionsPart);
    qualityLabel->setBuddy(quality);
    formatRow->addWidget(qualityLabel);
    formatRow->addWidget(quality);
    formatRow->addStretch();
    auto* form = new QFormLayout(optionsPart);
    form->setContentsMargins(0, 0, 0, 0);
    const auto label = [this](const char* text, QWidget* buddy) {
        auto* l = new QLabel(text, optionsPart);
        l->setBuddy(buddy);
        return l;
    };
    form->addRow(label("Output &folder:", outputFolder), folderRow);
    form->addRow(label("Output f&ormat:", format), formatRow);
    form->addRow(label("When an output &exists:", whenExists), whenExists);
    form->addRow(reportAtEnd);
    form->addRow(dryRun);
    form->addRow(keepOwnSize);
    form->addRow(stripMetadata);
    optionsPart->setVisible(false);

    connect(browse, &QPushButton::clicked, this, &batch_merge::BrowseFolder);
    connect(outputFolder, &QLineEdit::textChanged, this, &batch_merge::FollowChoices);
    connect(format, &QComboBox::currentIndexChanged, this, &batch_merge::FollowChoices);
}

void batch_merge::SetOptions(const BatchOptions& options)
{
    // A folder given relative to source 2's stays so: it follows source 2 from folder to folder.
    outputFolder->setText(options.outputFolder.empty()
                              ? QString::fromStdString(ResolveOutputFolder(sourceFolder.toStdString(), "")).chopped(1)
                              : QString::fromStdString(options.outputFolder));
    format->setCurrentIndex(int(options.format));
    quality->setValue(options.jpegQuality);
    whenExists->setCurrentIndex(int(options.whenExists));
    reportAtEnd->setChecked(options.reportAtEnd);
    dryRun->setChecked(options.dryRun);
    keepOwnSize->setChecked(options.keepOwnSize);
    stripMetadata->setChecked(options.stripMetadata);
    ShowOptions(options.optionsShown);
    FollowChoices();
}

BatchOptions batch_merge::Options() const
{
    BatchOptions options;
    const std::string chosen = outputFolder->text().trimmed().toStdString();
    if (!IsDefaultOutputFolder(sourceFolder.toStdString(), chosen))
        options.outputFolder = chosen;
    options.format = BatchFormat(format->currentIndex());
    options.jpegQuality = quality->value();
    options.whenExists = ExistingOutput(whenExists->currentIndex());
    options.reportAtEnd = reportAtEnd->isChecked();
    options.dryRun = dryRun->isChecked();
    options.keepOwnSize = keepOwnSize->isChecked();
    options.stripMetadata = stripMetadata->isChecked();
    options.optionsShown = OptionsShown();
    options.inputFolder = inputFolder.toStdString();
    return options;
}

void batch_merge::ShowOptions(bool shown)
{
    optionsToggle->setChecked(shown);
    optionsToggle->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
    optionsPart->setVisible(shown);
    // Closing the part gives its room back.
    layout()->activate();
    adjustSize();
}

bool batch_merge::OptionsShown() const { return optionsToggle->isChecked(); }

QString batch_merge::ResolvedFolder() const
{
    return QString::fromStdString(
        ResolveOutputFolder(sourceFolder.toStdString(), outputFolder->text().trimmed().toStdString()));
}

void batch_merge::BrowseFolder()
{
    QFileDialog dialog(this, "Output Folder");
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // The chosen folder may not exist yet: start from the nearest one that does.
    QDir start(ResolvedFolder());
    while (!start.exists() && start.cdUp()) {
    }
    dialog.setDirectory(start);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        outputFolder->setText(dialog.selectedFiles().first());
}

void batch_merge::FollowChoices()
{
    const BatchFormat chosen = BatchFormat(format->currentIndex());
    quality->setEnabled(chosen == BatchFormat::SameAsInput || chosen == BatchFormat::Jpeg);
    const std::string text = outputFolder->text().trimmed().toStdString();
    folder->setText(IsDefaultOutputFolder(sourceFolder.toStdString(), text)
                        ? defaultLabel
                        : ShortFolderLabel(ResolvedFolder().chopped(1)));
}

QString batch_merge::FolderLabelText() const { return folder->text(); }
