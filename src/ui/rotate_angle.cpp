#include "rotate_angle.h"

#include <cmath>

namespace rotate_angle {

namespace {
// The wheel's arithmetic uses this rounded pi, as the dial always has.
constexpr double Pi = 3.14159;
constexpr double QuarterTurn = 1.570795;
}  // namespace

int Shown(double sourceAngle)
{
    const int a = static_cast<int>(sourceAngle);
    return a < 0 ? a + 360 : a;
}

int ForSource(int dialogAngle) { return dialogAngle > 179 ? dialogAngle - 360 : dialogAngle; }

std::optional<int> Pick(int x, int y, int w, int h)
{
    const int cx = w / 2;
    const int cy = h / 2;
    const int dx = x - cx;
    const int dy = y - cy;
    const int c = cy;
    const int d = dx * dx + dy * dy;
    if (!(c * c / 6 < d && d < 3 * c * c))
        return std::nullopt;
    int angle = 90 - static_cast<int>(std::atan2(double(dy), double(dx)) * (-180) / Pi);
    if (angle < 0)
        angle += 360;
    return angle;
}

std::pair<int, int> PointerEnd(int dialogAngle, int w, int h)
{
    const int r = 3 * w / 8;
    const double theta = dialogAngle * Pi / 180 + QuarterTurn;
    return {w / 2 - static_cast<int>(std::cos(theta) * r), h / 2 - static_cast<int>(std::sin(theta) * r)};
}

}  // namespace rotate_angle

rotate_preview::rotate_preview(Engine& e) : engine(e)
{
    for (SourceIndex s = 1; s <= 2; ++s) {
        saved[s - 1] = engine.placement[s - 1];
        anchor[s - 1] = engine.AnchorForRotation(s);
    }
}

void rotate_preview::SetSourceAngle(SourceIndex s, int sourceAngle)
{
    engine.RotateSource(s, sourceAngle, anchor[s - 1]);
}

bool rotate_preview::Idle(int angleEdit, SourceIndex selected)
{
    const int s = rotate_angle::ForSource(angleEdit);
    if (previewDue) {
        engine.quickPreview = true;
        SetSourceAngle(selected, s);
        engine.quickPreview = false;
        previewDue = false;
        refinePending = true;
    } else if (refinePending) {
        refinePending = false;
        SetSourceAngle(selected, s);
    }
    return WorkPending();
}

void rotate_preview::Confirm(int angleEdit, SourceIndex selected)
{
    // The result is kept, so it is placed at full quality whatever preview was pending.
    engine.quickPreview = false;
    previewDue = false;
    refinePending = false;
    engine.placement[selected - 1].angle = angleEdit < 180 ? angleEdit : angleEdit - 360;
    engine.UpdateSourceGeometry(selected);
    engine.PlaceSource(selected);
    engine.ComposeTarget();
}

void rotate_preview::Restore()
{
    engine.quickPreview = false;
    previewDue = false;
    refinePending = false;
    for (SourceIndex s = 1; s <= 2; ++s) {
        SourcePlacement& p = engine.placement[s - 1];
        p.angle = saved[s - 1].angle;
        p.offsetX = saved[s - 1].offsetX;
        p.offsetY = saved[s - 1].offsetY;
    }
    engine.UpdateSourceGeometry(1);
    engine.UpdateSourceGeometry(2);
    engine.PlaceSource(1);
    engine.PlaceSource(2);
    engine.ComposeTarget();
}
