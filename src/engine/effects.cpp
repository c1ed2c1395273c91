#include "effects.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "simd.h"

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

// The kernel's divisor: Div when fixed at compile time (the compiler turns the division into
// multiplications), else read at run time; 0 means no division.
template <int Div, class T>
inline T Divide(T s, T divisor)
{
    if constexpr (Div == 0)
        return s;
    else if constexpr (Div == RuntimeDivisor)
        return divisor == 0 ? s : T(s / divisor);
    else
        return T(s / Div);
}

// out[n] = clamp(offset + (sum of w[t] * tap[t][n]) / divisor) for n in [0, count).
// With T = int16_t every sum fits, so the loop runs on 16-bit lanes; the arithmetic wraps modulo
// 2^16 on the way, which leaves the final sum exact.
template <class T, int Div>
[[gnu::always_inline]] inline void ConvolveLoop(const EffectKernel& k, const uint8_t* const tap[9],
                                                uint8_t* __restrict out, int count)
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
        out[n] = ClampByte(T(offset + Divide<Div>(s, divisor)));
    }
}

// Kernels whose weights are all alpha but the centre, alpha + beta: the sum is alpha times the
// 3 x 3 box sum plus beta times the centre, and the box sum comes from column sums vsum
// (each the sum of the three rows), so the loop adds instead of multiplying nine times.
template <int Div>
[[gnu::always_inline]] inline void BoxLoop(const int16_t* vsum, const uint8_t* centre, int16_t alpha, int16_t beta,
                                           int16_t offset, int16_t divisor, uint8_t* __restrict out, int count)
{
    for (int n = 0; n < count; ++n) {
        const int16_t box = int16_t(int16_t(vsum[n] + vsum[n + 3]) + vsum[n + 6]);
        const int16_t s = int16_t(int16_t(alpha * box) + int16_t(beta * centre[n]));
        out[n] = ClampByte(int16_t(offset + Divide<Div>(s, divisor)));
    }
}

[[gnu::always_inline]] inline void ColumnSumsLoop(const uint8_t* a, const uint8_t* b, const uint8_t* c,
                                                  int16_t* __restrict vsum, int count)
{
    for (int n = 0; n < count; ++n)
        vsum[n] = int16_t(a[n] + b[n] + c[n]);
}

// The hot loops are built for AVX2 too (simd.h); integer lanes give the same results either way.

BRINDOR_CLONES void ColumnSums(const uint8_t* a, const uint8_t* b, const uint8_t* c, int16_t* vsum, int count)
{
    ColumnSumsLoop(a, b, c, vsum, count);
}

template <int Div>
void BoxRow(const int16_t* vsum, const uint8_t* centre, const EffectKernel& k, uint8_t* out, int count);
#define BRINDOR_BOX_ROW(DIV)                                                                                  \
    template <>                                                                                               \
    BRINDOR_CLONES void BoxRow<DIV>(const int16_t* vsum, const uint8_t* centre, const EffectKernel& k,       \
                                    uint8_t* out, int count)                                                  \
    {                                                                                                         \
        BoxLoop<DIV>(vsum, centre, int16_t(k.weights[0]), int16_t(k.weights[4] - k.weights[0]),               \
                     int16_t(k.offset), int16_t(k.divisor), out, count);                                      \
    }
BRINDOR_BOX_ROW(0)
BRINDOR_BOX_ROW(7)
BRINDOR_BOX_ROW(9)
BRINDOR_BOX_ROW(16)
BRINDOR_BOX_ROW(RuntimeDivisor)

template <class T, int Div>
void Convolve(const EffectKernel& k, const uint8_t* const tap[9], uint8_t* out, int count);
#define BRINDOR_CONVOLVE(T, DIV)                                                                              \
    template <>                                                                                               \
    BRINDOR_CLONES void Convolve<T, DIV>(const EffectKernel& k, const uint8_t* const tap[9], uint8_t* out,   \
                                         int count)                                                           \
    {                                                                                                         \
        ConvolveLoop<T, DIV>(k, tap, out, count);                                                             \
    }
BRINDOR_CONVOLVE(int16_t, 0)
BRINDOR_CONVOLVE(int16_t, 7)
BRINDOR_CONVOLVE(int16_t, 9)
BRINDOR_CONVOLVE(int16_t, 16)
BRINDOR_CONVOLVE(int16_t, RuntimeDivisor)
BRINDOR_CONVOLVE(long long, RuntimeDivisor)

using ConvolveFn = void (*)(const EffectKernel&, const uint8_t* const[9], uint8_t*, int);
using BoxFn = void (*)(const int16_t*, const uint8_t*, const EffectKernel&, uint8_t*, int);

ConvolveFn ChooseConvolve(const EffectKernel& k, bool narrow)
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

BoxFn ChooseBox(const EffectKernel& k)
{
    switch (k.divisor) {
    case 0: return BoxRow<0>;
    case 7: return BoxRow<7>;
    case 9: return BoxRow<9>;
    case 16: return BoxRow<16>;
    default: return BoxRow<RuntimeDivisor>;
    }
}

bool BoxShaped(const EffectKernel& k)
{
    for (int i = 0; i < 9; ++i)
        if (i != 4 && k.weights[i] != k.weights[0])
            return false;
    return true;
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

// A kernel of any size but 3 x 3 has no weights to read: it counts as none.
EffectFilter::EffectFilter(const EffectKernel& k) : kernel(k), none(k.size != 3)
{
    // The largest result any picture can give; within 16 bits, the divisor must fit there too
    // (and dividing a sum of at most 32767 by -1 cannot overflow).
    long long reach = std::llabs(k.offset);
    for (int w : k.weights)
        reach += std::llabs(w) * 255;
    narrow = reach <= 32767 && k.divisor >= -32768 && k.divisor <= 32767;
    // The box form reaches the same final sum; 16-bit wrapping on the way does not change it.
    box = narrow && BoxShaped(k);
    convolve = ChooseConvolve(k, narrow);
    boxRow = ChooseBox(k);
}

void EffectFilter::Interior(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* out, int width) const
{
    const uint8_t* rows[3] = {a, b, c};
    const uint8_t* tap[9];
    // Column 1: its left sample, column -1, takes column 0.
    for (int j = 0; j < 3; ++j) {
        tap[3 * j] = rows[j];
        tap[3 * j + 1] = rows[j];
        tap[3 * j + 2] = rows[j] + 3;
    }
    convolve(kernel, tap, out + 3, 3);
    if (width <= 3)
        return;
    // Columns 2..width - 2: samples from columns x - 2..x.
    if (box) {
        // In pieces of a 2048-pixel row, so that wider canvases need no larger stack; every output
        // byte reads the seven column sums from its own on.
        constexpr int Piece = 3 * MaxCanvasWidth - 6;
        int16_t vsum[3 * MaxCanvasWidth];
        const int total = 3 * (width - 3);
        for (int from = 0; from < total; from += Piece) {
            const int n = std::min(Piece, total - from);
            ColumnSums(a + from, b + from, c + from, vsum, n + 6);
            boxRow(vsum, b + 3 + from, kernel, out + 6 + from, n);
        }
        return;
    }
    for (int j = 0; j < 3; ++j) {
        tap[3 * j] = rows[j];
        tap[3 * j + 1] = rows[j] + 3;
        tap[3 * j + 2] = rows[j] + 6;
    }
    convolve(kernel, tap, out + 6, 3 * (width - 3));
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
    out.Resize(pre.width, pre.height);
    for (int y = 0; y < pre.height; ++y)
        Row(pre, out, y);
}
