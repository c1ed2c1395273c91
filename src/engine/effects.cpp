#include "effects.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Weights by row: upper, middle, lower; within a row: left, middle, right.
constexpr EffectKernel Kernels[EffectCount] = {
    {0, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 0, 0},       // No effects
    {3, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 9, 0},       // Blur
    {3, {-1, -1, -1, -1, 8, -1, -1, -1, -1}, 0, 0},  // Edge
    {3, {-1, 0, 0, 0, 0, 0, 0, 0, 1}, 0, 127},    // Emboss
    {3, {-1, -1, -1, -1, 15, -1, -1, -1, -1}, 7, 0},  // Sharpen
    {3, {1, 1, 1, 1, 8, 1, 1, 1, 1}, 16, 0},      // Soften
};

constexpr int RuntimeDivisor = -1;

template <class T>
inline uint8_t ClampByte(T v)
{
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// out[n] = clamp(offset + (sum of w[t] * tap[t][n]) / divisor) for n in [0, count).
// With T = int16_t every sum fits, so the loop runs on 16-bit lanes; a fixed Div lets the
// compiler turn the division into multiplications.
template <class T, int Div>
void Convolve(const EffectKernel& k, const uint8_t* const tap[9], uint8_t* __restrict out, int count)
{
    const T w0 = T(k.weights[0]), w1 = T(k.weights[1]), w2 = T(k.weights[2]);
    const T w3 = T(k.weights[3]), w4 = T(k.weights[4]), w5 = T(k.weights[5]);
    const T w6 = T(k.weights[6]), w7 = T(k.weights[7]), w8 = T(k.weights[8]);
    const T offset = T(k.offset);
    const T divisor = T(k.divisor);
    const uint8_t *t0 = tap[0], *t1 = tap[1], *t2 = tap[2], *t3 = tap[3], *t4 = tap[4];
    const uint8_t *t5 = tap[5], *t6 = tap[6], *t7 = tap[7], *t8 = tap[8];
    for (int n = 0; n < count; ++n) {
        T s = T(T(w0 * t0[n]) + T(w1 * t1[n]));
        s = T(s + T(w2 * t2[n]));
        s = T(s + T(w3 * t3[n]));
        s = T(s + T(w4 * t4[n]));
        s = T(s + T(w5 * t5[n]));
        s = T(s + T(w6 * t6[n]));
        s = T(s + T(w7 * t7[n]));
        s = T(s + T(w8 * t8[n]));
        T v;
        if constexpr (Div == 0)
            v = T(offset + s);
        else if constexpr (Div == RuntimeDivisor)
            v = T(offset + (divisor == 0 ? s : T(s / divisor)));
        else
            v = T(offset + T(s / Div));
        out[n] = ClampByte(v);
    }
}

using ConvolveFn = void (*)(const EffectKernel&, const uint8_t* const[9], uint8_t*, int);

ConvolveFn Choose(const EffectKernel& k, bool narrow)
{
    if (!narrow)
        return Convolve<long long, RuntimeDivisor>;
    switch (k.divisor) {
    case 0: return Convolve<int16_t, 0>;
    case 7: return Convolve<int16_t, 7>;
    case 9: return Convolve<int16_t, 9>;
    case 16: return Convolve<int16_t, 16>;
    default: return Convolve<int16_t, RuntimeDivisor>;
    }
}

}  // namespace

EffectKernel EffectKernelAt(int position)
{
    return position >= 0 && position < EffectCount ? Kernels[position] : Kernels[0];
}

int EffectPosition(const EffectKernel& k)
{
    for (int i = 0; i < EffectCount; ++i)
        if (Kernels[i] == k)
            return i;
    return -1;
}

EffectFilter::EffectFilter(const EffectKernel& k) : kernel(k), none(k.size != 3)
{
    // A kernel of any size but 3 x 3 has no weights to read: it counts as none.
    long long reach = std::llabs(k.offset);
    for (int w : k.weights)
        reach += std::llabs(w) * 255;
    // The divisor must fit too: 16-bit lanes hold it, and -1 would overflow no sum here.
    narrow = reach <= 32767 && k.divisor >= -32768 && k.divisor <= 32767;
}

void EffectFilter::Interior(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* out, int width) const
{
    const ConvolveFn fn = Choose(kernel, narrow);
    const uint8_t* rows[3] = {a, b, c};
    const uint8_t* tap[9];
    // Column 1: its left sample, column -1, takes column 0.
    for (int j = 0; j < 3; ++j) {
        tap[3 * j] = rows[j];
        tap[3 * j + 1] = rows[j];
        tap[3 * j + 2] = rows[j] + 3;
    }
    fn(kernel, tap, out + 3, 3);
    // Columns 2..width - 2: samples from columns x - 2..x.
    if (width > 3) {
        for (int j = 0; j < 3; ++j) {
            tap[3 * j] = rows[j];
            tap[3 * j + 1] = rows[j] + 3;
            tap[3 * j + 2] = rows[j] + 6;
        }
        fn(kernel, tap, out + 6, 3 * (width - 3));
    }
}

void EffectFilter::Row(const TargetImage& pre, TargetImage& out, int y) const
{
    const int w = pre.width;
    const int h = pre.height;
    const uint8_t* src = pre.CanvasRow(y);
    uint8_t* dst = out.CanvasRow(y);
    if (none || y == 0 || y == h - 1 || w < 3) {
        std::memcpy(dst, src, size_t(w) * 3);
        return;
    }
    const uint8_t* above2 = pre.CanvasRow(y >= 2 ? y - 2 : 0);
    const uint8_t* above1 = pre.CanvasRow(y - 1);
    Interior(above2, above1, src, dst, w);
    // The frame columns keep the unfiltered pixels.
    std::memcpy(dst, src, 3);
    std::memcpy(dst + size_t(w - 1) * 3, src + size_t(w - 1) * 3, 3);
}

void EffectFilter::Apply(const TargetImage& pre, TargetImage& out) const
{
    out.width = pre.width;
    out.height = pre.height;
    for (int y = 0; y < pre.height; ++y)
        Row(pre, out, y);
}
