#pragma once
#include <cstdint>

// One slot's pixel store: a packed bitmap block (40-byte info header, palette below 24 bits,
// bottom-up rows padded to 4 bytes) and a coverage mask of one byte per pixel.
// Owns both buffers while `allocated` is true; moving hands the ownership over. Both buffers
// come from std::malloc/calloc, so a filler that builds its own block allocates it that way.
struct SourceImage {
    uint8_t* dib = nullptr;
    uint8_t* mask = nullptr;
    bool allocated = false;
    int maskSize = 0;

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

// Bytes per stored row for 1, 4, 8 or 24 bits, rounded up to a multiple of 4; 0 for other depths.
uint64_t SourceRowSize(int width, int bits);

// Builds a zero-filled block with its header and a mask of 1s. Refuses (false, nothing held)
// beyond the size limits, for depths other than 1, 4, 8, 24, or when memory runs out.
// Whatever `image` held before is released first.
bool AllocateSourceImage(SourceImage& image, int width, int height, int bits);
// Gives `image` a fresh width x height mask of 1s; on failure releases the block as well.
bool AllocateMask(SourceImage& image, int width, int height);
void ReleaseSourceImage(SourceImage& image);

// Header fields of a block, read little-endian.
int32_t DibWidth(const uint8_t* dib);
int32_t DibHeight(const uint8_t* dib);
int DibBitCount(const uint8_t* dib);
uint32_t DibCompression(const uint8_t* dib);
// Writes a 40-byte header with the given size and depth; biSizeImage and biClrUsed follow from them.
void WriteDibHeader(uint8_t* dib, int width, int height, int bits);
