#include "cpropertieswnd_images.h"

#include <QPainter>
#include <QPainterPath>

namespace pane_images {

namespace {
const QColor Ink(40, 40, 40);
const QColor SourceOne(214, 70, 70);
const QColor SourceTwo(60, 150, 40);

QPixmap Blank(int w, int h, const QColor& fill = Qt::transparent)
{
    QPixmap pixmap(w, h);
    pixmap.fill(fill);
    return pixmap;
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& c)
{
    p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double len = std::max(1.0, std::hypot(d.x(), d.y()));
    const QPointF u(d.x() / len, d.y() / len);
    const QPointF n(-u.y(), u.x());
    QPainterPath head;
    head.moveTo(to);
    head.lineTo(to - u * 4 + n * 3);
    head.lineTo(to - u * 4 - n * 3);
    head.closeSubpath();
    p.fillPath(head, c);
}

// A small picture frame with a digit, for the stepping and juxtaposing buttons.
void Frame(QPainter& p, const QRectF& r, const QColor& c, const QString& digit)
{
    p.setPen(QPen(Ink, 1));
    p.setBrush(c);
    p.drawRect(r);
    QFont f;
    f.setPixelSize(int(r.height()) - 1);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, digit);
}

void Corner(QPainter& p, int command)
{
    const int k = (command - 32833) % 4;
    const QColor c = command < 32837 ? SourceOne : SourceTwo;
    const QString digit = command < 32837 ? "1" : "2";
    p.setPen(QPen(Ink, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 17, 17));
    const double x = (k == 1 || k == 3) ? 9.5 : 2.5;
    const double y = (k == 2 || k == 3) ? 9.5 : 2.5;
    Frame(p, QRectF(x, y, 8, 8), c, digit);
}
}  // namespace

QPixmap BlendButton(int source)
{
    QPixmap pixmap = Blank(48, 48);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(QPointF(18, 16), 30);
    g.setColorAt(0, QColor(110, 160, 255));
    g.setColorAt(1, QColor(20, 60, 170));
    p.setBrush(g);
    p.setPen(QPen(QColor(15, 35, 100), 1.5));
    p.drawEllipse(QRectF(2, 2, 44, 44));
    QFont f;
    f.setPixelSize(34);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 48, 48), Qt::AlignCenter, QString::number(source));
    return pixmap;
}

QPixmap Caption(const QString& top, const QString& bottom)
{
    QPixmap pixmap = Blank(48, 48);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 120), 1));
    QLinearGradient g(0, 0, 0, 48);
    g.setColorAt(0, QColor(250, 250, 255));
    g.setColorAt(1, QColor(205, 215, 240));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1.5, 1.5, 45, 45), 6, 6);
    QFont f;
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(20, 40, 110));
    p.drawText(QRectF(0, 6, 48, 18), Qt::AlignCenter, top);
    p.drawText(QRectF(0, 24, 48, 18), Qt::AlignCenter, bottom);
    return pixmap;
}

QPixmap Centering(int source, int step)
{
    QPixmap pixmap = Blank(24, 24, Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
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
    p.setPen(source == 1 ? SourceOne : SourceTwo);
    p.drawText(digit, Qt::AlignCenter, QString::number(source));
    return pixmap;
}

QPixmap Tool(int command)
{
    QPixmap pixmap = Blank(20, 20);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (command) {
    case 32829:  // base colour
        p.setPen(QPen(Ink, 1));
        p.setBrush(QColor(230, 70, 60));
        p.drawEllipse(QRectF(2, 2, 9, 9));
        p.setBrush(QColor(70, 170, 70));
        p.drawEllipse(QRectF(9, 2, 9, 9));
        p.setBrush(QColor(60, 90, 220));
        p.drawEllipse(QRectF(5.5, 8.5, 9, 9));
        break;
    case 32800: {  // rotate
        p.setPen(QPen(QColor(30, 80, 170), 2));
        p.drawArc(QRectF(3, 3, 14, 14), 60 * 16, 280 * 16);
        Arrow(p, QPointF(13, 3.5), QPointF(16.5, 6.5), QColor(30, 80, 170));
        break;
    }
    case 32795:
    case 32796:
    case 32797:
    case 32799: {  // previous / next image file of a source's folder
        const bool one = command == 32795 || command == 32796;
        const bool next = command == 32796 || command == 32799;
        Frame(p, QRectF(next ? 1.5 : 9.5, 5.5, 9, 9), one ? SourceOne : SourceTwo, one ? "1" : "2");
        Arrow(p, next ? QPointF(11, 10) : QPointF(9, 10), next ? QPointF(18.5, 10) : QPointF(1.5, 10), Ink);
        break;
    }
    case 32793:
    case 32794: {  // juxtapose
        const bool oneLeft = command == 32793;
        Frame(p, QRectF(1.5, 5.5, 8, 9), oneLeft ? SourceOne : SourceTwo, oneLeft ? "1" : "2");
        Frame(p, QRectF(10.5, 5.5, 8, 9), oneLeft ? SourceTwo : SourceOne, oneLeft ? "2" : "1");
        break;
    }
    case 32792: {  // reset
        p.setPen(QPen(QColor(190, 60, 20), 2));
        p.drawArc(QRectF(3, 3, 14, 14), 90 * 16, 300 * 16);
        Arrow(p, QPointF(7, 3.2), QPointF(10.5, 3.2), QColor(190, 60, 20));
        break;
    }
    case 32798: {  // remove blending
        QRadialGradient g(QPointF(10, 10), 8);
        g.setColorAt(0, QColor(120, 160, 250));
        g.setColorAt(1, QColor(255, 255, 255, 0));
        p.setBrush(g);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(2, 2, 16, 16));
        p.setPen(QPen(QColor(200, 30, 30), 2));
        p.drawLine(QPointF(4, 4), QPointF(16, 16));
        p.drawLine(QPointF(16, 4), QPointF(4, 16));
        break;
    }
    default:
        if (command >= 32833 && command <= 32840)
            Corner(p, command);
        break;
    }
    return pixmap;
}

}  // namespace pane_images
