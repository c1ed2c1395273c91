#include "orientation.h"

#include <algorithm>
#include <cstring>

namespace {

// Square tiles keep both planes' rows in cache while a quarter turn reads down the columns.
constexpr int TileSide = 64;

struct Point {
    ptrdiff_t x;
    ptrdiff_t y;
};

// The stored pixel (top-down coordinates) shown at upright column ux, row uy.
Point StoredPoint(int orientation, ptrdiff_t ux, ptrdiff_t uy, int width, int height)
{
    const ptrdiff_t w = width;
    const ptrdiff_t h = height;
    switch (orientation) {
    case 2: return {w - 1 - ux, uy};
    case 3: return {w - 1 - ux, h - 1 - uy};
    case 4: return {ux, h - 1 - uy};
    case 5: return {uy, ux};
    case 6: return {uy, h - 1 - ux};
    case 7: return {w - 1 - uy, h - 1 - ux};
    case 8: return {w - 1 - uy, ux};
    default: return {ux, uy};
    }
}

template <int PixelBytes>
void CopyRun(const uint8_t* from, ptrdiff_t step, int count, uint8_t* to)
{
    for (int i = 0; i < count; ++i, from += step, to += PixelBytes)
        std::memcpy(to, from, PixelBytes);
}

void CopyRunAny(const uint8_t* from, ptrdiff_t step, int count, int pixelBytes, uint8_t* to)
{
    switch (pixelBytes) {
    case 1: return CopyRun<1>(from, step, count, to);
    case 3: return CopyRun<3>(from, step, count, to);
    case 4: return CopyRun<4>(from, step, count, to);
    default:
        for (int i = 0; i < count; ++i, from += step, to += pixelBytes)
            std::memcpy(to, from, size_t(pixelBytes));
    }
}

}  // namespace

void OrientPlane(const uint8_t* src, size_t srcStride, int width, int height, int pixelBytes, int orientation,
                 uint8_t* dst, size_t dstStride)
{
    if (width <= 0 || height <= 0 || pixelBytes <= 0)
        return;
    const bool swaps = OrientationSwapsSides(orientation);
    const int uprightWidth = swaps ? height : width;
    const int uprightHeight = swaps ? width : height;
    const ptrdiff_t rowStep = ptrdiff_t(srcStride);
    // Byte offset of a stored pixel in the bottom-up plane.
    const auto offset = [&](Point p) { return (ptrdiff_t(height) - 1 - p.y) * rowStep + p.x * pixelBytes; };
    const Point origin = StoredPoint(orientation, 0, 0, width, height);
    const Point along = StoredPoint(orientation, 1, 0, width, height);
    const ptrdiff_t step = offset(along) - offset(origin);
    for (int tileY = 0; tileY < uprightHeight; tileY += TileSide) {
        const int rowsEnd = std::min(uprightHeight, tileY + TileSide);
        for (int tileX = 0; tileX < uprightWidth; tileX += TileSide) {
            const int count = std::min(uprightWidth - tileX, TileSide);
            for (int uy = tileY; uy < rowsEnd; ++uy) {
                const uint8_t* from = src + offset(StoredPoint(orientation, tileX, uy, width, height));
                uint8_t* to = dst + size_t(uprightHeight - 1 - uy) * dstStride + size_t(tileX) * size_t(pixelBytes);
                CopyRunAny(from, step, count, pixelBytes, to);
            }
        }
    }
}
