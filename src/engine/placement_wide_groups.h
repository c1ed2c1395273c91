#pragma once
// The per-group work of the wide placement loops: eight canvas pixels in 256-bit lanes, doing
// the scalar mapping's operations in the scalar order (double multiplies and adds, never fused;
// truncating conversions), so every pixel gets exactly the bits of the per-pixel formula.
// Included by placement_wide.cpp only, where the processor check guards every call.
#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "placement_kernels.h"

#define WIDE __attribute__((target("avx2")))

namespace {

constexpr int Lanes = 8;

// Which output bytes of a lane mask: bit i set gives byte i = 1.
struct CoverageBytes {
    uint64_t bytes[256];
    constexpr CoverageBytes() : bytes{}
    {
        for (int m = 0; m < 256; ++m)
            for (int i = 0; i < 8; ++i)
                if (m >> i & 1)
                    bytes[m] |= uint64_t(1) << (8 * i);
    }
};
constexpr CoverageBytes Coverage;

// The canvas is visited in tiles of a few rows by a few hundred columns: a turned source is read
// along slanted lines, and a tile's rows reuse the source rows its first row brought into the
// caches. Each layer row piece is written once, zeros included.
constexpr int BandRows = 8;
constexpr int StripGroups = 32;  // a multiple of 4, as classification goes four groups at a time

// Per group of eight columns: the lanes inside the span and the extreme row-independent terms
// of those lanes; groups without span lanes get empty ranges, which fail every test.
constexpr int MaxGroups = MaxOwnCanvasSide / Lanes;
struct Groups {
    alignas(32) double minX[MaxGroups + 4];
    alignas(32) double maxX[MaxGroups + 4];
    alignas(32) double minY[MaxGroups + 4];
    alignas(32) double maxY[MaxGroups + 4];
    alignas(32) double full[MaxGroups + 4];  // all bits set where every lane is a span column
    uint8_t spanBits[MaxGroups + 4];
    int count;
    double maxYAll;  // the largest colY of the span
    // Unturned sources only: per group, where each half's 16 source bytes start in a row, and
    // per channel which of them make the pixel pairs of each lane.
    bool windowed[MaxGroups];
    int windowStart[MaxGroups][2];
    alignas(32) int8_t window[MaxGroups][3][32];
    // Unturned, interpolated: per column the column parts of the weights, 1 - fx and fx * 65536.
    alignas(32) double oneMinusFx[MaxGroups * Lanes];
    alignas(32) double fxScaled[MaxGroups * Lanes];
};

// Group classes on one row.
// Windowed: inside, and each half of the group reads its neighbours from 16 bytes of a row.
enum : uint8_t { Outside = 0, Mixed = 1, Inside = 2, Windowed = 3 };

// Four groups' classes as bytes, from four "outside" bits and four "inside" bits.
struct ClassBytes {
    uint32_t bytes[256];
    constexpr ClassBytes() : bytes{}
    {
        for (int i = 0; i < 256; ++i)
            for (int g = 0; g < 4; ++g) {
                const uint32_t c = (i >> g & 1) ? Outside : (i >> (g + 4) & 1) ? Inside : Mixed;
                bytes[i] |= c << (8 * g);
            }
    }
};
constexpr ClassBytes Classes;

// Per canvas row, the row terms. For an unrotated source the whole vertical side is fixed per
// row: source row, its fraction and the row parts of the weights.
struct RowTerms {
    __m256d rowX, rowY;                               // rotated: X = colX - rowX, Y = rowY + colY
    __m256d fy, oneMinusFy, topWeight, bottomWeight;  // unrotated: fy, 1 - fy, (1 - fy) * 65536, fy * 65536
    __m256i rowOffset, dy, rowMaskOffset;             // unrotated: ty * stride, the next row's distance, ty * srcW
    const uint8_t* upperRow;  // unrotated: stored rows ty and the one whose pixels pair with them
    const uint8_t* lowerRow;
};

// What the loops read of the map, by value: byte stores may alias anything reached by pointer.
struct Context {
    const uint8_t* block;
    const uint8_t* mask;
    const double* colX;
    const double* colY;
    int stride, srcW, srcH, width;
    intptr_t bandStep;  // how far the samples of a column move in the block from one band of rows to the next
    __m256d srcWd, srcHd;
    __m256i strideV, srcWV, lastColumn, lastRow;
    __m256i quickLimit, pairLimit, maskLimit;  // the last offsets a 4-byte, 8-byte, 4-byte read may start at
    __m256i firstPairs[3], secondPairs[3];     // per channel: pixel pairs of lanes 0, 1 (4, 5) and 2, 3 (6, 7)
};

WIDE inline __m256i Join(__m128i lo, __m128i hi) { return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1); }

