#include "start_button.h"

#include <QLinearGradient>
#include <QPainter>

#include "drawn_icon.h"

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

// The emblem above the caption: a landscape, letters, a clipboard.
const char* EmblemName(StartButtonFace face)
{
    switch (face) {
    case StartButtonFace::LoadImage:
        return "start_image";
    case StartButtonFace::LoadText:
        return "start_text";
    case StartButtonFace::PasteImage:
        break;
    }
    return "start_paste";
}

constexpr QSizeF EmblemSize(24, 20);

}  // namespace

QImage start_button::Face(StartButtonFace face, bool pressed, qreal scale)
{
    QImage img(QSize(FaceWidth, FaceHeight) * scale, QImage::Format_RGB32);
    img.setDevicePixelRatio(scale);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, FaceHeight);
    g.setColorAt(0, pressed ? QColor(196, 212, 236) : QColor(252, 253, 255));
    g.setColorAt(1, pressed ? QColor(226, 234, 248) : QColor(206, 220, 242));
    p.fillRect(QRect(0, 0, FaceWidth, FaceHeight), g);
    // Raised: light top-left, dark bottom-right; pressed: the other way round.
    const QColor light(255, 255, 255), dark(96, 112, 150);
    const QColor topLeft = pressed ? dark : light, bottomRight = pressed ? light : dark;
    p.fillRect(QRect(0, 0, FaceWidth, 1), topLeft);
    p.fillRect(QRect(0, 0, 1, FaceHeight), topLeft);
    p.fillRect(QRect(0, FaceHeight - 1, FaceWidth, 1), bottomRight);
    p.fillRect(QRect(FaceWidth - 1, 0, 1, FaceHeight), bottomRight);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal shift = pressed ? 1 : 0;
    drawn_icon::PaintSvg(p, EmblemName(face),
                         QRectF(QPointF(FaceWidth / 2 + shift - EmblemSize.width() / 2,
                                        16 + shift - EmblemSize.height() / 2),
                                EmblemSize));
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
    p.drawImage(0, 0, Face(face, isDown(), devicePixelRatioF()));
    if (hasFocus()) {
        p.setPen(QPen(QColor(60, 60, 60), 1, Qt::DotLine));
        p.drawRect(3, 3, FaceWidth - 7, FaceHeight - 7);
    }
}
