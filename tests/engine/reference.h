#pragma once
// A slow evaluation of the composition, written pixel by pixel from the formulas, that judges
// the real code bit for bit.
#include <cstdint>
#include <vector>

#include "canvas.h"
#include "engine.h"
#include "merge_settings.h"

namespace reference {

// One merge operator by code, coverage included.
Bgr Combine(int code, int bias, Bgr base, uint8_t m1, uint8_t m2, Bgr p1, Bgr p2);
Bgr Tone(const MergeSettings& s, Bgr p);
// The effect from pre into out (same size); frame unfiltered, row/column -1 read as 0.
void Effect(const EffectKernel& k, const TargetImage& pre, TargetImage& out);
// The canvas limit and which rows to evaluate: every row when `rows` is empty, else the listed
// output rows (and the rows they read); the others are left as they were.
struct Extent {
    int limitWidth = 2048;
    int limitHeight = 1536;
    std::vector<int> rows;
};

// The whole composition of two layers: sizes, merge (or the quick average), tone, effect. A layer
// that holds opacities mixes the four coverage cases by them.
void Compose(const MergeSettings& s, bool quick, const SourceLayer& l1, const SourceLayer& l2, TargetImage& pre,
             TargetImage& out, const Extent& extent = {});

// Source s placed by the engine's placement and settings, each pixel evaluated on its own, with
// the opacity (when the view has any below 255) resampled and weighting the colour.
void Place(const Engine& e, const SourceView& view, SourceIndex s, SourceLayer& out, const Extent& extent = {});

}  // namespace reference