WIDE inline __m256i ExpandBits(unsigned bits)
{
    const __m256i select = _mm256_setr_epi32(1, 2, 4, 8, 16, 32, 64, 128);
    return _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(int(bits)), select), select);
}

// Classes of groups [first, end) (first a multiple of 4) for one row. Rounding is monotonic, so
// a group's extreme terms give its extreme coordinates exactly.
WIDE void Classify(const Context& k, const Groups& g, int first, int end, double rowX, double rowY, uint8_t* cls)
{
    const __m256d rx = _mm256_set1_pd(rowX), ry = _mm256_set1_pd(rowY), zero = _mm256_setzero_pd();
    for (int i = first; i < end; i += 4) {
        const __m256d xLo = _mm256_sub_pd(_mm256_load_pd(g.minX + i), rx);
        const __m256d xHi = _mm256_sub_pd(_mm256_load_pd(g.maxX + i), rx);
        const __m256d yLo = _mm256_add_pd(ry, _mm256_load_pd(g.minY + i));
        const __m256d yHi = _mm256_add_pd(ry, _mm256_load_pd(g.maxY + i));
        const __m256d out =
            _mm256_or_pd(_mm256_or_pd(_mm256_cmp_pd(xHi, zero, _CMP_LT_OQ), _mm256_cmp_pd(xLo, k.srcWd, _CMP_NLT_UQ)),
                         _mm256_or_pd(_mm256_cmp_pd(yHi, zero, _CMP_LT_OQ), _mm256_cmp_pd(yLo, k.srcHd, _CMP_NLT_UQ)));
        const __m256d in = _mm256_and_pd(
            _mm256_and_pd(_mm256_and_pd(_mm256_cmp_pd(xLo, zero, _CMP_GE_OQ), _mm256_cmp_pd(xHi, k.srcWd, _CMP_LT_OQ)),
                          _mm256_and_pd(_mm256_cmp_pd(yLo, zero, _CMP_GE_OQ), _mm256_cmp_pd(yHi, k.srcHd, _CMP_LT_OQ))),
            _mm256_load_pd(g.full + i));
        const uint32_t bytes = Classes.bytes[_mm256_movemask_pd(out) | _mm256_movemask_pd(in) << 4];
        std::memcpy(cls + i, &bytes, 4);
    }
}

inline void Zero(uint8_t* out, uint8_t* covered, int n)
{
    if (n > 0) {
        std::memset(out, 0, size_t(n) * 3);
        std::memset(covered, 0, size_t(n));
    }
}

// Clears n <= 8 pixels without a library call.
WIDE inline void ZeroGroup(uint8_t* out, uint8_t* covered, int n)
{
    if (n == Lanes) {
        const __m128i zero = _mm_setzero_si128();
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), zero);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), zero);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(covered), zero);
        return;
    }
    for (int i = 0; i < n; ++i) {
        out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = 0;
        covered[i] = 0;
    }
}

// Lanes of 0x00RRGGBB to 24 packed bytes and the coverage bytes; only n <= 8 pixels are written.
WIDE inline void Store(__m256i pixels, unsigned coveredBits, uint8_t* out, uint8_t* covered, int n)
{
    const __m256i squeeze = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                             0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i packed =
        _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(pixels, squeeze), _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
    const uint64_t coverage = Coverage.bytes[coveredBits];
    if (n == Lanes) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(packed));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), _mm256_extracti128_si256(packed, 1));
        std::memcpy(covered, &coverage, 8);
        return;
    }
    alignas(32) uint8_t bytes[32];
    _mm256_store_si256(reinterpret_cast<__m256i*>(bytes), packed);
    for (int i = 0; i < n * 3; ++i)
        out[i] = bytes[i];
    for (int i = 0; i < n; ++i)
        covered[i] = uint8_t(coverage >> (8 * i));
}

