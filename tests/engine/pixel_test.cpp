#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "pixel.h"
#include "reference.h"
#include "testutils.h"

namespace {

const Bgr Base{10, 20, 30};

std::unique_ptr<pixel> Make(int code, int bias)
{
    switch (code) {
    case 0: return std::make_unique<picture1>(bias, Base);
    case 1: return std::make_unique<picture2>(bias, Base);
    case 2: return std::make_unique<most>(bias, Base);
    case 3: return std::make_unique<least>(bias, Base);
    case 4: return std::make_unique<subtract12>(bias, Base);
    case 5: return std::make_unique<subtract21>(bias, Base);
    case 6: return std::make_unique<average>(bias, Base);
    case 7: return std::make_unique<comp12>(bias, Base);
    case 8: return std::make_unique<comp21>(bias, Base);
    case 9: return std::make_unique<comp_h_12>(bias, Base);
    case 10: return std::make_unique<comp_h_21>(bias, Base);
    default: return std::make_unique<pixel>(bias, Base);
    }
}

// The operator's output through its virtual combine.
Bgr Merge(int code, int bias, Bgr p1, Bgr p2, uint8_t m1 = 1, uint8_t m2 = 1)
{
    const std::unique_ptr<pixel> op = Make(code, bias);
    uint8_t out[3] = {1, 2, 3};
    op->combine(m1, m2, p1, p2, out);
    return Bgr{out[0], out[1], out[2]};
}

Bgr Gray(int v) { return Bgr{uint8_t(v), uint8_t(v), uint8_t(v)}; }

}  // namespace

TEST(PixelOperators, TableForTwoGraysAcrossBiases)
{
    struct Row {
        int bias, avg, sub12, sub21, least, most;
    };
    const Row rows[] = {
        {0, 200, 198, 56, 199, 200},
        {127, 150, 226, 28, 99, 200},
        {128, 150, 227, 27, 99, 200},
        {256, 100, 155, 99, 99, 100},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.bias);
        EXPECT_EQ(Merge(CodeAverage, r.bias, Gray(200), Gray(100)), Gray(r.avg));
        EXPECT_EQ(Merge(CodeSubtract12, r.bias, Gray(200), Gray(100)), Gray(r.sub12));
        EXPECT_EQ(Merge(CodeSubtract21, r.bias, Gray(200), Gray(100)), Gray(r.sub21));
        EXPECT_EQ(Merge(CodeLeast, r.bias, Gray(200), Gray(100)), Gray(r.least));
        EXPECT_EQ(Merge(CodeMost, r.bias, Gray(200), Gray(100)), Gray(r.most));
    }
}

TEST(PixelOperators, LeastAndMostByLuminance)
{
    EXPECT_EQ(Merge(CodeLeast, 127, Gray(0), Gray(255)), Gray(0));
    EXPECT_EQ(Merge(CodeMost, 127, Gray(0), Gray(255)), Gray(255));
    // least's weights sum to 255 over a divisor of 256.
    EXPECT_EQ(Merge(CodeMost, 127, Gray(255), Gray(255)), Gray(255));
    EXPECT_EQ(Merge(CodeLeast, 127, Gray(255), Gray(255)), Gray(254));
    EXPECT_EQ(Merge(CodeLeast, 127, Gray(100), Gray(120)), Gray(109));
    EXPECT_EQ(Merge(CodeMost, 127, Gray(100), Gray(120)), Gray(120));
}

TEST(PixelOperators, GrayThresholdsTestEveryChannel)
{
    const Bgr other{1, 2, 3};
    EXPECT_EQ(Merge(CodeComp12, 100, Bgr{100, 255, 255}, other), (Bgr{100, 255, 255}));
    EXPECT_EQ(Merge(CodeComp12, 100, Bgr{99, 255, 255}, other), other);
    EXPECT_EQ(Merge(CodeComp21, 100, Bgr{100, 255, 255}, other), other);
    EXPECT_EQ(Merge(CodeComp21, 100, Bgr{255, 255, 99}, other), (Bgr{255, 255, 99}));
    EXPECT_EQ(Merge(CodeCompH12, 100, other, Bgr{156, 200, 200}), other);
    EXPECT_EQ(Merge(CodeCompH12, 100, other, Bgr{155, 200, 200}), (Bgr{155, 200, 200}));
    EXPECT_EQ(Merge(CodeCompH21, 100, other, Bgr{156, 200, 200}), (Bgr{156, 200, 200}));
    EXPECT_EQ(Merge(CodeCompH21, 100, other, Bgr{200, 155, 200}), other);
    // The extreme biases: 0 always takes source 1, 256 always source 2.
    EXPECT_EQ(Merge(CodeComp12, 0, Gray(0), other), Gray(0));
    EXPECT_EQ(Merge(CodeComp12, 256, Gray(255), other), other);
}

TEST(PixelOperators, CoverageDecidesBeforeTheFormula)
{
    const Bgr p1{200, 150, 100}, p2{50, 60, 70};
    for (int code = 0; code <= 10; ++code) {
        SCOPED_TRACE(code);
        EXPECT_EQ(Merge(code, 128, p1, p2, 0, 0), Base);
        EXPECT_EQ(Merge(code, 128, p1, p2, 0, 1), code == CodePicture1 ? Base : p2);
        EXPECT_EQ(Merge(code, 128, p1, p2, 1, 0), code == CodePicture2 ? Base : p1);
    }
    // The base class writes nothing.
    EXPECT_EQ(Merge(99, 128, p1, p2), (Bgr{1, 2, 3}));
}

// Every operator, through the virtual call and through the inlined dispatch, against the
// plain formulas on random pixels, marks and biases.
TEST(PixelOperators, MatchReferenceOnRandomPixels)
{
    std::mt19937 rng(20261209);
    for (int n = 0; n < 200000; ++n) {
        const int code = int(rng() % 11);
        const int bias = int(rng() % 257);
        const uint8_t m1 = uint8_t(rng() % 3 == 0 ? 0 : 1), m2 = uint8_t(rng() % 3 == 0 ? 0 : 1);
        const Bgr p1 = testutils::RandomBgr(rng), p2 = testutils::RandomBgr(rng);
        const Bgr expected = reference::Combine(code, bias, Base, m1, m2, p1, p2);
        ASSERT_EQ(Merge(code, bias, p1, p2, m1, m2), expected)
            << "code " << code << " bias " << bias << " m " << int(m1) << int(m2) << " p1 "
            << testutils::Describe(p1) << " p2 " << testutils::Describe(p2);
        uint8_t out[3];
        WithMergeOperator(code, bias, Base, [&](const auto& op) { op.combine(m1, m2, p1, p2, out); });
        ASSERT_EQ((Bgr{out[0], out[1], out[2]}), expected) << "dispatch of code " << code;
    }
}
