#include "start_button.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int FaceWidth = 80;
constexpr int FaceHeight = 48;

const char* Caption(StartButtonFace face)
{
    switch (face) {
    case StartButtonFace::LoadImage:
        return "Load Image";
    case StartButtonFace::LoadText:
        return "Load Text";
    case StartButtonFace::PasteImage:
        break;
    }
    return "Paste Image";
}

// A small emblem above the caption: a landscape, a letter, a clipboard.
void DrawEmblem(QPainter& p, StartButtonFace face, QPointF at)
{
    p.save();
    p.translate(at);
    p.setPen(QPen(QColor(40, 60, 110), 1.2));
    switch (face) {
    case StartButtonFace::LoadImage: {
        p.setBrush(QColor(200, 230, 255));
        p.drawRect(QRectF(-10, -8, 20, 15));
        QPainterPath hill;
        hill.moveTo(-10, 7);
        hill.lineTo(-3, -1);
        hill.lineTo(2, 4);
        hill.lineTo(5, 1);
        hill.lineTo(10, 7);
        hill.closeSubpath();
        p.setBrush(QColor(70, 150, 80));
        p.drawPath(hill);
        p.setBrush(QColor(255, 200, 40));
        p.drawEllipse(QPointF(5, -3), 2.2, 2.2);
        break;
    }
    case StartButtonFace::LoadText: {
        QFont f("DejaVu Serif");
        f.setPixelSize(17);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(40, 60, 110));
        p.drawText(QRectF(-12, -11, 24, 20), Qt::AlignCenter, "Aa");
        break;
    }
    case StartButtonFace::PasteImage:
        p.setBrush(QColor(190, 140, 80));
        p.drawRoundedRect(QRectF(-8, -9, 16, 18), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(-5, -5, 10, 12));
        p.setBrush(QColor(150, 150, 160));
        p.drawRect(QRectF(-4, -11, 8, 4));
        break;
    }
    p.restore();
}

}  // namespace

QImage start_button::Face(StartButtonFace face, bool pressed)
{
    QImage img(FaceWidth, FaceHeight, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, FaceHeight);
    g.setColorAt(0, pressed ? QColor(196, 212, 236) : QColor(252, 253, 255));
    g.setColorAt(1, pressed ? QColor(226, 234, 248) : QColor(206, 220, 242));
    p.fillRect(img.rect(), g);
    // Raised: light top-left, dark bottom-right; pressed: the other way round.
    const QColor light(255, 255, 255), dark(96, 112, 150);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pressed ? dark : light);
    p.drawLine(0, 0, FaceWidth - 1, 0);
    p.drawLine(0, 0, 0, FaceHeight - 1);
    p.setPen(pressed ? light : dark);
    p.drawLine(0, FaceHeight - 1, FaceWidth - 1, FaceHeight - 1);
    p.drawLine(FaceWidth - 1, 0, FaceWidth - 1, FaceHeight - 1);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal shift = pressed ? 1 : 0;
    DrawEmblem(p, face, QPointF(FaceWidth / 2 + shift, 16 + shift));
    QFont f("DejaVu Sans");
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(30, 40, 80));
    p.drawText(QRectF(shift, 28 + shift, FaceWidth, 16), Qt::AlignCenter, Caption(face));
    return img;
}

start_button::start_button(StartButtonFace f, QWidget* parent) : QPushButton(parent), face(f)
{
    setFixedSize(FaceWidth, FaceHeight);
    setCursor(Qt::PointingHandCursor);
    setToolTip(Caption(f));
    setAccessibleName(Caption(f));
}

void start_button::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, Face(face, isDown()));
    if (hasFocus()) {
        p.setPen(QPen(QColor(60, 60, 60), 1, Qt::DotLine));
        p.drawRect(3, 3, FaceWidth - 7, FaceHeight - 7);
    }
}