// One lane's sample as the plain formula gives it, for the rare groups that reach the last bytes
// of the pixel block or the coverage bytes, where a four-byte read would pass the end.
template <bool Quick>
void PlainPixel(const Context& k, double x, double y, uint8_t* out, uint8_t* covered)
{
    out[0] = out[1] = out[2] = 0;
    *covered = 0;
    if (!(x >= 0 && x < k.srcW && y >= 0 && y < k.srcH))
        return;
    const int tx = static_cast<int>(x);
    const int ty = static_cast<int>(y);
    if (k.mask && k.mask[size_t(ty) * k.srcW + tx] == 0)
        return;
    const uint8_t* row0 = k.block + size_t(ty) * k.stride;
    if (Quick) {
        std::memcpy(out, row0 + tx * 3, 3);
    } else {
        const double fx = x - tx;
        const double fy = y - ty;
        const int w00 = static_cast<int>((1 - fy) * 65536 * (1 - fx));
        const int w10 = static_cast<int>(fy * 65536 * (1 - fx));
        const int w01 = static_cast<int>(fx * 65536 * (1 - fy));
        const int w11 = static_cast<int>(fx * 65536 * fy);
        const uint8_t* row1 = k.block + size_t(std::min(ty + 1, k.srcH - 1)) * k.stride;
        const int c0 = tx * 3;
        const int c1 = std::min(tx + 1, k.srcW - 1) * 3;
        for (int i = 0; i < 3; ++i)
            out[i] = static_cast<uint8_t>(
                (row0[c0 + i] * w00 + row1[c0 + i] * w10 + row0[c1 + i] * w01 + row1[c1 + i] * w11) >> 16);
    }
    *covered = 1;
}

// A turned source's samples are scattered over many rows; the source bytes the same column will
// read one band of rows further on are asked for now. A hint only: the address may lie anywhere.
WIDE inline void Prefetch(const Context& k, uint32_t offset)
{
    _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(k.block) + k.bandStep + offset),
                 _MM_HINT_T0);
}

// Eight-byte reads at four offsets: lanes a, b in the low half, c, d in the high half.
WIDE inline __m256i Pairs(const uint8_t* block, const uint32_t* at, int a, int b, int c, int d)
{
    auto read = [block, at](int i) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(block + at[i])); };
    return Join(_mm_unpacklo_epi64(read(a), read(b)), _mm_unpacklo_epi64(read(c), read(d)));
}

// The four 16.16 weights of eight samples, each product in the formula's order.
struct Weights {
    __m256i w00, w10, w01, w11;
};

// trunc(a x b) of eight lanes held as two halves.
WIDE inline __m256i Product(__m256d a0, __m256d b0, __m256d a1, __m256d b1)
{
    return Join(_mm256_cvttpd_epi32(_mm256_mul_pd(a0, b0)), _mm256_cvttpd_epi32(_mm256_mul_pd(a1, b1)));
}

// For an unturned source the row parts of the products come with the row.
WIDE inline Weights UnturnedWeights(const RowTerms& rt, __m256d x0, __m256d x1, __m128i tx0, __m128i tx1)
{
    const __m256d one = _mm256_set1_pd(1.0), scale = _mm256_set1_pd(65536.0);
    const __m256d fx0 = _mm256_sub_pd(x0, _mm256_cvtepi32_pd(tx0)), fx1 = _mm256_sub_pd(x1, _mm256_cvtepi32_pd(tx1));
    const __m256d ax0 = _mm256_sub_pd(one, fx0), ax1 = _mm256_sub_pd(one, fx1);
    const __m256d sx0 = _mm256_mul_pd(fx0, scale), sx1 = _mm256_mul_pd(fx1, scale);
    return Weights{Product(rt.topWeight, ax0, rt.topWeight, ax1), Product(rt.bottomWeight, ax0, rt.bottomWeight, ax1),
                   Product(sx0, rt.oneMinusFy, sx1, rt.oneMinusFy), Product(sx0, rt.fy, sx1, rt.fy)};
}

