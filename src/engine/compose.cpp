// Composition of the target from the two layers: merge, tone, effect; and the quick path.
#include <algorithm>

#include "effects.h"
#include "engine.h"
#include "pixel.h"
#include "tone.h"

namespace {

// Merges target columns 0..width - 1 of canvas row r. Columns from `placed` on lie beyond what
// placement cleared and filled (the column added when the width rounds up): the layers hold
// stale memory there, so those pixels count as covered by neither source.
template <class Op>
void MergeRow(const Op& op, const SourceLayer& l1, const SourceLayer& l2, int r, int placed, int width, uint8_t* out)
{
    const uint8_t* a = l1.Row(r);
    const uint8_t* b = l2.Row(r);
    const uint8_t* ma = l1.MaskRow(r);
    const uint8_t* mb = l2.MaskRow(r);
    const int n = std::min(placed, width);
    for (int c = 0; c < n; ++c)
        op.combine(ma[c], mb[c], LoadBgr(a + 3 * c), LoadBgr(b + 3 * c), out + 3 * c);
    for (int c = n; c < width; ++c)
        op.combine(0, 0, LoadBgr(a + 3 * c), LoadBgr(b + 3 * c), out + 3 * c);
}

// Merges and tones each row into pre, and filters each output row as soon as the pre rows it
// reads are done, while they are still in cache.
template <class Op>
void ComposeNormal(const Op& op, const SourceLayer& l1, const SourceLayer& l2, const ToneCurve& tone,
                   const EffectFilter& filter, TargetImage& pre, TargetImage& out)
{
    const int placed = std::min(l1.width, l2.width);
    for (int r = 0; r < pre.height; ++r) {
        uint8_t* row = pre.CanvasRow(r);
        MergeRow(op, l1, l2, r, placed, pre.width, row);
        tone.ApplyRow(row, pre.width);
        filter.Row(pre, out, r);
    }
}

// The quick path: the bias average wherever both sources cover, whatever the merge method;
// no tone, no effect.
void ComposeQuick(const SourceLayer& l1, const SourceLayer& l2, int bias, Bgr base, TargetImage& out)
{
    const int placed = std::min(l1.width, l2.width);
    const average op(bias, base);
    for (int r = 0; r < out.height; ++r)
        MergeRow(op, l1, l2, r, placed, out.width, out.CanvasRow(r));
}

}  // namespace

void Engine::ComposeTarget()
{
    if (!TwoSources())
        return;
    const int widest = std::max(0, std::min({MaxCanvasWidth, layer[0].width, layer[1].width}));
    const int tallest = std::max(0, std::min({MaxCanvasHeight, layer[0].height, layer[1].height}));
    // Rows of a bitmap body need no padding when the width is a multiple of 4.
    target.width = std::min(MaxCanvasWidth, (widest + 1) & ~3);
    target.height = tallest;

    if (quickPreview) {
        ComposeQuick(layer[0], layer[1], settings.sourceBias, settings.baseColour, target);
    } else {
        preEffect.width = target.width;
        preEffect.height = target.height;
        const ToneCurve tone(settings);
        const EffectFilter filter(settings.effect);
        WithMergeOperator(settings.mergeMethod, settings.sourceBias, settings.baseColour, [&](const auto& op) {
            ComposeNormal(op, layer[0], layer[1], tone, filter, preEffect, target);
        });
        // A new target discards the zone drawn on the old one.
        zone.x1 = zone.y1 = zone.x2 = zone.y2 = -1;
        zone.valid = false;
    }
    blendingPresent = false;
    if (listener)
        listener->TargetChanged();
}
