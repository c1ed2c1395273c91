#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine.h"
#include "placement_kernels.h"

namespace {

// Columns are tested for coverage in blocks: a block wholly outside the source is skipped, a block
// wholly inside needs no per-pixel test.
constexpr int BlockColumns = 16;
constexpr int MaxBlocks = MaxOwnCanvasSide / BlockColumns + 1;
constexpr int StripBlocks = 8;

// Everything a placement decides before its first pixel.
struct Mapping {
    const uint8_t* block;  // the source's stored rows, bottom-up
    const uint8_t* end;    // one past the last stored row
    const uint8_t* mask;   // coverage bytes, bottom-up; null means fully covered
    const uint8_t* alpha;  // opacity bytes, bottom-up; null means opaque
    int stride;
    int srcW;
    int srcH;
    double ky;
    double eps;
    double sigma;
    int hy;
    int tgy;
    int offsetY;
};

// Source coordinate ranges of one block of columns: min and max of the per-column terms.
struct BlockRange {
    double minX, maxX, minY, maxY;
};

inline void Store(uint8_t* out, const uint8_t* p) { out[0] = p[0], out[1] = p[1], out[2] = p[2]; }

// Bilinear sample between the four stored neighbours of (X, Y), clamped to the picture, in 16.16.
inline void Interpolate(const Mapping& m, double x, double y, int tx, int ty, uint8_t* out)
{
    const double fx = x - tx;
    const double fy = y - ty;
    const int w00 = static_cast<int>((1 - fy) * 65536 * (1 - fx));
    const int w10 = static_cast<int>(fy * 65536 * (1 - fx));
    const int w01 = static_cast<int>(fx * 65536 * (1 - fy));
    const int w11 = static_cast<int>(fx * 65536 * fy);
    const uint8_t* row0 = m.block + size_t(ty) * m.stride;
    const uint8_t* row1 = m.block + size_t(std::min(ty + 1, m.srcH - 1)) * m.stride;
    const int c0 = tx * 3;
    const int c1 = std::min(tx + 1, m.srcW - 1) * 3;
    for (int k = 0; k < 3; ++k)
        out[k] = static_cast<uint8_t>((row0[c0 + k] * w00 + row1[c0 + k] * w10 + row0[c1 + k] * w01 +
                                       row1[c1 + k] * w11) >> 16);
}

template <bool Quick, bool Checked>
inline void PlacePixel(const Mapping& m, double x, double y, uint8_t* out, uint8_t* covered)
{
    if (Checked && !(x >= 0 && x < m.srcW && y >= 0 && y < m.srcH))
        return;
    const int tx = static_cast<int>(x);
    const int ty = static_cast<int>(y);
    if (m.mask && m.mask[size_t(ty) * m.srcW + tx] == 0)
        return;
    if (Quick)
        Store(out, m.block + size_t(ty) * m.stride + tx * 3);
    else
        Interpolate(m, x, y, tx, ty, out);
    *covered = 1;
}

// A source with partial opacity, sampled at stored pixel (tx, ty) by the 16.16 weights w00, w10,
// w01, w11: the opacity is resampled with the colour's weights and rounded, and the colour
// weighted by it, so that the colour of transparent pixels never bleeds into their neighbours.
// Where the four neighbours are equally opaque the colour is the plain sample.
inline void TranslucentSample(const Mapping& m, int tx, int ty, const int (&w)[4], uint8_t* out, uint8_t* covered)
{
    const int ty1 = std::min(ty + 1, m.srcH - 1);
    const int tx1 = std::min(tx + 1, m.srcW - 1);
    const size_t above = size_t(ty) * m.srcW, below = size_t(ty1) * m.srcW;
    const int a[4] = {m.alpha[above + tx], m.alpha[below + tx], m.alpha[above + tx1], m.alpha[below + tx1]};
    // At most 65536 x 255: the weights sum to 65536 at most.
    const uint32_t weight = uint32_t(w[0] * a[0] + w[1] * a[1] + w[2] * a[2] + w[3] * a[3]);
    const int opacity = int((weight + 32768) >> 16);
    if (opacity == 0)
        return;
    *covered = uint8_t(opacity);
    const uint8_t* p[4] = {m.block + size_t(ty) * m.stride + tx * 3, m.block + size_t(ty1) * m.stride + tx * 3,
                           m.block + size_t(ty) * m.stride + tx1 * 3, m.block + size_t(ty1) * m.stride + tx1 * 3};
    if (a[0] == a[1] && a[0] == a[2] && a[0] == a[3]) {
        for (int k = 0; k < 3; ++k)
            out[k] = static_cast<uint8_t>((p[0][k] * w[0] + p[1][k] * w[1] + p[2][k] * w[2] + p[3][k] * w[3]) >> 16);
        return;
    }
    for (int k = 0; k < 3; ++k) {
        uint64_t sum = 0;
        for (int i = 0; i < 4; ++i)
            sum += uint64_t(uint32_t(w[i] * a[i])) * p[i][k];
        out[k] = static_cast<uint8_t>((sum + weight / 2) / weight);
    }
}

// The nearest stored pixel with its opacity.
inline void TranslucentNearest(const Mapping& m, int tx, int ty, uint8_t* out, uint8_t* covered)
{
    const uint8_t a = m.alpha[size_t(ty) * m.srcW + tx];
    if (a != 0) {
        Store(out, m.block + size_t(ty) * m.stride + tx * 3);
        *covered = a;
    }
}

template <bool Quick, bool Checked>
inline void PlaceTranslucentPixel(const Mapping& m, double x, double y, uint8_t* out, uint8_t* covered)
{
    if (Checked && !(x >= 0 && x < m.srcW && y >= 0 && y < m.srcH))
        return;
    const int tx = static_cast<int>(x);
    const int ty = static_cast<int>(y);
    if (m.mask && m.mask[size_t(ty) * m.srcW + tx] == 0)
        return;
    if (Quick)
        return TranslucentNearest(m, tx, ty, out, covered);
    const double fx = x - tx;
    const double fy = y - ty;
    const int w[4] = {static_cast<int>((1 - fy) * 65536 * (1 - fx)), static_cast<int>(fy * 65536 * (1 - fx)),
                      static_cast<int>(fx * 65536 * (1 - fy)), static_cast<int>(fx * 65536 * fy)};
    TranslucentSample(m, tx, ty, w, out, covered);
}

// Source positions and 16.16 weights of one block of columns.
struct BlockSamples {
    int tx[BlockColumns];
    int ty[BlockColumns];
    int w00[BlockColumns];
    int w10[BlockColumns];
    int w01[BlockColumns];
    int w11[BlockColumns];
    // The same weights less 32768 as 16-bit pairs (w00, w01) and (w10, w11), low half first.
    uint32_t top[BlockColumns];
    uint32_t bottom[BlockColumns];
};

inline uint32_t PackWeights(int first, int second)
{
    return uint32_t(uint16_t(first - 32768)) | uint32_t(uint16_t(second - 32768)) << 16;
}

#if defined(__SSE2__)
inline __m128i Load4(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(static_cast<int>(v));
}

// The 16.16 sum of one pixel's four neighbours in 16-bit lanes, blue, green, red and a spare byte.
// The weights come less 32768 so that they fit signed lanes; 32768 times the neighbours' sum is
// added back, so the 32-bit total is exactly the integer sum. A weight of 65536 does not fit.
inline uint32_t InterpolateFour(const uint8_t* p00, const uint8_t* p10, int dx, uint32_t top, uint32_t bottom)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i upper = _mm_unpacklo_epi8(_mm_unpacklo_epi8(Load4(p00), Load4(p00 + dx)), zero);
    const __m128i lower = _mm_unpacklo_epi8(_mm_unpacklo_epi8(Load4(p10), Load4(p10 + dx)), zero);
    __m128i sum = _mm_add_epi32(_mm_madd_epi16(upper, _mm_set1_epi32(static_cast<int>(top))),
                                _mm_madd_epi16(lower, _mm_set1_epi32(static_cast<int>(bottom))));
    const __m128i neighbours = _mm_madd_epi16(_mm_add_epi16(upper, lower), _mm_set1_epi16(1));
    sum = _mm_srli_epi32(_mm_add_epi32(sum, _mm_slli_epi32(neighbours, 15)), 16);
    sum = _mm_packs_epi32(sum, sum);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum)));
}
#endif

