#include "wheel.h"

#include <QMouseEvent>
#include <QPainter>

#include "dialog_exchange.h"
#include "rotate_angle.h"

namespace {
constexpr int DialSize = 100;
const QColor PointerColour(128, 239, 192);
constexpr int PointerWidth = 5;

// A blue disc in a grey ring with four tick marks, tiled behind the pointer.
QPixmap DrawDial()
{
    QPixmap pixmap(DialSize, DialSize);
    pixmap.fill(QColor(236, 236, 236));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(DialSize / 2.0, DialSize / 2.0);
    p.setPen(QPen(QColor(96, 96, 96), 1));
    p.setBrush(QColor(168, 168, 168));
    p.drawEllipse(centre, 48.0, 48.0);
    QRadialGradient blue(centre, 40);
    blue.setColorAt(0, QColor(90, 140, 240));
    blue.setColorAt(1, QColor(20, 50, 150));
    p.setBrush(blue);
    p.setPen(QPen(QColor(40, 40, 60), 1));
    p.drawEllipse(centre, 38.0, 38.0);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    for (int k = 0; k < 4; ++k) {
        p.save();
        p.translate(centre);
        p.rotate(90.0 * k);
        p.drawLine(QPointF(0, -47), QPointF(0, -39));
        p.restore();
    }
    return pixmap;
}
}  // namespace

wheel::wheel(std::function<int()> a, std::function<void(int)> p, QWidget* parent)
    : QWidget(parent), angle(std::move(a)), picked(std::move(p)), dial(DrawDial())
{
    setObjectName("wheel");
    setWindowTitle("wheel");
    setAccessibleName("Angle wheel");
    dialog_exchange::SetControlId(this, Id);
    setMouseTracking(true);
}

void wheel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawTiledPixmap(rect(), dial);
    const int w = width();
    const int h = height();
    const auto [ex, ey] = rotate_angle::PointerEnd(angle(), w, h);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(PointerColour, PointerWidth, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPoint(w / 2, h / 2), QPoint(ex, ey));
}

void wheel::PickAt(QPoint pos)
{
    const auto a = rotate_angle::Pick(pos.x(), pos.y(), width(), height());
    if (!a)
        return;
    picked(*a);
    repaint();
}

void wheel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    grabMouse();
    dragging = true;
    PickAt(event->position().toPoint());
}

void wheel::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (dragging) {
        PickAt(pos);
        return;
    }
    const bool counts = rotate_angle::Pick(pos.x(), pos.y(), width(), height()).has_value();
    setCursor(counts ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void wheel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging)
        return;
    dragging = false;
    releaseMouse();
}
