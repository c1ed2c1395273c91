#pragma once
#include <cstddef>
#include <cstdint>

#include "source_view.h"

// One slot's pixel store: a packed bitmap block (40-byte info header, palette below 24 bits,
// bottom-up rows padded to 4 bytes), a coverage mask of one byte per pixel and, for a picture
// with transparency, an opacity plane (0..255, 255 opaque) of one byte per pixel.
// Mask and opacity share one layout: bottom-up rows of exactly width bytes, no padding.
// Owns the buffers while `allocated` is true; moving hands the ownership over. All of them
// come from std::malloc/calloc, so a filler that builds its own block allocates it that way.
struct SourceImage {
    uint8_t* dib = nullptr;
    uint8_t* mask = nullptr;
    // Null for an opaque picture: every pixel then reads as 255.
    uint8_t* alpha = nullptr;
    bool allocated = false;
    int maskSize = 0;

    // Stored row r (0 = bottom) of the opacity plane, `width` bytes; null without a plane.
    uint8_t* AlphaRow(int width, int r) const { return alpha ? alpha + size_t(r) * size_t(width) : nullptr; }

    SourceImage() = default;
    SourceImage(const SourceImage&) = delete;
    SourceImage& operator=(const SourceImage&) = delete;
    SourceImage(SourceImage&& other) noexcept;
    SourceImage& operator=(SourceImage&& other) noexcept;
    ~SourceImage();
};

// Largest accepted width or height of a source picture.
constexpr int MaxSourceSide = 20000;
// Largest accepted block (header, palette, pixels and the 14 spare bytes).
constexpr uint64_t MaxSourceBlock = 200000000;
constexpr int SourceHeaderSize = 40;
// Bytes of a block beside its palette and rows: the header and 14 that stay zero.
constexpr uint64_t SourceBlockOverhead = 54;

// Bytes per stored row for 1, 4, 8 or 24 bits, rounded up to a multiple of 4; 0 for other depths.
uint64_t SourceRowSize(int width, int bits);

// Builds a zero-filled block with its header and a mask of 1s. Refuses (false, nothing held)
// beyond the size limits, for depths other than 1, 4, 8, 24, or when memory runs out.
// Whatever `image` held before is released first.
// `rowsWritten`: the caller writes every pixel byte of every row itself, so only the header,
// the palette, each row's padding and the slack past the last row are cleared.
bool AllocateSourceImage(SourceImage& image, int width, int height, int bits, bool rowsWritten = false);
// Gives `image` a fresh width x height mask of 1s; on failure releases the block as well.
bool AllocateMask(SourceImage& image, int width, int height);
void ReleaseSourceImage(SourceImage& image);
// Gives an allocated `image` a width x height opacity plane of 255s, replacing any it had, and
// returns it; null (the picture kept, opaque) when memory runs out or nothing is allocated.
uint8_t* AllocateAlpha(SourceImage& image, int width, int height);
// Frees the opacity plane; the picture becomes opaque.
void ReleaseAlpha(SourceImage& image);
// Frees the plane when every one of its width x height values is 255, as an opaque picture
// keeps none. Returns whether a plane remains.
bool DropOpaqueAlpha(SourceImage& image, int width, int height);

// Header fields of a block, read little-endian.
int32_t DibWidth(const uint8_t* dib);
int32_t DibHeight(const uint8_t* dib);
int DibBitCount(const uint8_t* dib);
uint32_t DibCompression(const uint8_t* dib);
// Writes a 40-byte header with the given size and depth; biSizeImage and biClrUsed follow from them.
void WriteDibHeader(uint8_t* dib, int width, int height, int bits);
