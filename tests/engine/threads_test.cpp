// Placement and composition on several threads: bands of rows change who computes a row, never
// what it holds.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "effects.h"
#include "geometry_fixture.h"
#include "reference.h"

using namespace testutils;

namespace {

// Random sources, placements and settings, the same for every engine given; translucent sources
// get opacities, from wholly transparent through soft edges to opaque.
void RandomRecompute(std::mt19937& rng, int round, std::initializer_list<EngineRig*> rigs, bool translucent = false)
{
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    EngineRig& first = **rigs.begin();
    const CanvasRect canvas{0, 0, pick(4, 700), round % 4 == 0 ? pick(1, 40) : pick(20, 400)};
    for (SourceIndex s : {1, 2}) {
        first.sources.Random(s, pick(1, 500), pick(1, 400), rng);
        if (round % 3 == s)
            for (int i = 0; i < 2000; ++i)
                first.sources.slot[s - 1].mask[pick(0, int(first.sources.slot[s - 1].mask.size()) - 1)] = 0;
        if (translucent && round % 4 != s) {
            FakeSlot& slot = first.sources.slot[s - 1];
            const int kind = pick(0, 2);
            slot.alpha.resize(slot.mask.size());
            for (uint8_t& a : slot.alpha)
                a = kind == 0 ? uint8_t(rng()) : kind == 1 ? uint8_t(pick(0, 3) ? 255 : 0) : uint8_t(pick(0, 255) / 32 * 36);
        }
    }
    MergeSettings m;
    m.mergeMethod = round % 11;
    m.sourceBias = pick(0, 256);
    m.contrastMode = round % 5 == 0 ? pick(0, 3) : 1;
    m.infiniteThreshold = pick(0, 255);
    for (int k = 0; k < 3; ++k) {
        m.channelContrast[k] = round % 2 ? 50 : pick(0, 100);
        m.channelBrightness[k] = round % 2 ? 50 : pick(0, 100);
    }
    m.effect = EffectKernelAt(pick(0, EffectCount - 1));
    m.baseColour = RandomBgr(rng);
    SourcePlacement p[2];
    for (int s = 0; s < 2; ++s) {
        m.scaleToTarget[s] = pick(0, 1);
        m.flipHorizontal[s] = pick(0, 1);
        m.horizontalScale[s] = pick(0, 2) ? 100 : pick(20, 300);
        m.verticalScale[s] = pick(0, 2) ? 100 : pick(20, 300);
        p[s].angle = pick(0, 1) ? 0 : pick(-180, 179);
        p[s].offsetX = pick(-200, 200);
        p[s].offsetY = pick(-200, 200);
    }
    const bool quick = round % 6 == 5;
    for (EngineRig* rig : rigs) {
        Engine& e = rig->engine;
        if (rig != &first) {
            rig->sources.slot[0] = first.sources.slot[0];
            rig->sources.slot[1] = first.sources.slot[1];
            rig->sources.count = first.sources.count;
        }
        e.canvasRect = canvas;
        e.settings = m;
        e.quickPreview = quick;
        for (int s = 0; s < 2; ++s)
            e.placement[s].angle = p[s].angle;
        e.UpdateSourceGeometry(2);
        e.UpdateSourceGeometry(1);
        for (int s = 0; s < 2; ++s) {
            e.placement[s].offsetX = p[s].offsetX;
            e.placement[s].offsetY = p[s].offsetY;
        }
        e.PlaceSource(1);
        e.PlaceSource(2);
        e.ComposeTarget();
    }
}

}  // namespace

TEST(Threads, ResultsDoNotDependOnTheThreadCount)
{
    EngineRig one, two, three;
    two.engine.SetThreads(2);
    three.engine.SetThreads(3);
    std::mt19937 rng(1109);
    TargetImage pre, out;
    for (int round = 0; round < 60; ++round) {
        RandomRecompute(rng, round, {&one, &two, &three});
        const Engine& e = one.engine;
        const int w = e.canvasRect.Width(), h = e.canvasRect.Height();
        for (EngineRig* rig : {&two, &three}) {
            const Engine& t = rig->engine;
            SCOPED_TRACE("round " + std::to_string(round) + ", threads " + std::to_string(t.Threads()));
            ASSERT_EQ(LayerDifference(e.layer[0], t.layer[0], w, h), "");
            ASSERT_EQ(LayerDifference(e.layer[1], t.layer[1], w, h), "");
            ASSERT_EQ(FirstDifference(e.target, t.target), "");
            if (!e.quickPreview) {
                ASSERT_EQ(FirstDifference(e.preEffect, t.preEffect), "");
            }
        }
        // Placed layers, where one source alone covers whole runs, composed as the formulas say.
        reference::Compose(e.settings, e.quickPreview, e.layer[0], e.layer[1], pre, out);
        ASSERT_EQ(FirstDifference(out, e.target), "") << "round " << round;
    }
}

TEST(Threads, TranslucentSourcesPlaceAndComposeAlikeOnAnyThreadCount)
{
    EngineRig one, two;
    two.engine.SetThreads(2);
    std::mt19937 rng(1212);
    TargetImage pre, out;
    SourceLayer expected[2];
    for (int round = 0; round < 24; ++round) {
        RandomRecompute(rng, round, {&one, &two}, true);
        const Engine& e = one.engine;
        const int w = e.canvasRect.Width(), h = e.canvasRect.Height();
        SCOPED_TRACE("round " + std::to_string(round));
        for (int s = 0; s < 2; ++s) {
            ASSERT_EQ(LayerDifference(e.layer[s], two.engine.layer[s], w, h), "");
            reference::Place(e, one.sources, s + 1, expected[s]);
            ASSERT_EQ(LayerDifference(expected[s], e.layer[s], w, h), "") << "source " << s + 1;
        }
        ASSERT_EQ(FirstDifference(e.target, two.engine.target), "");
        reference::Compose(e.settings, e.quickPreview, e.layer[0], e.layer[1], pre, out);
        ASSERT_EQ(FirstDifference(out, e.target), "");
    }
}
