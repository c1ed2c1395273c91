// Targets at a photo's own size and sources with per-pixel opacity, judged against the plain
// evaluation of the formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "effects.h"
#include "geometry_fixture.h"
#include "pixel.h"
#include "reference.h"

using namespace testutils;

namespace {

// Empty when canvas row r of both pictures agrees, else the first column that differs.
std::string RowDifference(const TargetImage& expected, const TargetImage& actual, int r)
{
    for (int c = 0; c < expected.width; ++c)
        if (!(TargetPixel(expected, r, c) == TargetPixel(actual, r, c)))
            return "row " + std::to_string(r) + " column " + std::to_string(c) + ": expected " +
                   Describe(TargetPixel(expected, r, c)) + ", got " + Describe(TargetPixel(actual, r, c));
    return {};
}

std::string LayerRowDifference(const SourceLayer& expected, const SourceLayer& actual, int r, int w)
{
    for (int c = 0; c < w; ++c)
        if (!(LayerPixel(expected, r, c) == LayerPixel(actual, r, c)) || expected.MaskRow(r)[c] != actual.MaskRow(r)[c])
            return "row " + std::to_string(r) + " column " + std::to_string(c);
    return {};
}

bool Judged(const std::vector<int>& rows, int r)
{
    return rows.empty() || std::find(rows.begin(), rows.end(), r) != rows.end();
}

// Both sources scaled and one turned on a canvas of w x h under a raised limit, composed with a
// box-shaped effect and a tone curve; the listed rows (all when empty) judged.
void CheckOwnSizeCanvas(int w, int h, const std::vector<int>& rows, bool quick)
{
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + (quick ? " quick" : ""));
    EngineRig rig(w, h);
    Engine& e = rig.engine;
    e.SetCanvasLimit(MaxOwnCanvasSide, MaxOwnCanvasSide);
    std::mt19937 rng(w);
    rig.sources.Random(1, w / 4 + 3, h / 4 + 1, rng);
    rig.sources.Random(2, w / 2 + 1, h / 2 + 3, rng);
    e.settings.mergeMethod = CodeAverage;
    e.settings.sourceBias = 100;
    e.settings.effect = EffectKernelAt(1);
    e.settings.channelContrast[Red] = 70;
    e.placement[1].angle = 30;
    e.quickPreview = quick;
    e.RecomputeAll();
    ASSERT_EQ(e.target.width, w);
    ASSERT_EQ(e.target.height, h);

    const reference::Extent extent{MaxOwnCanvasSide, MaxOwnCanvasSide, rows};
    SourceLayer expected(Unsized{});
    for (SourceIndex s : {1, 2}) {
        reference::Place(e, rig.sources, s, expected, extent);
        for (int r = 0; r < h; ++r) {
            if (Judged(rows, r)) {
                ASSERT_EQ(LayerRowDifference(expected, e.layer[s - 1], r, w), "") << "source " << s;
            }
        }
    }
    TargetImage pre(Unsized{}), out(Unsized{});
    reference::Compose(e.settings, quick, e.layer[0], e.layer[1], pre, out, extent);
    for (int r = 0; r < h; ++r) {
        if (Judged(rows, r)) {
            ASSERT_EQ(RowDifference(out, e.target, r), "");
        }
    }
}

}  // namespace

TEST(OwnSize, CanvasesBeyondTheSpecifiedLimitPlaceAndComposeAsTheFormulasSay)
{
    // A width neither a multiple of 4 nor of the loops' groups, beyond 2048: every row judged.
    CheckOwnSizeCanvas(2501, 1603, {}, false);
    CheckOwnSizeCanvas(2501, 1603, {}, true);
    // A photograph's size: its first, middle and last rows.
    CheckOwnSizeCanvas(6000, 4000, {0, 1, 2, 3, 1999, 2000, 3997, 3998, 3999}, false);
}

TEST(OwnSize, OnlyTheSpecifiedLimitRoundsTheTargetWidth)
{
    EngineRig rig(1023, 40);
    rig.LoadTwo(50, 30, 60, 20);
    rig.engine.RecomputeAll();
    EXPECT_EQ(rig.engine.target.width, 1024);
    rig.engine.SetCanvasLimit(MaxOwnCanvasSide, MaxOwnCanvasSide);
    rig.engine.RecomputeAll();
    EXPECT_EQ(rig.engine.target.width, 1023);
    EXPECT_EQ(rig.engine.target.height, 40);
}

