// Placement eight canvas pixels at a time in 256-bit lanes, where the processor has them: the
// walk over tiles, rows and runs of groups, and what a placement finds out before its first row.
#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "placement_kernels.h"

namespace {
std::atomic<bool> wideAllowed{true};
}  // namespace

bool AllowWidePlacement(bool allowed) { return wideAllowed.exchange(allowed); }

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include "placement_wide_groups.h"

namespace {

// The groups of one row piece [first, end), each by its class.
template <bool Quick, bool Holes, bool Unrotated, bool Guard>
WIDE void PlaceRun(const Context& k, const Groups& g, const uint8_t* cls, const RowTerms& rt, int first, int end,
                   uint8_t* px, uint8_t* cov)
{
    for (int gi = first; gi < end; ++gi) {
        const int c = gi * Lanes;
        const int n = std::min(Lanes, k.width - c);
        if (cls[gi] == Windowed && Unrotated && !Quick && !Holes && !Guard)
            PlaceWindowGroup(k, g, gi, rt, px + 3 * c, cov + c);
        else if (cls[gi] == Windowed && Unrotated && Quick && !Holes && !Guard)
            PlaceNearestWindowGroup(g, gi, rt, px + 3 * c, cov + c);
        else if (cls[gi] >= Inside)
            PlaceGroup<Quick, Holes, Unrotated, true, Guard>(k, rt, c, 0xFF, px + 3 * c, cov + c, n);
        else if (cls[gi] == Mixed)
            PlaceGroup<Quick, Holes, Unrotated, false, Guard>(k, rt, c, g.spanBits[gi], px + 3 * c, cov + c, n);
        else
            ZeroGroup(px + 3 * c, cov + c, n);
    }
}

// Canvas row r, columns of groups [firstGroup, endGroup).
template <bool Quick, bool Holes, bool Unrotated>
WIDE void PlaceRow(const PlacementMap& m, const Context& k, const Groups& g, uint8_t* cls, int r, int firstGroup,
                   int endGroup, SourceLayer& layer)
{
    const int stripStart = firstGroup * Lanes;
    const int stripEnd = std::min(endGroup * Lanes, m.width);
    uint8_t* px = layer.Row(r);
    uint8_t* cov = layer.MaskRow(r);
    const int v = r + m.offsetY - m.tgy;
    const double yc = (m.srcH - 1) - v * m.ky - m.hy;
    const double rowY = (m.hy + yc) - yc * m.eps;
    const double rowX = yc * m.sigma;
    RowTerms rt;
    rt.rowX = _mm256_set1_pd(rowX);
    rt.rowY = _mm256_set1_pd(rowY);
    if constexpr (Unrotated) {
        // Y is rowY plus a zero term.
        if (r < m.firstRow || !(rowY >= 0 && rowY < m.srcH)) {
            Zero(px + 3 * stripStart, cov + stripStart, stripEnd - stripStart);
            return;
        }
        const int ty = static_cast<int>(rowY);
        const double fy = rowY - ty;
        rt.fy = _mm256_set1_pd(fy);
        rt.oneMinusFy = _mm256_set1_pd(1 - fy);
        rt.topWeight = _mm256_set1_pd((1 - fy) * 65536);
        rt.bottomWeight = _mm256_set1_pd(fy * 65536);
        rt.rowOffset = _mm256_set1_epi32(ty * m.stride);
        rt.dy = _mm256_set1_epi32(ty + 1 < m.srcH ? m.stride : 0);
        rt.rowMaskOffset = _mm256_set1_epi32(ty * m.srcW);
        // Where fy * 65536 < 1 no lower weight reaches 1, so the lower row may as well be this one.
        rt.upperRow = m.block + size_t(ty) * m.stride;
        rt.lowerRow = ty + 1 < m.srcH && fy * 65536 >= 1 ? rt.upperRow + m.stride : rt.upperRow;
    } else {
        if (r < m.firstRow) {
            Zero(px + 3 * stripStart, cov + stripStart, stripEnd - stripStart);
            return;
        }
        Classify(k, g, firstGroup, endGroup, rowX, rowY, cls);
    }
    // The source is convex: the groups it reaches on a row are one run, cleared around in one go.
    int first = firstGroup, end = endGroup;
    while (first < end && cls[first] == Outside)
        ++first;
    while (end > first && cls[end - 1] == Outside)
        --end;
    const int runStart = std::min(first * Lanes, m.width), runEnd = std::min(end * Lanes, m.width);
    Zero(px + 3 * stripStart, cov + stripStart, runStart - stripStart);
    Zero(px + 3 * runEnd, cov + runEnd, stripEnd - runEnd);
    // Rows whose samples all lie below the last three source rows cannot read past the end.
    if (rowY + g.maxYAll < m.srcH - 3)
        PlaceRun<Quick, Holes, Unrotated, false>(k, g, cls, rt, first, end, px, cov);
    else
        PlaceRun<Quick, Holes, Unrotated, true>(k, g, cls, rt, first, end, px, cov);
}

// Canvas rows [from, to).
template <bool Quick, bool Holes, bool Unrotated>
WIDE void FillLayer(const PlacementMap& m, const Context& k, const Groups& g, SourceLayer& layer, int from, int to)
{
    alignas(32) uint8_t cls[MaxGroups + 4];
    // An unturned source is read row by row: whole canvas rows keep the writes in long runs.
    constexpr int strip = Unrotated ? MaxGroups : StripGroups;
    if constexpr (Unrotated)
        Classify(k, g, 0, g.count, 0.0, 0.0, cls);
    if constexpr (Unrotated && !Holes)
        for (int gi = 0; gi < g.count; ++gi)
            if (cls[gi] == Inside && g.windowed[gi])
                cls[gi] = Windowed;
    for (int band = from; band < to; band += BandRows)
        for (int firstGroup = 0; firstGroup < g.count; firstGroup += strip)
            for (int r = band; r < std::min(band + BandRows, to); ++r) {
                // A magnified source repeats its rows: a row like the one above is copied.
                if (Quick && Unrotated && r > from && SameNearestRow(m, r - 1, r)) {
                    std::memcpy(layer.Row(r), layer.Row(r - 1), size_t(m.width) * 3);
                    std::memcpy(layer.MaskRow(r), layer.MaskRow(r - 1), size_t(m.width));
                    continue;
                }
                PlaceRow<Quick, Holes, Unrotated>(m, k, g, cls, r, firstGroup, std::min(firstGroup + strip, g.count),
                                                  layer);
            }
}

template <bool Quick, bool Holes>
WIDE void FillLayerTurned(const PlacementMap& m, const Context& k, const Groups& g, SourceLayer& layer, int from,
                          int to)
{
    if (m.unrotated)
        FillLayer<Quick, Holes, true>(m, k, g, layer, from, to);
    else
        FillLayer<Quick, Holes, false>(m, k, g, layer, from, to);
}

// For each full group of an unturned source, whether each half's neighbour pairs lie within 16
// bytes of a row, and the byte picks that make them pairs of 16-bit values per channel. The
// right neighbour is the pixel itself in the last column. Also the column parts of the weights,
// by the operations the group loops would do.
void FindWindows(const PlacementMap& m, Groups& g)
{
    for (int gi = 0; gi < g.count; ++gi) {
        g.windowed[gi] = false;
        if (g.spanBits[gi] != 0xFF || m.srcW < 3 || !(g.minX[gi] >= 0 && g.maxX[gi] < m.srcW))
            continue;
        int left[Lanes], right[Lanes];
        for (int i = 0; i < Lanes; ++i) {
            const int tx = static_cast<int>(m.colX[gi * Lanes + i]);
            left[i] = tx * 3;
            right[i] = tx + 1 < m.srcW ? left[i] + 3 : left[i];
        }
        bool fits = true;
        for (int h = 0; h < 2; ++h) {
            const int* l = left + 4 * h;
            const int start = *std::min_element(l, l + 4);
            g.windowStart[gi][h] = start;
            for (int d = 0; d < 4; ++d) {
                fits = fits && std::max(l[d], right[4 * h + d]) + 2 - start < 16;
                for (int ch = 0; ch < 3; ++ch) {
                    int8_t* pick = g.window[gi][ch] + 16 * h + 4 * d;
                    pick[0] = int8_t(std::min(l[d] - start + ch, 15));
                    pick[1] = -1;
                    pick[2] = int8_t(std::min(right[4 * h + d] - start + ch, 15));
                    pick[3] = -1;
                }
            }
        }
        g.windowed[gi] = fits;
        for (int c = gi * Lanes; fits && c < gi * Lanes + Lanes; ++c) {
            const double fx = m.colX[c] - static_cast<int>(m.colX[c]);
            g.oneMinusFx[c] = 1 - fx;
            g.fxScaled[c] = fx * 65536;
        }
    }
}

// For each full group of an unturned source sampled by the nearest pixel, whether each half's
// four pixels lie within 16 bytes of a row, and the byte picks that pack them as 12 bytes.
void FindNearestWindows(const PlacementMap& m, Groups& g)
{
    for (int gi = 0; gi < g.count; ++gi) {
        g.windowed[gi] = false;
        if (g.spanBits[gi] != 0xFF || !(g.minX[gi] >= 0 && g.maxX[gi] < m.srcW))
            continue;
        bool fits = true;
        for (int h = 0; h < 2; ++h) {
            int left[4];
            for (int d = 0; d < 4; ++d)
                left[d] = static_cast<int>(m.colX[gi * Lanes + 4 * h + d]) * 3;
            const int start = *std::min_element(left, left + 4);
            g.windowStart[gi][h] = start;
            int8_t* pick = g.window[gi][0] + 16 * h;
            for (int d = 0; d < 4; ++d) {
                fits = fits && left[d] + 2 - start < 16;
                for (int ch = 0; ch < 3; ++ch)
                    pick[3 * d + ch] = int8_t(std::min(left[d] - start + ch, 15));
            }
            for (int b = 12; b < 16; ++b)
                pick[b] = -1;
        }
        g.windowed[gi] = fits;
    }
}

// Byte distance from a sample to the one BandRows canvas rows further down: Y falls by ky (1 - eps)
// and X grows by ky sigma per row.
intptr_t BandStep(const PlacementMap& m)
{
    const double rows = -m.ky * (1 - m.eps) * BandRows, columns = m.ky * m.sigma * BandRows;
    if (!(std::fabs(rows) < m.srcH && std::fabs(columns) < m.srcW))
        return 0;
    return intptr_t(static_cast<int>(rows)) * m.stride + intptr_t(static_cast<int>(columns)) * 3;
}

}  // namespace

