#include "batch_compose.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "effects.h"
#include "pixel.h"
#include "tone.h"

namespace {

bool SamePlacement(const SourcePlacement& a, const SourcePlacement& b)
{
    return a.angle == b.angle && a.offsetX == b.offsetX && a.offsetY == b.offsetY && a.fitFactorH == b.fitFactorH &&
           a.fitFactorV == b.fitFactorV && a.boxWidth == b.boxWidth && a.boxHeight == b.boxHeight;
}

bool Zero8(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v == 0;
}

void FillBase(uint8_t* out, Bgr base, int n)
{
    for (int i = 0; i < n; ++i, out += 3)
        StoreBgr(out, base);
}

}  // namespace

bool BatchComposer::Source1Key::operator==(const Source1Key& k) const
{
    return canvasWidth == k.canvasWidth && canvasHeight == k.canvasHeight && pixels == k.pixels && mask == k.mask &&
           alpha == k.alpha && width == k.width && height == k.height && stride == k.stride &&
           SamePlacement(placement, k.placement) && flip == k.flip && scaleH == k.scaleH && scaleV == k.scaleV &&
           quick == k.quick && placementCount == k.placementCount;
}

BatchComposer::Source1Key BatchComposer::CurrentKey() const
{
    const Engine& e = engine;
    const SourceView& s = e.Sources();
    return Source1Key{e.CanvasWidth(),          e.CanvasHeight(),           s.Pixels(1), s.Mask(1),
                      s.Alpha(1),               s.Width(1),                 s.Height(1), s.Stride(1),
                      e.placement[0],           e.settings.flipHorizontal[0], e.settings.horizontalScale[0],
                      e.settings.verticalScale[0], e.quickPreview,          e.placementCount[0]};
}

void BatchComposer::PlaceSource1()
{
    engine.PlaceSource(1);
    placed1 = CurrentKey();
    coverageFor = 0;
}

// The columns each row of layer 1 covers, so that rows and columns outside the mark need no test.
void BatchComposer::FindCoverage()
{
    const SourceLayer& l = engine.layer[0];
    const int w = std::max(0, std::min(l.width, engine.CanvasWidth()));
    const int h = std::max(0, std::min(l.height, engine.CanvasHeight()));
    coverFirst.assign(size_t(h), 0);
    coverLast.assign(size_t(h), 0);
    // Rows the placement never wrote are empty; reading them would only touch their pages.
    for (int r = std::max(l.writtenFrom, 0); r < std::min(l.writtenTo, h); ++r) {
        const uint8_t* m = l.MaskRow(r);
        int first = 0, last = w;
        while (first + 8 <= w && Zero8(m + first))
            first += 8;
        while (first < w && m[first] == 0)
            ++first;
        while (last - 8 >= first && Zero8(m + last - 8))
            last -= 8;
        while (last > first && m[last - 1] == 0)
            --last;
        coverFirst[size_t(r)] = first;
        coverLast[size_t(r)] = last;
    }
    coverageFor = placed1.placementCount;
}

// The conditions under which placement copies source 2's stored rows unchanged: no turn, no
// flip, both scales exactly 1 as the placement computes them, and nothing see-through.
bool BatchComposer::FindStraightRows(StraightRows& rows) const
{
    const Engine& e = engine;
    const SourceView& s = e.Sources();
    const SourcePlacement& p = e.placement[1];
    const int srcW = s.Width(2), srcH = s.Height(2);
    if (e.quickPreview || !s.Pixels(2) || s.Alpha(2) || srcW < 1 || srcH < 1 || p.angle != 0 ||
        e.settings.flipHorizontal[1])
        return false;
    const double SW = p.fitFactorH * e.settings.horizontalScale[1] * srcW / 100;
    const double SH = p.fitFactorV * e.settings.verticalScale[1] * srcH / 100;
    if (!(SW > 0 && SH > 0) || srcW / SW != 1.0 || srcH / SH != 1.0)
        return false;
    if (const uint8_t* mask = s.Mask(2); mask && std::memchr(mask, 0, size_t(srcW) * srcH))
        return false;
    // The base class writes nothing at all, so the target would keep what it held.
    const bool writes = WithMergeOperator(e.settings.mergeMethod, 0, Bgr{}, [](const auto& op) {
        return !std::is_same_v<std::decay_t<decltype(op)>, pixel>;
    });
    const ToneCurve tone(e.settings);
    if (!writes)
        return false;
    if (!tone.Identity() || !EffectFilter(e.settings.effect).None())
        return false;
    const int W = e.CanvasWidth(), H = e.CanvasHeight();
    rows.block = s.Pixels(2);
    rows.stride = s.Stride(2);
    rows.srcH = srcH;
    rows.offsetX = p.offsetX;
    rows.offsetY = p.offsetY;
    rows.rowFrom = std::max(0, -p.offsetY);
    rows.rowTo = std::clamp(srcH - p.offsetY, 0, H);
    // The first column of the span is never placed.
    rows.columnFrom = std::max(0, -p.offsetX) + 1;
    rows.columnTo = std::clamp(srcW - p.offsetX, 0, W);
    return true;
}