// The per-pixel formulas for a whole block side by side, free of branches so that they
// vectorise; every lane does exactly the scalar arithmetic. Only for blocks inside the source.
template <bool Quick>
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void SampleBlock(const double* colX, const double* colY, double rowX, double rowY, BlockSamples& s)
{
    for (int i = 0; i < BlockColumns; ++i) {
        const double x = colX[i] - rowX;
        const double y = rowY + colY[i];
        const int tx = static_cast<int>(x);
        const int ty = static_cast<int>(y);
        s.tx[i] = tx;
        s.ty[i] = ty;
        if (!Quick) {
            const double fx = x - tx;
            const double fy = y - ty;
            s.w00[i] = static_cast<int>((1 - fy) * 65536 * (1 - fx));
            s.w10[i] = static_cast<int>(fy * 65536 * (1 - fx));
            s.w01[i] = static_cast<int>(fx * 65536 * (1 - fy));
            s.w11[i] = static_cast<int>(fx * 65536 * fy);
            s.top[i] = PackWeights(s.w00[i], s.w01[i]);
            s.bottom[i] = PackWeights(s.w10[i], s.w11[i]);
        }
    }
}

// One full block of columns that lies wholly inside the source.
template <bool Quick>
void FillInsideBlock(const Mapping& m, const double* colX, const double* colY, double rowX, double rowY,
                     uint8_t* out, uint8_t* covered)
{
    BlockSamples s;
    SampleBlock<Quick>(colX, colY, rowX, rowY, s);
    if constexpr (Quick && std::endian::native == std::endian::little) {
        if (!m.mask) {
            // Every pixel is covered: four bytes at a time with the fourth zeroed, which lands on the
            // next pixel of this block before that pixel is written. The last pixel takes three.
            for (int i = 0; i < BlockColumns - 1; ++i) {
                const uint8_t* p = m.block + size_t(s.ty[i]) * m.stride + s.tx[i] * 3;
                if (p + 4 > m.end) {
                    Store(out + 3 * i, p);
                    continue;
                }
                uint32_t bgr;
                std::memcpy(&bgr, p, 4);
                bgr &= 0x00FFFFFF;
                std::memcpy(out + 3 * i, &bgr, 4);
            }
            const int last = BlockColumns - 1;
            Store(out + 3 * last, m.block + size_t(s.ty[last]) * m.stride + s.tx[last] * 3);
            std::memset(covered, 1, BlockColumns);
            return;
        }
    }
    // Byte stores may alias anything, so everything the loop reads of the mapping is held locally.
    const uint8_t* const block = m.block;
    const uint8_t* const end = m.end;
    const uint8_t* const mask = m.mask;
    const size_t stride = m.stride;
    const int srcW = m.srcW;
    const int srcH = m.srcH;
    for (int i = 0; i < BlockColumns; ++i, out += 3) {
        const int tx = s.tx[i];
        const int ty = s.ty[i];
        if (mask && mask[size_t(ty) * srcW + tx] == 0)
            continue;
        const uint8_t* p00 = block + size_t(ty) * stride + tx * 3;
        if (Quick) {
            Store(out, p00);
        } else {
            const uint8_t* p10 = ty + 1 < srcH ? p00 + stride : p00;
            const int dx = tx + 1 < srcW ? 3 : 0;
#if defined(__SSE2__)
            if (s.w00[i] != 65536 && p10 + dx + 4 <= end) {
                // The fourth byte is zeroed and lands on the next pixel of this block, written next.
                const uint32_t bgr = InterpolateFour(p00, p10, dx, s.top[i], s.bottom[i]) & 0x00FFFFFF;
                if (i + 1 < BlockColumns) {
                    std::memcpy(out, &bgr, 4);
                } else {
                    out[0] = static_cast<uint8_t>(bgr);
                    out[1] = static_cast<uint8_t>(bgr >> 8);
                    out[2] = static_cast<uint8_t>(bgr >> 16);
                }
                covered[i] = 1;
                continue;
            }
#endif
            const int w00 = s.w00[i], w10 = s.w10[i], w01 = s.w01[i], w11 = s.w11[i];
            for (int k = 0; k < 3; ++k)
                out[k] = static_cast<uint8_t>(
                    (p00[k] * w00 + p10[k] * w10 + p00[k + dx] * w01 + p10[k + dx] * w11) >> 16);
        }
        covered[i] = 1;
    }
}

