#pragma once
// The merge operators: one tiny class per merge method, chosen by code for each composition.
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
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (Settled(m1, m2, p1, p2, out))
            return;
        const int w1 = 256 - bias;
        out[0] = uint8_t((p1.blue * w1 + p2.blue * bias) >> 8);
        out[1] = uint8_t((p1.green * w1 + p2.green * bias) >> 8);
        out[2] = uint8_t((p1.red * w1 + p2.red * bias) >> 8);
    }
};

// 64 times the luminance, each weighted channel truncated on its own.
inline int LumaTimes64(Bgr p)
{
    return static_cast<int>(19.2 * p.red) + static_cast<int>(37.76 * p.green) + static_cast<int>(7.04 * p.blue);
}

class least final : public pixel {
public:
    using pixel::pixel;
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (Settled(m1, m2, p1, p2, out))
            return;
        const int d = 128 * (127 - bias) - (LumaTimes64(p1) - LumaTimes64(p2));
        double w = d * 0.1;
        w = w < 0.0 ? 0.0 : w > 255.0 ? 255.0 : w;
        // The weights sum to 255 but the divisor is 256, so the result never reaches 255.
        out[0] = uint8_t(static_cast<int>((w * p1.blue + (255 - w) * p2.blue) / 256));
        out[1] = uint8_t(static_cast<int>((w * p1.green + (255 - w) * p2.green) / 256));
        out[2] = uint8_t(static_cast<int>((w * p1.red + (255 - w) * p2.red) / 256));
    }
};

class most final : public pixel {
public:
    using pixel::pixel;
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (Settled(m1, m2, p1, p2, out))
            return;
        const int d = 128 * (127 - bias) + (LumaTimes64(p1) - LumaTimes64(p2));
        double w = d * 0.1;
        w = w < 0.0 ? 0.0 : w > 256.0 ? 256.0 : w;
        out[0] = uint8_t(static_cast<int>((w * p1.blue + (256 - w) * p2.blue) / 256));
        out[1] = uint8_t(static_cast<int>((w * p1.green + (256 - w) * p2.green) / 256));
        out[2] = uint8_t(static_cast<int>((w * p1.red + (256 - w) * p2.red) / 256));
    }
};

class subtract12 final : public pixel {
public:
    using pixel::pixel;
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (Settled(m1, m2, p1, p2, out))
            return;
        const int w1 = bias <= 127 ? 127 : 255 - bias;
        const int w2 = bias <= 127 ? bias : 127;
        out[0] = Clamp(bias + ((w1 * p1.blue - w2 * p2.blue) >> 7));
        out[1] = Clamp(bias + ((w1 * p1.green - w2 * p2.green) >> 7));
        out[2] = Clamp(bias + ((w1 * p1.red - w2 * p2.red) >> 7));
    }
};

class subtract21 final : public pixel {
public:
    using pixel::pixel;
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (Settled(m1, m2, p1, p2, out))
            return;
        const int w1 = bias <= 127 ? 127 : 255 - bias;
        const int w2 = bias <= 127 ? bias : 127;
        out[0] = Clamp(255 - bias + ((w2 * p2.blue - w1 * p1.blue) >> 7));
        out[1] = Clamp(255 - bias + ((w2 * p2.green - w1 * p1.green) >> 7));
        out[2] = Clamp(255 - bias + ((w2 * p2.red - w1 * p1.red) >> 7));
    }
};

// Source 1 is "above gray" when each of its channels passes c - f + 256 > 255.
inline bool AboveGray1(Bgr p, int f)
{
    return p.blue - f + 256 > 255 && p.green - f + 256 > 255 && p.red - f + 256 > 255;
}
// Source 2 is "above gray" when each of its channels passes c + f > 255.
inline bool AboveGray2(Bgr p, int f) { return p.blue + f > 255 && p.green + f > 255 && p.red + f > 255; }

class comp12 final : public pixel {
public:
    using pixel::pixel;
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (!Settled(m1, m2, p1, p2, out))
            StoreBgr(out, AboveGray1(p1, bias) ? p1 : p2);
    }
};

class comp21 final : public pixel {
public:
    using pixel::pixel;
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (!Settled(m1, m2, p1, p2, out))
            StoreBgr(out, AboveGray1(p1, bias) ? p2 : p1);
    }
};

class comp_h_12 final : public pixel {
public:
    using pixel::pixel;
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (!Settled(m1, m2, p1, p2, out))
            StoreBgr(out, AboveGray2(p2, bias) ? p1 : p2);
    }
};

class comp_h_21 final : public pixel {
public:
    using pixel::pixel;
    void combine(uint8_t m1, uint8_t m2, Bgr p1, Bgr p2, uint8_t* out) const override
    {
        if (!Settled(m1, m2, p1, p2, out))
            StoreBgr(out, AboveGray2(p2, bias) ? p2 : p1);
    }
};

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
