// Source placement: known cases, and the real placement judged bit for bit against a plain
// per-pixel evaluation of the mapping on random placements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "geometry_fixture.h"
#include "placement_kernels.h"
#include "reference.h"

using namespace testutils;

namespace {

void ReferencePlace(const Engine& e, const SourceView& view, SourceIndex s, SourceLayer& out)
{
    reference::Place(e, view, s, out);
}

// An unscaled, unfitted source 1 of w x h on its own canvas, the way most known cases start.
struct PlainRig : EngineRig {
    PlainRig(int w, int h) : EngineRig(w, h)
    {
        LoadTwo(w, h, 8, 8);
        engine.settings.scaleToTarget[0] = false;
        engine.UpdateSourceGeometry(1);
    }
    Bgr Source(int rowFromTop, int col) { const uint8_t* p = sources.slot[0].At(rowFromTop, col); return {p[0], p[1], p[2]}; }
};

}  // namespace

TEST(Placement, UnrotatedUnscaledSourceLandsPixelForPixelExceptColumnZero)
{
    PlainRig rig(40, 30);
    rig.engine.PlaceSource(1);
    const SourceLayer& l = rig.engine.layer[0];
    for (int r = 0; r < 30; ++r) {
        EXPECT_EQ(l.MaskRow(r)[0], 0) << "row " << r;
        for (int c = 1; c < 40; ++c) {
            ASSERT_EQ(l.MaskRow(r)[c], 1) << r << "," << c;
            ASSERT_EQ(LayerPixel(l, r, c), rig.Source(r, c)) << r << "," << c;
        }
    }
    EXPECT_EQ(l.width, 40);
    EXPECT_EQ(l.height, 30);
}

TEST(Placement, NegativeOffsetShiftsRightAndNeverDrawsSourceColumnZero)
{
    PlainRig rig(40, 30);
    rig.engine.placement[0].offsetX = -5;
    rig.engine.PlaceSource(1);
    const SourceLayer& l = rig.engine.layer[0];
    for (int r = 0; r < 30; ++r) {
        for (int c = 0; c <= 5; ++c)
            EXPECT_EQ(l.MaskRow(r)[c], 0) << r << "," << c;
        EXPECT_EQ(LayerPixel(l, r, 6), rig.Source(r, 1));
        EXPECT_EQ(LayerPixel(l, r, 39), rig.Source(r, 34));
    }
}

// The bottom row of a box SH rows tall maps to source row srcH / SH - 1 (from the bottom): below
// the picture when the source is enlarged (SH > srcH), so that canvas row stays uncovered; inside
// it when the source keeps or shrinks its size.
TEST(Placement, EnlargedSourceLeavesTheLastRowOfItsBoxUncovered)
{
    const struct {
        int w, h;
        bool lastRowCovered;
    } cases[] = {{640, 480, false}, {799, 599, false}, {400, 300, false}, {800, 600, true}, {1024, 768, true}};
    for (const auto& c : cases) {
        EngineRig rig(800, 600);
        rig.LoadTwo(c.w, c.h, 8, 8);
        rig.engine.UpdateSourceGeometry(1);
        rig.engine.PlaceSource(1);
        const SourceLayer& l = rig.engine.layer[0];
        EXPECT_EQ(l.MaskRow(598)[400], 1) << c.w << "x" << c.h;
        EXPECT_EQ(l.MaskRow(599)[400], c.lastRowCovered ? 1 : 0) << c.w << "x" << c.h;
    }
}

TEST(Placement, CoverageHolesAndClampedNeighbours)
{
    PlainRig rig(20, 10);
    rig.sources.slot[0].MaskAt(4, 7) = 0;
    // Half-pixel steps: every sample interpolates, and the last column and top row clamp.
    rig.engine.settings.horizontalScale[0] = 200;
    rig.engine.settings.verticalScale[0] = 200;
    rig.engine.canvasRect = CanvasRect{0, 0, 40, 20};
    rig.engine.PlaceSource(1);
    const SourceLayer& l = rig.engine.layer[0];
    int holes = 0;
    // Row 19 maps half a pixel below the picture; above it only the hole is uncovered.
    for (int r = 0; r < 19; ++r)
        for (int c = 1; c < 40; ++c)
            holes += l.MaskRow(r)[c] == 0;
    EXPECT_EQ(holes, 4);  // the one uncovered source pixel, drawn 2 x 2
    EXPECT_EQ(l.MaskRow(19)[20], 0);
    // Canvas row 0 samples the top stored row and row 1 below it would be outside the picture;
    // the rightmost columns lie between source column 19 and itself.
    EXPECT_EQ(LayerPixel(l, 0, 39), rig.Source(0, 19));
    EXPECT_EQ(LayerPixel(l, 0, 38), rig.Source(0, 19));
    // Column 1 maps to source x 0.5: halfway between columns 0 and 1 (blue = column).
    EXPECT_EQ(LayerPixel(l, 5, 1).blue, 0);  // trunc of 0.5 * 65536 weights, shifted
    EXPECT_EQ(LayerPixel(l, 5, 3).blue, 1);
}

