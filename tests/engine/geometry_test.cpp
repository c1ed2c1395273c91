// Canvas rectangle, fit factors, rotated boxes, centring and canvas size changes.
#include <gtest/gtest.h>

#include "geometry_fixture.h"

using namespace testutils;

TEST(Canvas, CentredInTheClientAreaOrAtTheOriginWhenLarger)
{
    EXPECT_EQ(Engine::CentredCanvas(1024, 768, 1200, 700), (CanvasRect{88, 0, 1112, 768}));
    EXPECT_EQ(Engine::CentredCanvas(1024, 768, 1025, 1000), (CanvasRect{0, 116, 1024, 884}));
    EXPECT_EQ(Engine::CentredCanvas(1024, 768, 800, 600), (CanvasRect{0, 0, 1024, 768}));

    EngineRig rig;
    rig.engine.canvasRect = Engine::CentredCanvas(1024, 768, 1200, 700);
    rig.engine.Recentre(1400, 900);
    EXPECT_EQ(rig.engine.canvasRect, (CanvasRect{188, 66, 1212, 834})) << "same size, centred again";
    rig.engine.UseWholeClientArea(640, 480);
    EXPECT_EQ(rig.engine.canvasRect, (CanvasRect{0, 0, 640, 480}));
}

TEST(Canvas, SetCanvasSizePlacesAndComposesAtTheNewSize)
{
    EngineRig rig;
    rig.LoadTwo(300, 200, 200, 300);
    rig.engine.SetCanvasSize(2048, 1536, 1000, 800);
    EXPECT_EQ(rig.engine.canvasRect, (CanvasRect{0, 0, 2048, 1536}));
    for (const SourceLayer& l : rig.engine.layer) {
        EXPECT_EQ(l.width, 2048);
        EXPECT_EQ(l.height, 1536);
    }
    EXPECT_EQ(rig.engine.target.width, 2048);
    EXPECT_EQ(rig.engine.target.height, 1536);
    EXPECT_EQ(rig.P(1).fitFactorH, 2048.0 / 300) << "fitted with the new size";
    EXPECT_GT(rig.pane.targetChanged, 0);

    rig.engine.SetCanvasSize(1023, 700, 1200, 700);
    EXPECT_EQ(rig.engine.canvasRect, (CanvasRect{88, 0, 1111, 700}));
    EXPECT_EQ(rig.engine.target.width, 1024);
}

TEST(Canvas, WholeClientAreaBeyondTheLimitsIsUsedUpToThem)
{
    EngineRig rig;
    rig.LoadTwo(100, 100, 100, 100);
    rig.engine.UseWholeClientArea(3000, 2000);
    EXPECT_EQ(rig.engine.CanvasWidth(), 2048);
    EXPECT_EQ(rig.engine.CanvasHeight(), 1536);
    rig.engine.RecomputeAll();
    EXPECT_EQ(rig.engine.layer[0].width, 2048);
    EXPECT_EQ(rig.engine.layer[0].height, 1536);
    EXPECT_EQ(rig.engine.target.width, 2048);
}

TEST(Geometry, FitFactorsTakeTheSmallerRatioExceptForTextAndUnfittedSources)
{
    EngineRig rig;
    rig.LoadTwo(512, 256, 512, 256);
    rig.engine.UpdateSourceGeometry(1);
    EXPECT_EQ(rig.P(1).fitFactorH, 2.0);
    EXPECT_EQ(rig.P(1).fitFactorV, 2.0);

    rig.sources.slot[1].kind = SourceKind::Text;
    rig.engine.UpdateSourceGeometry(2);
    EXPECT_EQ(rig.P(2).fitFactorH, 1.0);
    EXPECT_EQ(rig.P(2).fitFactorV, 1.0);

    rig.engine.settings.scaleToTarget[0] = false;
    rig.engine.UpdateSourceGeometry(1);
    EXPECT_EQ(rig.P(1).fitFactorH, 1.0);

    // A tall source is limited by the canvas height.
    rig.sources.Solid(1, 100, 400, Bgr{});
    rig.engine.settings.scaleToTarget[0] = true;
    rig.engine.UpdateSourceGeometry(1);
    EXPECT_EQ(rig.P(1).fitFactorH, 768.0 / 400);
}

TEST(Geometry, NothingIsUpdatedWithOneSource)
{
    EngineRig rig;
    rig.sources.Solid(1, 512, 256, Bgr{});
    rig.engine.UpdateSourceGeometry(1);
    EXPECT_EQ(rig.P(1).boxWidth, 0);
    EXPECT_EQ(rig.P(1).fitFactorH, 1.0);
}

