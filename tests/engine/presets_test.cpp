// Corner presets, the middle cycle with its button images, and juxtaposition.
#include <gtest/gtest.h>

#include "geometry_fixture.h"

using namespace testutils;

namespace {

std::pair<int, int> Offsets(const EngineRig& rig, SourceIndex s) { return {rig.P(s).offsetX, rig.P(s).offsetY}; }

}  // namespace

TEST(Presets, CornersOfAFittedSource)
{
    EngineRig rig(1024, 768);
    rig.LoadTwo(512, 256, 300, 300);  // source 1 fits as a 1024 x 512 box
    const struct {
        int command;
        std::pair<int, int> offsets;
    } cases[] = {{32833, {0, 0}}, {32834, {0, 0}}, {32835, {0, -256}}, {32836, {0, -256}}};
    for (const auto& c : cases) {
        rig.engine.placement[0].offsetX = rig.engine.placement[0].offsetY = 77;
        rig.pane.scrollRequests.clear();
        const int composed = rig.pane.targetChanged;
        EXPECT_TRUE(rig.engine.RunPlacementCommand(c.command));
        EXPECT_EQ(Offsets(rig, 1), c.offsets) << c.command;
        EXPECT_EQ(rig.pane.targetChanged, composed + 1);
        ASSERT_EQ(rig.pane.scrollRequests.size(), 1u);
        EXPECT_EQ(rig.pane.scrollRequests[0], std::make_pair(1, true));
    }
    // Source 2's box is 768 x 768: its right edge on the canvas's needs offsetX -256.
    rig.engine.RunPlacementCommand(32840);
    EXPECT_EQ(Offsets(rig, 2), std::make_pair(-256, 0));
    EXPECT_EQ(rig.pane.scrollRequests.back(), std::make_pair(2, true));
    rig.engine.RunPlacementCommand(32837);
    EXPECT_EQ(Offsets(rig, 2), std::make_pair(0, 0));
    EXPECT_FALSE(rig.engine.RunPlacementCommand(32832));
}

TEST(Presets, BoxLargerThanTheCanvasGetsPositiveOffsets)
{
    EngineRig rig(1000, 700);
    rig.LoadTwo(1200, 900, 10, 10);
    rig.engine.settings.scaleToTarget[0] = false;
    rig.engine.ShoveToCorner(32836);
    EXPECT_EQ(Offsets(rig, 1), std::make_pair(200, 200));
    rig.engine.ShoveToCorner(32834);
    EXPECT_EQ(Offsets(rig, 1), std::make_pair(200, 0));
}

TEST(Presets, PresetsNeedBothSources)
{
    EngineRig rig;
    rig.sources.Solid(1, 100, 100, Bgr{});
    rig.engine.placement[0].offsetX = 5;
    rig.engine.ShoveToCorner(32833);
    rig.engine.MiddlePreset(1);
    rig.engine.Juxtapose(1);
    EXPECT_EQ(rig.P(1).offsetX, 5);
    EXPECT_EQ(rig.engine.middleCounter[0], 0);
    EXPECT_TRUE(rig.pane.scrollRequests.empty());
}

TEST(Presets, MiddleCycleSharedByMenuAndButtonShowsTheNextPosition)
{
    EngineRig rig(1000, 700);
    rig.LoadTwo(200, 100, 10, 10);
    rig.engine.settings.scaleToTarget[0] = false;  // box 200 x 100: e = -800, f = -600
    EXPECT_EQ(rig.engine.MiddleButtonImage(1), 32841) << "starts showing the centre";
    const std::pair<int, int> expected[] = {{-400, -300}, {-400, 0}, {-400, -600}, {0, -300}, {-800, -300}, {-400, -300}};
    const int images[] = {32842, 32843, 32844, 32845, 32841, 32842};
    for (int press = 0; press < 6; ++press) {
        if (press % 2)
            rig.engine.RunPlacementCommand(32841);
        else
            rig.engine.MiddlePreset(1);
        EXPECT_EQ(Offsets(rig, 1), expected[press]) << "press " << press;
        ASSERT_EQ(rig.pane.middleImages.size(), size_t(press + 1));
        EXPECT_EQ(rig.pane.middleImages.back(), std::make_pair(1, images[press]));
        EXPECT_EQ(rig.engine.MiddleButtonImage(1), images[press]);
        EXPECT_EQ(rig.pane.scrollRequests.back(), std::make_pair(1, true));
    }
    EXPECT_EQ(rig.engine.middleCounter[1], 0) << "each source has its own counter";
    rig.engine.RunPlacementCommand(32846);
    EXPECT_EQ(rig.pane.middleImages.back(), std::make_pair(2, 32847));
}