void BatchComposer::Compose()
{
    Engine& e = engine;
    if (!(CurrentKey() == placed1))
        PlaceSource1();
    StraightRows rows;
    straight = e.TwoSources() && FindStraightRows(rows);
    if (!straight) {
        e.PlaceAndCompose(false, true);
        layer2Behind = false;
        return;
    }
    if (coverageFor != placed1.placementCount)
        FindCoverage();
    ComposeStraight(rows);
    layer2Behind = true;
    e.zone.x1 = e.zone.y1 = e.zone.x2 = e.zone.y2 = -1;
    e.zone.valid = false;
    e.blendingPresent = false;
    if (EngineListener* l = e.Listener())
        l->TargetChanged();
}

void BatchComposer::SettleLayers()
{
    if (layer2Behind)
        engine.PlaceSource(2);
    layer2Behind = false;
}

// Where source 1 does not cover, every operator but picture1 shows source 2's pixel, and the base
// colour where neither covers; where it covers, each pixel takes the operator's own formula.
void BatchComposer::ComposeStraight(const StraightRows& rows)
{
    Engine& e = engine;
    const SourceLayer& l1 = e.layer[0];
    const int W = e.CanvasWidth(), H = e.CanvasHeight();
    // The target's size as the engine gives it, layer 2 recording the canvas.
    const int w = std::max(0, std::min({e.CanvasLimitWidth(), l1.width, W}));
    const int h = std::max(0, std::min({e.CanvasLimitHeight(), l1.height, H}));
    e.target.Resize(e.OwnSizeCanvas() ? w : std::min(MaxCanvasWidth, (w + 1) & ~3), h);
    const int width = e.target.width;
    const int placed = std::min(l1.width, W);
    const int n = std::min(placed, width);
    WithMergeOperator(e.settings.mergeMethod, e.settings.sourceBias, e.settings.baseColour, [&](const auto& op) {
        using Op = std::decay_t<decltype(op)>;
        if constexpr (std::is_same_v<Op, pixel>)
            return;  // never straight: it writes nothing
        const Bgr base = op.Base();
        for (int r = 0; r < e.target.height; ++r) {
            uint8_t* out = e.target.CanvasRow(r);
            const bool covered2 = r >= rows.rowFrom && r < rows.rowTo && !std::is_same_v<Op, picture1>;
            const int lo = covered2 ? std::min(rows.columnFrom, n) : n;
            const int hi = covered2 ? std::max(lo, std::min(rows.columnTo, n)) : n;
            // Column c shows the stored pixel c + offsetX.
            const uint8_t* stored = covered2 ? rows.block + size_t(rows.srcH - 1 - r - rows.offsetY) * rows.stride : nullptr;
            const auto pixel2 = [&](int c) { return stored + 3 * std::ptrdiff_t(c + rows.offsetX); };
            const int a = r < int(coverFirst.size()) ? std::min(coverFirst[size_t(r)], n) : n;
            const int b = r < int(coverLast.size()) ? std::min(coverLast[size_t(r)], n) : n;
            // Columns [from, to) outside source 1: base, then source 2's run, then base.
            const auto plain = [&](int from, int to) {
                const int s0 = std::clamp(lo, from, to), s1 = std::clamp(hi, s0, to);
                FillBase(out + 3 * from, base, s0 - from);
                if (s1 > s0)
                    std::memcpy(out + 3 * s0, pixel2(s0), size_t(s1 - s0) * 3);
                FillBase(out + 3 * s1, base, to - s1);
            };
            if (a >= b) {
                plain(0, n);
            } else {
                plain(0, a);
                const uint8_t* p1 = l1.Row(r);
                const uint8_t* m1 = l1.MaskRow(r);
                for (int c = a; c < b; ++c) {
                    const bool in2 = c >= lo && c < hi;
                    const Bgr first = LoadBgr(p1 + 3 * c), second = in2 ? LoadBgr(pixel2(c)) : Bgr{};
                    const uint8_t m = m1[c];
                    if (!l1.opacity)
                        op.combine(m, in2, first, second, out + 3 * c);
                    else if (m == 0 || m == 255)
                        op.combine(m != 0, in2, first, second, out + 3 * c);
                    else
                        MixCoverageCases(op, m, in2 ? 255 : 0, first, second, out + 3 * c);
                }
                plain(b, n);
            }
            for (int c = n; c < width; ++c)
                op.combine(0, 0, Bgr{}, Bgr{}, out + 3 * c);
        }
    });
}