// One full block of columns of a translucent source that lies wholly inside it.
template <bool Quick>
void FillTranslucentBlock(const Mapping& m, const double* colX, const double* colY, double rowX, double rowY,
                          uint8_t* out, uint8_t* covered)
{
    BlockSamples s;
    SampleBlock<Quick>(colX, colY, rowX, rowY, s);
    for (int i = 0; i < BlockColumns; ++i) {
        const int tx = s.tx[i], ty = s.ty[i];
        if (m.mask && m.mask[size_t(ty) * m.srcW + tx] == 0)
            continue;
        if (Quick) {
            TranslucentNearest(m, tx, ty, out + 3 * i, covered + i);
            continue;
        }
#if defined(__SSE2__)
        // Four equally opaque neighbours, as inside a logo: the plain sample, its opacity theirs
        // (the weights sum to at least 65533, so the rounded opacity is exactly theirs).
        const uint8_t* p00 = m.block + size_t(ty) * m.stride + tx * 3;
        const uint8_t* p10 = ty + 1 < m.srcH ? p00 + m.stride : p00;
        const int dx = tx + 1 < m.srcW ? 3 : 0;
        const uint8_t* a00 = m.alpha + size_t(ty) * m.srcW + tx;
        const uint8_t* a10 = ty + 1 < m.srcH ? a00 + m.srcW : a00;
        const uint8_t a = a00[0];
        if (a != 0 && a10[0] == a && a00[dx / 3] == a && a10[dx / 3] == a && s.w00[i] != 65536 &&
            p10 + dx + 4 <= m.end) {
            const uint32_t bgr = InterpolateFour(p00, p10, dx, s.top[i], s.bottom[i]);
            out[3 * i] = static_cast<uint8_t>(bgr);
            out[3 * i + 1] = static_cast<uint8_t>(bgr >> 8);
            out[3 * i + 2] = static_cast<uint8_t>(bgr >> 16);
            covered[i] = a;
            continue;
        }
#endif
        const int w[4] = {s.w00[i], s.w10[i], s.w01[i], s.w11[i]};
        TranslucentSample(m, tx, ty, w, out + 3 * i, covered + i);
    }
}

