#include "blend_options.h"

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
    shape->setMinimumWidth(dialog_exchange::DluX(150));
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

    // The dialog always opens on the smooth ellipse, whatever was chosen before.
    smooth->setChecked(true);
    zone.smooth = true;
    zone.rectangular = false;
    shape->setText(SmoothText);
}

QString blend_options::ShapeText() const { return shape->text(); }

void blend_options::OnSmooth()
{
    rectangle->setChecked(false);
    zone.rectangular = false;
    zone.smooth = smooth->isChecked();
    shape->setText(zone.smooth ? SmoothText : EllipseText);
}

void blend_options::OnRectangle()
{
    smooth->setChecked(false);
    zone.smooth = false;
    zone.rectangular = rectangle->isChecked();
    shape->setText(zone.rectangular ? RectangleText : EllipseText);
}

void blend_options::accept()
{
    zone.level = 0;
    QDialog::accept();
}
