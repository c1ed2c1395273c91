#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "blend.h"
#include "engine.h"
#include "testutils.h"

using testutils::FirstDifference;
using testutils::SetLayerPixel;
using testutils::SetTargetPixel;
using testutils::TargetPixel;

namespace {

Bgr Gray(int v) { return Bgr{uint8_t(v), uint8_t(v), uint8_t(v)}; }

// A composed 64 x 48 target of gray 100 on a canvas at (10, 20) of the view, source 1's layer
// gray 200 and source 2's gray 20, both covering everything.
struct Rig {
    testutils::FakeSources sources;
    testutils::FakePrompts prompts;
    testutils::CountingListener listener;
    std::unique_ptr<Engine> engine;
    Rig()
    {
        sources.count = 2;
        engine = std::make_unique<Engine>(sources);
        engine->SetListener(&listener);
        engine->SetPrompts(&prompts);
        Engine& e = *engine;
        e.canvasRect = CanvasRect{10, 20, 74, 68};
        e.target.Resize(64, 48);
        e.layer[0].Reshape(64, 48);
        e.layer[1].Reshape(64, 48);
        for (int r = 0; r < 48; ++r)
            for (int c = 0; c < 64; ++c) {
                SetTargetPixel(e.target, r, c, Gray(100));
                SetLayerPixel(e.layer[0], r, c, Gray(200));
                SetLayerPixel(e.layer[1], r, c, Gray(20));
            }
        e.layer[0].width = e.layer[1].width = 64;
        e.layer[0].height = e.layer[1].height = 48;
    }
    // Zone over canvas columns xa..xb - 1 and rows ya..yb - 1.
    void Zone(int xa, int ya, int xb, int yb, bool rectangular = false, bool smooth = true)
    {
        BlendZone& z = engine->zone;
        z = BlendZone{};
        StartBlendZone(z, engine->canvasRect, xa + 10, ya + 20);
        FinishBlendZone(z, engine->canvasRect, xb + 10, yb + 20);
        z.rectangular = rectangular;
        z.smooth = smooth;
    }
    Bgr At(int r, int c) const { return TargetPixel(engine->target, r, c); }
    void Steps(SourceIndex s, int n)
    {
        for (int i = 0; i < n; ++i)
            BlendStep(*engine, s);
    }
};

}  // namespace

TEST(BlendZoneMouse, PressReleaseClampsAndOrders)
{
    const CanvasRect canvas{10, 20, 74, 68};
    BlendZone z;
    z.level = 4;
    StartBlendZone(z, canvas, 50, 40);
    EXPECT_EQ(z.x1, 50);
    EXPECT_EQ(z.y2, 40);
    // Released beyond the bottom-left corner: clamped, then ordered.
    EXPECT_TRUE(FinishBlendZone(z, canvas, -100, 500));
    EXPECT_EQ(z.x1, 10);
    EXPECT_EQ(z.y1, 40);
    EXPECT_EQ(z.x2, 50);
    EXPECT_EQ(z.y2, 67);
    EXPECT_EQ(z.level, 0);

    // 9 pixels either way is too small, 10 x 10 is enough.
    StartBlendZone(z, canvas, 30, 30);
    EXPECT_FALSE(FinishBlendZone(z, canvas, 39, 45));
    StartBlendZone(z, canvas, 30, 30);
    EXPECT_TRUE(FinishBlendZone(z, canvas, 40, 40));

    // A press on the margin leaves no zone, wherever the release happens.
    StartBlendZone(z, canvas, 74, 30);
    EXPECT_EQ(z.x1, -1);
    EXPECT_FALSE(FinishBlendZone(z, canvas, 40, 40));
    EXPECT_EQ(z.x2, -1);
    EXPECT_EQ(z.y2, -1);
}

TEST(BlendZoneMouse, ClampPrefersTheTopLeftOnAnEmptyCanvas)
{
    int x = 500, y = -3;
    ClampToCanvas(CanvasRect{10, 20, 10, 20}, x, y);
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 20);
}

TEST(BlendStep, TooSmallZoneShowsTheStopMessage)
{
    Rig rig;
    rig.Zone(5, 5, 14, 30);  // 9 wide
    rig.Steps(1, 1);
    ASSERT_EQ(rig.prompts.shown.size(), 1u);
    EXPECT_EQ(rig.prompts.shown[0].first,
              "Blending zone is too small.\n\nPlease set a larger rectangle with the left mouse in the image.");
    EXPECT_EQ(rig.prompts.shown[0].second, PromptKind::Stop);
    EXPECT_EQ(rig.engine->zone.level, 0);
    EXPECT_EQ(rig.At(10, 10), Gray(100));
    EXPECT_FALSE(rig.engine->blendingPresent);
}

TEST(BlendStep, SmoothEllipseReachesTheSourceAtItsCentreAfterEightSteps)
{
    Rig rig;
    rig.Zone(10, 10, 40, 30);  // centre (25, 20)
    rig.Steps(1, 1);
    EXPECT_EQ(rig.At(20, 25), Gray(100 + (100 >> 3)));
    EXPECT_TRUE(rig.engine->blendingPresent);
    EXPECT_EQ(rig.listener.targetChanged, 1);
    // Halfway to the rim along the row: q = 0.5, strength 0.25.
    EXPECT_EQ(rig.At(15, 25), Gray(100 + (static_cast<int>(100 * 0.25) >> 3)));
    rig.Steps(1, 7);
    EXPECT_EQ(rig.At(20, 25), Gray(200));
    // Zone corners lie outside the inscribed ellipse and never change.
    EXPECT_EQ(rig.At(10, 10), Gray(100));
    EXPECT_EQ(rig.At(29, 39), Gray(100));
    // Outside the zone nothing changes.
    EXPECT_EQ(rig.At(20, 45), Gray(100));
}

