#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "effects.h"
#include "engine.h"
#include "pixel.h"
#include "reference.h"
#include "testutils.h"
#include "tone.h"

using testutils::FirstDifference;
using testutils::LayerPixel;
using testutils::SetLayerPixel;
using testutils::TargetPixel;

namespace {

// An engine with both slots counted as loaded and the layers filled by hand.
struct Rig {
    testutils::FakeSources sources;
    testutils::CountingListener listener;
    std::unique_ptr<Engine> engine;
    Rig()
    {
        sources.count = 2;
        engine = std::make_unique<Engine>(sources);
        engine->SetListener(&listener);
    }
    void Layers(int w, int h, std::mt19937& rng, int coverPercent = 80)
    {
        testutils::FillLayerRandom(engine->layer[0], w, h, rng, coverPercent);
        testutils::FillLayerRandom(engine->layer[1], w, h, rng, coverPercent);
    }
};

Bgr Gray(int v) { return Bgr{uint8_t(v), uint8_t(v), uint8_t(v)}; }

}  // namespace

TEST(Compose, TargetWidthRoundsToAMultipleOfFour)
{
    Rig rig;
    std::mt19937 rng(1);
    const int widths[][2] = {{1023, 1024}, {1022, 1020}, {1021, 1020}, {1020, 1020}, {2048, 2048}, {2047, 2048}, {2, 0}};
    for (const auto& w : widths) {
        rig.Layers(w[0], 37, rng);
        rig.engine->ComposeTarget();
        EXPECT_EQ(rig.engine->target.width, w[1]) << w[0];
        EXPECT_EQ(rig.engine->target.height, 37);
    }
    // The narrower and shorter layer decides.
    rig.Layers(600, 37, rng);
    rig.engine->layer[0].width = 500;
    rig.engine->layer[1].height = 21;
    rig.engine->ComposeTarget();
    EXPECT_EQ(rig.engine->target.width, 500);
    EXPECT_EQ(rig.engine->target.height, 21);
}

// The column added by rounding up lies beyond what placement cleared: whatever the layers hold
// there, it shows the base colour through the tone adjustment.
TEST(Compose, ColumnAddedByRoundingShowsTheBaseColour)
{
    Rig rig;
    std::mt19937 rng(2);
    Engine& e = *rig.engine;
    rig.Layers(1023, 8, rng, 100);
    for (int r = 0; r < 8; ++r) {
        SetLayerPixel(e.layer[0], r, 1023, Gray(200), 1);
        SetLayerPixel(e.layer[1], r, 1023, Gray(100), 1);
    }
    e.settings.baseColour = Bgr{40, 50, 60};
    e.settings.channelBrightness[Red] = 60;
    e.ComposeTarget();
    ASSERT_EQ(e.target.width, 1024);
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(TargetPixel(e.target, r, 1023), (Bgr{40, 50, 70})) << r;
    e.quickPreview = true;
    e.ComposeTarget();
    for (int r = 0; r < 8; ++r)
        EXPECT_EQ(TargetPixel(e.target, r, 1023), (Bgr{40, 50, 60})) << r;
}

TEST(Compose, NothingHappensWithOneSource)
{
    Rig rig;
    std::mt19937 rng(3);
    rig.Layers(64, 32, rng);
    rig.engine->ComposeTarget();
    const TargetImage before = rig.engine->target;
    rig.sources.count = 1;
    rig.engine->settings.mergeMethod = CodeLeast;
    rig.Layers(40, 20, rng);
    rig.engine->ComposeTarget();
    EXPECT_EQ(FirstDifference(before, rig.engine->target), "");
    EXPECT_EQ(rig.listener.targetChanged, 1);
}

TEST(Compose, QuickPathAveragesWhateverTheMethod)
{
    Rig rig;
    Engine& e = *rig.engine;
    e.layer[0].Reshape(8, 4);
    e.layer[1].Reshape(8, 4);
    e.layer[0].width = e.layer[1].width = 8;
    e.layer[0].height = e.layer[1].height = 4;
    SetLayerPixel(e.layer[0], 2, 3, Gray(200));
    SetLayerPixel(e.layer[1], 2, 3, Gray(100));
    SetLayerPixel(e.layer[0], 1, 1, Gray(200), 0);
    SetLayerPixel(e.layer[1], 1, 1, Gray(100), 0);
    e.settings.mergeMethod = CodeSubtract12;
    e.settings.sourceBias = 128;
    e.settings.baseColour = Bgr{1, 2, 3};
    e.settings.channelContrast[Blue] = 0;
    e.settings.effect = EffectKernelAt(1);
    e.quickPreview = true;
    e.ComposeTarget();
    EXPECT_EQ(TargetPixel(e.target, 2, 3), Gray(150));
    EXPECT_EQ(TargetPixel(e.target, 1, 1), (Bgr{1, 2, 3}));
    e.quickPreview = false;
    e.settings.effect = EffectKernelAt(0);
    e.ComposeTarget();
    EXPECT_EQ(TargetPixel(e.target, 2, 3), (Bgr{127, 227, 227}));
    // Uncovered pixels show the base colour through the tone adjustment.
    EXPECT_EQ(TargetPixel(e.target, 1, 1), (Bgr{127, 2, 3}));
}