// Clears canvas rows [from, to) x columns [0, W) and fills the span from row firstRow and column
// firstColumn on; colX and colY hold the row-independent parts of X and Y per column.
template <bool Quick, bool Translucent>
void FillLayer(const Mapping& m, SourceLayer& layer, int W, int from, int to, int firstRow, int firstColumn,
               const double* colX, const double* colY)
{
    BlockRange blocks[MaxBlocks];
    const int blockCount = (W + BlockColumns - 1) / BlockColumns;
    for (int bi = 0; bi < blockCount; ++bi) {
        const int b = std::max(bi * BlockColumns, firstColumn);
        const int e = std::min(bi * BlockColumns + BlockColumns, W);
        BlockRange& br = blocks[bi];
        if (b >= e) {
            br = BlockRange{1, 0, 1, 0};  // no column of the span: fails every test below
            continue;
        }
        br.minX = *std::min_element(colX + b, colX + e);
        br.maxX = *std::max_element(colX + b, colX + e);
        br.minY = *std::min_element(colY + b, colY + e);
        br.maxY = *std::max_element(colY + b, colY + e);
    }
    // A rotated source is read along slanted lines; narrow strips of columns keep the source rows
    // one canvas row touches within the caches, and each layer row piece is cleared just before
    // it is filled. Pixels are independent, so the order is free.
    for (int firstBlock = 0; firstBlock < blockCount; firstBlock += StripBlocks) {
        const int endBlock = std::min(firstBlock + StripBlocks, blockCount);
        const int stripStart = firstBlock * BlockColumns;
        const int stripWidth = std::min(endBlock * BlockColumns, W) - stripStart;
        for (int r = from; r < to; ++r) {
            uint8_t* px = layer.Row(r);
            uint8_t* covered = layer.MaskRow(r);
            std::memset(px + 3 * stripStart, 0, size_t(stripWidth) * 3);
            std::memset(covered + stripStart, 0, size_t(stripWidth));
            if (r < firstRow)
                continue;
            const int v = r + m.offsetY - m.tgy;
            const double yc = (m.srcH - 1) - v * m.ky - m.hy;
            const double rowY = (m.hy + yc) - yc * m.eps;
            const double rowX = yc * m.sigma;
            for (int bi = firstBlock; bi < endBlock; ++bi) {
                // Rounding is monotonic, so the block's extreme terms give its extreme coordinates exactly.
                const BlockRange& br = blocks[bi];
                const double xLo = br.minX - rowX, xHi = br.maxX - rowX;
                const double yLo = rowY + br.minY, yHi = rowY + br.maxY;
                if (!(xLo <= xHi) || xHi < 0 || !(xLo < m.srcW) || yHi < 0 || !(yLo < m.srcH))
                    continue;
                const int b = std::max(bi * BlockColumns, firstColumn);
                const int e = std::min(bi * BlockColumns + BlockColumns, W);
                const bool inside = xLo >= 0 && xHi < m.srcW && yLo >= 0 && yHi < m.srcH;
                if (Translucent) {
                    if (inside && e - b == BlockColumns)
                        FillTranslucentBlock<Quick>(m, colX + b, colY + b, rowX, rowY, px + 3 * b, covered + b);
                    else
                        for (int c = b; c < e; ++c)
                            PlaceTranslucentPixel<Quick, true>(m, colX[c] - rowX, rowY + colY[c], px + 3 * c,
                                                               covered + c);
                } else if (inside) {
                    if (e - b == BlockColumns)
                        FillInsideBlock<Quick>(m, colX + b, colY + b, rowX, rowY, px + 3 * b, covered + b);
                    else
                        for (int c = b; c < e; ++c)
                            PlacePixel<Quick, false>(m, colX[c] - rowX, rowY + colY[c], px + 3 * c, covered + c);
                } else {
                    for (int c = b; c < e; ++c)
                        PlacePixel<Quick, true>(m, colX[c] - rowX, rowY + colY[c], px + 3 * c, covered + c);
                }
            }
        }
    }
}

