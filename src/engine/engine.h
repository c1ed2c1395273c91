#pragma once
#include <string>
#include <utility>

#include "canvas.h"
#include "merge_settings.h"
#include "prompts.h"
#include "source_view.h"

// Where a source sits on the canvas and how its rotated box measures.
struct SourcePlacement {
    double angle = 0.0;  // degrees
    int offsetX = 0;     // the box's left edge is at canvas column -offsetX
    int offsetY = 0;     // the box's top edge is at canvas row -offsetY
    double fitFactorH = 1.0;
    double fitFactorV = 1.0;
    int boxWidth = 0;
    int boxHeight = 0;
};

// The rectangle the user drew for local blending, in view coordinates.
struct BlendZone {
    int x1 = -1, y1 = -1, x2 = -1, y2 = -1;
    bool valid = false;
    int level = 0;
    bool rectangular = false;
    bool smooth = true;
};

// What the windows learn from the engine; every hook is optional.
class EngineListener {
public:
    virtual ~EngineListener() = default;
    // The target was rewritten or blended: repaint it and redraw the statistics line.
    virtual void TargetChanged() {}
    // An operation asks the view to scroll source s (presets, scale edits, juxtaposition).
    virtual void ScrollSourceRequested(SourceIndex) {}
};

// Radians per degree as the program has always used it (3.14159 / 180).
constexpr double DegreesToRadians = 0.017453277777777776;

// The compositing engine of one view: settings, placements, fixed buffers, blend state.
// All buffers are allocated once here; recomputations allocate nothing.
class Engine {
public:
    explicit Engine(const SourceView& sources);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    void SetListener(EngineListener* l) { listener = l; }
    void SetPrompts(Prompts* p) { prompts = p; }
    const SourceView& Sources() const { return sources; }
    bool TwoSources() const { return sources.SourceCount() == 2; }

    // Placement (geometry.cpp, placement.cpp).
    void UpdateSourceGeometry(SourceIndex s);
    std::pair<int, int> CentreOffsets(SourceIndex s) const;
    void PlaceSource(SourceIndex s);

    // Composition (compose.cpp): merge, tone, effect into the target.
    void ComposeTarget();

    MergeSettings settings;
    SourcePlacement placement[2];
    CanvasRect canvasRect;
    SourceLayer layer[2];
    TargetImage target;
    TargetImage preEffect;
    TargetImage unblended;
    bool quickPreview = false;
    BlendZone zone;
    bool blendingPresent = false;
    int middleCounter[2] = {0, 0};

private:
    const SourceView& sources;
    EngineListener* listener = nullptr;
    Prompts* prompts = nullptr;
};
