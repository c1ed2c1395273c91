#include "canvas_size.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "canvas.h"
#include "dialog_exchange.h"

using namespace dialog_exchange;

namespace {
constexpr char WidthKey[] = "canvas_width";
constexpr char HeightKey[] = "canvas_height";
constexpr int DefaultWidth = 1024;
constexpr int DefaultHeight = 768;
}  // namespace

canvas_size::canvas_size(Hooks h, Prompts& p, QWidget* parent) : QDialog(parent), hooks(std::move(h)), prompts(p)
{
    setWindowTitle("Target Image Size");
    setObjectName("canvas_size");
    auto* what = new QLabel(
        "The 'Target' is the image containing both sources. It is this area that is saved to file or printed.", this);
    auto* note = new QLabel(
        "Note that the target image size is NOT affected by the sizes of the individual source images.", this);
    what->setWordWrap(true);
    note->setWordWrap(true);
    widthEdit = new QLineEdit(this);
    heightEdit = new QLineEdit(this);
    for (QLineEdit* e : {widthEdit, heightEdit})
        e->setFixedWidth(DluX(40));
    widthEdit->setObjectName("width");
    heightEdit->setObjectName("height");
    SetControlId(widthEdit, WidthId);
    SetControlId(heightEdit, HeightId);
    followSource2 = new QCheckBox("Same size as source 2", this);
    followSource2->setObjectName("followSource2");
    connect(followSource2, &QCheckBox::toggled, this, [this](bool on) {
        widthEdit->setEnabled(!on);
        heightEdit->setEnabled(!on);
    });
    auto* ok = new QPushButton("OK", this);
    auto* cancel = new QPushButton("Cancel", this);
    ok->setDefault(true);
    ok->setObjectName("ok");
    cancel->setObjectName("cancel");
    SetControlId(ok, 1);
    SetControlId(cancel, 2);

    auto* fields = new QGridLayout;
    fields->setContentsMargins(DluX(16), DluY(4), 0, DluY(4));
    fields->setHorizontalSpacing(DluX(12));
    fields->addWidget(widthEdit, 0, 0);
    fields->addWidget(new QLabel("width (maximum  2048)", this), 0, 1);
    fields->addWidget(heightEdit, 1, 0);
    fields->addWidget(new QLabel("height (maximum 1536)", this), 1, 1);
    fields->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(what);
    layout->addWidget(note);
    layout->addLayout(fields);
    layout->addWidget(followSource2);
    layout->addLayout(buttons);
    setMinimumWidth(DluX(200));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(widthEdit, heightEdit);
    setTabOrder(heightEdit, followSource2);
    setTabOrder(followSource2, ok);
    setTabOrder(ok, cancel);
    connect(ok, &QPushButton::clicked, this, &canvas_size::accept);
    connect(cancel, &QPushButton::clicked, this, &canvas_size::reject);

    width = hooks.readSetting(WidthKey, DefaultWidth);
    height = hooks.readSetting(HeightKey, DefaultHeight);
    widthEdit->setText(QString::number(width));
    heightEdit->setText(QString::number(height));
    followSource2->setChecked(hooks.readSetting(FollowKey, 0) == 1);
}

bool canvas_size::FollowsSource2() const { return followSource2->isChecked(); }

void canvas_size::accept()
{
    if (FollowsSource2()) {
        // The stored width and height stay for when the choice is turned off again.
        if (hooks.followSource2 && !hooks.followSource2())
            return;
        hooks.scrollTarget();
        hooks.writeSetting(FollowKey, 1);
        QDialog::accept();
        return;
    }
    const auto w = ReadInt(*widthEdit, MinSide, MaxCanvasWidth, prompts);
    if (!w)
        return;
    const auto h = ReadInt(*heightEdit, MinSide, MaxCanvasHeight, prompts);
    if (!h)
        return;
    width = *w;
    height = *h;
    hooks.placeCanvasRect(width, height);
    hooks.scrollTarget();
    hooks.writeSetting(WidthKey, width);
    hooks.writeSetting(HeightKey, height);
    hooks.writeSetting(FollowKey, 0);
    QDialog::accept();
}