TEST(Geometry, RotatedBoxes)
{
    EngineRig rig;
    rig.LoadTwo(300, 100, 10, 10);
    const struct {
        double angle;
        int width, height;
    } cases[] = {
        {0, 300, 100}, {90, 100, 300}, {-90, 100, 300}, {180, 300, 100},
        {30, 309, 236},  // 300 cos 30 + 100 sin 30 = 309.8, 300 sin 30 + 100 cos 30 = 236.6
        {-150, 309, 236},
    };
    for (const auto& c : cases) {
        rig.engine.placement[0].angle = c.angle;
        rig.engine.UpdateSourceGeometry(1);
        EXPECT_EQ(rig.P(1).boxWidth, c.width) << c.angle;
        EXPECT_EQ(rig.P(1).boxHeight, c.height) << c.angle;
    }
}

TEST(Geometry, CentreOffsetsPutTheScaledBoxCentreOnTheCanvasCentre)
{
    EngineRig rig;
    rig.LoadTwo(512, 256, 100, 50);
    rig.engine.UpdateSourceGeometry(1);
    EXPECT_EQ(rig.engine.CentreOffsets(1), std::make_pair(0, -128));

    rig.engine.settings.scaleToTarget[1] = false;
    rig.engine.settings.horizontalScale[1] = 301;
    rig.engine.settings.verticalScale[1] = 50;
    rig.engine.UpdateSourceGeometry(2);
    // Box 301 x 25: (301 - 1024) / 2 = -361.5 and (25 - 768) / 2 = -371.5 truncate toward zero.
    EXPECT_EQ(rig.engine.CentreOffsets(2), std::make_pair(-361, -371));
}

TEST(Geometry, RotationTurnsAboutTheCanvasPointOfTheSourceCentre)
{
    EngineRig rig;
    rig.LoadTwo(400, 200, 50, 50);
    Engine& e = rig.engine;
    e.placement[0].offsetX = -100;
    e.placement[0].offsetY = 40;
    e.UpdateSourceGeometry(1);
    auto centre = [&] {
        return std::make_pair(-e.placement[0].offsetX + e.ScaledBoxWidth(1) / 2,
                              -e.placement[0].offsetY + e.ScaledBoxHeight(1) / 2);
    };
    const auto before = centre();
    const RotationAnchor anchor = e.AnchorForRotation(1);
    for (double angle : {90.0, 37.0, -120.0, 0.0}) {
        e.RotateSource(1, angle, anchor);
        EXPECT_EQ(e.placement[0].angle, angle);
        EXPECT_NEAR(centre().first, before.first, 1.0) << angle;
        EXPECT_NEAR(centre().second, before.second, 1.0) << angle;
    }
    EXPECT_EQ(e.placement[0].offsetX, -100) << "back at the start angle, back at the start offsets";
    EXPECT_EQ(e.placement[0].offsetY, 40);
}

TEST(Geometry, IdleFinishesAQuickPreviewAtFullQuality)
{
    EngineRig rig(300, 300);
    rig.sources.Fill(1, 100, 100, [](int y, int x) { return (x / 10 + y / 10) % 2 ? Bgr{255, 255, 255} : Bgr{}; });
    rig.sources.Solid(2, 10, 10, Bgr{});
    Engine& e = rig.engine;
    e.placement[0].angle = 30;
    e.UpdateSourceGeometry(1);
    e.quickPreview = true;
    e.PlaceSource(1);
    e.ComposeTarget();
    const Bgr quick = LayerPixel(e.layer[0], 150, 150);
    EXPECT_TRUE(quick.blue == 0 || quick.blue == 255);
    EXPECT_TRUE(e.FinishQuickPreview());
    EXPECT_FALSE(e.quickPreview);
    EXPECT_FALSE(e.FinishQuickPreview()) << "nothing left to finish";
    bool smooth = false;
    for (int c = 1; c < 300 && !smooth; ++c) {
        const uint8_t b = LayerPixel(e.layer[0], 150, c).blue;
        smooth = b != 0 && b != 255;
    }
    EXPECT_TRUE(smooth);

    rig.sources.count = 1;
    e.quickPreview = true;
    EXPECT_FALSE(e.FinishQuickPreview()) << "waits for both sources";
    EXPECT_TRUE(e.quickPreview);
}