// What the 256-bit loops decide before the first row.
struct WidePlan {
    PlacementMap m;
    Context k;
    Groups g;
};

namespace {

WIDE void PrepareAvx2(const PlacementMap& m, WidePlan& plan)
{
    plan.m = m;
    Context& k = plan.k;
    k = Context{m.block,
              m.mask,
              m.colX,
              m.colY,
              m.stride,
              m.srcW,
              m.srcH,
              m.width,
              BandStep(m),
              _mm256_set1_pd(m.srcW),
              _mm256_set1_pd(m.srcH),
              _mm256_set1_epi32(m.stride),
              _mm256_set1_epi32(m.srcW),
              _mm256_set1_epi32(m.srcW - 1),
              _mm256_set1_epi32(m.srcH - 1),
              _mm256_set1_epi32(int(m.blockBytes) - 4),
              _mm256_set1_epi32(int(m.blockBytes) - 8),
              _mm256_set1_epi32(int(size_t(m.srcW) * m.srcH) - 4),
              {},
              {}};
    // A pair read holds B G R of the left pixel, then of the right one. Lane i of the result
    // takes channel ch of both as 16-bit halves.
    for (int ch = 0; ch < 3; ++ch) {
        alignas(32) int8_t first[32], second[32];
        for (int lane = 0; lane < 2; ++lane)
            for (int d = 0; d < 4; ++d)
                for (int b = 0; b < 4; ++b) {
                    const int src = (d & 1) * 8 + (b < 2 ? ch : ch + 3);
                    const int8_t pick = b & 1 ? int8_t(-1) : int8_t(src);
                    first[lane * 16 + d * 4 + b] = d < 2 ? pick : int8_t(-1);
                    second[lane * 16 + d * 4 + b] = d < 2 ? int8_t(-1) : pick;
                }
        k.firstPairs[ch] = _mm256_load_si256(reinterpret_cast<const __m256i*>(first));
        k.secondPairs[ch] = _mm256_load_si256(reinterpret_cast<const __m256i*>(second));
    }
    Groups& g = plan.g;
    g.count = (m.width + Lanes - 1) / Lanes;
    g.maxYAll = -std::numeric_limits<double>::infinity();
    const double inf = std::numeric_limits<double>::infinity();
    // Classification reads groups four at a time, up to three past the last.
    for (int gi = 0; gi < std::min(g.count + 4, MaxGroups + 4); ++gi) {
        g.minX[gi] = g.minY[gi] = inf;
        g.maxX[gi] = g.maxY[gi] = -inf;
        g.full[gi] = 0.0;
        g.spanBits[gi] = 0;
        const int b = std::max(gi * Lanes, m.firstColumn);
        const int e = std::min(gi * Lanes + Lanes, m.width);
        if (gi >= g.count || b >= e)
            continue;
        g.minX[gi] = *std::min_element(m.colX + b, m.colX + e);
        g.maxX[gi] = *std::max_element(m.colX + b, m.colX + e);
        g.minY[gi] = *std::min_element(m.colY + b, m.colY + e);
        g.maxY[gi] = *std::max_element(m.colY + b, m.colY + e);
        g.maxYAll = std::max(g.maxYAll, g.maxY[gi]);
        for (int c = b; c < e; ++c)
            g.spanBits[gi] |= 1u << (c - gi * Lanes);
        if (g.spanBits[gi] == 0xFF) {
            const uint64_t ones = ~uint64_t(0);
            std::memcpy(&g.full[gi], &ones, 8);
        }
    }
    if (m.unrotated && !m.mask)
        m.quick ? FindNearestWindows(m, g) : FindWindows(m, g);
}

}  // namespace