TEST(Compose, EndsTheBlendZoneOnlyOnTheNormalPath)
{
    Rig rig;
    std::mt19937 rng(4);
    Engine& e = *rig.engine;
    rig.Layers(32, 32, rng);
    e.zone = BlendZone{5, 5, 25, 25, true, 3, false, true};
    e.blendingPresent = true;
    e.quickPreview = true;
    e.ComposeTarget();
    EXPECT_TRUE(e.zone.valid);
    EXPECT_EQ(e.zone.x2, 25);
    EXPECT_FALSE(e.blendingPresent);
    EXPECT_EQ(rig.listener.targetChanged, 1);
    e.blendingPresent = true;
    e.quickPreview = false;
    e.ComposeTarget();
    EXPECT_FALSE(e.zone.valid);
    EXPECT_EQ(e.zone.x1, -1);
    EXPECT_EQ(e.zone.y1, -1);
    EXPECT_EQ(e.zone.x2, -1);
    EXPECT_EQ(e.zone.y2, -1);
    EXPECT_FALSE(e.blendingPresent);
    EXPECT_EQ(rig.listener.targetChanged, 2);
}

TEST(Compose, EffectFrameTakesThisCompositionsPixels)
{
    Rig rig;
    std::mt19937 rng(5);
    Engine& e = *rig.engine;
    rig.Layers(40, 30, rng);
    e.settings.effect = EffectKernelAt(2);
    e.ComposeTarget();
    rig.Layers(40, 30, rng);  // new layer content: the frame must follow it
    e.ComposeTarget();
    for (int c = 0; c < 40; ++c) {
        EXPECT_EQ(TargetPixel(e.target, 0, c), TargetPixel(e.preEffect, 0, c));
        EXPECT_EQ(TargetPixel(e.target, 29, c), TargetPixel(e.preEffect, 29, c));
    }
    for (int r = 0; r < 30; ++r) {
        EXPECT_EQ(TargetPixel(e.target, r, 0), TargetPixel(e.preEffect, r, 0));
        EXPECT_EQ(TargetPixel(e.target, r, 39), TargetPixel(e.preEffect, r, 39));
    }
    e.settings.effect = EffectKernelAt(0);
    e.ComposeTarget();
    EXPECT_EQ(FirstDifference(e.preEffect, e.target), "");
}

// The whole composition against the per-pixel reference: random layers, sizes (every width
// remainder), merge methods, biases, tone settings, effects and both paths.
TEST(Compose, MatchesReferenceOnRandomLayersAndSettings)
{
    Rig rig;
    Engine& e = *rig.engine;
    TargetImage pre, out;
    std::mt19937 rng(20261209);
    for (int round = 0; round < 160; ++round) {
        const int w = 1 + int(rng() % 300);
        const int h = 1 + int(rng() % 120);
        rig.Layers(w, h, rng, int(rng() % 101));
        if (round % 5 == 0)
            e.layer[1].width = std::max(1, w - int(rng() % 7));
        MergeSettings& s = e.settings;
        s.mergeMethod = round % 11;
        s.sourceBias = round % 4 == 0 ? int(rng() % 2) * 256 : int(rng() % 257);
        s.contrastMode = int(rng() % 4);
        s.infiniteThreshold = int(rng() % 256);
        for (int k = 0; k < 3; ++k) {
            s.channelContrast[k] = int(rng() % 101);
            s.channelBrightness[k] = int(rng() % 101);
        }
        s.effect = EffectKernelAt(int(rng() % EffectCount));
        s.baseColour = testutils::RandomBgr(rng);
        e.quickPreview = round % 7 == 3;
        e.ComposeTarget();
        reference::Compose(s, e.quickPreview, e.layer[0], e.layer[1], pre, out);
        ASSERT_EQ(FirstDifference(out, e.target), "") << "round " << round << " method " << s.mergeMethod;
        if (!e.quickPreview) {
            ASSERT_EQ(FirstDifference(pre, e.preEffect), "") << "pre-effect, round " << round;
        }
    }
}

TEST(Compose, MatchesReferenceAtTheLargestCanvas)
{
    Rig rig;
    Engine& e = *rig.engine;
    std::mt19937 rng(77);
    rig.Layers(2048, 1536, rng, 100);  // whole rows in one run
    e.settings.mergeMethod = CodeMost;
    e.settings.contrastMode = ContrastGray;
    e.settings.channelContrast[Green] = 70;
    e.settings.effect = EffectKernelAt(4);
    e.ComposeTarget();
    TargetImage pre, out;
    reference::Compose(e.settings, false, e.layer[0], e.layer[1], pre, out);
    EXPECT_EQ(FirstDifference(out, e.target), "");
}
