#pragma once
#include <functional>

#include <QColor>
#include <QIcon>
#include <QSize>

class QPainter;

// Icons drawn anew for every size and device pixel ratio they are asked for, so they stay sharp
// at any scale: the program's SVG pictures and pictures painted in code.
namespace drawn_icon {

// Paints a picture into its design box of `design` units, (0, 0) at the top left.
using Painter = std::function<void(QPainter&)>;
QIcon Painted(QSize design, Painter paint);

// The resource picture ":/icons/NAME.svg". Its `currentColor` parts take `ink`, or, when `ink`
// is invalid, the application palette's window text colour at the time it is drawn, so line art
// follows the look.
QIcon Svg(const QString& name, QColor ink = {});
// The same picture painted straight into a box of `box` units.
void PaintSvg(QPainter& painter, const QString& name, const QRectF& box, QColor ink = {});

// The application's icon.
QIcon AppIcon();

}  // namespace drawn_icon
