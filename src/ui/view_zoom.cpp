#include "view_zoom.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine.h"

namespace view_zoom {

namespace {

constexpr std::array<double, 17> Ladder = {1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3,
                                           1.0 / 2,  2.0 / 3,  1,       1.5,     2,       3,
                                           4,        6,        8,       12,      16};
// Zooms this close count as the same step, so a fitted zoom steps to its neighbours.
constexpr double SameStep = 1e-9;

}  // namespace

double FitZoom(int w, int h, int clientW, int clientH)
{
    if (w <= 0 || h <= 0 || clientW <= 0 || clientH <= 0)
        return 1;
    const double z = std::min({1.0, double(clientW) / w, double(clientH) / h});
    return std::max(z, MinZoom);
}

double StepIn(double z)
{
    for (double step : Ladder)
        if (step > z * (1 + SameStep))
            return step;
    return MaxZoom;
}

double StepOut(double z)
{
    for (auto it = Ladder.rbegin(); it != Ladder.rend(); ++it)
        if (*it < z * (1 - SameStep))
            return *it;
    return MinZoom;
}

int Scaled(int length, double z) { return std::max(1, int(std::lround(length * z))); }

std::string PercentText(double z) { return std::to_string(std::lround(z * 100)) + " %"; }

Mapping Mapping::For(double zoom, const CanvasRect& canvas, int clientW, int clientH)
{
    Mapping m;
    m.zoom = zoom;
    m.canvas = canvas;
    m.shown = zoom == 1 ? canvas
                        : Engine::CentredCanvas(Scaled(canvas.Width(), zoom), Scaled(canvas.Height(), zoom),
                                                clientW, clientH);
    return m;
}

view_geometry::Point Mapping::ToCanvas(double clientX, double clientY) const
{
    const double x = std::floor(clientX) - (shown.left - scroll.x);
    const double y = std::floor(clientY) - (shown.top - scroll.y);
    return {canvas.left + int(std::floor(x / zoom)) + offset.x, canvas.top + int(std::floor(y / zoom)) + offset.y};
}

view_geometry::Point Mapping::ToClient(view_geometry::Point p) const
{
    return {shown.left - scroll.x + int(std::lround((p.x - offset.x - canvas.left) * zoom)),
            shown.top - scroll.y + int(std::lround((p.y - offset.y - canvas.top) * zoom))};
}

view_geometry::Point Mapping::ScrollToShow(view_geometry::Point p, int clientX, int clientY) const
{
    return {shown.left + int(std::lround((p.x - offset.x - canvas.left) * zoom)) - clientX,
            shown.top + int(std::lround((p.y - offset.y - canvas.top) * zoom)) - clientY};
}

}  // namespace view_zoom
