#pragma once
#include <cstddef>
#include <cstdint>

// EXIF orientation values: how the stored rows must be turned or mirrored to stand upright.
// 1 upright, 2 mirrored left-right, 3 turned half round, 4 mirrored top-bottom, 5 mirrored
// about the main diagonal, 6 to be turned a quarter clockwise, 7 mirrored about the other
// diagonal, 8 to be turned a quarter anticlockwise.
constexpr bool OrientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// Writes the upright view of a plane of `width` x `height` stored pixels of `pixelBytes` bytes
// each (3 for colour, 1 for opacity) into `dst`. Rows of both are bottom-up, `srcStride` and
// `dstStride` bytes apart; `dst` is the upright size (sides swapped for 5..8) and must not
// overlap `src`. Values outside 1..8 copy the plane as it is.
void OrientPlane(const uint8_t* src, size_t srcStride, int width, int height, int pixelBytes, int orientation,
                 uint8_t* dst, size_t dstStride);
