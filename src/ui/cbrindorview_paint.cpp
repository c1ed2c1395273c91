#include <algorithm>

#include <QPaintEvent>
#include <QPainter>

#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "view_textures.h"

namespace {

const QColor HatchColour(112, 128, 79);
constexpr char PromptFirst[] = "Please load the first source image or text now.";
constexpr char PromptSecond[] = "Please load the second source image or text now.";
constexpr char PromptPaste[] = "You can also choose paste an image from the clipboard.";
constexpr int PromptX = 100, PromptY1 = 250, PromptY2 = 280;

// The target's pixels, rows turned top-down, as a picture Qt can draw.
QImage TargetPicture(const TargetImage& target)
{
    if (target.width <= 0 || target.height <= 0)
        return {};
    const QImage wrapped(target.pixels.data(), target.width, target.height, target.width * 3,
                         QImage::Format_BGR888);
    return wrapped.mirrored(false, true);
}

void HatchRect(QPainter& p, const QRect& r)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.fillRect(r, Qt::white);
    p.fillRect(r, QBrush(HatchColour, Qt::DiagCrossPattern));
}

QPen DottedPen()
{
    QPen pen(Qt::black, 1, Qt::DotLine);
    pen.setCosmetic(true);
    return pen;
}

}  // namespace

void CbrindorView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    if (!TwoSources()) {
        PaintEmptyState(p);
        return;
    }
    // Drawn in device pixels: the target's pixels land on the screen's one to one, unscaled.
    p.scale(1 / DeviceRatio(), 1 / DeviceRatio());
    PaintMargin(p);
    if (displayedSource == 1 || displayedSource == 2)
        PaintSourceAlone(p, displayedSource);
    else
        PaintTarget(p);
    PaintOverlay(p);
}

void CbrindorView::PaintEmptyState(QPainter& p)
{
    const int count = doc.SourceCount();
    p.fillRect(viewport()->rect(), QBrush(EmptyViewTexture(count)));
    p.setFont(font());
    p.setPen(Qt::black);
    const int ascent = p.fontMetrics().ascent();
    p.drawText(PromptX, PromptY1 + ascent, count == 0 ? PromptFirst : PromptSecond);
    p.drawText(PromptX, PromptY2 + ascent, PromptPaste);
}

void CbrindorView::PaintMargin(QPainter& p)
{
    const CanvasRect& c = Mapping().shown;
    const int cw = ClientWidth(), ch = ClientHeight();
    HatchRect(p, QRect(QPoint(0, 0), QPoint(c.left - 1, ch - 1)));
    HatchRect(p, QRect(QPoint(c.right, 0), QPoint(cw - 1, ch - 1)));
    HatchRect(p, QRect(QPoint(0, 0), QPoint(c.right - 1, c.top - 1)));
    HatchRect(p, QRect(QPoint(0, c.bottom), QPoint(c.right - 1, ch - 1)));
}

void CbrindorView::PaintScaled(QPainter& p, const QImage& picture, int w, int h)
{
    const view_zoom::Mapping m = Mapping();
    const QRectF dest(m.shown.left - m.scroll.x, m.shown.top - m.scroll.y, w * zoom, h * zoom);
    p.fillRect(QRect(m.shown.left, m.shown.top, m.shown.Width(), m.shown.Height()), Qt::black);
    // Shrunk pictures are smoothed; enlarged ones show their pixels as squares.
    p.setRenderHint(QPainter::SmoothPixmapTransform, zoom < 1);
    p.drawImage(dest, picture, QRectF(0, 0, w, h));
}

void CbrindorView::PaintTarget(QPainter& p)
{
    const CanvasRect& c = engine->canvasRect;
    const QImage picture = TargetPicture(engine->target);
    if (zoom != 1) {
        PaintScaled(p, picture, c.Width(), c.Height());
        return;
    }
    const QRect dest(c.left, c.top, c.Width(), c.Height());
    p.fillRect(dest, Qt::black);
    const bool targetMode = mode == ScrollMode::Target;
    const QRect source(targetMode ? targetScrollX : 0, targetMode ? targetScrollY : 0, c.Width(),
                       c.Height());
    p.drawImage(dest.topLeft(), picture, source);
}

