// Composition of the target from the two layers: merge, tone, effect; and the quick path.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "effects.h"
#include "engine.h"
#include "pixel.h"
#include "simd.h"
#include "tone.h"

namespace {

// End of the run of pixels from c on whose pair of marks equals that of pixel c.
int RunEnd(const uint8_t* ma, const uint8_t* mb, int c, int n)
{
    const uint8_t m1 = ma[c], m2 = mb[c];
    const uint64_t all1 = m1 * 0x0101010101010101ull, all2 = m2 * 0x0101010101010101ull;
    int e = c + 1;
    for (; e + 8 <= n; e += 8) {
        uint64_t x1, x2;
        std::memcpy(&x1, ma + e, 8);
        std::memcpy(&x2, mb + e, 8);
        if ((x1 ^ all1) | (x2 ^ all2))
            break;
    }
    while (e < n && ma[e] == m1 && mb[e] == m2)
        ++e;
    return e;
}

// Where both sources cover, operators whose formula treats each channel alike take the run as
// one stretch of bytes; built for AVX2 too, as the lanes give the same integers either way.
template <class Op>
BRINDOR_CLONES void ChannelRun(const Op& op, const uint8_t* a, const uint8_t* b,
                                                          uint8_t* __restrict out, int bytes)
{
    for (int k = 0; k < bytes; ++k)
        out[k] = op.Channel(a[k], b[k]);
}

BRINDOR_CLONES void AverageRun(int bias, const uint8_t* a, const uint8_t* b,
                                                          uint8_t* __restrict out, int bytes)
{
    // Both products and their sum fit 16 bits for a bias of 0..256.
    const uint16_t w2 = uint16_t(bias), w1 = uint16_t(256 - bias);
    for (int k = 0; k < bytes; ++k)
        out[k] = uint8_t(uint16_t(uint16_t(a[k] * w1) + uint16_t(b[k] * w2)) >> 8);
}

// The bytes of a run mixed by the weights of their pixels, one weight per byte.
template <int Total>
BRINDOR_CLONES void MixRun(const double* w, const uint8_t* a, const uint8_t* b,
                                                      uint8_t* __restrict out, int bytes)
{
    for (int k = 0; k < bytes; ++k)
        out[k] = MixByLuma<Total>(w[k], a[k], b[k]);
}

// least and most: first each pixel's weight from the two luminances, then the same real formula
// for every byte, which runs on vector lanes.
template <class Op>
void LumaRun(const Op& op, const uint8_t* a, const uint8_t* b, uint8_t* out, int n)
{
    constexpr int Chunk = 256;
    double w[3 * Chunk];
    for (int from = 0; from < n; from += Chunk) {
        const int m = std::min(Chunk, n - from);
        const uint8_t* pa = a + 3 * from;
        const uint8_t* pb = b + 3 * from;
        for (int i = 0; i < m; ++i)
            w[3 * i] = w[3 * i + 1] = w[3 * i + 2] = op.MixWeight(LoadBgr(pa + 3 * i), LoadBgr(pb + 3 * i));
        MixRun<Op::Total>(w, pa, pb, out + 3 * from, 3 * m);
    }
}

// n copies of one pixel.
void FillPixel(uint8_t* out, Bgr p, int n)
{
    if (n <= 0)
        return;
    StoreBgr(out, p);
    for (size_t done = 1; done < size_t(n);) {
        const size_t more = std::min(done, size_t(n) - done);
        std::memcpy(out + 3 * done, out, 3 * more);
        done += more;
    }
}

// What an operator shows where at most one source covers: the covering source's pixel, or the
// base colour; the base class writes nothing at all.
template <class Op>
constexpr bool SettlesCoverage = !std::is_same_v<Op, pixel>;
template <class Op, int M1, int M2>
constexpr bool ShowsOneSource = (M1 == 1 && M2 == 0 && !std::is_same_v<Op, picture2>) ||
                                (M1 == 0 && M2 == 1 && !std::is_same_v<Op, picture1>);

// A run of pixels with the same marks, known here as constants: the operator's coverage test
// folds away and its formula inlines into the loop.
template <class Op, int M1, int M2>
void MergeRun(const Op& op, const uint8_t* a, const uint8_t* b, uint8_t* out, int n)
{
    if constexpr (SettlesCoverage<Op> && !(M1 == 1 && M2 == 1)) {
        // Where one source or none covers, the run is that source's pixels or the base colour.
        if constexpr (ShowsOneSource<Op, M1, M2>)
            std::memcpy(out, M1 == 1 ? a : b, size_t(n) * 3);
        else
            FillPixel(out, op.Base(), n);
        return;
    }
    if constexpr (M1 == 1 && M2 == 1) {
        if constexpr (std::is_same_v<Op, average>) {
            if (op.Weight() >= 0 && op.Weight() <= 256)
                return AverageRun(op.Weight(), a, b, out, 3 * n);
        }
        if constexpr (requires { op.Channel(0, 0); })
            return ChannelRun(op, a, b, out, 3 * n);
        if constexpr (requires { op.MixWeight(Bgr{}, Bgr{}); })
            return LumaRun(op, a, b, out, n);
    }
    for (int i = 0; i < n; ++i)
        op.combine(M1, M2, LoadBgr(a + 3 * i), LoadBgr(b + 3 * i), out + 3 * i);
}

// A pixel where source 1 covers with opacity a1 and source 2 with a2, some of it partial.
template <class Op>
void MergeTranslucent(const Op& op, int a1, int a2, Bgr p1, Bgr p2, uint8_t* out)
{
    if constexpr (SettlesCoverage<Op>)
        MixCoverageCases(op, a1, a2, p1, p2, out);
}

// MergeRow where a layer holds opacities: runs where each source covers fully or not at all take
// the opaque loops, every other pixel the weighted sum of the four cases.
template <class Op>
void MergeTranslucentRow(const Op& op, const SourceLayer& l1, const SourceLayer& l2, int r, int placed, int width,
                         uint8_t* out)
{
    const uint8_t* a = l1.Row(r);
    const uint8_t* b = l2.Row(r);
    const uint8_t* ma = l1.MaskRow(r);
    const uint8_t* mb = l2.MaskRow(r);
    const uint8_t full1 = l1.Full(), full2 = l2.Full();
    // Opacity 0..255 of a coverage byte; an opaque layer's 1 is full.
    const auto opacity = [](const SourceLayer& l, uint8_t m) { return l.opacity ? int(m) : m == 1 ? 255 : 0; };
    const int n = std::min(placed, width);
    for (int c = 0; c < n;) {
        const int e = RunEnd(ma, mb, c, n);
        const uint8_t m1 = ma[c], m2 = mb[c];
        const uint8_t *pa = a + 3 * c, *pb = b + 3 * c;
        uint8_t* po = out + 3 * c;
        const bool whole1 = m1 == 0 || m1 == full1, whole2 = m2 == 0 || m2 == full2;
        if (whole1 && whole2) {
            switch ((m1 != 0) << 1 | (m2 != 0)) {
            case 3: MergeRun<Op, 1, 1>(op, pa, pb, po, e - c); break;
            case 2: MergeRun<Op, 1, 0>(op, pa, pb, po, e - c); break;
            case 1: MergeRun<Op, 0, 1>(op, pa, pb, po, e - c); break;
            default: MergeRun<Op, 0, 0>(op, pa, pb, po, e - c);
            }
        } else {
            const int a1 = opacity(l1, m1), a2 = opacity(l2, m2);
            for (int i = c; i < e; ++i)
                MergeTranslucent(op, a1, a2, LoadBgr(a + 3 * i), LoadBgr(b + 3 * i), out + 3 * i);
        }
        c = e;
    }
    for (int c = n; c < width; ++c)
        op.combine(0, 0, Bgr{}, Bgr{}, out + 3 * c);
}

// Merges target columns 0..width - 1 of canvas row r. Columns from `placed` on lie beyond what
// placement cleared and filled (the column added when the width rounds up): the layers hold
// nothing placed there, so those pixels count as covered by neither source and are not read.
template <class Op>
void MergeRow(const Op& op, const SourceLayer& l1, const SourceLayer& l2, int r, int placed, int width, uint8_t* out)
{
    if (l1.opacity || l2.opacity)
        return MergeTranslucentRow(op, l1, l2, r, placed, width, out);
    const uint8_t* a = l1.Row(r);
    const uint8_t* b = l2.Row(r);
    const uint8_t* ma = l1.MaskRow(r);
    const uint8_t* mb = l2.MaskRow(r);
    const int n = std::min(placed, width);
    for (int c = 0; c < n;) {
        const int e = RunEnd(ma, mb, c, n);
        const int k = (ma[c] << 8) | mb[c];
        const uint8_t *pa = a + 3 * c, *pb = b + 3 * c;
        uint8_t* po = out + 3 * c;
        switch (k) {
        case 0x0101: MergeRun<Op, 1, 1>(op, pa, pb, po, e - c); break;
        case 0x0100: MergeRun<Op, 1, 0>(op, pa, pb, po, e - c); break;
        case 0x0001: MergeRun<Op, 0, 1>(op, pa, pb, po, e - c); break;
        case 0x0000: MergeRun<Op, 0, 0>(op, pa, pb, po, e - c); break;
        default:
            for (int i = c; i < e; ++i)
                op.combine(ma[i], mb[i], LoadBgr(a + 3 * i), LoadBgr(b + 3 * i), out + 3 * i);
        }
        c = e;
    }
    for (int c = n; c < width; ++c)
        op.combine(0, 0, Bgr{}, Bgr{}, out + 3 * c);
}

// Merges and tones each row into pre, and filters each output row as soon as the pre rows it
// reads are done, while they are still in cache. place(from, to) first lays the band's layer
// rows, so they too are still in cache when merged. An output row reads the two pre rows above
// it, so the first two rows of every band but the first are filtered once all bands are done.
template <class Op, class Place>
void ComposeNormal(const Op& op, const SourceLayer& l1, const SourceLayer& l2, const ToneCurve& tone,
                   const EffectFilter& filter, TargetImage& pre, TargetImage& out, RowBands& bands, int rows,
                   const Place& place)
{
    const int placed = std::min(l1.width, l2.width);
    const int composed = pre.width > 0 ? pre.height : 0;
    bands.Run(rows, [&](int from, int to) {
        place(from, to);
        for (int r = from; r < std::min(to, composed); ++r) {
            uint8_t* row = pre.CanvasRow(r);
            MergeRow(op, l1, l2, r, placed, pre.width, row);
            tone.ApplyRow(row, pre.width);
            if (from == 0 || r >= from + 2)
                filter.Row(pre, out, r);
        }
    });
    // Those rows, shared out by their bands' numbers 1..count - 1.
    const int count = bands.BandsFor(rows);
    bands.Run(count - 1, [&](int first, int last) {
        for (int b = first + 1; b <= last; ++b) {
            const int from = RowBands::BandStart(rows, count, b);
            const int to = std::min(RowBands::BandStart(rows, count, b + 1), composed);
            for (int r = from; r < std::min(from + 2, to); ++r)
                filter.Row(pre, out, r);
        }
    });
}

// The quick path: the bias average wherever both sources cover, whatever the merge method;
// no tone, no effect.
template <class Place>
void ComposeQuick(const SourceLayer& l1, const SourceLayer& l2, int bias, Bgr base, TargetImage& out,
                  RowBands& bands, int rows, const Place& place)
{
    const int placed = std::min(l1.width, l2.width);
    const int composed = out.width > 0 ? out.height : 0;
    const average op(bias, base);
    bands.Run(rows, [&](int from, int to) {
        place(from, to);
        for (int r = from; r < std::min(to, composed); ++r)
            MergeRow(op, l1, l2, r, placed, out.width, out.CanvasRow(r));
    });
}

}  // namespace

