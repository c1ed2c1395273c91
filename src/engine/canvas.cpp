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
    writtenFrom = 0;
    writtenTo = n;
    writtenColumns = s;
}

void SourceLayer::Grow(int columns, int lines)
{
    if (Holds(columns, lines) && memory.data())
        return;
    SourceLayer grown(std::max(stride, columns), std::max(rowCount, lines));
    // Only written rows need copying: the rest are zero, as the new storage is.
    for (int r = std::max(writtenFrom, 0); r < std::min(writtenTo, rowCount); ++r) {
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

void SourceLayer::Placed(int columns, int lines, int from, int to)
{
    // Rows beyond the canvas keep what they hold; so do the columns beyond it of the rows cleared.
    int keptFrom = std::max(writtenFrom, lines), keptTo = writtenTo;
    if (writtenColumns > columns)
        keptFrom = writtenFrom;
    const bool kept = keptFrom < keptTo, wrote = from < to;
    writtenFrom = kept && wrote ? std::min(keptFrom, from) : kept ? keptFrom : wrote ? from : 0;
    writtenTo = kept && wrote ? std::max(keptTo, to) : kept ? keptTo : wrote ? to : 0;
    writtenColumns = std::max(wrote ? columns : 0, kept ? writtenColumns : 0);
}