void ClearRows(SourceLayer& layer, int W, int from, int to)
{
    for (int r = from; r < to; ++r) {
        std::memset(layer.Row(r), 0, size_t(W) * 3);
        std::memset(layer.MaskRow(r), 0, size_t(W));
    }
}

// True when all n opacities are 255.
bool OpaqueThroughout(const uint8_t* alpha, size_t n)
{
    // Whole words first, AND-ed together and tested once per stretch.
    constexpr size_t Stretch = 4096;
    size_t i = 0;
    for (; i + Stretch <= n; i += Stretch) {
        uint64_t all = ~uint64_t(0);
        for (size_t j = 0; j < Stretch; j += 8) {
            uint64_t v;
            std::memcpy(&v, alpha + i + j, 8);
            all &= v;
        }
        if (all != ~uint64_t(0))
            return false;
    }
    for (; i < n; ++i)
        if (alpha[i] != 255)
            return false;
    return true;
}

}  // namespace

bool AllOpaque(const uint8_t* alpha, size_t n)
{
    return OpaqueThroughout(alpha, n);
}

void PlaceBaseline(const PlacementMap& pm, SourceLayer& layer, int from, int to)
{
    const Mapping m{pm.block, pm.block + pm.blockBytes, pm.mask, pm.alpha, pm.stride, pm.srcW, pm.srcH, pm.ky,
                    pm.eps,   pm.sigma, pm.hy,   pm.tgy, pm.offsetY};
    const auto fill = [&](auto quick, auto translucent) {
        FillLayer<decltype(quick)::value, decltype(translucent)::value>(m, layer, pm.width, from, to, pm.firstRow, pm.firstColumn, pm.colX,
                                                  pm.colY);
    };
    using Yes = std::true_type;
    using No = std::false_type;
    if (pm.quick)
        pm.alpha ? fill(Yes{}, Yes{}) : fill(Yes{}, No{});
    else
        pm.alpha ? fill(No{}, Yes{}) : fill(No{}, No{});
}

bool Unscaled(const PlacementMap& m) { return m.unrotated && m.kx == 1.0 && m.ky == 1.0; }

