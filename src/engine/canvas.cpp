#include "canvas.h"

#include <algorithm>
#include <cstring>

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
