#pragma once
// The special effects: five 3 x 3 kernels and the convolution that applies them.
#include <cstdint>

#include "canvas.h"
#include "merge_settings.h"

constexpr int EffectCount = 6;  // "No effects" and the five kernels

// The kernel loaded by a position of the effects list (0 = no effect); out of range gives none.
EffectKernel EffectKernelAt(int position);
// The list position whose kernel equals k, or -1 when it is none of them.
int EffectPosition(const EffectKernel& k);

// Filters target rows from the pre-effect picture, one output row at a time, so that the
// composition can filter each row as soon as the rows it needs are merged. Output row y needs
// pre-effect rows y - 2..y (canvas rows, from the top).
//
// The filter is shifted one pixel down and right: the middle weight falls on P(y - 1, x - 1).
// The outermost frame of the output takes the unfiltered pixels, and a sample of row or column
// -1 takes row or column 0, so every output pixel is written from this composition.
class EffectFilter {
public:
    explicit EffectFilter(const EffectKernel& k);
    // Writes output row y (0..height - 1) of out from pre; both have the same size.
    void Row(const TargetImage& pre, TargetImage& out, int y) const;
    // Writes every row.
    void Apply(const TargetImage& pre, TargetImage& out) const;
    bool None() const { return none; }

private:
    void Interior(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* out, int width) const;

    EffectKernel kernel;
    bool none;
    bool narrow;  // every sum fits in 16 bits
    bool box;     // every weight equal but the centre's
    void (*convolve)(const EffectKernel&, const uint8_t* const[9], uint8_t*, int);
    void (*boxRow)(const int16_t*, const uint8_t*, const EffectKernel&, uint8_t*, int);
};
