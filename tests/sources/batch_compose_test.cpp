// The batch composer against the engine's own placement and composition on random inputs.
#include <gtest/gtest.h>

#include <random>

#include "batch_compose.h"
#include "effects.h"
#include "testutils.h"

namespace {

using testutils::FakeSources;
using testutils::FirstDifference;
using testutils::LayerDifference;

// Two engines over the same slots: one recomputes the plain way, one through a composer.
struct Pair {
    FakeSources sources;
    Engine plain{sources};
    Engine batch{sources};
    BatchComposer composer{batch};

    explicit Pair(int w, int h)
    {
        plain.canvasRect = batch.canvasRect = CanvasRect{0, 0, w, h};
    }
    // Applies a setup to both engines, then recomputes each its way.
    template <class Setup>
    void Recompute(const Setup& setup)
    {
        for (Engine* e : {&plain, &batch}) {
            setup(*e);
            e->UpdateSourceGeometry(1);
            e->UpdateSourceGeometry(2);
        }
        plain.PlaceSource(1);
        plain.PlaceSource(2);
        plain.ComposeTarget();
        composer.Compose();
    }
};

// Methods 0..10 and one code no operator answers to.
constexpr int Methods[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 42};

TEST(BatchComposer, EqualsThePlainPathForEveryMethodAndPosition)
{
    std::mt19937 rng(1234);
    for (int method : Methods) {
        Pair p(403 + method, 211);
        p.sources.Random(1, 60, 25, rng);
        for (int file = 0; file < 4; ++file) {
            // Photos larger, smaller and shifted either way, as a batch meets them.
            std::uniform_int_distribution<int> size(150, 500), offset(-40, 40);
            p.sources.Random(2, size(rng), size(rng), rng);
            const int ox = offset(rng), oy = offset(rng), bias = int(rng() % 257);
            p.Recompute([&](Engine& e) {
                e.settings.mergeMethod = method;
                e.settings.sourceBias = bias;
                e.settings.baseColour = Bgr{7, 77, 177};
                e.settings.scaleToTarget[0] = e.settings.scaleToTarget[1] = false;
                e.placement[0].offsetX = -(e.CanvasWidth() - 60);
                e.placement[0].offsetY = -(e.CanvasHeight() - 25) + file;  // one file moves the mark
                e.placement[1].offsetX = ox;
                e.placement[1].offsetY = oy;
            });
            ASSERT_TRUE(p.composer.LastWasStraight() || method == 42) << method;
            ASSERT_EQ(FirstDifference(p.plain.target, p.batch.target), "") << "method " << method << " file " << file;
        }
        p.composer.SettleLayers();
        EXPECT_EQ(LayerDifference(p.plain.layer[1], p.batch.layer[1], p.plain.CanvasWidth(), p.plain.CanvasHeight()), "");
    }
}

TEST(BatchComposer, TranslucentMarkOnOwnSizeCanvases)
{
    std::mt19937 rng(77);
    Pair p(100, 100);
    for (Engine* e : {&p.plain, &p.batch})
        e->SetCanvasLimit(MaxOwnCanvasSide, MaxOwnCanvasSide);
    p.sources.Random(1, 50, 20, rng);
    std::vector<uint8_t>& alpha = p.sources.slot[0].alpha;
    alpha.resize(50 * 20);
    for (uint8_t& a : alpha)
        a = uint8_t(rng() % 3 == 0 ? 255 : rng() % 3 == 0 ? 0 : rng());
    for (const auto& [w, h] : {std::pair{2101, 60}, std::pair{333, 2}, std::pair{333, 200}}) {
        p.sources.Random(2, w, h, rng);
        for (int method : {6, 0, 2}) {
            p.Recompute([&](Engine& e) {
                e.canvasRect = CanvasRect{0, 0, w, h};
                e.settings.mergeMethod = method;
                e.settings.scaleToTarget[0] = false;
                e.placement[0].offsetX = -(w - 50);
                e.placement[0].offsetY = -(h - 20);
            });
            ASSERT_TRUE(p.composer.LastWasStraight() && p.batch.layer[0].opacity);
            ASSERT_EQ(FirstDifference(p.plain.target, p.batch.target), "") << w << " x " << h << " method " << method;
        }
    }
}

TEST(BatchComposer, OtherPlacementsAndTonesTakeTheEnginePath)
{
    std::mt19937 rng(99);
    Pair p(320, 240);
    p.sources.Random(1, 80, 30, rng);
    const auto cases = std::vector<std::function<void(Engine&)>>{
        [](Engine& e) { e.settings.flipHorizontal[1] = true; },
        [](Engine& e) { e.placement[1].angle = 10; },
        [](Engine& e) { e.settings.horizontalScale[1] = 150; },
        [](Engine& e) { e.settings.scaleToTarget[1] = true; },  // fitted: scaled
        [](Engine& e) { e.settings.channelContrast[1] = 70; },
        [](Engine& e) { e.settings.effect = EffectKernelAt(1); },
        [](Engine& e) { e.quickPreview = true; },
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        p.sources.Random(2, 300, 200, rng);
        p.sources.slot[1].mask[5] = 0;  // a hole, for the first case only
        p.Recompute([&](Engine& e) {
            e.settings = MergeSettings{};
            e.quickPreview = false;
            e.placement[1] = SourcePlacement{};
            e.settings.scaleToTarget[0] = e.settings.scaleToTarget[1] = false;
            cases[i](e);
        });
        EXPECT_FALSE(p.composer.LastWasStraight()) << i;
        EXPECT_EQ(FirstDifference(p.plain.target, p.batch.target), "") << i;
    }
}

TEST(BatchComposer, PlacesSource1AgainOnlyWhenSomethingChanged)
{
    std::mt19937 rng(5);
    Pair p(256, 128);
    p.sources.Random(1, 40, 20, rng);
    p.sources.Random(2, 256, 128, rng);
    const auto setup = [](Engine& e) { e.settings.scaleToTarget[0] = e.settings.scaleToTarget[1] = false; };
    p.Recompute(setup);
    const unsigned first = p.batch.placementCount[0];
    p.sources.Random(2, 256, 128, rng);
    p.Recompute(setup);
    EXPECT_EQ(p.batch.placementCount[0], first) << "the mark stays placed";
    // Someone else places layer 1 elsewhere and puts the offset back without placing: the
    // composer notices and places it again.
    p.batch.placement[0].offsetX = -100;
    p.batch.PlaceSource(1);
    p.batch.placement[0].offsetX = 0;
    p.Recompute(setup);
    EXPECT_EQ(FirstDifference(p.plain.target, p.batch.target), "");
    p.Recompute([&](Engine& e) { setup(e), e.canvasRect = CanvasRect{0, 0, 200, 100}; });
    EXPECT_EQ(FirstDifference(p.plain.target, p.batch.target), "") << "a new canvas";
}

}  // namespace
