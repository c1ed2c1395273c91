#include "view_geometry.h"

#include <algorithm>

#include "blend.h"

namespace view_geometry {

CanvasRect PlaceCanvasRect(int clientW, int clientH, int w, int h)
{
    return Engine::CentredCanvas(w, h, clientW, clientH);
}

int ScrollMaximum(int total, int page) { return std::max(0, total - page); }

ScrollExtent SourceScrollExtent(const SourcePlacement& placement, double horizontalScale,
                                double verticalScale, int clientW, int clientH, int canvasW,
                                int canvasH)
{
    ScrollExtent e;
    e.width = static_cast<int>(placement.fitFactorH * horizontalScale * placement.boxWidth / 100 +
                               clientW + canvasW);
    e.height = static_cast<int>(placement.fitFactorV * verticalScale * placement.boxHeight / 100 +
                                clientH + canvasH);
    return e;
}

Offsets ApplyRightDrag(Offsets offsets, int startX, int startY, int endX, int endY, int canvasW,
                       int canvasH)
{
    offsets.x += startX - endX;
    offsets.y += startY - endY;
    offsets.x = std::clamp(offsets.x, -canvasW, canvasW);
    offsets.y = std::clamp(offsets.y, -canvasH, canvasH);
    return offsets;
}

Point ClampToCanvas(Point p, const CanvasRect& canvas)
{
    ::ClampToCanvas(canvas, p.x, p.y);
    return p;
}

void StartZone(BlendZone& zone, Point p, const CanvasRect& canvas) { StartBlendZone(zone, canvas, p.x, p.y); }

bool ZoneHasCorners(const BlendZone& zone) { return zone.x1 != -1 && zone.y1 != -1; }

void MoveZone(BlendZone& zone, int dx, int dy)
{
    if (!ZoneHasCorners(zone))
        return;
    zone.x1 += dx;
    zone.x2 += dx;
    zone.y1 += dy;
    zone.y2 += dy;
}

bool FinishZone(BlendZone& zone, Point p, const CanvasRect& canvas)
{
    FinishBlendZone(zone, canvas, p.x, p.y);
    return ZoneHasCorners(zone);
}

int DisplayedSourceWidth(int w) { return (w + 1) & ~3; }

int PrintedHeight(int canvasW, int canvasH, int pageWidth, int lx, int ly)
{
    if (canvasW <= 0 || lx <= 0)
        return 0;
    return static_cast<int>(double(canvasH) * pageWidth * ly / (double(canvasW) * lx));
}

}  // namespace view_geometry
