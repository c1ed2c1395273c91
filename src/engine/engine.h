#pragma once
#include <string>
#include <utility>
#include <vector>

#include "canvas.h"
#include "edits.h"
#include "merge_settings.h"
#include "placement_kernels.h"
#include "prompts.h"
#include "row_bands.h"
#include "settings_tables.h"
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

// A source's offsets and centring offsets taken when a rotation starts; the source turns about
// the canvas point where its centre was then.
struct RotationAnchor {
    int offsetX = 0;
    int offsetY = 0;
    int centreX = 0;
    int centreY = 0;
};

// Command ids of the placement presets.
constexpr int CmdJuxtapose12 = 32793;
constexpr int CmdJuxtapose21 = 32794;
constexpr int CmdResetAll = 32792;
constexpr int CmdTopLeft1 = 32833;      // 32833..32836 source 1, 32837..32840 source 2:
constexpr int CmdBottomRight2 = 32840;  // top left, top right, bottom left, bottom right
constexpr int CmdMiddle1 = 32841;
constexpr int CmdMiddle2 = 32846;
// Centering button images: the base id shows the source centred, base + 1..4 at the top, bottom,
// left and right edge.
constexpr int MiddleImage1 = 32841;
constexpr int MiddleImage2 = 32846;

// What the windows learn from the engine; every hook is optional.
class EngineListener {
public:
    virtual ~EngineListener() = default;
    // The target was rewritten or blended: repaint it and redraw the statistics line.
    virtual void TargetChanged() {}
    // The view enters the scrolling mode of source s (EnterSourceScroll). With selectEntry the
    // pane's scroll-mode selector shows entry s too (presets, scale-to-target flags); without it
    // the selector is left alone (scale edits, juxtaposition).
    virtual void ScrollSourceRequested(SourceIndex /*s*/, bool /*selectEntry*/) {}
    // The view's scroll source: the source most recently chosen for scrolling, 1 at start, kept
    // while the target is scrolled. A scale edit of that source re-enters its scrolling mode.
    virtual SourceIndex ScrollSource() const { return 1; }
    // Pane row id now shows text: a decimal number, a list text, or TrueText / FalseText.
    // Sent for every row whose shown text changes, the committed row included.
    virtual void PropertyShown(PropertyId /*id*/, const std::string& /*text*/) {}
    // Pane row id is enabled or disabled ("Infinite Contrast Bias" follows the contrast type).
    virtual void PropertyEnabled(PropertyId /*id*/, bool /*enabled*/) {}
    // Centering button of source s shows image id (MiddleImage1/2 + 0..4): what its next press does.
    virtual void MiddleImageChanged(SourceIndex /*s*/, int /*imageId*/) {}
};

// Radians per degree as the program has always used it (3.14159 / 180).
constexpr double DegreesToRadians = 0.017453277777777776;

// The compositing engine of one view: settings, placements, buffers, blend state.
// Buffers are sized to the canvas when a placement or composition first needs that size and
// kept while it stays; recomputations at an unchanged canvas size allocate nothing.
class Engine {
public:
    explicit Engine(const SourceView& sources);
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    void SetListener(EngineListener* l) { listener = l; }
    // Threads that placement and composition share their rows among; 1 (the default) keeps all
    // work on the calling thread. The results are the same for every count.
    void SetThreads(int n) { bands.SetThreads(n); }
    int Threads() const { return bands.Threads(); }
    void SetPrompts(Prompts* p) { prompts = p; }
    EngineListener* Listener() const { return listener; }
    Prompts* PromptsPort() const { return prompts; }
    const SourceView& Sources() const { return sources; }
    bool TwoSources() const { return sources.SourceCount() == 2; }

    // Canvas (geometry.cpp). The canvas is CanvasRect's size, used up to the canvas limit:
    // 2048 x 1536, unless a target that follows a photo's own size raises it (within
    // CanvasWithinBudget, up to MaxOwnCanvasSide). It takes effect at the next placement.
    // Under any other limit than 2048 x 1536 the target is exactly the canvas's width; under that
    // one the width rounds to a multiple of 4 as it always has.
    void SetCanvasLimit(int width, int height) { limitWidth = width; limitHeight = height; }
    int CanvasLimitWidth() const { return limitWidth; }
    int CanvasLimitHeight() const { return limitHeight; }
    bool OwnSizeCanvas() const { return limitWidth != MaxCanvasWidth || limitHeight != MaxCanvasHeight; }
    int CanvasWidth() const;
    int CanvasHeight() const;
    // CanvasRect for a w x h canvas centred in a client area (PlaceCanvasRect's arithmetic).
    static CanvasRect CentredCanvas(int width, int height, int clientWidth, int clientHeight);
    // A new canvas size: centre it, update geometry (2 then 1), place 1 then 2, compose. Storing the
    // size and the view's scrolling are the callers'.
    void SetCanvasSize(int width, int height, int clientWidth, int clientHeight);
    // The client area changed: same canvas size centred again, no recomputation.
    void Recentre(int clientWidth, int clientHeight);
    // Fewer than two sources: the canvas is the whole client area.
    void UseWholeClientArea(int clientWidth, int clientHeight);
    // Geometry of source 2 then 1, placement of 1 then 2, composition.
    void RecomputeAll();