TEST(BlendStep, HardEllipseAndRectangleStrengths)
{
    Rig hard;
    hard.Zone(10, 10, 40, 30, false, false);
    hard.Steps(2, 1);
    EXPECT_EQ(hard.At(15, 25), Gray(100 + (-80 >> 3)));  // towards source 2: the shift rounds down
    EXPECT_EQ(hard.At(10, 10), Gray(100));

    Rig rect;
    rect.Zone(10, 10, 40, 30, true, false);
    rect.Steps(1, 1);
    EXPECT_EQ(rect.At(10, 10), Gray(100 + (50 >> 3)));
    EXPECT_EQ(rect.At(29, 39), Gray(106));
    EXPECT_EQ(rect.At(30, 40), Gray(100));  // xb, yb themselves lie outside the zone
    rect.Steps(1, 15);
    EXPECT_EQ(rect.At(10, 10), Gray(200));
    EXPECT_EQ(rect.At(29, 39), Gray(200));
}

TEST(BlendStep, UncoveredPixelsKeepTheUnblendedTarget)
{
    Rig rig;
    SetLayerPixel(rig.engine->layer[0], 12, 12, Gray(200), 0);
    rig.Zone(10, 10, 40, 30, true);
    rig.Steps(1, 16);
    EXPECT_EQ(rig.At(12, 12), Gray(100));
    EXPECT_EQ(rig.At(12, 13), Gray(200));
}

TEST(BlendStep, StepsDoNotCompoundAndUndoExactly)
{
    Rig rig;
    std::mt19937 rng(8);
    for (int r = 0; r < 48; ++r)
        for (int c = 0; c < 64; ++c) {
            SetTargetPixel(rig.engine->target, r, c, testutils::RandomBgr(rng));
            SetLayerPixel(rig.engine->layer[0], r, c, testutils::RandomBgr(rng), uint8_t(rng() % 2));
            SetLayerPixel(rig.engine->layer[1], r, c, testutils::RandomBgr(rng), uint8_t(rng() % 2));
        }
    const TargetImage original = rig.engine->target;
    rig.Zone(3, 4, 50, 40);
    rig.Steps(1, 1);
    const TargetImage oneTowards1 = rig.engine->target;
    EXPECT_NE(FirstDifference(original, oneTowards1), "");
    rig.Steps(2, 1);
    EXPECT_EQ(rig.engine->zone.level, 0);
    EXPECT_EQ(FirstDifference(original, rig.engine->target), "");

    // Two steps towards source 2, then three towards 1: level 1, the same as one step towards 1.
    rig.Steps(2, 2);
    EXPECT_EQ(rig.engine->zone.level, -2);
    rig.Steps(1, 3);
    EXPECT_EQ(rig.engine->zone.level, 1);
    EXPECT_EQ(FirstDifference(oneTowards1, rig.engine->target), "");
}

// A zone whose columns pass the target's last column (the width rounded down) blends only the
// pixels that exist.
TEST(BlendStep, ZonePastTheTargetWidthStopsAtIt)
{
    Rig rig;
    Engine& e = *rig.engine;
    e.canvasRect = CanvasRect{10, 20, 76, 68};  // 66 columns, target 64
    rig.Zone(40, 10, 65, 40, true);
    rig.Steps(1, 16);
    EXPECT_EQ(rig.At(20, 63), Gray(200));
    EXPECT_EQ(e.target.width, 64);
}

TEST(BlendOptions, CheckBoxesAndTexts)
{
    BlendZone z;
    z.rectangular = true;
    z.smooth = false;
    z.level = 3;
    BlendOptionsState st = OpenBlendOptions(z);
    EXPECT_TRUE(st.smoothChecked);
    EXPECT_FALSE(st.rectangleChecked);
    EXPECT_EQ(st.text, "Smooth Elliptical Blend");
    EXPECT_TRUE(z.smooth);
    EXPECT_FALSE(z.rectangular);

    ClickRectangle(st, z, true);
    EXPECT_FALSE(st.smoothChecked);
    EXPECT_TRUE(z.rectangular);
    EXPECT_FALSE(z.smooth);
    EXPECT_EQ(st.text, "Unsmooth blend in the rectangular zone.");
    ClickRectangle(st, z, false);
    EXPECT_FALSE(z.rectangular);
    EXPECT_EQ(st.text, "Elliptical Blend but not smooth to the edge.");

    ClickBlendSmooth(st, z, true);
    EXPECT_TRUE(z.smooth);
    EXPECT_EQ(st.text, "Smooth Elliptical Blend");
    ClickRectangle(st, z, true);
    ClickBlendSmooth(st, z, false);
    EXPECT_FALSE(st.rectangleChecked);
    EXPECT_FALSE(z.rectangular);
    EXPECT_FALSE(z.smooth);
    EXPECT_EQ(st.text, "Elliptical Blend but not smooth to the edge.");

    // Only OK restarts the level.
    EXPECT_EQ(z.level, 3);
    AcceptBlendOptions(z);
    EXPECT_EQ(z.level, 0);
}
