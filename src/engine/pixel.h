#pragma once
// The merge operators: one tiny class per merge method, chosen by code for each composition.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "merge_settings.h"

inline Bgr LoadBgr(const uint8_t* p) { return Bgr{p[0], p[1], p[2]}; }
inline void StoreBgr(uint8_t* out, Bgr p)
{
    out[0] = p.blue;
    out[1] = p.green;
    out[2] = p.red;
}

// Base of the operator family: its combine leaves the outputs untouched. Every operator reads
// the bias (0..256) and the base colour, taken from the settings when it is made.
class pixel {
public:
    pixel() = default;
    pixel(int sourceBias, Bgr baseColour) : bias(sourceBias), base(baseColour) {}
    virtual ~pixel() = default;
    int Weight() const { return bias; }
    Bgr Base() const { return base; }
    // Marks of source 1 and 2 (1 = covered), their pixels, and the blue-green-red output.
    virtual void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const
    {
        (void)m1, (void)m2, (void)p1, (void)p2, (void)out;
    }

protected:
    // Coverage shared by every mixing operator; false when the class's formula must decide.
    bool Settled(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const
    {
        if (m1 == 1) {
            if (m2 == 1)
                return false;
            StoreBgr(out, p1);
        } else if (m1 == 0 && m2 == 0) {
            StoreBgr(out, base);
        } else {
            StoreBgr(out, p2);
        }
        return true;
    }
    static uint8_t Clamp(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

    int bias = 127;
    Bgr base;
};

class picture1 final : public pixel {
public:
    using pixel::pixel;
    void combine(uint8_t m1, uint8_t, Bgr p1, Bgr, uint8_t* out) const override { StoreBgr(out, m1 == 1 ? p1 : base); }
};

class picture2 final : public pixel {
public:
    using pixel::pixel;
    void combine(uint8_t, uint8_t m2, Bgr, Bgr p2, uint8_t* out) const override { StoreBgr(out, m2 == 1 ? p2 : base); }
};

class average final : public pixel {
public:
    using pixel::pixel;
    // One channel where both sources cover.
    uint8_t Channel(int c1, int c2) const { return uint8_t((c1 * (256 - bias) + c2 * bias) >> 8); }
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (Settled(m1, m2, p1, p2, out))
            return;
        out[0] = Channel(p1.blue, p2.blue);
        out[1] = Channel(p1.green, p2.green);
        out[2] = Channel(p1.red, p2.red);
    }
};

// trunc(weight * v) for every byte v, each product rounded once as at run time.
struct LumaTerm {
    int term[256];
    constexpr explicit LumaTerm(double weight) : term{}
    {
        for (int v = 0; v < 256; ++v)
            term[v] = static_cast<int>(weight * v);
    }
};
inline constexpr LumaTerm LumaRed{19.2};
inline constexpr LumaTerm LumaGreen{37.76};
inline constexpr LumaTerm LumaBlue{7.04};

// 64 times the luminance, each weighted channel truncated on its own.
inline int LumaTimes64(Bgr p) { return LumaRed.term[p.red] + LumaGreen.term[p.green] + LumaBlue.term[p.blue]; }

// least and most mix the two pixels by a real weight w of source 1 (0..Total) taken from their
// difference in luminance; each channel is trunc((w * c1 + (Total - w) * c2) / 256).
template <int Total>
inline uint8_t MixByLuma(double w, int c1, int c2)
{
    return uint8_t(static_cast<int>((w * c1 + (Total - w) * c2) / 256));
}

class least final : public pixel {
public:
    using pixel::pixel;
    // The weights sum to 255 but the divisor is 256, so the result never reaches 255.
    static constexpr int Total = 255;
    double MixWeight(Bgr p1, Bgr p2) const
    {
        const int d = 128 * (127 - bias) - (LumaTimes64(p1) - LumaTimes64(p2));
        return std::max(0.0, std::min(d * 0.1, 255.0));
    }
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (Settled(m1, m2, p1, p2, out))
            return;
        const double w = MixWeight(p1, p2);
        out[0] = MixByLuma<Total>(w, p1.blue, p2.blue);
        out[1] = MixByLuma<Total>(w, p1.green, p2.green);
        out[2] = MixByLuma<Total>(w, p1.red, p2.red);
    }
};

class most final : public pixel {
public:
    using pixel::pixel;
    static constexpr int Total = 256;
    double MixWeight(Bgr p1, Bgr p2) const
    {
        const int d = 128 * (127 - bias) + (LumaTimes64(p1) - LumaTimes64(p2));
        return std::max(0.0, std::min(d * 0.1, 256.0));
    }
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (Settled(m1, m2, p1, p2, out))
            return;
        const double w = MixWeight(p1, p2);
        out[0] = MixByLuma<Total>(w, p1.blue, p2.blue);
        out[1] = MixByLuma<Total>(w, p1.green, p2.green);
        out[2] = MixByLuma<Total>(w, p1.red, p2.red);
    }
};

