#pragma once
#include <string>

#include "canvas.h"
#include "view_geometry.h"

// The scale the view shows the target at, and the mapping between the client area and canvas
// points through it. Only what is shown changes: the target's pixels are never rescaled.
namespace view_zoom {

constexpr double MinZoom = 1.0 / 16;
constexpr double MaxZoom = 16;

// The largest zoom at which all of a w x h canvas fits the client, never above 100 %.
double FitZoom(int w, int h, int clientW, int clientH);
// The next step of the zoom ladder above or below z, held at its ends.
double StepIn(double z);
double StepOut(double z);
// A canvas length as shown at zoom z, at least one pixel.
int Scaled(int length, double z);
// "50 %".
std::string PercentText(double z);

// Where the canvas is shown and how points map to it. `canvas` is the engine's canvas in
// unzoomed client coordinates; `shown` is the zoomed canvas in the client before scrolling;
// `scroll` shifts what is shown (the target's scroll bars) and `offset` is added to canvas
// points unchanged (a source mode's scroll positions). At 100 % `shown` is `canvas`, and
// the mapping is the plain one: canvas point = client point + scroll + offset.
struct Mapping {
    double zoom = 1;
    CanvasRect canvas;
    CanvasRect shown;
    view_geometry::Point scroll;
    view_geometry::Point offset;

    // The mapping for a canvas in a client area of clientW x clientH.
    static Mapping For(double zoom, const CanvasRect& canvas, int clientW, int clientH);
    // The canvas point under a client position (device pixels, fractions allowed).
    view_geometry::Point ToCanvas(double clientX, double clientY) const;
    // The client position of a canvas point's top-left corner.
    view_geometry::Point ToClient(view_geometry::Point p) const;
    // The scroll position that puts canvas point p under client position (clientX, clientY).
    view_geometry::Point ScrollToShow(view_geometry::Point p, int clientX, int clientY) const;
};

}  // namespace view_zoom