// Every sample of an unscaled, unturned source lies on a stored pixel (X and Y are whole numbers,
// so the interpolation weights are 65536, 0, 0, 0), and along a canvas row X steps by one: a row
// of the layer is a run of a stored row, mirrored when flipped.
CopiedColumns FindCopiedColumns(const PlacementMap& m)
{
    // Span columns whose X lies in the source; one run, as X is monotonic in the column.
    CopiedColumns k{m.width, 0, false, 0};
    for (int c = m.firstColumn; c < m.width; ++c)
        if (m.colX[c] >= 0 && m.colX[c] < m.srcW) {
            k.lo = std::min(k.lo, c);
            k.hi = c + 1;
        }
    k.flipped = k.hi - k.lo > 1 && m.colX[k.lo + 1] < m.colX[k.lo];
    k.firstX = k.lo < k.hi ? static_cast<int>(m.colX[k.lo]) : 0;
    return k;
}

void PlaceCopies(const PlacementMap& m, const CopiedColumns& k, SourceLayer& layer, int from, int to)
{
    const int lo = k.lo, hi = k.hi, firstX = k.firstX;
    const bool flipped = k.flipped;
    for (int r = from; r < to; ++r) {
        uint8_t* px = layer.Row(r);
        uint8_t* covered = layer.MaskRow(r);
        const int v = r + m.offsetY - m.tgy;
        const double yc = (m.srcH - 1) - v * m.ky - m.hy;
        const double y = (m.hy + yc) - yc * m.eps + m.colY[0];
        if (r < m.firstRow || lo >= hi || !(y >= 0 && y < m.srcH)) {
            ClearRows(layer, m.width, r, r + 1);
            continue;
        }
        const int ty = static_cast<int>(y);
        std::memset(px, 0, size_t(lo) * 3);
        std::memset(covered, 0, size_t(lo));
        std::memset(px + 3 * hi, 0, size_t(m.width - hi) * 3);
        std::memset(covered + hi, 0, size_t(m.width - hi));
        const uint8_t* src = m.block + size_t(ty) * m.stride;
        const uint8_t* holes = m.mask ? m.mask + size_t(ty) * m.srcW : nullptr;
        const uint8_t* opacity = m.alpha ? m.alpha + size_t(ty) * m.srcW : nullptr;
        const int n = hi - lo;
        uint8_t* out = px + 3 * lo;
        if (!flipped && !holes && !opacity) {
            std::memcpy(out, src + 3 * size_t(firstX), size_t(n) * 3);
            std::memset(covered + lo, 1, size_t(n));
            continue;
        }
        // Every sample lies on a stored pixel: its opacity is that pixel's.
        const int step = flipped ? -1 : 1;
        for (int i = 0, x = firstX; i < n; ++i, x += step, out += 3) {
            const bool in = !holes || holes[x] != 0;
            const uint8_t a = in ? (opacity ? opacity[x] : 1) : 0;
            const uint8_t* p = src + 3 * x;
            out[0] = a ? p[0] : 0;
            out[1] = a ? p[1] : 0;
            out[2] = a ? p[2] : 0;
            covered[lo + i] = a;
        }
    }
}

void LayerFill::Clear(int w)
{
    loops = Loops::Clear;
    width = w;
}

void LayerFill::Map(const PlacementMap& m)
{
    map = m;
    width = m.width;
    // The wide loops know nothing of opacity.
    loops = Unscaled(m) ? Loops::Copies : !m.alpha && PrepareWide(m, wide) ? Loops::Wide : Loops::Plain;
    if (loops == Loops::Copies)
        copied = FindCopiedColumns(m);
}

void LayerFill::Rows(SourceLayer& layer, int from, int to) const
{
    switch (loops) {
    case Loops::Clear: ClearRows(layer, width, from, to); break;
    case Loops::Copies: PlaceCopies(map, copied, layer, from, to); break;
    case Loops::Wide: FillWide(*wide, layer, from, to); break;
    case Loops::Plain: PlaceBaseline(map, layer, from, to); break;
    }
}

void Engine::PlaceSource(SourceIndex s)
{
    PreparePlacement(s);
    bands.Run(CanvasHeight(), [&](int from, int to) { fill[s - 1].Rows(layer[s - 1], from, to); });
}

