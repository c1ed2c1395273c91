#pragma once
#include "canvas.h"
#include "engine.h"

// The arithmetic of the target view, kept apart from the widget so it can be checked alone.
namespace view_geometry {

// The canvas centred in a client area of clientW x clientH; flush left or top when it does
// not fit. Divisions truncate toward zero.
CanvasRect PlaceCanvasRect(int clientW, int clientH, int w, int h);

// A scrollable size and the matching scroll bar maxima for a client area.
struct ScrollExtent {
    int width = 0;
    int height = 0;
};
// The largest scroll position of a bar over `total` with a visible `page` (never negative).
int ScrollMaximum(int total, int page);

// The scrollable size while source scrolling: the scaled rotated box plus client plus canvas,
// computed in double and truncated toward zero.
ScrollExtent SourceScrollExtent(const SourcePlacement& placement, double horizontalScale,
                                double verticalScale, int clientW, int clientH, int canvasW,
                                int canvasH);

// A right-button drag from (startX, startY) to (endX, endY) applied to a source's offsets:
// dragging right moves the source right; the result stays within -W..W and -H..H.
struct Offsets {
    int x = 0;
    int y = 0;
};
Offsets ApplyRightDrag(Offsets offsets, int startX, int startY, int endX, int endY, int canvasW,
                       int canvasH);

// A point limited to the canvas pixels: first against right - 1 and bottom - 1, then
// against left and top.
struct Point {
    int x = 0;
    int y = 0;
};
Point ClampToCanvas(Point p, const CanvasRect& canvas);

// Left-button zone selection on the blend zone (corners in logical coordinates).
// Press: inside the canvas the zone starts there, elsewhere it has no corners.
void StartZone(BlendZone& zone, Point p, const CanvasRect& canvas);
// Release: the end point is clamped, the corners ordered, the level restarts, and the zone is
// ready when it spans at least 10 pixels each way. Returns false when no zone was started.
bool FinishZone(BlendZone& zone, Point p, const CanvasRect& canvas);
bool ZoneHasCorners(const BlendZone& zone);
// The zone's corners follow the canvas moved by (dx, dy) in the client.
void MoveZone(BlendZone& zone, int dx, int dy);

// Width shown for a source layer of width w: w + 1 with the two lowest bits cleared.
int DisplayedSourceWidth(int w);

// Height of the printed target when it fills a page `pageWidth` device pixels wide, with
// logical pixels per inch lx and ly: trunc(H * HR * LY / (W * LX)).
int PrintedHeight(int canvasW, int canvasH, int pageWidth, int lx, int ly);

}  // namespace view_geometry
