#pragma once
// A slow evaluation of the composition, written pixel by pixel from the formulas, that judges
// the real code bit for bit.
#include <cstdint>

#include "canvas.h"
#include "merge_settings.h"

namespace reference {

// One merge operator by code, coverage included.
Bgr Combine(int code, int bias, Bgr base, uint8_t m1, uint8_t m2, Bgr p1, Bgr p2);
Bgr Tone(const MergeSettings& s, Bgr p);
// The effect from pre into out (same size); frame unfiltered, row/column -1 read as 0.
void Effect(const EffectKernel& k, const TargetImage& pre, TargetImage& out);
// The whole composition of two layers: sizes, merge (or the quick average), tone, effect.
void Compose(const MergeSettings& s, bool quick, const SourceLayer& l1, const SourceLayer& l2, TargetImage& pre,
             TargetImage& out);

}  // namespace reference
