#include "batch_merge.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialog_exchange.h"

using namespace dialog_exchange;

namespace {
constexpr int LabelLimit = 50;
constexpr QChar Separator = '/';

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
    QString text = source2Path.left(source2Path.lastIndexOf(Separator)) + Separator + "output";
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

batch_merge::batch_merge(const QString& source2Path, QWidget* parent) : QDialog(parent)
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
    folder = new QLabel(OutputFolderLabel(source2Path), this);
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
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(where);
    layout->addWidget(folder);
    layout->addWidget(stop);
    layout->addLayout(buttons);
    setMinimumWidth(DluX(260));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString batch_merge::FolderLabelText() const { return folder->text(); }