TEST(Presets, JuxtaposeFittedSourcesHalvesTheirWidthUnlessTooTall)
{
    EngineRig rig(1000, 700);
    rig.LoadTwo(400, 200, 100, 400);
    // Source 1 fits as 1000 x 500: at 50 % its box is 500 wide. Source 2 fits as 175 x 700 and
    // would be 2000 tall at half the canvas width, so it stays at 100 %.
    rig.engine.RunPlacementCommand(32793);
    EXPECT_EQ(rig.engine.settings.horizontalScale[0], 50.0);
    EXPECT_EQ(rig.engine.settings.verticalScale[0], 50.0);
    EXPECT_EQ(rig.engine.settings.horizontalScale[1], 100.0);
    EXPECT_EQ(rig.engine.settings.verticalScale[1], 100.0);
    EXPECT_EQ(Offsets(rig, 1), std::make_pair(0, 0)) << "right edge on the centre line";
    EXPECT_EQ(Offsets(rig, 2), std::make_pair(-500, 0)) << "left edge on the centre line";
    EXPECT_EQ(rig.engine.Shown(PropertyId::HorizontalScale1), "50");
    EXPECT_EQ(rig.engine.Shown(PropertyId::VerticalScale1), "50");
    EXPECT_EQ(rig.engine.Shown(PropertyId::HorizontalScale2), "100");
    EXPECT_EQ(rig.pane.scrollRequests.back(), std::make_pair(1, false));
    EXPECT_EQ(rig.engine.layer[1].MaskRow(300)[600], 1) << "placed and composed afterwards";

    rig.engine.RunPlacementCommand(32794);
    EXPECT_EQ(Offsets(rig, 2), std::make_pair(175 - 500, 0));
    EXPECT_EQ(Offsets(rig, 1), std::make_pair(-500, 0));
}

TEST(Presets, JuxtaposeShowsTruncatedPercents)
{
    EngineRig rig(1000, 700);
    rig.LoadTwo(300, 100, 300, 100);
    rig.engine.settings.scaleToTarget[1] = false;
    rig.sources.slot[0].kind = SourceKind::Text;
    rig.engine.settings.scaleToTarget[0] = false;
    rig.engine.Juxtapose(1);
    // The text source is set to scale to the target, but keeps its own size: 500 / 300 = 166.67 %.
    EXPECT_TRUE(rig.engine.settings.scaleToTarget[0]);
    EXPECT_EQ(rig.engine.Shown(PropertyId::ScaleToTarget1), TrueText);
    EXPECT_DOUBLE_EQ(rig.engine.settings.horizontalScale[0], 50.0 * 1000 / 300);
    EXPECT_EQ(rig.engine.Shown(PropertyId::HorizontalScale1), "166");
    EXPECT_EQ(rig.engine.Shown(PropertyId::VerticalScale1), "166");
    EXPECT_EQ(rig.P(1).offsetX, 0);
    // An unfitted source only halves its horizontal scale.
    EXPECT_EQ(rig.engine.settings.horizontalScale[1], 50.0);
    EXPECT_EQ(rig.engine.settings.verticalScale[1], 100.0);
    EXPECT_EQ(rig.engine.Shown(PropertyId::HorizontalScale2), "50");
    EXPECT_EQ(rig.engine.Shown(PropertyId::VerticalScale2), "100");
}
