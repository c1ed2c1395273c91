#include "text_font_engine_qt.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Windows picks about a 12-point font for height 0; at 96 dpi that is 16 pixels.
constexpr int DefaultFontPixels = 16;
// Larger fonts than this are refused: no chooser offers them and the rasteriser would
// spend its time on glyphs no picture can hold.
constexpr int MaxFontPixels = 16384;
constexpr int DefaultWeight = 400;
constexpr double ScreenDpi = 96.0;
constexpr double PointsPerInch = 72.0;
constexpr int TextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs | Qt::TextSingleLine;

QString FromText(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// A device with the pixel grid the text is drawn on, so metrics and drawing agree.
const QImage& MetricsDevice()
{
    static const QImage probe(8, 8, QImage::Format_Mono);
    return probe;
}

// Character (em) height for a positive LOGFONT height, which names the whole cell.
int EmForCellHeight(QFont font, int cell)
{
    font.setPixelSize(cell);
    const int natural = QFontMetrics(font, &MetricsDevice()).height();
    if (natural <= 0)
        return cell;
    return std::max(1, int((int64_t(cell) * cell + natural / 2) / natural));
}

}  // namespace

bool QtFontEngine::ToQFont(const LOGFONT& font, QFont& result)
{
    // Fonts live in the GUI application's font database; without one there is no font.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    if (font.height < -MaxFontPixels || font.height > MaxFontPixels)
        return false;
    const size_t faceLength = strnlen(font.faceName, sizeof font.faceName);
    QFont f(QString::fromUtf8(font.faceName, qsizetype(faceLength)));
    f.setStyleStrategy(QFont::NoAntialias);
    f.setKerning(false);
    const int weight = font.weight == 0 ? DefaultWeight : std::clamp(int(font.weight), 1, 1000);
    f.setWeight(QFont::Weight(weight));
    f.setItalic(font.italic != 0);
    f.setUnderline(font.underline != 0);
    f.setStrikeOut(font.strikeOut != 0);
    if (font.height < 0)
        f.setPixelSize(-font.height);
    else if (font.height == 0)
        f.setPixelSize(DefaultFontPixels);
    else
        f.setPixelSize(EmForCellHeight(f, font.height));
    // A width asks for narrower or wider characters than the face's own average.
    if (font.width > 0) {
        const int natural = QFontMetrics(f, &MetricsDevice()).averageCharWidth();
        if (natural > 0)
            f.setStretch(std::clamp(int(int64_t(font.width) * 100 / natural), 1, 4000));
    }
    result = f;
    return true;
}

LOGFONT QtFontEngine::FromQFont(const QFont& font)
{
    LOGFONT result;
    int pixels = font.pixelSize();
    if (pixels <= 0)
        pixels = int(font.pointSizeF() * ScreenDpi / PointsPerInch + 0.5);
    result.height = pixels > 0 ? -std::min(pixels, MaxFontPixels) : 0;
    result.weight = int32_t(font.weight());
    result.italic = font.italic() ? 1 : 0;
    result.underline = font.underline() ? 1 : 0;
    result.strikeOut = font.strikeOut() ? 1 : 0;
    const QByteArray face = font.family().toUtf8();
    // Keep room for the terminator and never end inside a multi-byte character.
    qsizetype length = std::min<qsizetype>(face.size(), qsizetype(sizeof result.faceName) - 1);
    while (length > 0 && length < face.size() && (static_cast<unsigned char>(face[length]) & 0xC0) == 0x80)
        --length;
    std::memset(result.faceName, 0, sizeof result.faceName);
    std::memcpy(result.faceName, face.constData(), size_t(length));
    return result;
}

bool QtFontEngine::MakeFont(const LOGFONT& font)
{
    made = ToQFont(font, current);
    return made;
}

TextExtent QtFontEngine::MeasureLine(std::string_view line)
{
    if (!made)
        return {};
    const QFontMetrics metrics(current, &MetricsDevice());
    return {metrics.size(TextFlags, FromText(line)).width(), metrics.height()};
}

void QtFontEngine::DrawText(std::string_view text, int width, int height, int left, int top,
                            int right, int bottom, uint8_t* bits)
{
    const size_t rowBytes = size_t(width / 8);
    std::memset(bits, 0, rowBytes * size_t(std::max(height, 0)));
    if (!made || width <= 0 || height <= 0 || right <= left || bottom <= top)
        return;
    QImage surface(width, height, QImage::Format_Mono);
    surface.setColor(0, qRgb(0, 0, 0));
    surface.setColor(1, qRgb(255, 255, 255));
    surface.fill(0);
    {
        QPainter painter(&surface);
        painter.setFont(current);
        painter.setPen(Qt::white);
        painter.setClipRect(QRect(left, top, right - left, bottom - top));
        const int lineHeight = QFontMetrics(current, &surface).height();
        int y = top;
        for (size_t start = 0; start <= text.size() && y < bottom; y += lineHeight) {
            size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
                end = text.size();
            size_t stop = end;
            if (stop > start && text[stop - 1] == '\r')
                --stop;
            painter.drawText(QRect(left, y, right - left, bottom - y), TextFlags,
                             FromText(text.substr(start, stop - start)));
            start = end + 1;
        }
    }
    for (int r = 0; r < height; ++r)
        std::memcpy(bits + size_t(r) * rowBytes, surface.constScanLine(r), rowBytes);
}
