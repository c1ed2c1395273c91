#pragma once
#include <cstddef>
#include <cstdint>

#include "merge_settings.h"

// Read-only view of the document's two source slots, as the engine places them.
// Pixels are 24-bit blue-green-red rows, bottom-up, each padded to 4 bytes.
class SourceView {
public:
    virtual ~SourceView() = default;
    // Number of filled slots, 0..2; the engine computes only at 2.
    virtual int SourceCount() const = 0;
    virtual SourceKind Kind(SourceIndex s) const = 0;
    virtual int Width(SourceIndex s) const = 0;
    virtual int Height(SourceIndex s) const = 0;
    // First stored (bottom) row, or null when the slot holds no pixel block.
    virtual const uint8_t* Pixels(SourceIndex s) const = 0;
    // Bytes per stored row: 3 x width rounded up to a multiple of 4.
    virtual int Stride(SourceIndex s) const = 0;
    // One coverage byte per pixel, bottom-up, unpadded; 1 = covered.
    virtual const uint8_t* Mask(SourceIndex s) const = 0;
    // Opacity 0..255 per pixel beside the colour, bottom-up, unpadded; null when the source is
    // opaque wherever its mask covers (every specified source kind).
    virtual const uint8_t* Alpha(SourceIndex /*s*/) const { return nullptr; }
};

// True when all n opacities are 255: a plane like that is no plane at all.
bool AllOpaque(const uint8_t* alpha, size_t n);