void CbrindorView::PaintSourceAlone(QPainter& p, int s)
{
    const SourceLayer& layer = engine->layer[s - 1];
    // Only what the layer stores is read: its storage follows the canvas in use.
    const int w = std::min({layer.width, engine->CanvasLimitWidth(), layer.stride});
    const int h = std::min({layer.height, engine->CanvasLimitHeight(), layer.rowCount});
    const int shown = view_geometry::DisplayedSourceWidth(w);
    if (shown <= 0 || h <= 0)
        return;
    const Bgr base = engine->settings.baseColour;
    QImage img(shown, h, QImage::Format_RGB888);
    for (int r = 0; r < h; ++r) {
        uint8_t* out = img.scanLine(r);
        const uint8_t* px = layer.Row(r);
        const uint8_t* mask = layer.MaskRow(r);
        for (int col = 0; col < shown; ++col, out += 3) {
            // Coverage is 0 or Full(); a translucent source's lies between and shows over the base.
            const int a = col < w ? mask[col] * 255 / layer.Full() : 0;
            const auto over = [a](int colour, int under) { return uint8_t((colour * a + under * (255 - a) + 127) / 255); };
            out[0] = over(px[col * 3 + 2], base.red);
            out[1] = over(px[col * 3 + 1], base.green);
            out[2] = over(px[col * 3], base.blue);
        }
    }
    if (zoom != 1) {
        PaintScaled(p, img, shown, h);
        return;
    }
    const CanvasRect& c = engine->canvasRect;
    const bool targetMode = mode == ScrollMode::Target;
    p.fillRect(QRect(c.left, c.top, c.Width(), c.Height()), Qt::black);
    p.drawImage(QPoint(c.left, c.top), img,
                QRect(targetMode ? targetScrollX : 0, targetMode ? targetScrollY : 0, shown, h));
}

void CbrindorView::PaintOverlay(QPainter& p)
{
    p.setPen(DottedPen());
    p.setBrush(Qt::NoBrush);
    const BlendZone& z = engine->zone;
    if (zoneDrag && mode == ScrollMode::Target && view_geometry::ZoneHasCorners(z)) {
        const auto end = view_geometry::ClampToCanvas(pointer, engine->canvasRect);
        const QPoint a = Client({z.x1, z.y1}), b = Client(end);
        p.drawPolyline(QPolygon({a, QPoint(a.x(), b.y()), b, QPoint(b.x(), a.y()), a}));
    } else if (moveDrag && mode != ScrollMode::Target) {
        p.drawLine(Client(dragStart), Client(pointer));
    } else if (zoneOutlineShown && view_geometry::ZoneHasCorners(z)) {
        const QPoint a = Client({z.x1, z.y1}), b = Client({z.x2, z.y2});
        p.drawPolyline(QPolygon({a, QPoint(a.x(), b.y()), b, QPoint(b.x(), a.y()), a}));
    }
}

QRect CbrindorView::PrintTarget(QPainter& painter, int pageWidth, int logicalDpiX,
                                int logicalDpiY)
{
    const int w = engine->canvasRect.Width(), h = engine->canvasRect.Height();
    const QImage picture = TargetPicture(engine->target);
    if (picture.isNull() || w <= 0 || h <= 0)
        return {};
    const QRect dest(0, 0, pageWidth,
                     view_geometry::PrintedHeight(w, h, pageWidth, logicalDpiX, logicalDpiY));
    // Nearest pixel, rows and columns dropped or repeated, no averaging.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(dest, picture, QRect(0, 0, w, h));
    return dest;
}
