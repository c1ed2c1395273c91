#include "blend.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

const char* const BlendZoneTooSmallText =
    "Blending zone is too small.\n\nPlease set a larger rectangle with the left mouse in the image.";
const char* const SmoothEllipticalText = "Smooth Elliptical Blend";
const char* const HardEllipticalText = "Elliptical Blend but not smooth to the edge.";
const char* const RectangularText = "Unsmooth blend in the rectangular zone.";

namespace {

constexpr double RectangleStrength = 0.5;
constexpr double FullStrength = 8.0;  // a strength of 8 steps reaches the source

void CopyPicture(const TargetImage& from, TargetImage& to)
{
    to.Resize(from.width, from.height);
    std::memcpy(to.pixels.data(), from.pixels.data(), size_t(from.width) * from.height * 3);
}

uint8_t Mix(uint8_t u, uint8_t l, double strength)
{
    const int v = u + (static_cast<int>((l - u) * strength) >> 3);
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Canvas extent of the zone, limited to the target and the layer: zone columns past the target's
// last column (its width rounds down) or past the layer have no pixels to blend.
struct ZoneSpan {
    int xa, xb, ya, yb;  // columns xa..xb - 1, rows ya..yb - 1 before limiting
    int colFrom, colTo, rowFrom, rowTo;
};

ZoneSpan SpanOf(const BlendZone& z, const CanvasRect& canvas, const TargetImage& t, const SourceLayer& l)
{
    ZoneSpan s;
    s.xa = std::min(z.x1, z.x2) - canvas.left;
    s.xb = std::max(z.x1, z.x2) - canvas.left;
    s.ya = std::min(z.y1, z.y2) - canvas.top;
    s.yb = std::max(z.y1, z.y2) - canvas.top;
    s.colFrom = std::max(s.xa, 0);
    s.colTo = std::min({s.xb, t.width, l.width});
    s.rowFrom = std::max(s.ya, 0);
    s.rowTo = std::min({s.yb, t.height, l.height});
    return s;
}

}  // namespace

void ClampToCanvas(const CanvasRect& canvas, int& x, int& y)
{
    x = std::max(std::min(x, canvas.right - 1), canvas.left);
    y = std::max(std::min(y, canvas.bottom - 1), canvas.top);
}

void StartBlendZone(BlendZone& zone, const CanvasRect& canvas, int x, int y)
{
    const bool inside = canvas.left <= x && x < canvas.right && canvas.top <= y && y < canvas.bottom;
    zone.x1 = zone.x2 = inside ? x : -1;
    zone.y1 = zone.y2 = inside ? y : -1;
    zone.valid = false;
}

bool FinishBlendZone(BlendZone& zone, const CanvasRect& canvas, int x, int y)
{
    if (zone.x1 == -1) {
        zone.x1 = zone.y1 = zone.x2 = zone.y2 = -1;
        zone.valid = false;
        return false;
    }
    ClampToCanvas(canvas, x, y);
    zone.x2 = x;
    zone.y2 = y;
    if (zone.x1 > zone.x2)
        std::swap(zone.x1, zone.x2);
    if (zone.y1 > zone.y2)
        std::swap(zone.y1, zone.y2);
    zone.level = 0;
    zone.valid = zone.x2 - zone.x1 >= MinBlendZoneSize && zone.y2 - zone.y1 >= MinBlendZoneSize;
    return zone.valid;
}

void BlendStep(Engine& engine, SourceIndex s)
{
    if (!engine.TwoSources())
        return;
    BlendZone& z = engine.zone;
    const int dx = z.x2 - z.x1;
    const int dy = z.y2 - z.y1;
    if (std::abs(dx) < MinBlendZoneSize || std::abs(dy) < MinBlendZoneSize) {
        if (Prompts* p = engine.PromptsPort())
            p->Show(BlendZoneTooSmallText, PromptKind::Stop);
        return;
    }
    if (z.level == 0)
        CopyPicture(engine.target, engine.unblended);
    z.level += s == 1 ? 1 : -1;
    if (z.level == 0) {
        CopyPicture(engine.unblended, engine.target);
        if (EngineListener* l = engine.Listener())
            l->TargetChanged();
        return;
    }

    // The level decides the source, whichever button was pressed.
    const SourceLayer& layer = engine.layer[z.level > 0 ? 0 : 1];
    const double m = std::abs(z.level);
    const double ratio = double(dy) / dx;
    const int ady = std::abs(dy);
    const ZoneSpan span = SpanOf(z, engine.canvasRect, engine.target, layer);
    const int xc = (span.xa + span.xb) >> 1;
    const int yc = (span.ya + span.yb) >> 1;
    const uint8_t full = layer.Full();
    for (int i = span.rowFrom; i < span.rowTo; ++i) {
        const uint8_t* un = engine.unblended.CanvasRow(i);
        uint8_t* out = engine.target.CanvasRow(i);
        const uint8_t* src = layer.Row(i);
        const uint8_t* mask = layer.MaskRow(i);
        const double di = i - yc;
        for (int j = span.colFrom; j < span.colTo; ++j) {
            double h = RectangleStrength;
            if (!z.rectangular) {
                const double dj = (j - xc) * ratio;
                const double rho = std::sqrt(dj * dj + di * di);
                if (2 * rho > ady)
                    continue;  // outside the ellipse inscribed in the zone
                const double q = (ady - 2 * rho) / ady;
                h = z.smooth ? q * q : 1.0;
            }
            const double o = h * m;
            uint8_t* t = out + 3 * j;
            const uint8_t* u = un + 3 * j;
            const uint8_t* l = src + 3 * j;
            if (mask[j] != full) {
                // A partly opaque pixel of the layer pulls as far as its opacity reaches.
                const double reach = layer.opacity ? o * mask[j] / 255 : 0.0;
                if (reach == 0) {
                    std::memcpy(t, u, 3);
                } else if (reach >= FullStrength) {
                    std::memcpy(t, l, 3);
                } else {
                    t[0] = Mix(u[0], l[0], reach);
                    t[1] = Mix(u[1], l[1], reach);
                    t[2] = Mix(u[2], l[2], reach);
                }
            } else if (o >= FullStrength) {
                std::memcpy(t, l, 3);
            } else {
                t[0] = Mix(u[0], l[0], o);
                t[1] = Mix(u[1], l[1], o);
                t[2] = Mix(u[2], l[2], o);
            }
        }
    }
    engine.blendingPresent = true;
    if (EngineListener* l = engine.Listener())
        l->TargetChanged();
}

BlendOptionsState OpenBlendOptions(BlendZone& zone)
{
    zone.smooth = true;
    zone.rectangular = false;
    return BlendOptionsState{};
}

void ClickBlendSmooth(BlendOptionsState& state, BlendZone& zone, bool nowChecked)
{
    state.smoothChecked = nowChecked;
    state.rectangleChecked = false;
    zone.rectangular = false;
    zone.smooth = nowChecked;
    state.text = nowChecked ? SmoothEllipticalText : HardEllipticalText;
}

void ClickRectangle(BlendOptionsState& state, BlendZone& zone, bool nowChecked)
{
    state.rectangleChecked = nowChecked;
    state.smoothChecked = false;
    zone.smooth = false;
    zone.rectangular = nowChecked;
    state.text = nowChecked ? RectangularText : HardEllipticalText;
}

void AcceptBlendOptions(BlendZone& zone) { zone.level = 0; }
