#include <gtest/gtest.h>

#include <random>

#include "reference.h"
#include "testutils.h"
#include "tone.h"

namespace {

MergeSettings WithMode(int mode, int contrast = 50, int brightness = 50)
{
    MergeSettings s;
    s.contrastMode = mode;
    for (int k = 0; k < 3; ++k) {
        s.channelContrast[k] = contrast;
        s.channelBrightness[k] = brightness;
    }
    return s;
}

Bgr Gray(int v) { return Bgr{uint8_t(v), uint8_t(v), uint8_t(v)}; }

}  // namespace

TEST(Tone, ContrastAndBrightnessTable)
{
    struct Row {
        int in, contrast, brightness, out;
    };
    const Row rows[] = {{200, 50, 50, 200}, {200, 100, 50, 255}, {200, 0, 50, 127}, {200, 50, 100, 250},
                        {200, 50, 0, 150},  {200, 60, 50, 231},  {0, 0, 50, 127},    {100, 75, 50, 65}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.in * 10000 + r.contrast * 100 + r.brightness);
        EXPECT_EQ(ContrastBrightness(r.in, r.contrast, r.brightness), r.out);
        // The same through the whole adjustment, one channel at a time.
        for (int ch = 0; ch < 3; ++ch) {
            MergeSettings s;
            s.channelContrast[ch] = r.contrast;
            s.channelBrightness[ch] = r.brightness;
            const Bgr out = ToneAdjust(s, Gray(r.in));
            const int got = ch == Red ? out.red : ch == Green ? out.green : out.blue;
            EXPECT_EQ(got, r.out) << "channel " << ch;
        }
    }
}

TEST(Tone, GrayScale)
{
    const MergeSettings s = WithMode(ContrastGray);
    EXPECT_EQ(ToneAdjust(s, Gray(255)), Gray(255));
    EXPECT_EQ(ToneAdjust(s, (Bgr{0, 0, 255})), Gray(76));
    EXPECT_EQ(ToneAdjust(s, (Bgr{0, 255, 0})), Gray(150));
    EXPECT_EQ(ToneAdjust(s, (Bgr{255, 0, 0})), Gray(28));
    // The real sum lies just below 8192.
    EXPECT_EQ(ToneAdjust(s, Gray(128)), Gray(127));
}

TEST(Tone, InfiniteContrast)
{
    MergeSettings colour = WithMode(ContrastInfiniteColour);
    colour.infiniteThreshold = 127;
    EXPECT_EQ(ToneAdjust(colour, (Bgr{128, 127, 200})), (Bgr{255, 0, 255}));

    MergeSettings bw = WithMode(ContrastInfiniteBw);
    bw.infiniteThreshold = 127;
    EXPECT_EQ(ToneAdjust(bw, Gray(127)), Gray(0));
    EXPECT_EQ(ToneAdjust(bw, (Bgr{127, 127, 128})), Gray(255));
    // Contrast acts after the black/white decision.
    EXPECT_EQ(ToneAdjust(WithMode(ContrastInfiniteBw, 0), Gray(255)), Gray(127));
    EXPECT_EQ(ToneAdjust(WithMode(ContrastInfiniteBw, 0), Gray(0)), Gray(127));
}

TEST(Tone, NeutralSettingsPassEveryPixel)
{
    const ToneCurve curve{MergeSettings{}};
    EXPECT_TRUE(curve.Identity());
    std::mt19937 rng(7);
    for (int n = 0; n < 1000; ++n) {
        const Bgr p = testutils::RandomBgr(rng);
        uint8_t px[3] = {p.blue, p.green, p.red};
        curve.Apply(px);
        EXPECT_EQ((Bgr{px[0], px[1], px[2]}), p);
    }
    EXPECT_FALSE(ToneCurve{WithMode(ContrastNormal, 51)}.Identity());
}

// The tabulated curve and the row routine against the formulas, with each channel set apart.
TEST(Tone, MatchesReferenceOnRandomSettings)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 300; ++round) {
        MergeSettings s;
        s.contrastMode = int(rng() % 5);  // 4 is unknown: unchanged, as normal
        s.infiniteThreshold = int(rng() % 256);
        for (int k = 0; k < 3; ++k) {
            s.channelContrast[k] = int(rng() % 101);
            s.channelBrightness[k] = int(rng() % 101);
        }
        const ToneCurve curve(s);
        uint8_t row[3 * 64];
        Bgr in[64];
        for (int i = 0; i < 64; ++i) {
            in[i] = testutils::RandomBgr(rng);
            row[3 * i] = in[i].blue;
            row[3 * i + 1] = in[i].green;
            row[3 * i + 2] = in[i].red;
        }
        curve.ApplyRow(row, 64);
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ((Bgr{row[3 * i], row[3 * i + 1], row[3 * i + 2]}), reference::Tone(s, in[i]))
                << "mode " << s.contrastMode << " pixel " << testutils::Describe(in[i]);
    }
}

// Every contrast and brightness, every value in every channel position, through the row routine
// (which computes whole runs by integer lines where they give the table exactly).
TEST(Tone, RowsMatchTheFormulaForEverySetting)
{
    uint8_t row[3 * 256 + 3 * 5];
    for (int c = 0; c <= 100; ++c)
        for (int b = 0; b <= 100; ++b) {
            MergeSettings s = WithMode(ContrastNormal);
            // The channels differ, so each lane pattern meets every curve.
            for (int k = 0; k < 3; ++k) {
                s.channelContrast[k] = (c + 37 * k) % 101;
                s.channelBrightness[k] = (b + 11 * k) % 101;
            }
            const ToneCurve curve(s);
            for (int i = 0; i < int(sizeof row); ++i)
                row[i] = uint8_t(i / 3 + (i % 3) * 85);
            curve.ApplyRow(row, int(sizeof row) / 3);
            for (int i = 0; i < int(sizeof row); ++i) {
                const int channel = i % 3 == 0 ? Blue : i % 3 == 1 ? Green : Red;
                const uint8_t in = uint8_t(i / 3 + (i % 3) * 85);
                ASSERT_EQ(row[i], ContrastBrightness(in, s.channelContrast[channel], s.channelBrightness[channel]))
                    << "contrast " << c << " brightness " << b << " byte " << i;
            }
        }
}