TEST(Placement, UnloadedSourceClearsTheCanvasButKeepsTheRecordedSize)
{
    PlainRig rig(40, 30);
    rig.engine.PlaceSource(1);
    rig.sources.slot[0].hasBlock = false;
    rig.engine.canvasRect = CanvasRect{0, 0, 20, 10};
    rig.engine.PlaceSource(1);
    const SourceLayer& l = rig.engine.layer[0];
    EXPECT_EQ(l.width, 40);
    EXPECT_EQ(l.height, 30);
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 20; ++c)
            ASSERT_EQ(l.MaskRow(r)[c], 0);
    EXPECT_EQ(l.MaskRow(20)[30], 1) << "outside the canvas the layer keeps its content";
}

TEST(Placement, ShrunkCanvasLeavesLayerColumnsBeyondItAlone)
{
    EngineRig rig(2000, 20);
    rig.LoadTwo(2000, 20, 8, 8);
    rig.engine.settings.scaleToTarget[0] = false;
    rig.engine.UpdateSourceGeometry(1);
    rig.engine.PlaceSource(1);
    const Bgr before = LayerPixel(rig.engine.layer[0], 5, 1500);
    rig.engine.canvasRect = CanvasRect{0, 0, 1000, 20};
    rig.engine.placement[0].offsetX = -500;
    rig.engine.PlaceSource(1);
    EXPECT_EQ(LayerPixel(rig.engine.layer[0], 5, 1500), before);
    EXPECT_EQ(rig.engine.layer[0].MaskRow(5)[1500], 1);
    EXPECT_EQ(rig.engine.layer[0].MaskRow(5)[400], 0);
    EXPECT_EQ(rig.engine.layer[0].width, 1000);
}

TEST(Placement, FlippedSourceTurnsTheSameWayAsTheUnflippedOne)
{
    // A source with one marked pixel right of centre. Turned by 90 degrees it goes below the
    // centre; mirrored first, it starts left of centre and the same turn takes it above.
    for (bool flip : {false, true}) {
        PlainRig rig(41, 41);
        rig.sources.Fill(1, 41, 41, [](int y, int x) { return y == 20 && x == 35 ? Bgr{255, 255, 255} : Bgr{}; });
        rig.engine.settings.flipHorizontal[0] = flip;
        rig.engine.placement[0].angle = 90;
        rig.engine.settings.scaleToTarget[0] = false;
        rig.engine.UpdateSourceGeometry(1);
        rig.engine.quickPreview = true;
        rig.engine.PlaceSource(1);
        int markRow = -1, markCol = -1;
        for (int r = 0; r < 41; ++r)
            for (int c = 0; c < 41; ++c)
                if (LayerPixel(rig.engine.layer[0], r, c).blue == 255)
                    markRow = r, markCol = c;
        if (flip)
            EXPECT_NEAR(markRow, 5, 1);
        else
            EXPECT_NEAR(markRow, 35, 1);
        EXPECT_NEAR(markCol, 20, 1);
    }
}

TEST(Placement, QuickPreviewSamplesNearestPixelsAndFullQualityInterpolates)
{
    EngineRig rig(200, 200);
    rig.sources.Fill(1, 100, 100, [](int y, int x) { return (x / 10 + y / 10) % 2 ? Bgr{255, 255, 255} : Bgr{}; });
    rig.sources.Solid(2, 8, 8, Bgr{});
    rig.engine.placement[0].angle = 30;
    rig.engine.UpdateSourceGeometry(1);
    auto distinctGreys = [&] {
        bool seen[256] = {};
        int n = 0;
        for (int r = 0; r < 200; ++r)
            for (int c = 0; c < 200; ++c)
                if (rig.engine.layer[0].MaskRow(r)[c]) {
                    bool& s = seen[LayerPixel(rig.engine.layer[0], r, c).blue];
                    n += !s;
                    s = true;
                }
        return n;
    };
    rig.engine.quickPreview = true;
    rig.engine.PlaceSource(1);
    EXPECT_EQ(distinctGreys(), 2);
    rig.engine.quickPreview = false;
    rig.engine.PlaceSource(1);
    EXPECT_GT(distinctGreys(), 50);
}

