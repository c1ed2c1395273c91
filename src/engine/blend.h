#pragma once
// Blend zones: pulling a rectangle of the finished target step by step towards either source.
#include <string>

#include "canvas.h"
#include "engine.h"

extern const char* const BlendZoneTooSmallText;
// The shape texts of the blend options dialog.
extern const char* const SmoothEllipticalText;
extern const char* const HardEllipticalText;
extern const char* const RectangularText;

constexpr int MinBlendZoneSize = 10;  // pixels in each direction

// The point limited to the canvas: first against right - 1 and bottom - 1, then left and top.
void ClampToCanvas(const CanvasRect& canvas, int& x, int& y);

// Left button pressed at (x, y) in view coordinates: inside the canvas the zone starts there,
// elsewhere it has no corners. The level is left for the release.
void StartBlendZone(BlendZone& zone, const CanvasRect& canvas, int x, int y);
// Left button released at (x, y): the end corner is clamped to the canvas, the corners ordered,
// the level restarts and the zone is valid when at least 10 x 10. A zone without a start
// corner stays without corners. Returns zone.valid.
bool FinishBlendZone(BlendZone& zone, const CanvasRect& canvas, int x, int y);

// One blend step towards source s (1 or 2): commands "Blend Button 1" and "Blend Button 2".
// Shows the stop message and changes nothing when the zone is under 10 pixels either way.
void BlendStep(Engine& engine, SourceIndex s);

// State of the blend options dialog: its two check boxes and its description line.
struct BlendOptionsState {
    bool smoothChecked = true;
    bool rectangleChecked = false;
    std::string text = SmoothEllipticalText;
};

// Opening the dialog selects the smooth ellipse, whatever was chosen before.
BlendOptionsState OpenBlendOptions(BlendZone& zone);
// "Blend Smooth" was clicked and is now checked or not; each click takes effect at once.
void ClickBlendSmooth(BlendOptionsState& state, BlendZone& zone, bool nowChecked);
// "Rectangle" was clicked and is now checked or not.
void ClickRectangle(BlendOptionsState& state, BlendZone& zone, bool nowChecked);
// OK: the next step starts a fresh blend.
void AcceptBlendOptions(BlendZone& zone);
