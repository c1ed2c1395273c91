#include "view_textures.h"

#include <cmath>

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

// Soft interfering ripples: seamless over the tile because every wave fits it whole.
QImage MakeTexture(QColor base, QColor ink)
{
    QImage img(TextureSide, TextureSide, QImage::Format_RGB32);
    const double k = 2 * M_PI / TextureSide;
    for (int y = 0; y < TextureSide; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < TextureSide; ++x) {
            const double v = std::sin(k * (3 * x + 2 * y)) + std::sin(k * (5 * y - 2 * x)) +
                             0.5 * std::sin(k * 11 * (x + y));
            const double t = (v + 2.5) / 5.0;  // 0..1
            const double a = 0.18 * t;
            row[x] = qRgb(int(base.red() * (1 - a) + ink.red() * a),
                          int(base.green() * (1 - a) + ink.green() * a),
                          int(base.blue() * (1 - a) + ink.blue() * a));
        }
    }
    return img;
}

}  // namespace

const QImage& EmptyViewTexture(int sourceCount)
{
    static const QImage blue = MakeTexture(QColor(222, 236, 252), QColor(90, 140, 210));
    static const QImage green = MakeTexture(QColor(226, 246, 224), QColor(90, 170, 100));
    return sourceCount == 1 ? green : blue;
}

QImage AppIconImage(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    // Two overlapping picture cards merging into a third colour.
    p.setPen(QPen(QColor(30, 40, 70), 1.5));
    p.setBrush(QColor(235, 95, 80));
    p.drawRoundedRect(QRectF(6, 10, 34, 34), 5, 5);
    p.setBrush(QColor(70, 140, 230));
    p.drawRoundedRect(QRectF(24, 20, 34, 34), 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 90, 190));
    p.drawRect(QRectF(24.8, 20.8, 14.4, 22.4));
    QRadialGradient shine(QPointF(20, 16), 30);
    shine.setColorAt(0, QColor(255, 255, 255, 110));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(shine);
    p.drawRoundedRect(QRectF(6, 10, 52, 44), 5, 5);
    return img;
}