// Runs the placement loops of one kind while alive: the widest the processor has, or the plain one.
class PlacementLoops {
public:
    explicit PlacementLoops(bool wide) : previous(AllowWidePlacement(wide)) {}
    ~PlacementLoops() { AllowWidePlacement(previous); }

private:
    bool previous;
};

// One random placement of source 1: size, canvas, angle (a quarter of them unturned, which
// has loops of its own), flip, fit, scales (some whole multiples, whose samples land exactly on
// stored pixels), offsets, holes, kind and the quick path.
void RandomPlacement(EngineRig& rig, std::mt19937& rng, int round)
{
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    rig.engine.canvasRect = CanvasRect{0, 0, pick(10, 300), pick(10, 240)};
    const int w = round % 9 == 0 ? pick(1, 5) : pick(1, 220), h = round % 11 == 0 ? pick(1, 5) : pick(1, 220);
    rig.sources.Random(1, w, h, rng);
    rig.sources.Random(2, pick(1, 50), pick(1, 50), rng);
    if (round % 3 == 0)
        for (int i = 0; i < w * h / 8; ++i)
            rig.sources.slot[0].mask[pick(0, w * h - 1)] = 0;
    if (round % 7 == 0)
        rig.sources.slot[0].kind = SourceKind::Text;
    Engine& e = rig.engine;
    e.placement[0].angle = round % 4 == 0 ? 0 : round % 5 == 0 ? pick(-180, 179) + pick(0, 99) / 100.0 : pick(-180, 179);
    e.settings.flipHorizontal[0] = pick(0, 1);
    e.settings.scaleToTarget[0] = round % 6 == 0 ? false : pick(0, 1);
    if (round % 6 == 0) {
        constexpr int whole[] = {25, 50, 100, 200, 300};
        e.settings.horizontalScale[0] = whole[pick(0, 4)];
        e.settings.verticalScale[0] = whole[pick(0, 4)];
    } else {
        e.settings.horizontalScale[0] = round % 4 == 1 ? pick(100, 50000) / 100.0 : pick(1, 500);
        e.settings.verticalScale[0] = pick(1, 500);
    }
    e.placement[0].offsetX = pick(-300, 300);
    e.placement[0].offsetY = pick(-300, 300);
    e.quickPreview = round % 2 == 1;
    e.UpdateSourceGeometry(1);
}

// The judge: every loop the machine runs, and the plain one, against the per-pixel evaluation.
TEST(Placement, MatchesPerPixelEvaluationOnRandomPlacements)
{
    for (bool wide : {true, false}) {
        PlacementLoops loops(wide);
        std::mt19937 rng(20261209);
        SourceLayer expected;
        EngineRig rig;
        for (int round = 0; round < 400; ++round) {
            RandomPlacement(rig, rng, round);
            Engine& e = rig.engine;
            e.PlaceSource(1);
            ReferencePlace(e, rig.sources, 1, expected);
            const std::string diff = LayerDifference(expected, e.layer[0], e.canvasRect.Width(), e.canvasRect.Height());
            ASSERT_TRUE(diff.empty()) << (wide ? "wide" : "plain") << " loops, round " << round << ": " << diff;
        }
    }
}