void Engine::ComposeTarget() { PlaceAndCompose(false, false); }

void Engine::PlaceAndCompose(bool first, bool second)
{
    if (first)
        PreparePlacement(1);
    if (second)
        PreparePlacement(2);
    const int placedRows = first || second ? CanvasHeight() : 0;
    const auto place = [&](int from, int to) {
        to = std::min(to, placedRows);
        if (first)
            fill[0].Rows(layer[0], from, to);
        if (second)
            fill[1].Rows(layer[1], from, to);
    };
    if (!TwoSources()) {
        bands.Run(placedRows, place);
        return;
    }
    const int w = std::max(0, std::min({limitWidth, layer[0].width, layer[1].width}));
    const int h = std::max(0, std::min({limitHeight, layer[0].height, layer[1].height}));
    // Rows of a bitmap body need no padding when the width is a multiple of 4; a target at a
    // photo's own size keeps that width exactly.
    target.Resize(OwnSizeCanvas() ? w : std::min(MaxCanvasWidth, (w + 1) & ~3), h);
    const int rows = std::max(placedRows, target.height);

    if (quickPreview) {
        ComposeQuick(layer[0], layer[1], settings.sourceBias, settings.baseColour, target, bands, rows, place);
    } else {
        preEffect.Resize(target.width, target.height);
        const ToneCurve tone(settings);
        const EffectFilter filter(settings.effect);
        WithMergeOperator(settings.mergeMethod, settings.sourceBias, settings.baseColour, [&](const auto& op) {
            ComposeNormal(op, layer[0], layer[1], tone, filter, preEffect, target, bands, rows, place);
        });
        // A new target discards the zone drawn on the old one.
        zone.x1 = zone.y1 = zone.x2 = zone.y2 = -1;
        zone.valid = false;
    }
    blendingPresent = false;
    if (listener)
        listener->TargetChanged();
}
