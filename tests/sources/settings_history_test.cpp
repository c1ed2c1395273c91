// Undo snapshots put every edit back bit for bit, blends included, and the history keeps its
// order, labels, joins and bounds.
#include <gtest/gtest.h>

#include <random>

#include "blend.h"
#include "settings_history.h"
#include "testutils.h"

using namespace testutils;

namespace {

// Two random sources on a 300 x 200 canvas, composed.
struct Rig {
    FakeSources sources;
    Engine engine{sources};
    FakePrompts prompts;
    Rig()
    {
        std::mt19937 rng(7);
        sources.Random(1, 170, 120, rng);
        sources.Random(2, 90, 140, rng);
        engine.SetPrompts(&prompts);
        engine.canvasRect = CanvasRect{20, 10, 320, 210};
        engine.RecomputeAll();
    }
    // A 60 x 50 zone inside the canvas, ready for blending.
    void Zone(int x, int y)
    {
        StartBlendZone(engine.zone, engine.canvasRect, x, y);
        FinishBlendZone(engine.zone, engine.canvasRect, x + 60, y + 50);
    }
    std::vector<uint8_t> Target() const
    {
        const TargetImage& t = engine.target;
        return {t.pixels.data(), t.pixels.data() + size_t(t.width) * t.height * 3};
    }
};

TEST(SettingsStateTest, BlendedTargetAndItsStartComeBackBitForBit)
{
    Rig rig;
    Engine& e = rig.engine;
    rig.Zone(60, 40);
    BlendStep(e, 1);
    BlendStep(e, 1);
    // A second zone starts from the first one's result.
    rig.Zone(150, 90);
    BlendStep(e, 2);
    const SettingsState blended = CaptureSettingsState(e);
    const auto blendedTarget = rig.Target();
    const TargetImage firstZone = e.unblended;
    ASSERT_TRUE(blended.blendingPresent);
    // Only the changed rectangle of the target is kept beside the shared starting picture.
    EXPECT_LT(blended.blended->changed.size(), blendedTarget.size() / 4);

    // Changed and blended again elsewhere, so neither buffer holds the old pixels.
    e.CommitNumber(PropertyId::RedContrast, "10");
    ASSERT_FALSE(e.blendingPresent);
    rig.Zone(30, 30);
    BlendStep(e, 1);
    ASSERT_NE(FirstDifference(firstZone, e.unblended), "");
    RestoreSettingsState(e, blended);
    EXPECT_EQ(rig.Target(), blendedTarget);
    EXPECT_TRUE(e.blendingPresent);
    EXPECT_TRUE(e.zone.valid);
    EXPECT_EQ(e.zone.level, -1);

    // The next step starts from what the second zone started from: the first zone's result.
    EXPECT_EQ(FirstDifference(firstZone, e.unblended), "");

    // A recentred canvas takes the zone along.
    e.Recentre(400, 300);
    RestoreSettingsState(e, blended);
    EXPECT_EQ(e.zone.x1 - e.canvasRect.left, 150 - 20);
}

TEST(SettingsHistoryTest, UndoRedoLabelsAndNewStepsDropTheRedo)
{
    Rig rig;
    Engine& e = rig.engine;
    SettingsHistory history;
    history.Rebase(CaptureSettingsState(e));
    EXPECT_FALSE(history.CanUndo());
    EXPECT_EQ(history.Undo(), nullptr);
    e.CommitNumber(PropertyId::VerticalScale2, "80");
    history.Record("Vertical scale", CaptureSettingsState(e, &history.Current()));
    e.CommitListChoice(PropertyId::MergeMethod, "Least");
    history.Record("Per pixel src 1 & 2", CaptureSettingsState(e, &history.Current()));
    EXPECT_EQ(history.UndoLabel(), "Per pixel src 1 & 2");

    RestoreSettingsState(e, *history.Undo());
    EXPECT_EQ(e.settings.mergeMethod, 6);
    EXPECT_EQ(history.UndoLabel(), "Vertical scale");
    EXPECT_EQ(history.RedoLabel(), "Per pixel src 1 & 2");
    RestoreSettingsState(e, *history.Redo());
    EXPECT_EQ(e.settings.mergeMethod, 3);
    EXPECT_FALSE(history.CanRedo());
    history.Undo();
    history.Undo();
    EXPECT_EQ(history.RedoLabel(), "Vertical scale");
    history.Record("Flip Source 1", CaptureSettingsState(e));
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.Steps(), 1u);
}

TEST(SettingsHistoryTest, MovesOfOneKindJoinAndASourceLoadKeepsTheHistory)
{
    Rig rig;
    Engine& e = rig.engine;
    SettingsHistory history;
    history.Rebase(CaptureSettingsState(e));
    const auto move = [&](int x) {
        e.MoveSource(1, x, 0);
        history.Record("Move Source 1", CaptureSettingsState(e), "move1");
    };
    move(5);
    move(9);
    EXPECT_EQ(history.Steps(), 1u);
    // Moved back where the moves began: nothing is left to undo.
    move(0);
    EXPECT_EQ(history.Steps(), 0u);
    move(4);
    history.Undo();
    history.Redo();
    move(8);  // an undo in between ends the joining
    EXPECT_EQ(history.Steps(), 2u);

    // A new source: the document's state is taken over without a step; undo leads from it.
    rig.sources.Solid(2, 50, 50, Bgr{1, 2, 3});
    e.RecomputeAll();
    history.Rebase(CaptureSettingsState(e));
    EXPECT_EQ(history.Steps(), 2u);
    RestoreSettingsState(e, *history.Undo());
    EXPECT_EQ(e.placement[0].offsetX, 4);
    EXPECT_EQ(e.placement[1].boxWidth, 50);  // measured on the new source
}

TEST(SettingsHistoryTest, BoundedInStepsAndBytesAndBlendsForgottenWithTheirSources)
{
    Rig rig;
    Engine& e = rig.engine;
    SettingsHistory few(3);
    for (int v = 1; v <= 5; ++v) {
        e.CommitNumber(PropertyId::BlueContrast, std::to_string(v));
        few.Record("Blue Contrast %", CaptureSettingsState(e));
    }
    EXPECT_EQ(few.Steps(), 3u);
    while (few.CanUndo())
        RestoreSettingsState(e, *few.Undo());
    EXPECT_EQ(e.settings.channelContrast[2], 2);

    SettingsHistory small(100, 200 * 1024);
    small.Rebase(CaptureSettingsState(e));
    rig.Zone(40, 40);
    for (int i = 0; i < 6; ++i) {
        BlendStep(e, 1);
        small.Record("Blend", CaptureSettingsState(e, &small.Current()));
    }
    // One shared start picture (300 x 200) and the zone's rectangles fit; not all six steps do.
    EXPECT_LE(small.Bytes(), 200u * 1024);
    EXPECT_GE(small.Steps(), 1u);
    EXPECT_LT(small.Steps(), 6u);

    small.ForgetBlending();
    RestoreSettingsState(e, *small.Undo());
    EXPECT_FALSE(e.blendingPresent);
    EXPECT_EQ(e.zone.level, 0);
}

}  // namespace
