#include "source_image.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "codec_bytes.h"
#include "placement_kernels.h"

namespace {

uint64_t PaletteBytes(int bits) { return bits < 24 ? 4ull << bits : 0; }

// Bytes a row's pixels take, before padding.
uint64_t PixelBytes(int width, int bits) { return (uint64_t(width < 0 ? 0 : width) * uint64_t(bits) + 7) / 8; }

// Zero where no row is written: header, palette, the padding at each row's end and the slack
// past the last row, so no byte of the block is ever undefined.
void ClearAllButPixels(uint8_t* block, int width, int height, int bits)
{
    const uint64_t head = SourceHeaderSize + PaletteBytes(bits);
    const uint64_t rowSize = SourceRowSize(width, bits);
    const uint64_t used = PixelBytes(width, bits);
    std::memset(block, 0, head);
    uint8_t* rows = block + head;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // A decoder that leaves a pixel unwritten shows it as a stray value, not as a quiet zero.
    std::memset(rows, 0xA5, rowSize * uint64_t(height));
#endif
    if (used < rowSize)
        for (int y = 0; y < height; ++y)
            std::memset(rows + uint64_t(y) * rowSize + used, 0, rowSize - used);
    std::memset(rows + rowSize * uint64_t(height), 0, SourceBlockOverhead - SourceHeaderSize);
}

}  // namespace

SourceImage::SourceImage(SourceImage&& other) noexcept
    : dib(std::exchange(other.dib, nullptr)),
      mask(std::exchange(other.mask, nullptr)),
      alpha(std::exchange(other.alpha, nullptr)),
      allocated(std::exchange(other.allocated, false)),
      maskSize(std::exchange(other.maskSize, 0))
{
}

SourceImage& SourceImage::operator=(SourceImage&& other) noexcept
{
    if (this != &other) {
        ReleaseSourceImage(*this);
        dib = std::exchange(other.dib, nullptr);
        mask = std::exchange(other.mask, nullptr);
        alpha = std::exchange(other.alpha, nullptr);
        allocated = std::exchange(other.allocated, false);
        maskSize = std::exchange(other.maskSize, 0);
    }
    return *this;
}

SourceImage::~SourceImage() { ReleaseSourceImage(*this); }

uint64_t SourceRowSize(int width, int bits)
{
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return 0;
    return (PixelBytes(width, bits) + 3) & ~uint64_t(3);
}

void WriteDibHeader(uint8_t* dib, int width, int height, int bits)
{
    std::memset(dib, 0, SourceHeaderSize);
    PutLe32(dib, SourceHeaderSize);
    PutLe32(dib + 4, uint32_t(width));
    PutLe32(dib + 8, uint32_t(height));
    PutLe16(dib + 12, 1);
    PutLe16(dib + 14, uint32_t(bits));
    PutLe32(dib + 20, uint32_t(SourceRowSize(width, bits) * uint64_t(height < 0 ? 0 : height)));
    PutLe32(dib + 32, bits < 24 ? 1u << bits : 0);
}

bool AllocateSourceImage(SourceImage& image, int width, int height, int bits, bool rowsWritten)
{
    ReleaseSourceImage(image);
    if (width > MaxSourceSide || height > MaxSourceSide || width < 0 || height < 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        return false;
    const uint64_t rowSize = SourceRowSize(width, bits);
    const uint64_t blockSize = rowSize * uint64_t(height) + PaletteBytes(bits) + SourceBlockOverhead;
    if (blockSize > MaxSourceBlock)
        return false;
    auto* block = static_cast<uint8_t*>(rowsWritten ? std::malloc(blockSize) : std::calloc(blockSize, 1));
    if (!block)
        return false;
    if (rowsWritten)
        ClearAllButPixels(block, width, height, bits);
    WriteDibHeader(block, width, height, bits);
    image.dib = block;
    return AllocateMask(image, width, height);
}

bool AllocateMask(SourceImage& image, int width, int height)
{
    if (image.mask)
        std::free(image.mask);
    image.mask = nullptr;
    const size_t count = size_t(width < 0 ? 0 : width) * size_t(height < 0 ? 0 : height);
    // An empty picture still gets a valid (unused) mask pointer.
    image.mask = static_cast<uint8_t*>(std::malloc(count ? count : 1));
    if (!image.mask) {
        std::free(image.dib);
        ReleaseAlpha(image);
        image.dib = nullptr;
        image.allocated = false;
        image.maskSize = 0;
        return false;
    }
    std::memset(image.mask, 1, count);
    image.maskSize = int(count);
    image.allocated = true;
    return true;
}

void ReleaseSourceImage(SourceImage& image)
{
    if (!image.allocated)
        return;
    std::free(image.dib);
    std::free(image.mask);
    std::free(image.alpha);
    image.dib = nullptr;
    image.mask = nullptr;
    image.alpha = nullptr;
    image.allocated = false;
    image.maskSize = 0;
}

uint8_t* AllocateAlpha(SourceImage& image, int width, int height)
{
    ReleaseAlpha(image);
    if (!image.allocated || width < 0 || height < 0)
        return nullptr;
    const size_t count = size_t(width) * size_t(height);
    image.alpha = static_cast<uint8_t*>(std::malloc(count ? count : 1));
    if (image.alpha)
        std::memset(image.alpha, 255, count);
    return image.alpha;
}

void ReleaseAlpha(SourceImage& image)
{
    std::free(image.alpha);
    image.alpha = nullptr;
}

bool DropOpaqueAlpha(SourceImage& image, int width, int height)
{
    if (!image.alpha)
        return false;
    if (AllOpaque(image.alpha, size_t(width < 0 ? 0 : width) * size_t(height < 0 ? 0 : height))) {
        ReleaseAlpha(image);
        return false;
    }
    return true;
}

int32_t DibWidth(const uint8_t* dib) { return int32_t(Le32(dib + 4)); }
int32_t DibHeight(const uint8_t* dib) { return int32_t(Le32(dib + 8)); }
int DibBitCount(const uint8_t* dib) { return int(dib[14]) | int(dib[15]) << 8; }
uint32_t DibCompression(const uint8_t* dib) { return Le32(dib + 16); }