WIDE inline Weights TurnedWeights(__m256d x0, __m256d x1, __m256d y0, __m256d y1, __m128i tx0, __m128i tx1, __m128i ty0,
                                  __m128i ty1)
{
    const __m256d one = _mm256_set1_pd(1.0), scale = _mm256_set1_pd(65536.0);
    const __m256d fx0 = _mm256_sub_pd(x0, _mm256_cvtepi32_pd(tx0)), fx1 = _mm256_sub_pd(x1, _mm256_cvtepi32_pd(tx1));
    const __m256d fy0 = _mm256_sub_pd(y0, _mm256_cvtepi32_pd(ty0)), fy1 = _mm256_sub_pd(y1, _mm256_cvtepi32_pd(ty1));
    const __m256d ax0 = _mm256_sub_pd(one, fx0), ax1 = _mm256_sub_pd(one, fx1);
    const __m256d ay0 = _mm256_sub_pd(one, fy0), ay1 = _mm256_sub_pd(one, fy1);
    const __m256d sx0 = _mm256_mul_pd(fx0, scale), sx1 = _mm256_mul_pd(fx1, scale);
    return Weights{Product(_mm256_mul_pd(ay0, scale), ax0, _mm256_mul_pd(ay1, scale), ax1),
                   Product(_mm256_mul_pd(fy0, scale), ax0, _mm256_mul_pd(fy1, scale), ax1), Product(sx0, ay0, sx1, ay1),
                   Product(sx0, fy0, sx1, fy1)};
}

// Per channel, the upper pairs (P00, P01) and lower pairs (P10, P11) of each lane as 16-bit
// halves, weighted and summed: lanes of 0x00RRGGBB. The weights go in 16 bits less 32768, and
// 32768 times the four neighbours is added back, so each sum is exactly the integer sum.
WIDE inline __m256i Interpolate(const __m256i (&upper)[3], const __m256i (&lower)[3], const Weights& w)
{
    const __m256i bias = _mm256_set1_epi32(int(0x80008000u));
    const __m256i upperWeights = _mm256_xor_si256(_mm256_or_si256(w.w00, _mm256_slli_epi32(w.w01, 16)), bias);
    const __m256i lowerWeights = _mm256_xor_si256(_mm256_or_si256(w.w10, _mm256_slli_epi32(w.w11, 16)), bias);
    const __m256i minusHalf = _mm256_set1_epi16(-32768);
    __m256i sums[3];
    for (int ch = 0; ch < 3; ++ch)
        sums[ch] = _mm256_sub_epi32(
            _mm256_add_epi32(_mm256_madd_epi16(upper[ch], upperWeights), _mm256_madd_epi16(lower[ch], lowerWeights)),
            _mm256_madd_epi16(_mm256_add_epi16(upper[ch], lower[ch]), minusHalf));
    // Each sum is below 2^24: its top byte, moved to the channel's place.
    return _mm256_or_si256(_mm256_or_si256(_mm256_srli_epi32(sums[0], 16),
                                           _mm256_and_si256(_mm256_srli_epi32(sums[1], 8), _mm256_set1_epi32(0xFF00))),
                           _mm256_and_si256(sums[2], _mm256_set1_epi32(0xFF0000)));
}

