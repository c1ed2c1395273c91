#pragma once
#include <optional>
#include <utility>

#include "engine.h"

// Angle arithmetic of the rotate dialog and its wheel. Dialog angles run clockwise from the
// top of the wheel, 0..359; sources hold -180..179.
namespace rotate_angle {

constexpr int Low = 0;
constexpr int High = 359;

// A source's angle as the dialog shows it: truncated toward zero, negatives plus 360.
int Shown(double sourceAngle);
// A dialog angle as a source holds it (the idle preview's rule: 180 becomes -180).
int ForSource(int dialogAngle);

// The angle for a point of a wheel of w x h pixels, or nothing for the excluded centre disc
// and for points beyond the outer circle.
std::optional<int> Pick(int x, int y, int w, int h);

// The far end of the wheel's pointer for a dialog angle; it starts at (w / 2, h / 2).
std::pair<int, int> PointerEnd(int dialogAngle, int w, int h);

}  // namespace rotate_angle

// The rotate dialog's effect on the engine, without any window: the saved placements, the
// quick preview followed by the full-quality placement when idle, OK and Cancel.
class rotate_preview {
public:
    explicit rotate_preview(Engine& engine);

    // Source s (1 or 2) at angle, keeping the point that was at the canvas centre in place.
    void SetSourceAngle(SourceIndex s, int sourceAngle);
    // One idle moment: a pending quick preview runs, else a pending full placement.
    // Returns true while more idle work is due.
    bool Idle(int angleEdit, SourceIndex selected);
    bool WorkPending() const { return previewDue || refinePending; }
    // The wheel or Apply asks for a quick preview of the current angle.
    void RequestPreview()
    {
        engine.quickPreview = true;
        previewDue = true;
    }
    // OK: the angle at full quality, offsets as they are now.
    void Confirm(int angleEdit, SourceIndex selected);
    // Cancel: both sources exactly as they were when the dialog opened.
    void Restore();

    Engine& Target() { return engine; }

private:
    Engine& engine;
    SourcePlacement saved[2];
    RotationAnchor anchor[2];
    // Kept beside the engine's flag, which the application's own idle work may clear first.
    bool previewDue = false;
    bool refinePending = false;
};
