#pragma once
// An engine over two fake slots, with a listener that records what the pane and view are told.
#include <string>
#include <utility>
#include <vector>

#include "engine.h"
#include "testutils.h"

namespace testutils {

// Records every hook the engine calls, in order.
class PaneListener : public EngineListener {
public:
    int targetChanged = 0;
    SourceIndex scrollSource = 1;
    std::vector<std::pair<SourceIndex, bool>> scrollRequests;
    std::vector<std::pair<PropertyId, std::string>> shownRows;
    std::vector<std::pair<PropertyId, bool>> enabledRows;
    std::vector<std::pair<SourceIndex, int>> middleImages;

    void TargetChanged() override { ++targetChanged; }
    void ScrollSourceRequested(SourceIndex s, bool selectEntry) override { scrollRequests.emplace_back(s, selectEntry); }
    SourceIndex ScrollSource() const override { return scrollSource; }
    void PropertyShown(PropertyId id, const std::string& text) override { shownRows.emplace_back(id, text); }
    void PropertyEnabled(PropertyId id, bool on) override { enabledRows.emplace_back(id, on); }
    void MiddleImageChanged(SourceIndex s, int image) override { middleImages.emplace_back(s, image); }
};

// An engine with its fakes wired in and a canvas of w x h at the client origin.
struct EngineRig {
    FakeSources sources;
    FakePrompts prompts;
    PaneListener pane;
    Engine engine{sources};

    explicit EngineRig(int w = 1024, int h = 768)
    {
        engine.SetListener(&pane);
        engine.SetPrompts(&prompts);
        engine.canvasRect = CanvasRect{0, 0, w, h};
    }
    // Two loaded image sources of the given sizes, each pixel a colour made from its position.
    void LoadTwo(int w1, int h1, int w2, int h2)
    {
        sources.Fill(1, w1, h1, [](int y, int x) { return Bgr{uint8_t(x), uint8_t(y), 10}; });
        sources.Fill(2, w2, h2, [](int y, int x) { return Bgr{uint8_t(y), uint8_t(x), 20}; });
    }
    const SourcePlacement& P(SourceIndex s) const { return engine.placement[s - 1]; }
};

}  // namespace testutils