void Engine::PreparePlacement(SourceIndex s)
{
    ++placementCount[s - 1];
    SourceLayer& out = layer[s - 1];
    LayerFill& f = fill[s - 1];
    const int W = CanvasWidth();
    const int H = CanvasHeight();
    const uint8_t* block = sources.Pixels(s);
    const int srcW = sources.Width(s);
    const int srcH = sources.Height(s);
    // Whatever the layer holds beyond the canvas stays.
    out.Grow(W, H);
    if (!block || srcW < 1 || srcH < 1) {
        // The recorded size stays too.
        f.Clear(W);
        return;
    }
    out.width = W;
    out.height = H;

    const SourcePlacement& p = placement[s - 1];
    const bool flip = settings.flipHorizontal[s - 1];
    const double theta = (flip ? -p.angle : p.angle) * DegreesToRadians;
    const double k = 2 * std::sin(theta / 2);
    const double eps = k * k / 2;
    const double sigma = k * std::sqrt(4 - k * k) / 2;
    const double SW = p.fitFactorH * settings.horizontalScale[s - 1] * srcW / 100;
    const double SH = p.fitFactorV * settings.verticalScale[s - 1] * srcH / 100;
    if (!(SW > 0 && SH > 0)) {
        f.Clear(W);
        return;
    }
    const double kx = srcW / SW;
    const double ky = srcH / SH;
    const double sinA = std::fabs(std::sin(theta));
    const double cosA = std::fabs(std::cos(theta));
    const double gx = 0.5 * SW * ((srcH * sinA + srcW * cosA) / srcW - 1);
    const double gy = 0.5 * SH * ((srcW * sinA + srcH * cosA) / srcH - 1);
    const int tgx = static_cast<int>(gx);
    const int tgy = static_cast<int>(gy);
    const int hx = srcW / 2;
    const int hy = srcH / 2;

    // Every column up to the next multiple of 8, so that vector loops may read whole groups;
    // the first column of the span is never visited.
    const int paddedWidth = (W + 7) & ~7;
    if (f.columnX.size() < size_t(paddedWidth)) {
        f.columnX.resize(paddedWidth);
        f.columnY.resize(paddedWidth);
    }
    for (int c = 0; c < paddedWidth; ++c) {
        const int u = c + p.offsetX - tgx;
        double xc = u * kx - hx;
        if (flip)
            xc = -xc;
        f.columnX[c] = (hx + xc) - xc * eps;
        f.columnY[c] = xc * sigma;
    }
    // Most sources cover every pixel; then no pixel needs its coverage byte. The rows are
    // searched for holes in bands.
    const uint8_t* mask = sources.Mask(s);
    if (mask) {
        std::atomic<bool> holes{false};
        bands.Run(srcH, [&](int from, int to) {
            if (!holes.load(std::memory_order_relaxed) &&
                std::memchr(mask + size_t(from) * srcW, 0, size_t(to - from) * srcW))
                holes.store(true, std::memory_order_relaxed);
        });
        if (!holes.load())
            mask = nullptr;
    }
    // Likewise a source whose opacity is 255 everywhere places as an opaque one, bit for bit.
    const uint8_t* alpha = sources.Alpha(s);
    if (alpha) {
        std::atomic<bool> translucent{false};
        bands.Run(srcH, [&](int from, int to) {
            if (!translucent.load(std::memory_order_relaxed) &&
                !OpaqueThroughout(alpha + size_t(from) * srcW, size_t(to - from) * srcW))
                translucent.store(true, std::memory_order_relaxed);
        });
        if (!translucent.load())
            alpha = nullptr;
    }
    out.opacity = alpha != nullptr;
    const PlacementMap m{block,
                         size_t(sources.Stride(s)) * srcH,
                         mask,
                         sources.Stride(s),
                         srcW,
                         srcH,
                         ky,
                         eps,
                         sigma,
                         hy,
                         tgy,
                         p.offsetY,
                         W,
                         H,
                         std::max(0, -p.offsetY),
                         std::max(0, -p.offsetX) + 1,
                         quickPreview,
                         eps == 0 && sigma == 0,
                         kx,
                         f.columnX.data(),
                         f.columnY.data(),
                         alpha};
    f.Map(m);
}
