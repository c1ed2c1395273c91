#include "view_textures.h"

#include <cmath>

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
