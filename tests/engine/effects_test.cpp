#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "effects.h"
#include "reference.h"
#include "testutils.h"

using testutils::FirstDifference;
using testutils::TargetPixel;

namespace {

enum { NoEffect, Blur, Edge, Emboss, Sharpen, Soften };

Bgr Gray(int v) { return Bgr{uint8_t(v), uint8_t(v), uint8_t(v)}; }

void Paint(TargetImage& t, int w, int h, const std::function<Bgr(int, int)>& colour)
{
    t.width = w;
    t.height = h;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            testutils::SetTargetPixel(t, r, c, colour(r, c));
}

struct Pictures {
    TargetImage pre, out, expected;
};

}  // namespace

TEST(Effects, FlatPictureStaysFlatEverywhere)
{
    Pictures p;
    Paint(p.pre, 12, 9, [](int, int) { return Gray(90); });
    const struct {
        int position;
        int value;
    } cases[] = {{NoEffect, 90}, {Blur, 90}, {Sharpen, 90}, {Soften, 90}, {Edge, 0}, {Emboss, 127}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.position);
        EffectFilter(EffectKernelAt(k.position)).Apply(p.pre, p.out);
        // The frame keeps the unfiltered pixels; everything inside, rows and columns 1 included, is filtered.
        for (int r = 0; r < 9; ++r)
            for (int c = 0; c < 12; ++c) {
                const bool frame = r == 0 || c == 0 || r == 8 || c == 11;
                ASSERT_EQ(TargetPixel(p.out, r, c), Gray(frame ? 90 : k.value)) << r << "," << c;
            }
    }
}

TEST(Effects, SinglePixelResponsesAreShiftedDownRight)
{
    Pictures p;
    Paint(p.pre, 16, 12, [](int r, int c) { return Gray(r == 4 && c == 6 ? 255 : 0); });
    EffectFilter(EffectKernelAt(Blur)).Apply(p.pre, p.out);
    for (int r = 1; r < 11; ++r)
        for (int c = 1; c < 15; ++c) {
            const bool block = r >= 4 && r <= 6 && c >= 6 && c <= 8;
            ASSERT_EQ(TargetPixel(p.out, r, c), Gray(block ? 28 : 0)) << r << "," << c;
        }
    // Sums past the byte range are limited.
    EffectFilter(EffectKernelAt(Edge)).Apply(p.pre, p.out);
    EXPECT_EQ(TargetPixel(p.out, 5, 7), Gray(255));
    Paint(p.pre, 16, 12, [](int r, int c) { return Gray(r == 4 && c == 6 ? 0 : 255); });
    EffectFilter(EffectKernelAt(Edge)).Apply(p.pre, p.out);
    EXPECT_EQ(TargetPixel(p.out, 5, 7), Gray(0));
}

TEST(Effects, EmbossReadsTwoPixelsUpLeftAndClampsAtTheEdge)
{
    Pictures p;
    Paint(p.pre, 8, 8, [](int r, int c) { return Gray(10 * r + c); });
    EffectFilter(EffectKernelAt(Emboss)).Apply(p.pre, p.out);
    EXPECT_EQ(TargetPixel(p.out, 5, 5), Gray(127 + 55 - 33));
    // Row 1 and column 1 take row 0 and column 0 for the samples before the picture.
    EXPECT_EQ(TargetPixel(p.out, 1, 4), Gray(127 + 14 - 2));
    EXPECT_EQ(TargetPixel(p.out, 4, 1), Gray(127 + 41 - 20));
    EXPECT_EQ(TargetPixel(p.out, 1, 1), Gray(127 + 11 - 0));
}

TEST(Effects, NoEffectRestoresThePictureFrameIncluded)
{
    Pictures p;
    std::mt19937 rng(3);
    Paint(p.pre, 20, 10, [&](int, int) { return testutils::RandomBgr(rng); });
    EffectFilter(EffectKernelAt(Sharpen)).Apply(p.pre, p.out);
    EffectFilter(EffectKernelAt(NoEffect)).Apply(p.pre, p.out);
    EXPECT_EQ(FirstDifference(p.pre, p.out), "");
}

TEST(Effects, KernelsByPosition)
{
    for (int i = 0; i < EffectCount; ++i)
        EXPECT_EQ(EffectPosition(EffectKernelAt(i)), i);
    EXPECT_EQ(EffectKernelAt(-1).size, 0);
    EXPECT_EQ(EffectKernelAt(EffectCount).size, 0);
    EXPECT_EQ(EffectKernelAt(Blur).divisor, 9);
    EXPECT_EQ(EffectKernelAt(Emboss).offset, 127);
}

// The specialised loops against the plain convolution: every list kernel and random kernels
// (large weights, negative and odd divisors, offsets) on random pictures of many sizes.
TEST(Effects, MatchReferenceOnRandomPicturesAndKernels)
{
    Pictures p;
    std::mt19937 rng(1234);
    const int sizes[][2] = {{1, 1}, {2, 2}, {3, 3}, {4, 3}, {5, 4}, {8, 2}, {17, 13}, {64, 33}, {203, 7}};
    for (int round = 0; round < 240; ++round) {
        EffectKernel k = EffectKernelAt(round % EffectCount);
        if (round >= 2 * EffectCount) {
            k.size = 3;
            const int spread = round % 3 == 0 && round % 4 != 1 ? 100000 : 20;
            for (int& w : k.weights)
                w = int(rng() % (2 * spread + 1)) - spread;
            // Every weight equal but the centre's: the shape of most list kernels.
            if (round % 4 == 1)
                for (int i = 1; i < 9; ++i)
                    if (i != 4)
                        k.weights[i] = k.weights[0];
            const int divisors[] = {0, 1, -1, 3, -5, 7, 9, 16, 1000};
            k.divisor = divisors[rng() % 9];
            k.offset = int(rng() % 601) - 300;
        }
        const auto& size = sizes[round % 9];
        Paint(p.pre, size[0], size[1], [&](int, int) { return testutils::RandomBgr(rng); });
        reference::Effect(k, p.pre, p.expected);
        EffectFilter(k).Apply(p.pre, p.out);
        ASSERT_EQ(FirstDifference(p.expected, p.out), "") << "round " << round;
    }
}
