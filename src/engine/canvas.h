#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int MaxCanvasWidth = 2048;
constexpr int MaxCanvasHeight = 1536;
constexpr int LayerStride = 2048;  // pixels per layer row, whatever the canvas width

// The canvas in the view's client coordinates.
struct CanvasRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const CanvasRect&) const = default;
};

// One placed source on the canvas: pixels and coverage at a fixed stride, row 0 on top.
struct SourceLayer {
    std::vector<uint8_t> pixels = std::vector<uint8_t>(size_t(MaxCanvasHeight) * LayerStride * 3);
    std::vector<uint8_t> mask = std::vector<uint8_t>(size_t(MaxCanvasHeight) * LayerStride);
    int width = 0;
    int height = 0;

    uint8_t* Row(int r) { return pixels.data() + size_t(r) * LayerStride * 3; }
    const uint8_t* Row(int r) const { return pixels.data() + size_t(r) * LayerStride * 3; }
    uint8_t* MaskRow(int r) { return mask.data() + size_t(r) * LayerStride; }
    const uint8_t* MaskRow(int r) const { return mask.data() + size_t(r) * LayerStride; }
};

// A picture of at most the canvas limits: TW x TH blue-green-red pixels, rows bottom-up,
// no padding (TW is a multiple of 4, so this is the body of a 24-bit bitmap).
struct TargetImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels = std::vector<uint8_t>(size_t(MaxCanvasWidth) * MaxCanvasHeight * 3);

    // Canvas row r (from the top) lives at stored row height - 1 - r.
    uint8_t* CanvasRow(int r) { return pixels.data() + size_t(height - 1 - r) * width * 3; }
    const uint8_t* CanvasRow(int r) const { return pixels.data() + size_t(height - 1 - r) * width * 3; }
};