// The subtraction weights: source 1's and source 2's.
inline int SubtractWeight1(int f) { return f <= 127 ? 127 : 255 - f; }
inline int SubtractWeight2(int f) { return f <= 127 ? f : 127; }

class subtract12 final : public pixel {
public:
    using pixel::pixel;
    uint8_t Channel(int c1, int c2) const
    {
        return Clamp(bias + ((SubtractWeight1(bias) * c1 - SubtractWeight2(bias) * c2) >> 7));
    }
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (Settled(m1, m2, p1, p2, out))
            return;
        out[0] = Channel(p1.blue, p2.blue);
        out[1] = Channel(p1.green, p2.green);
        out[2] = Channel(p1.red, p2.red);
    }
};

class subtract21 final : public pixel {
public:
    using pixel::pixel;
    uint8_t Channel(int c1, int c2) const
    {
        return Clamp(255 - bias + ((SubtractWeight2(bias) * c2 - SubtractWeight1(bias) * c1) >> 7));
    }
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (Settled(m1, m2, p1, p2, out))
            return;
        out[0] = Channel(p1.blue, p2.blue);
        out[1] = Channel(p1.green, p2.green);
        out[2] = Channel(p1.red, p2.red);
    }
};

// Source 1 is "above gray" when each of its channels passes c - f + 256 > 255.
inline bool AboveGray1(Bgr p, int f)
{
    return p.blue - f + 256 > 255 && p.green - f + 256 > 255 && p.red - f + 256 > 255;
}
// Source 2 is "above gray" when each of its channels passes c + f > 255.
inline bool AboveGray2(Bgr p, int f) { return p.blue + f > 255 && p.green + f > 255 && p.red + f > 255; }

// The four threshold methods keep one source's pixel whole: TestSource2 picks which source is
// tested against gray, FirstWhenAbove whether source 1 or source 2 is kept when it passes.
template <bool TestSource2, bool FirstWhenAbove>
class threshold_pick final : public pixel {
public:
    using pixel::pixel;
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (Settled(m1, m2, p1, p2, out))
            return;
        const bool above = TestSource2 ? AboveGray2(p2, bias) : AboveGray1(p1, bias);
        StoreBgr(out, above == FirstWhenAbove ? p1 : p2);
    }
};

using comp12 = threshold_pick<false, true>;
using comp21 = threshold_pick<false, false>;
using comp_h_12 = threshold_pick<true, true>;
using comp_h_21 = threshold_pick<true, false>;

// Merge method codes as stored in mergeMethod.
enum MergeCode : int {
    CodePicture1 = 0,
    CodePicture2 = 1,
    CodeMost = 2,
    CodeLeast = 3,
    CodeSubtract12 = 4,
    CodeSubtract21 = 5,
    CodeAverage = 6,
    CodeComp12 = 7,
    CodeComp21 = 8,
    CodeCompH12 = 9,
    CodeCompH21 = 10,
};

// Calls fn with the operator for code (by its final type, so calls through it inline).
// An unknown code selects the base class, which writes nothing.
template <class Fn>
decltype(auto) WithMergeOperator(int code, int sourceBias, Bgr baseColour, Fn&& fn)
{
    switch (code) {
    case CodePicture1: return fn(picture1(sourceBias, baseColour));
    case CodePicture2: return fn(picture2(sourceBias, baseColour));
    case CodeMost: return fn(most(sourceBias, baseColour));
    case CodeLeast: return fn(least(sourceBias, baseColour));
    case CodeSubtract12: return fn(subtract12(sourceBias, baseColour));
    case CodeSubtract21: return fn(subtract21(sourceBias, baseColour));
    case CodeAverage: return fn(average(sourceBias, baseColour));
    case CodeComp12: return fn(comp12(sourceBias, baseColour));
    case CodeComp21: return fn(comp21(sourceBias, baseColour));
    case CodeCompH12: return fn(comp_h_12(sourceBias, baseColour));
    case CodeCompH21: return fn(comp_h_21(sourceBias, baseColour));
    default: return fn(pixel(sourceBias, baseColour));
    }
}

// A pixel where source 1 covers with opacity a1 and source 2 with a2, some of it partial: the
// merges with both, only 1, only 2 and neither covering, weighted by how much of each case the
// opacities give, rounded. With a1 and a2 each 0 or 255 it is the merge of that case exactly.
template <class Op>
inline void MixCoverageCases(const Op& op, int a1, int a2, Bgr p1, Bgr p2, uint8_t* out)
{
    uint8_t both[3], first[3], second[3], neither[3];
    op.combine(1, 1, p1, p2, both);
    op.combine(1, 0, p1, p2, first);
    op.combine(0, 1, p1, p2, second);
    op.combine(0, 0, p1, p2, neither);
    const int w11 = a1 * a2, w10 = a1 * (255 - a2), w01 = (255 - a1) * a2, w00 = (255 - a1) * (255 - a2);
    for (int k = 0; k < 3; ++k)
        out[k] = uint8_t((w11 * both[k] + w10 * first[k] + w01 * second[k] + w00 * neither[k] + 32512) / 65025);
}
