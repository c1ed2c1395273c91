#include "tone.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define BRINDOR_TONE_LANES 1
#endif

namespace {

constexpr int LineShift = 16;

// An integer line through every entry of a tabulated curve, clamped to 0..255: mul and add with
// curve[v] = clamp((v * mul + add) >> 16) for all v, tried for slopes next to 65536 * slope.
bool LineThrough(const uint8_t curve[256], double slope, int32_t& mul, int32_t& add)
{
    const long long one = 1LL << LineShift;
    const long long nearest = std::llround(slope * one);
    for (long long m = nearest - 2; m <= nearest + 2; ++m) {
        long long lo = -(1LL << 40), hi = 1LL << 40;
        for (int v = 0; v < 256; ++v) {
            const long long t = v * m;
            if (curve[v] > 0)
                lo = std::max(lo, curve[v] * one - t);
            if (curve[v] < 255)
                hi = std::min(hi, (curve[v] + 1) * one - 1 - t);
        }
        // Every sum must stay well inside 32 bits.
        if (lo <= hi && m >= 0 && m < (1LL << 22) && std::llabs(lo) < (1LL << 28)) {
            mul = int32_t(m);
            add = int32_t(lo);
            return true;
        }
    }
    return false;
}

#if BRINDOR_TONE_LANES
// Bytes [0, count) of a row through the lines, 96 at a time (twelve groups of eight, whose
// channel pattern repeats every three groups); returns how many were done.
__attribute__((target("avx2"))) int LinesAvx2(const int32_t (&mul)[3][8], const int32_t (&add)[3][8], uint8_t* p,
                                              int count)
{
    __m256i m[3], a[3];
    for (int k = 0; k < 3; ++k) {
        m[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(mul[k]));
        a[k] = _mm256_load_si256(reinterpret_cast<const __m256i*>(add[k]));
    }
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    int done = 0;
    for (; done + 96 <= count; done += 96) {
        uint8_t* q = p + done;
        for (int part = 0; part < 3; ++part) {
            __m256i v[4];
            for (int j = 0; j < 4; ++j) {
                const int g = 4 * part + j;
                const __m256i x = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(q + 8 * g)));
                v[j] = _mm256_srai_epi32(_mm256_add_epi32(_mm256_mullo_epi32(x, m[g % 3]), a[g % 3]), LineShift);
            }
            // Signed packing keeps negatives negative, so the byte packing clamps both ends.
            const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(v[0], v[1]), _mm256_packs_epi32(v[2], v[3]));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + 32 * part), _mm256_permutevar8x32_epi32(bytes, order));
        }
    }
    return done;
}
#endif

}  // namespace

uint8_t ContrastBrightness(int value, int contrast, int brightness)
{
    const double h = contrast * contrast / 2500.0;
    double y = h * value - (h - 1) * 255 * 0.5 + (brightness - 50);
    y = y < 0.0 ? 0.0 : y > 255.0 ? 255.0 : y;
    return uint8_t(static_cast<int>(y));
}

ToneCurve::ToneCurve(const MergeSettings& s) : mode(s.contrastMode), threshold(s.infiniteThreshold)
{
    // Stored pixel order is blue, green, red; the settings are indexed red, green, blue.
    const int channelOf[3] = {Blue, Green, Red};
    identity = mode != ContrastGray && mode != ContrastInfiniteBw && mode != ContrastInfiniteColour;
    for (int k = 0; k < 3; ++k) {
        const int c = s.channelContrast[channelOf[k]];
        const int b = s.channelBrightness[channelOf[k]];
        for (int v = 0; v < 256; ++v) {
            const int in = mode == ContrastInfiniteColour ? (v > threshold ? 255 : 0) : v;
            curve[k][v] = ContrastBrightness(in, c, b);
            identity = identity && curve[k][v] == v;
        }
    }
    int contrast[3];
    for (int k = 0; k < 3; ++k)
        contrast[k] = s.channelContrast[channelOf[k]];
    lines = !identity && mode != ContrastGray && mode != ContrastInfiniteBw && mode != ContrastInfiniteColour &&
            FindLines(contrast);
    for (int v = 0; v < 256; ++v) {
        grayRed[v] = v * 19.2;
        grayGreen[v] = v * 37.76;
        grayBlue[v] = v * 7.04;
    }
}

bool ToneCurve::FindLines(const int contrast[3])
{
#if BRINDOR_TONE_LANES
    if (!__builtin_cpu_supports("avx2"))
        return false;
    int32_t mul[3], add[3];
    for (int k = 0; k < 3; ++k)
        if (!LineThrough(curve[k], contrast[k] * contrast[k] / 2500.0, mul[k], add[k]))
            return false;
    // Byte i of group pattern p holds channel (2p + i) mod 3, as 8 is 2 modulo 3.
    for (int p = 0; p < 3; ++p)
        for (int i = 0; i < 8; ++i) {
            laneMul[p][i] = mul[(2 * p + i) % 3];
            laneAdd[p][i] = add[(2 * p + i) % 3];
        }
    return true;
#else
    (void)contrast;
    return false;
#endif
}

void ToneCurve::ApplyRow(uint8_t* row, int count) const
{
    if (identity)
        return;
    if (mode == ContrastGray || mode == ContrastInfiniteBw) {
        for (int i = 0; i < count; ++i)
            Apply(row + 3 * i);
        return;
    }
    int i = 0;
#if BRINDOR_TONE_LANES
    if (lines)
        i = LinesAvx2(laneMul, laneAdd, row, 3 * count) / 3;
#endif
    const uint8_t* __restrict b = curve[0];
    const uint8_t* __restrict g = curve[1];
    const uint8_t* __restrict r = curve[2];
    uint8_t* __restrict px = row + 3 * i;
    // Four pixels at a time, all lookups before the stores: the tables cannot change under them.
    for (; i + 4 <= count; i += 4, px += 12) {
        const uint8_t v0 = b[px[0]], v1 = g[px[1]], v2 = r[px[2]], v3 = b[px[3]];
        const uint8_t v4 = g[px[4]], v5 = r[px[5]], v6 = b[px[6]], v7 = g[px[7]];
        const uint8_t v8 = r[px[8]], v9 = b[px[9]], v10 = g[px[10]], v11 = r[px[11]];
        px[0] = v0, px[1] = v1, px[2] = v2, px[3] = v3, px[4] = v4, px[5] = v5;
        px[6] = v6, px[7] = v7, px[8] = v8, px[9] = v9, px[10] = v10, px[11] = v11;
    }
    for (; i < count; ++i, px += 3) {
        px[0] = b[px[0]];
        px[1] = g[px[1]];
        px[2] = r[px[2]];
    }
}

Bgr ToneAdjust(const MergeSettings& s, Bgr p)
{
    uint8_t px[3] = {p.blue, p.green, p.red};
    ToneCurve(s).Apply(px);
    return Bgr{px[0], px[1], px[2]};
}
