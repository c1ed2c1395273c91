#include "blend_options.h"

#include <algorithm>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialog_exchange.h"

blend_options::blend_options(BlendZone& z, QWidget* parent) : QDialog(parent), zone(z)
{
    setWindowTitle("blend_options");
    setObjectName("blend_options");
    smooth = new QCheckBox("Blend Smooth", this);
    rectangle = new QCheckBox("Rectangle", this);
    shape = new QLabel(this);
    shape->setFrameShape(QFrame::StyledPanel);
    // As wide as the longest shape text: the dialog keeps its size while the text changes.
    int widest = dialog_exchange::DluX(150);
    for (const char* text : {SmoothEllipticalText, HardEllipticalText, RectangularText}) {
        shape->setText(text);
        widest = std::max(widest, shape->sizeHint().width());
    }
    shape->setMinimumWidth(widest);
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    smooth->setObjectName("smooth");
    rectangle->setObjectName("rectangle");
    shape->setObjectName("shape");
    ok->setObjectName("ok");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(smooth);
    layout->addWidget(rectangle);
    layout->addWidget(shape);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    connect(smooth, &QCheckBox::clicked, this, &blend_options::OnSmooth);
    connect(rectangle, &QCheckBox::clicked, this, &blend_options::OnRectangle);
    connect(ok, &QPushButton::clicked, this, &blend_options::accept);

    state = OpenBlendOptions(zone);
    ShowState();
}

QString blend_options::ShapeText() const { return shape->text(); }

void blend_options::ShowState()
{
    smooth->setChecked(state.smoothChecked);
    rectangle->setChecked(state.rectangleChecked);
    shape->setText(QString::fromStdString(state.text));
}

void blend_options::OnSmooth()
{
    ClickBlendSmooth(state, zone, smooth->isChecked());
    ShowState();
}

void blend_options::OnRectangle()
{
    ClickRectangle(state, zone, rectangle->isChecked());
    ShowState();
}

void blend_options::accept()
{
    AcceptBlendOptions(zone);
    QDialog::accept();
}