// Layers holding opacities compose as the weighted sum of the four coverage cases; wholly opaque
// and wholly transparent pixels give exactly what coverage 1 and 0 give.
TEST(Opacity, CompositionWeighsTheFourCoverageCasesByTheOpacities)
{
    FakeSources sources;
    sources.count = 2;
    Engine e(sources);
    std::mt19937 rng(65025);
    TargetImage pre, out, plain;
    for (int round = 0; round < 44; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int w = 37 + round, h = 23;
        e.settings.mergeMethod = round % 11;
        e.settings.sourceBias = int(rng() % 257);
        e.settings.effect = EffectKernelAt(round % EffectCount);
        e.settings.contrastMode = round % 3 ? 1 : 0;
        e.settings.baseColour = RandomBgr(rng);
        e.quickPreview = round % 4 == 3;
        for (SourceLayer& l : e.layer) {
            FillLayerRandom(l, w, h, rng, 60);
            // Now and then an opaque layer beside a translucent one.
            l.opacity = &l == &e.layer[0] || round % 5 != 4;
            for (int r = 0; r < h && l.opacity; ++r)
                for (int c = 0; c < w; ++c) {
                    uint8_t& m = l.MaskRow(r)[c];
                    m = m ? (rng() % 3 ? 255 : uint8_t(rng())) : 0;
                }
        }
        e.ComposeTarget();
        reference::Compose(e.settings, e.quickPreview, e.layer[0], e.layer[1], pre, out);
        ASSERT_EQ(FirstDifference(out, e.target), "");

        // Opacities of 0 and 255 only: bit for bit the result of coverage 0 and 1.
        for (SourceLayer& l : e.layer)
            for (int r = 0; r < h; ++r)
                for (int c = 0; c < w; ++c)
                    if (l.opacity)
                        l.MaskRow(r)[c] = l.MaskRow(r)[c] == 255 ? 255 : 0;
        e.ComposeTarget();
        plain = e.target;
        for (SourceLayer& l : e.layer) {
            for (int r = 0; r < h && l.opacity; ++r)
                for (int c = 0; c < w; ++c)
                    l.MaskRow(r)[c] = l.MaskRow(r)[c] == 255;
            l.opacity = false;
        }
        e.ComposeTarget();
        ASSERT_EQ(FirstDifference(e.target, plain), "");
    }
}

// An opaque red logo on a transparent black surround, enlarged and turned: its soft edge is
// as red as its inside at every opacity, and over white shows red mixed with white, never darkened.
TEST(Opacity, ATransparentSurroundLeavesNoFringeAtTheEdge)
{
    for (bool quick : {false, true}) {
        EngineRig rig(200, 160);
        Engine& e = rig.engine;
        FakeSlot& logo = rig.sources.Solid(1, 40, 30, Bgr{0, 0, 0});
        rig.sources.Solid(2, 200, 160, Bgr{255, 255, 255});
        logo.alpha.assign(size_t(40) * 30, 0);
        for (int y = 8; y < 22; ++y)
            for (int x = 10; x < 30; ++x) {
                uint8_t* p = logo.At(y, x);
                p[2] = 255;
                logo.alpha[size_t(29 - y) * 40 + x] = 255;
            }
        e.settings.scaleToTarget[0] = false;
        e.settings.horizontalScale[0] = 317;
        e.settings.verticalScale[0] = 283;
        e.settings.mergeMethod = CodePicture1;
        e.settings.baseColour = Bgr{255, 255, 255};
        e.placement[0].angle = 17;
        e.quickPreview = quick;
        e.RecomputeAll();
        const SourceLayer& l = e.layer[0];
        ASSERT_TRUE(l.opacity);
        int partial = 0;
        for (int r = 0; r < 160; ++r)
            for (int c = 0; c < 200; ++c) {
                const uint8_t a = l.MaskRow(r)[c];
                // The interpolation of a flat area truncates to 254 at most places.
                const Bgr p = LayerPixel(l, r, c);
                if (a != 0) {
                    ASSERT_TRUE(p.blue == 0 && p.green == 0 && p.red >= 254) << r << "," << c << " opacity " << int(a);
                }
                partial += a != 0 && a != 255;
                if (quick)
                    continue;  // the quick path averages wherever both cover
                const Bgr t = TargetPixel(e.target, r, c);
                ASSERT_GE(t.red, 254) << r << "," << c;
                ASSERT_EQ(t.blue, t.green) << r << "," << c;
                ASSERT_EQ(t.blue, 255 - a) << r << "," << c;
            }
        // The full-quality edge is soft; the quick one takes each nearest pixel's opacity.
        EXPECT_EQ(partial > 100, !quick) << partial;
    }
}
