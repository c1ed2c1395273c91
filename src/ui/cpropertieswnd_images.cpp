#include "cpropertieswnd_images.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

#include "drawn_icon.h"

namespace pane_images {

namespace {
constexpr int BigSide = 48, CentreSide = 24;
}  // namespace

QColor SourceColour(int source) { return source == 1 ? QColor(196, 48, 48) : QColor(40, 125, 30); }

QIcon BlendButton(int source)
{
    return drawn_icon::Painted(QSize(BigSide, BigSide), [source](QPainter& p) {
        QRadialGradient g(QPointF(18, 16), 30);
        g.setColorAt(0, QColor(90, 140, 240));
        g.setColorAt(1, QColor(20, 55, 160));
        p.setBrush(g);
        // The rim takes the look's button text colour, so the disc stands out on any face.
        p.setPen(QPen(QApplication::palette().color(QPalette::ButtonText), 1.5));
        p.drawEllipse(QRectF(2, 2, 44, 44));
        QFont f;
        f.setPixelSize(34);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, BigSide, BigSide), Qt::AlignCenter, QString::number(source));
    });
}

QIcon Caption(const QString& top, const QString& bottom)
{
    return drawn_icon::Painted(QSize(BigSide, BigSide), [top, bottom](QPainter& p) {
        p.setPen(QPen(QColor(90, 90, 120), 1));
        QLinearGradient g(0, 0, 0, BigSide);
        g.setColorAt(0, QColor(250, 250, 255));
        g.setColorAt(1, QColor(205, 215, 240));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(1.5, 1.5, 45, 45), 6, 6);
        QFont f;
        f.setPixelSize(12);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(20, 40, 110));
        p.drawText(QRectF(0, 6, BigSide, 18), Qt::AlignCenter, top);
        p.drawText(QRectF(0, 24, BigSide, 18), Qt::AlignCenter, bottom);
    });
}

QIcon Centering(int source, int step)
{
    return drawn_icon::Painted(QSize(CentreSide, CentreSide), [source, step](QPainter& p) {
        p.fillRect(QRectF(0, 0, CentreSide, CentreSide), Qt::white);
        p.setPen(QPen(QColor(150, 150, 150), 1, Qt::DotLine));
        p.drawRect(QRectF(1.5, 1.5, 20, 20));
        QRectF digit(7, 7, 10, 10);
        switch (step) {
        case 1: digit.moveTop(1); break;
        case 2: digit.moveBottom(23); break;
        case 3: digit.moveLeft(1); break;
        case 4: digit.moveRight(23); break;
        default: break;
        }
        QFont f;
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.setPen(SourceColour(source));
        p.drawText(digit, Qt::AlignCenter, QString::number(source));
    });
}

QIcon Tool(int command)
{
    switch (command) {
    case 32829: return drawn_icon::Svg("base_colour");
    case 32800: return drawn_icon::Svg("rotate");
    case 32795: return drawn_icon::Svg("previous1");
    case 32796: return drawn_icon::Svg("next1");
    case 32797: return drawn_icon::Svg("previous2");
    case 32799: return drawn_icon::Svg("next2");
    case 32793: return drawn_icon::Svg("juxtapose12");
    case 32794: return drawn_icon::Svg("juxtapose21");
    case 32792: return drawn_icon::Svg("reset");
    case 32798: return drawn_icon::Svg("remove_blending");
    default: break;
    }
    static const char* const corners[] = {"topleft", "topright", "bottomleft", "bottomright"};
    if (command < 32833 || command > 32840)
        return {};
    const int k = command - 32833;
    return drawn_icon::Svg(QString("shove%1_%2").arg(k < 4 ? 1 : 2).arg(corners[k % 4]));
}

}  // namespace pane_images