    // Placement (geometry.cpp, placement.cpp).
    void UpdateSourceGeometry(SourceIndex s);
    std::pair<int, int> CentreOffsets(SourceIndex s) const;
    void PlaceSource(SourceIndex s);
    // Size of source s's scaled rotated box on the canvas (SBW, SBH).
    double ScaledBoxWidth(SourceIndex s) const;
    double ScaledBoxHeight(SourceIndex s) const;
    RotationAnchor AnchorForRotation(SourceIndex s) const;
    // Sets the angle and the offsets that keep the source's centre where the anchor had it,
    // for callers that place and compose once themselves.
    void TurnSource(SourceIndex s, double angle, const RotationAnchor& anchor);
    // TurnSource, then places and composes.
    void RotateSource(SourceIndex s, double angle, const RotationAnchor& anchor);
    // Scrolling or dragging moved source s: new offsets, placement, composition.
    void MoveSource(SourceIndex s, int offsetX, int offsetY);
    // The idle step after a quick preview: with two sources, clears quickPreview, places both
    // sources at full quality and composes. False when there was nothing to finish.
    bool FinishQuickPreview();
    // The base colour command: the new colour, both sources placed again, composition.
    void SetBaseColour(Bgr colour);

    // Placement presets (presets.cpp); each does nothing unless two sources are loaded.
    void ShoveToCorner(int command);  // CmdTopLeft1..CmdBottomRight2
    void MiddlePreset(SourceIndex s); // applies the counter's position, then advances it
    int MiddleButtonImage(SourceIndex s) const { return (s == 1 ? MiddleImage1 : MiddleImage2) + middleCounter[s - 1]; }
    void Juxtapose(SourceIndex left);  // CmdJuxtapose12: left 1; CmdJuxtapose21: left 2
    // The preset positions alone, from the current geometry, for callers that place and compose
    // once themselves: corner 0..3 (top left, top right, bottom left, bottom right), middle step
    // 0..4 (centre, centre top, centre bottom, left centre, right centre).
    std::pair<int, int> CornerOffsets(SourceIndex s, int corner) const;
    std::pair<int, int> MiddleOffsets(SourceIndex s, int step) const;
    // Juxtaposition's scales and offsets without placing or composing.
    void ArrangeJuxtaposed(SourceIndex left);
    // Runs a preset or juxtaposition command by id; false for other ids.
    bool RunPlacementCommand(int command);

    // Pane edits (edits.cpp). The engine keeps what each pane row shows, so the commit rules
    // hold without widgets; the pane renders Shown() and Enabled() and follows the listener.
    CommitResult CommitNumber(PropertyId id, const std::string& text);
    // A choice from an opened drop-down list.
    void CommitListChoice(PropertyId id, const std::string& text);
    void CommitFlag(PropertyId id, bool value);
    // The reset command: asks first; true when the parameters were reset.
    bool ResetCommand();
    void ResetAllParameters();
    const std::string& Shown(PropertyId id) const { return shown[static_cast<int>(id)]; }
    bool Enabled(PropertyId id) const { return enabled[static_cast<int>(id)]; }
    // Undo and presets put back what a row showed and whether it was enabled.
    void RestoreShown(PropertyId id, const std::string& text) { Show(id, text); }
    void RestoreEnabled(PropertyId id, bool on) { Enable(id, on); }
    // True while a range message of that class is on screen (during Prompts::Show).
    bool RangeMessageOnScreen(PropertyKind kind) const { return messageOnScreen[kind == PropertyKind::ScalePercent ? 0 : 1]; }

    // Composition (compose.cpp): merge, tone, effect into the target.
    void ComposeTarget();
    // PlaceSource for source 1 if first and for source 2 if second, then ComposeTarget, in one
    // pass over bands of rows, so that each band's layer rows are merged while still in cache.
    void PlaceAndCompose(bool first, bool second);

    MergeSettings settings;
    SourcePlacement placement[2];
    CanvasRect canvasRect;
    SourceLayer layer[2] = {SourceLayer(Unsized{}), SourceLayer(Unsized{})};
    TargetImage target{Unsized{}};
    TargetImage preEffect{Unsized{}};
    TargetImage unblended{Unsized{}};
    bool quickPreview = false;
    BlendZone zone;
    bool blendingPresent = false;
    int middleCounter[2] = {0, 0};
    // Placements begun of each layer, so that a caller can tell a layer it placed is untouched.
    unsigned placementCount[2] = {0, 0};

private:
    void ApplyPosition(SourceIndex s, int offsetX, int offsetY);
    void ApplyNumber(const PropertyRow& row, int v);
    void Show(PropertyId id, const std::string& text);
    void Enable(PropertyId id, bool on);

    const SourceView& sources;
    int limitWidth = MaxCanvasWidth;
    int limitHeight = MaxCanvasHeight;
    EngineListener* listener = nullptr;
    Prompts* prompts = nullptr;
    std::string shown[PropertyCount];
    bool enabled[PropertyCount];
    bool messageOnScreen[2] = {false, false};
    // Decides source s's placement before its first pixel, in fill[s - 1] (placement.cpp).
    void PreparePlacement(SourceIndex s);

    // Each source's placement being made, reused by every placement.
    LayerFill fill[2];
    RowBands bands;
};
