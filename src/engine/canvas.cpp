#include "canvas.h"

#include <algorithm>
#include <cstring>

uint64_t CanvasBufferBytes(int width, int height)
{
    const uint64_t w = uint64_t(std::max(width, 0)), h = uint64_t(std::max(height, 0));
    const uint64_t layer = uint64_t(SourceLayer::StrideFor(int(w))) * h * 4;
    const uint64_t picture = ((w + 3) & ~uint64_t(3)) * h * 3;
    return 2 * layer + 3 * picture;
}

bool CanvasWithinBudget(int width, int height)
{
    return width >= 1 && height >= 1 && width <= MaxOwnCanvasSide && height <= MaxOwnCanvasSide &&
           CanvasBufferBytes(width, height) <= CanvasMemoryBudget;
}

std::string CanvasTooLargeText(const std::string& name, int width, int height)
{
    return name + " is " + std::to_string(width) + " \u00d7 " + std::to_string(height) +
           "; the largest target is " + std::to_string(MaxOwnCanvasSide) + " \u00d7 " +
           std::to_string(MaxOwnCanvasSide) + " pixels, and at most " +
           std::to_string(CanvasMemoryBudget >> 30) + " GiB of working memory.";
}

void SourceLayer::Reshape(int columns, int lines)
{
    const int s = StrideFor(std::max(columns, 0));
    const int n = std::max(lines, 0);
    if (s == stride && n == rowCount && memory.data())
        return;
    memory = PixelMemory(size_t(n) * s * 4);
    stride = s;
    rowCount = n;
}

void SourceLayer::Grow(int columns, int lines)
{
    if (Holds(columns, lines) && memory.data())
        return;
    SourceLayer grown(std::max(stride, columns), std::max(rowCount, lines));
    for (int r = 0; r < rowCount; ++r) {
        std::memcpy(grown.Row(r), Row(r), size_t(stride) * 3);
        std::memcpy(grown.MaskRow(r), MaskRow(r), size_t(stride));
    }
    memory = std::move(grown.memory);
    stride = grown.stride;
    rowCount = grown.rowCount;
}

void TargetImage::Resize(int w, int h)
{
    width = std::max(w, 0);
    height = std::max(h, 0);
    const size_t bytes = size_t(width) * height * 3;
    if (bytes != pixels.size() || !pixels.data())
        pixels = PixelMemory(bytes);
}