bool PrepareWide(const PlacementMap& m, WidePlanPtr& plan)
{
    if (!wideAllowed.load(std::memory_order_relaxed) || !__builtin_cpu_supports("avx2"))
        return false;
    // Byte offsets into the block and the coverage bytes are 32-bit lanes.
    if (m.blockBytes > size_t(INT_MAX) || size_t(m.srcW) * m.srcH > size_t(INT_MAX))
        return false;
    if (!plan)
        plan.reset(new WidePlan);
    PrepareAvx2(m, *plan);
    return true;
}

void FillWide(const WidePlan& plan, SourceLayer& layer, int from, int to)
{
    const PlacementMap& m = plan.m;
    if (m.quick)
        m.mask ? FillLayerTurned<true, true>(m, plan.k, plan.g, layer, from, to)
               : FillLayerTurned<true, false>(m, plan.k, plan.g, layer, from, to);
    else
        m.mask ? FillLayerTurned<false, true>(m, plan.k, plan.g, layer, from, to)
               : FillLayerTurned<false, false>(m, plan.k, plan.g, layer, from, to);
}

void DeleteWidePlan(WidePlan* plan) { delete plan; }

#else

struct WidePlan {};
bool PrepareWide(const PlacementMap&, WidePlanPtr&) { return false; }
void FillWide(const WidePlan&, SourceLayer&, int, int) {}
void DeleteWidePlan(WidePlan* plan) { delete plan; }

#endif
