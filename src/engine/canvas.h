#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "pixel_memory.h"

// The largest canvas the program offers.
constexpr int MaxCanvasWidth = 2048;
constexpr int MaxCanvasHeight = 1536;
// A target that follows a photo's own size may reach this side, within CanvasMemoryBudget.
constexpr int MaxOwnCanvasSide = 16384;
constexpr uint64_t CanvasMemoryBudget = uint64_t(3) << 30;

// Bytes the engine's buffers take for a width x height canvas: two layers and three pictures.
uint64_t CanvasBufferBytes(int width, int height);
// Each side 1..MaxOwnCanvasSide and the buffers within the budget; checked before allocating.
bool CanvasWithinBudget(int width, int height);
// "NAME is W × H; the largest target is ..." for a picture refused as a target size.
std::string CanvasTooLargeText(const std::string& name, int width, int height);

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

// Leaves a buffer without storage until the engine sizes it to the canvas in use.
struct Unsized {};

// One placed source on the canvas: pixels and coverage, row 0 on top, `stride` pixels per row.
// Storage grows to the largest canvas placed on (a smaller one leaves what lies beyond it as it
// was), its rows rounded up to a multiple of 4 pixels so that the column a rounded-up target
// width adds lies inside them.
struct SourceLayer {
    // A standalone layer with room for any canvas within the limits; it reads as zero until written.
    SourceLayer() : SourceLayer(MaxCanvasWidth, MaxCanvasHeight) {}
    explicit SourceLayer(Unsized) {}
    SourceLayer(int columns, int lines) { Reshape(columns, lines); }

    PixelMemory memory;  // all pixel rows, then all coverage rows
    int width = 0;   // recorded by the last placement of an existing source
    int height = 0;
    int stride = 0;  // pixels per stored row
    int rowCount = 0;  // stored rows
    // Set by the last placement of a source with partial opacity: its coverage bytes hold the
    // opacity 0..255 of each pixel instead of 0 (uncovered) and 1 (covered).
    bool opacity = false;

    // The coverage byte of a fully covered pixel.
    uint8_t Full() const { return opacity ? 255 : 1; }

    static int StrideFor(int columns) { return (columns + 3) & ~3; }
    bool Holds(int columns, int lines) const { return stride >= columns && rowCount >= lines; }
    // Storage for a canvas of columns x lines, kept when its shape is already that; new storage
    // reads as zero.
    void Reshape(int columns, int lines);
    // Storage that also holds a canvas of columns x lines, keeping what the layer holds now.
    void Grow(int columns, int lines);

    uint8_t* Row(int r) { return memory.data() + size_t(r) * stride * 3; }
    const uint8_t* Row(int r) const { return memory.data() + size_t(r) * stride * 3; }
    uint8_t* MaskRow(int r) { return memory.data() + (size_t(rowCount) * 3 + r) * stride; }
    const uint8_t* MaskRow(int r) const { return memory.data() + (size_t(rowCount) * 3 + r) * stride; }
};

// A picture of TW x TH blue-green-red pixels, rows bottom-up, no padding. Under the canvas limit
// of 2048 x 1536 TW is a multiple of 4, so this is the body of a 24-bit bitmap; a target at a
// photo's own size may have any width, and writers pad its rows themselves.
struct TargetImage {
    // A standalone picture with room for any target within the limits; it reads as zero until written.
    TargetImage() : pixels(size_t(MaxCanvasWidth) * MaxCanvasHeight * 3) {}
    explicit TargetImage(Unsized) {}

    int width = 0;
    int height = 0;
    PixelMemory pixels;

    // Sets the size; the storage is replaced only when it cannot hold the new size or holds more
    // than it needs, and then the pixels are undefined until written.
    void Resize(int w, int h);

    // Canvas row r (from the top) lives at stored row height - 1 - r.
    uint8_t* CanvasRow(int r) { return pixels.data() + size_t(height - 1 - r) * width * 3; }
    const uint8_t* CanvasRow(int r) const { return pixels.data() + size_t(height - 1 - r) * width * 3; }
};