// Sources whose rows carry no padding end exactly at a pixel, where reads of several bytes would
// pass the end; their last column and top rows are sampled, unturned and turned, at whole and
// fractional steps.
TEST(Placement, SamplesAtTheEndOfUnpaddedSourcesMatchPerPixelEvaluation)
{
    std::mt19937 rng(5);
    SourceLayer expected;
    EngineRig rig(64, 48);
    for (int w : {4, 8, 12, 20}) {
        for (int h : {1, 2, 3, 5, 17}) {
            rig.sources.Random(1, w, h, rng);
            rig.sources.Random(2, 8, 8, rng);
            rig.sources.slot[0].MaskAt(0, w - 1) = h % 2;  // the block's very last pixel, sometimes a hole
            Engine& e = rig.engine;
            for (double angle : {0.0, 3.0, -90.0, 180.0}) {
                // With offsetX -4, the 20-wide source's last column fills the canvas's last columns.
                for (int quickAndShift = 0; quickAndShift < 4; ++quickAndShift) {
                    const bool quick = quickAndShift & 1;
                    e.placement[0].angle = angle;
                    e.settings.scaleToTarget[0] = false;
                    e.settings.horizontalScale[0] = angle == 3.0 ? 150 : 300;
                    e.settings.verticalScale[0] = 300;
                    e.quickPreview = quick;
                    e.UpdateSourceGeometry(1);
                    e.placement[0].offsetX = quickAndShift < 2 ? -2 : -4;
                    e.placement[0].offsetY = -1;
                    e.PlaceSource(1);
                    ReferencePlace(e, rig.sources, 1, expected);
                    ASSERT_EQ(LayerDifference(expected, e.layer[0], 64, 48), "")
                        << w << "x" << h << " angle " << angle << (quick ? " quick" : "");
                }
            }
        }
    }
}

TEST(Placement, MatchesPerPixelEvaluationAtFullCanvasSize)
{
    std::mt19937 rng(7);
    SourceLayer expected;
    EngineRig rig(2048, 1536);
    rig.sources.Random(1, 1600, 1200, rng);
    rig.sources.Random(2, 30, 30, rng);
    Engine& e = rig.engine;
    for (double angle : {30.0, -135.0, 179.0, 0.0}) {
        for (bool quick : {false, true}) {
            if (quick && angle != 30.0 && angle != 0.0)
                continue;
            e.placement[0].angle = angle;
            e.quickPreview = quick;
            e.UpdateSourceGeometry(1);
            const auto [x, y] = e.CentreOffsets(1);
            e.placement[0].offsetX = x;
            e.placement[0].offsetY = y;
            e.PlaceSource(1);
            EXPECT_EQ(e.layer[0].width, 2048);
            EXPECT_EQ(e.layer[0].height, 1536);
            ReferencePlace(e, rig.sources, 1, expected);
            ASSERT_EQ(LayerDifference(expected, e.layer[0], 2048, 1536), "") << "angle " << angle << (quick ? " quick" : "");
        }
    }
}

// The placements that skip the mapping's arithmetic: unscaled unturned sources as row copies
// (fitted ones included, whose fit factor is 1) and magnified unturned sources sampled by the
// nearest pixel, with repeated rows, against the per-pixel evaluation on random inputs.
TEST(Placement, CopiedRowsMatchPerPixelEvaluation)
{
    std::mt19937 rng(41);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    SourceLayer expected;
    EngineRig rig;
    Engine& e = rig.engine;
    for (int round = 0; round < 240; ++round) {
        const bool magnified = round % 2 == 1;
        const int cw = pick(8, 400), ch = pick(8, 200);
        e.canvasRect = CanvasRect{0, 0, cw, ch};
        const int w = round % 8 == 0 ? cw : pick(1, 300), h = round % 8 == 0 ? ch : pick(1, 200);
        rig.sources.Random(1, w, h, rng);
        rig.sources.Random(2, 4, 4, rng);
        if (round % 3 == 0)
            for (int i = 0; i < w * h / 6; ++i)
                rig.sources.slot[0].mask[pick(0, w * h - 1)] = 0;
        e.placement[0].angle = 0;
        e.settings.flipHorizontal[0] = pick(0, 1);
        e.settings.scaleToTarget[0] = round % 8 == 0;
        e.settings.horizontalScale[0] = magnified ? pick(100, 400) : 100;
        e.settings.verticalScale[0] = magnified ? pick(100, 400) : 100;
        e.quickPreview = magnified || pick(0, 1);
        e.UpdateSourceGeometry(1);
        e.placement[0].offsetX = pick(-w, cw / 2);
        e.placement[0].offsetY = pick(-h, ch / 2);
        for (bool wide : {true, false}) {
            PlacementLoops loops(wide);
            e.PlaceSource(1);
            ReferencePlace(e, rig.sources, 1, expected);
            ASSERT_EQ(LayerDifference(expected, e.layer[0], cw, ch), "")
                << "round " << round << (wide ? " wide" : " plain") << (magnified ? " magnified" : " unscaled");
        }
    }
}