// Eight canvas pixels from column c on; only n <= 8 are written. Inside: every lane is a span
// column whose sample lies in the source, so no lane needs testing. Guard: some lane may read
// near the end of the pixel block or the coverage bytes.
template <bool Quick, bool Holes, bool Unrotated, bool Inside, bool Guard>
WIDE inline void PlaceGroup(const Context& k, const RowTerms& rt, int c, unsigned spanBits, uint8_t* out,
                            uint8_t* covered, int n)
{
    const __m256d zero = _mm256_setzero_pd();
    __m256d x0 = _mm256_loadu_pd(k.colX + c);
    __m256d x1 = _mm256_loadu_pd(k.colX + c + 4);
    __m256d y0 = rt.rowY, y1 = rt.rowY;
    if constexpr (!Unrotated) {
        x0 = _mm256_sub_pd(x0, rt.rowX);
        x1 = _mm256_sub_pd(x1, rt.rowX);
        y0 = _mm256_add_pd(rt.rowY, _mm256_loadu_pd(k.colY + c));
        y1 = _mm256_add_pd(rt.rowY, _mm256_loadu_pd(k.colY + c + 4));
    }
    __m256i valid = _mm256_set1_epi32(-1);
    if constexpr (!Inside) {
        __m256d v0 = _mm256_and_pd(_mm256_cmp_pd(x0, zero, _CMP_GE_OQ), _mm256_cmp_pd(x0, k.srcWd, _CMP_LT_OQ));
        __m256d v1 = _mm256_and_pd(_mm256_cmp_pd(x1, zero, _CMP_GE_OQ), _mm256_cmp_pd(x1, k.srcWd, _CMP_LT_OQ));
        if constexpr (!Unrotated) {
            v0 = _mm256_and_pd(
                v0, _mm256_and_pd(_mm256_cmp_pd(y0, zero, _CMP_GE_OQ), _mm256_cmp_pd(y0, k.srcHd, _CMP_LT_OQ)));
            v1 = _mm256_and_pd(
                v1, _mm256_and_pd(_mm256_cmp_pd(y1, zero, _CMP_GE_OQ), _mm256_cmp_pd(y1, k.srcHd, _CMP_LT_OQ)));
        }
        const unsigned validBits =
            (unsigned(_mm256_movemask_pd(v0)) | unsigned(_mm256_movemask_pd(v1)) << 4) & spanBits;
        if (!validBits) {
            ZeroGroup(out, covered, n);
            return;
        }
        valid = ExpandBits(validBits);
    }

    // Source positions; lanes outside the source read position (0, 0) and are dropped at the end.
    const __m128i tx0 = _mm256_cvttpd_epi32(x0), tx1 = _mm256_cvttpd_epi32(x1);
    __m256i tx = Join(tx0, tx1);
    if constexpr (!Inside)
        tx = _mm256_and_si256(tx, valid);
    const __m256i column = _mm256_add_epi32(tx, _mm256_add_epi32(tx, tx));
    __m128i ty0{}, ty1{};
    __m256i offset, dy, maskOffset{};
    if constexpr (Unrotated) {
        offset = _mm256_add_epi32(rt.rowOffset, column);
        dy = rt.dy;
        if constexpr (Holes)
            maskOffset = _mm256_add_epi32(rt.rowMaskOffset, tx);
    } else {
        ty0 = _mm256_cvttpd_epi32(y0);
        ty1 = _mm256_cvttpd_epi32(y1);
        __m256i ty = Join(ty0, ty1);
        if constexpr (!Inside)
            ty = _mm256_and_si256(ty, valid);
        offset = _mm256_add_epi32(_mm256_mullo_epi32(ty, k.strideV), column);
        dy = _mm256_and_si256(_mm256_cmpgt_epi32(k.lastRow, ty), k.strideV);
        if constexpr (Holes)
            maskOffset = _mm256_add_epi32(_mm256_mullo_epi32(ty, k.srcWV), tx);
    }

    if constexpr (Guard) {
        // Four-byte reads near the end of the block or of the coverage bytes would pass it.
        __m256i over = Quick ? _mm256_cmpgt_epi32(offset, k.quickLimit)
                             : _mm256_cmpgt_epi32(_mm256_add_epi32(offset, dy), k.pairLimit);
        if constexpr (Holes)
            over = _mm256_or_si256(over, _mm256_cmpgt_epi32(maskOffset, k.maskLimit));
        if (!_mm256_testz_si256(over, over)) {
            alignas(32) double xs[Lanes], ys[Lanes];
            _mm256_store_pd(xs, x0);
            _mm256_store_pd(xs + 4, x1);
            _mm256_store_pd(ys, y0);
            _mm256_store_pd(ys + 4, y1);
            for (int i = 0; i < n; ++i) {
                if (spanBits >> i & 1)
                    PlainPixel<Quick>(k, xs[i], ys[i], out + 3 * i, covered + i);
                else
                    ZeroGroup(out + 3 * i, covered + i, 1);
            }
            return;
        }
    }

    __m256i coveredLanes = valid;
    if constexpr (Holes) {
        const __m256i bytes = _mm256_i32gather_epi32(reinterpret_cast<const int*>(k.mask), maskOffset, 1);
        const __m256i hole =
            _mm256_cmpeq_epi32(_mm256_and_si256(bytes, _mm256_set1_epi32(0xFF)), _mm256_setzero_si256());
        coveredLanes = _mm256_andnot_si256(hole, valid);
    }
    const unsigned coveredBits =
        Inside && !Holes ? 0xFF : unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(coveredLanes)));
    if (Holes && !coveredBits) {
        ZeroGroup(out, covered, n);
        return;
    }

    __m256i pixels;
    if constexpr (Quick) {
        // Single reads beat a gather here; each pixel is read as four bytes.
        alignas(32) uint32_t at[Lanes];
        _mm256_store_si256(reinterpret_cast<__m256i*>(at), offset);
        if constexpr (!Unrotated) {
            Prefetch(k, at[0]);
            Prefetch(k, at[Lanes - 1]);
        }
        auto read = [&k, &at](int i) {
            uint32_t v;
            std::memcpy(&v, k.block + at[i], 4);
            return int(v);
        };
        if (Inside && !Holes && n == Lanes) {
            // The fourth byte of each write lands on the next pixel, written next.
            for (int i = 0; i < Lanes - 1; ++i) {
                const uint32_t v = uint32_t(read(i));
                std::memcpy(out + 3 * i, &v, 4);
            }
            std::memcpy(out + 3 * (Lanes - 1), k.block + at[Lanes - 1], 3);
            const uint64_t all = Coverage.bytes[0xFF];
            std::memcpy(covered, &all, 8);
            return;
        }
        pixels = _mm256_setr_epi32(read(0), read(1), read(2), read(3), read(4), read(5), read(6), read(7));
    } else {
        Weights w =
            Unrotated ? UnturnedWeights(rt, x0, x1, tx0, tx1) : TurnedWeights(x0, x1, y0, y1, tx0, tx1, ty0, ty1);
        // Each neighbour pair (P00, P01) and (P10, P11) comes from one eight-byte read, so where P01
        // is P00 (the last column) its weight moves onto P00. Weights then fit 16 bits, but for a
        // w00 of 65536 (the sample on a stored pixel; all others are 0), which is split as half
        // from P00 and half from P00 read again as the lower pair.
        const __m256i half = _mm256_set1_epi32(32768);
        const __m256i lastColumn = _mm256_cmpeq_epi32(tx, k.lastColumn);
        const __m256i whole = _mm256_cmpeq_epi32(w.w00, _mm256_add_epi32(half, half));
        if (!_mm256_testz_si256(_mm256_or_si256(lastColumn, whole), _mm256_or_si256(lastColumn, whole))) {
            w.w00 = _mm256_add_epi32(w.w00, _mm256_and_si256(lastColumn, w.w01));
            w.w01 = _mm256_andnot_si256(lastColumn, w.w01);
            w.w10 = _mm256_add_epi32(w.w10, _mm256_and_si256(lastColumn, w.w11));
            w.w11 = _mm256_andnot_si256(lastColumn, w.w11);
            const __m256i split = _mm256_cmpeq_epi32(w.w00, _mm256_add_epi32(half, half));
            w.w00 = _mm256_sub_epi32(w.w00, _mm256_and_si256(split, half));
            w.w10 = _mm256_add_epi32(w.w10, _mm256_and_si256(split, half));
            dy = _mm256_andnot_si256(split, dy);
        }
        alignas(32) uint32_t upperAt[Lanes], lowerAt[Lanes];
        _mm256_store_si256(reinterpret_cast<__m256i*>(upperAt), offset);
        _mm256_store_si256(reinterpret_cast<__m256i*>(lowerAt), _mm256_add_epi32(offset, dy));
        if constexpr (!Unrotated) {
            Prefetch(k, upperAt[0]);
            Prefetch(k, upperAt[Lanes - 1]);
            Prefetch(k, lowerAt[0]);
            Prefetch(k, lowerAt[Lanes - 1]);
        }
        const __m256i upperA = Pairs(k.block, upperAt, 0, 1, 4, 5), upperB = Pairs(k.block, upperAt, 2, 3, 6, 7);
        const __m256i lowerA = Pairs(k.block, lowerAt, 0, 1, 4, 5), lowerB = Pairs(k.block, lowerAt, 2, 3, 6, 7);
        __m256i upper[3], lower[3];
        for (int ch = 0; ch < 3; ++ch) {
            upper[ch] = _mm256_or_si256(_mm256_shuffle_epi8(upperA, k.firstPairs[ch]),
                                        _mm256_shuffle_epi8(upperB, k.secondPairs[ch]));
            lower[ch] = _mm256_or_si256(_mm256_shuffle_epi8(lowerA, k.firstPairs[ch]),
                                        _mm256_shuffle_epi8(lowerB, k.secondPairs[ch]));
        }
        pixels = Interpolate(upper, lower, w);
    }
    if constexpr (Holes || !Inside)
        pixels = _mm256_and_si256(pixels, coveredLanes);
    Store(pixels, coveredBits, out, covered, n);
}

// An inside group of an unturned source whose halves each read one 16-byte window of the upper
// and of the lower row: the same arithmetic as PlaceGroup with the pairs picked from the windows.
WIDE inline void PlaceWindowGroup(const Context& k, const Groups& g, int gi, const RowTerms& rt, uint8_t* out,
                                  uint8_t* covered)
{
    (void)k;
    const int c = gi * Lanes;
    const __m256d ax0 = _mm256_load_pd(g.oneMinusFx + c), ax1 = _mm256_load_pd(g.oneMinusFx + c + 4);
    const __m256d sx0 = _mm256_load_pd(g.fxScaled + c), sx1 = _mm256_load_pd(g.fxScaled + c + 4);
    Weights w{Product(rt.topWeight, ax0, rt.topWeight, ax1), Product(rt.bottomWeight, ax0, rt.bottomWeight, ax1),
              Product(sx0, rt.oneMinusFy, sx1, rt.oneMinusFy), Product(sx0, rt.fy, sx1, rt.fy)};
    // A w00 of 65536 needs fy below 2^-16, where the lower row is the upper one (see PlaceRow).
    const __m256i half = _mm256_set1_epi32(32768);
    const __m256i split = _mm256_and_si256(_mm256_cmpeq_epi32(w.w00, _mm256_add_epi32(half, half)), half);
    w.w00 = _mm256_sub_epi32(w.w00, split);
    w.w10 = _mm256_add_epi32(w.w10, split);
    const int* start = g.windowStart[gi];
    const __m256i upperRow = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(rt.upperRow + start[1]),
                                                 reinterpret_cast<const __m128i*>(rt.upperRow + start[0]));
    const __m256i lowerRow = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(rt.lowerRow + start[1]),
                                                 reinterpret_cast<const __m128i*>(rt.lowerRow + start[0]));
    __m256i upper[3], lower[3];
    for (int ch = 0; ch < 3; ++ch) {
        const __m256i pick = _mm256_load_si256(reinterpret_cast<const __m256i*>(g.window[gi][ch]));
        upper[ch] = _mm256_shuffle_epi8(upperRow, pick);
        lower[ch] = _mm256_shuffle_epi8(lowerRow, pick);
    }
    Store(Interpolate(upper, lower, w), 0xFF, out, covered, Lanes);
}

// An inside group of an unturned source sampled by the nearest pixel whose halves each read one
// 16-byte window of the stored row: the picks pack the eight pixels straight from the windows.
WIDE inline void PlaceNearestWindowGroup(const Groups& g, int gi, const RowTerms& rt, uint8_t* out, uint8_t* covered)
{
    const int* start = g.windowStart[gi];
    const __m256i row = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(rt.upperRow + start[1]),
                                            reinterpret_cast<const __m128i*>(rt.upperRow + start[0]));
    const __m256i packed = _mm256_permutevar8x32_epi32(
        _mm256_shuffle_epi8(row, _mm256_load_si256(reinterpret_cast<const __m256i*>(g.window[gi][0]))),
        _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(packed));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), _mm256_extracti128_si256(packed, 1));
    const uint64_t all = Coverage.bytes[0xFF];
    std::memcpy(covered, &all, 8);
}

}  // namespace
