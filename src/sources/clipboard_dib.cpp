#include "clipboard_dib.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "codec_bytes.h"
#include "merge_settings.h"

namespace {

constexpr uint32_t InfoHeaderSize = 40;
// Headers of this size or more carry the three colour masks inside themselves.
constexpr uint32_t MaskedHeaderSize = 52;
constexpr uint32_t BitFieldsBytes = 12;
constexpr uint32_t RgbCompression = 0;
constexpr uint32_t BitFieldsCompression = 3;
constexpr uint32_t AlphaBitFieldsCompression = 6;
// Headers of this size or more carry an alpha mask after the colour masks.
constexpr uint32_t AlphaMaskHeaderSize = 56;
constexpr uint32_t AlphaBitFieldsBytes = 16;


// Where the parts of a pasted block lie, all checked against the block's size.
struct DibLayout {
    int width = 0;
    int height = 0;  // absolute
    bool topDown = false;
    int bits = 0;
    uint64_t paletteOffset = 0;
    uint32_t paletteEntries = 0;
    uint64_t maskOffset = 0;  // 16 bits with bit fields only
    bool bitFields = false;
    uint64_t pixelOffset = 0;
    uint64_t rowBytes = 0;
    int alphaByte = -1;  // 32 bits: the byte of each pixel that holds its opacity, -1 for none
};

// The byte an alpha mask selects; -1 unless it selects exactly one whole byte.
int AlphaByteOf(uint32_t mask)
{
    for (int i = 0; i < 4; ++i)
        if (mask == 0xFFu << (8 * i))
            return i;
    return -1;
}

// A 16-bit channel: the masked value shifted until the mask's top bit reaches bit 15.
struct Channel16 {
    uint32_t mask = 0;
    int shift = 0;
    explicit Channel16(uint32_t m) : mask(m & 0xFFFF)
    {
        // A zero mask selects nothing: the channel stays 0.
        if (mask == 0)
            return;
        while (!((mask << shift) & 0x8000))
            ++shift;
    }
    uint8_t Of(uint32_t v) const { return uint8_t(((v & mask) << shift) >> 8); }
};

// Reads the header and decides the layout; ClipboardConverted when the block can be converted.
int ReadLayout(const uint8_t* block, size_t blockSize, DibLayout& out)
{
    if (blockSize < InfoHeaderSize)
        return ClipboardNotAccepted;
    const uint32_t headerSize = Le32(block);
    if (headerSize < InfoHeaderSize || headerSize > blockSize)
        return ClipboardNotAccepted;
    const int64_t w = int32_t(Le32(block + 4));
    const int64_t h = int32_t(Le32(block + 8));
    const int bits = int(Le16(block + 14));
    const uint32_t compression = Le32(block + 16);
    const uint32_t clrUsed = Le32(block + 32);
    switch (bits) {
    case 1: case 24: case 32: break;
    case 4: case 8:
        if (compression != RgbCompression)
            return ClipboardNotAccepted;
        break;
    case 16:
        if (compression != RgbCompression && compression != BitFieldsCompression)
            return ClipboardNotAccepted;
        break;
    default: return ClipboardNotAccepted;
    }
    if (w <= 0 || h == 0)
        return ClipboardNotAccepted;
    const int64_t absHeight = h < 0 ? -h : h;
    if (w > MaxSourceSide || absHeight > MaxSourceSide)
        return ClipboardNotBuilt;
    out.width = int(w);
    out.height = int(absHeight);
    out.topDown = h < 0;
    out.bits = bits;
    out.rowBytes = (uint64_t(w) * uint64_t(bits) + 31) / 32 * 4;
    out.paletteOffset = headerSize;
    out.pixelOffset = headerSize;
    const bool fieldsInHeader = headerSize >= MaskedHeaderSize;
    if (bits <= 8) {
        out.paletteEntries = bits == 1 ? 2 : clrUsed != 0 ? clrUsed : 1u << bits;
        out.pixelOffset = headerSize + 4ull * out.paletteEntries;
    } else if (compression == BitFieldsCompression && (bits == 16 || bits == 32)) {
        out.bitFields = bits == 16;
        out.maskOffset = fieldsInHeader ? InfoHeaderSize : headerSize;
        out.pixelOffset = fieldsInHeader ? headerSize : headerSize + BitFieldsBytes;
        if (bits == 32 && headerSize >= AlphaMaskHeaderSize)
            out.alphaByte = AlphaByteOf(Le32(block + InfoHeaderSize + BitFieldsBytes));
    } else if (compression == AlphaBitFieldsCompression && bits == 32) {
        // Four masks, in the header when it has room for them, else right after it.
        const bool inHeader = headerSize >= AlphaMaskHeaderSize;
        const uint64_t alphaAt = (inHeader ? InfoHeaderSize : headerSize) + BitFieldsBytes;
        out.pixelOffset = inHeader ? headerSize : headerSize + AlphaBitFieldsBytes;
        if (alphaAt + 4 > blockSize)
            return ClipboardNotBuilt;
        out.alphaByte = AlphaByteOf(Le32(block + alphaAt));
    }
    if (out.maskOffset + BitFieldsBytes > blockSize && out.bitFields)
        return ClipboardNotBuilt;
    // Every row must be there; only the last row's padding may be missing.
    const uint64_t lastRow = (uint64_t(w) * uint64_t(bits) + 7) / 8;
    const uint64_t pixelBytes = out.rowBytes * uint64_t(absHeight - 1) + lastRow;
    if (out.pixelOffset > blockSize || blockSize - out.pixelOffset < pixelBytes)
        return ClipboardNotBuilt;
    return ClipboardConverted;
}

using Palette = std::array<Bgr, 256>;

// Entries the block does not hold (an index past biClrUsed) come out black.
Palette ReadPalette(const uint8_t* block, const DibLayout& layout)
{
    Palette palette{};
    const uint32_t count = std::min<uint32_t>(layout.paletteEntries, 256);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = block + layout.paletteOffset + 4 * i;
        palette[i] = Bgr{e[0], e[1], e[2]};
    }
    return palette;
}

void Put(uint8_t* out, Bgr c)
{
    out[0] = c.blue;
    out[1] = c.green;
    out[2] = c.red;
}

void ConvertRow(const uint8_t* src, uint8_t* out, const DibLayout& layout, const Palette& palette,
                const Channel16* channels)
{
    const int w = layout.width;
    switch (layout.bits) {
    case 1:
        for (int x = 0; x < w; ++x, out += 3)
            Put(out, palette[(src[x >> 3] >> (7 - (x & 7))) & 1]);
        break;
    case 4:
        for (int x = 0; x < w; ++x, out += 3)
            Put(out, palette[(x & 1) ? src[x >> 1] & 0x0F : src[x >> 1] >> 4]);
        break;
    case 8:
        for (int x = 0; x < w; ++x, out += 3)
            Put(out, palette[src[x]]);
        break;
    case 16:
        for (int x = 0; x < w; ++x, out += 3) {
            const uint32_t v = Le16(src + 2 * x);
            Put(out, Bgr{channels[2].Of(v), channels[1].Of(v), channels[0].Of(v)});
        }
        break;
    case 24: std::memcpy(out, src, size_t(w) * 3); break;
    case 32:
        for (int x = 0; x < w; ++x, out += 3, src += 4)
            std::memcpy(out, src, 3);
        break;
    }
}

// The opacity of a 32-bit block with an alpha mask. A plane of zeros only is what programs
// leave in a fourth byte they do not use, not an invisible picture: it is dropped, as is an
// opaque one. Without memory for it the picture stays opaque.
void ReadAlpha(const uint8_t* block, const DibLayout& layout, SourceImage& image)
{
    if (!AllocateAlpha(image, layout.width, layout.height))
        return;
    bool anyAbove0 = false;
    for (int r = 0; r < layout.height; ++r) {
        const int srcRow = layout.topDown ? layout.height - 1 - r : r;
        const uint8_t* src = block + layout.pixelOffset + uint64_t(srcRow) * layout.rowBytes + layout.alphaByte;
        uint8_t* out = image.AlphaRow(layout.width, r);
        for (int x = 0; x < layout.width; ++x, src += 4) {
            out[x] = *src;
            anyAbove0 |= *src != 0;
        }
    }
    if (!anyAbove0)
        ReleaseAlpha(image);
    else
        DropOpaqueAlpha(image, layout.width, layout.height);
}

}  // namespace

int ConvertClipboardImage(const uint8_t* block, size_t blockSize, SourceImage& image, int& width,
                          int& height)
{
    if (!block || blockSize == 0)
        return ClipboardNoBlock;
    DibLayout layout;
    if (const int result = ReadLayout(block, blockSize, layout); result != ClipboardConverted)
        return result;
    const uint64_t outRow = SourceRowSize(layout.width, 24);
    if (outRow * uint64_t(layout.height) + 54 > MaxPastedBlock)
        return ClipboardNotBuilt;

    const Palette palette = layout.bits <= 8 ? ReadPalette(block, layout) : Palette{};
    uint32_t red = 0x7C00, green = 0x03E0, blue = 0x001F;
    if (layout.bitFields) {
        red = Le32(block + layout.maskOffset);
        green = Le32(block + layout.maskOffset + 4);
        blue = Le32(block + layout.maskOffset + 8);
    }
    const Channel16 channels[3] = {Channel16(red), Channel16(green), Channel16(blue)};

    SourceImage converted;
    if (!AllocateSourceImage(converted, layout.width, layout.height, 24))
        return ClipboardNotBuilt;
    uint8_t* rows = converted.dib + InfoHeaderSize;
    for (int r = 0; r < layout.height; ++r) {
        // Stored row r of the result is the r-th row from the bottom of the picture.
        const int srcRow = layout.topDown ? layout.height - 1 - r : r;
        ConvertRow(block + layout.pixelOffset + uint64_t(srcRow) * layout.rowBytes,
                   rows + uint64_t(r) * outRow, layout, palette, channels);
    }
    if (layout.alphaByte >= 0)
        ReadAlpha(block, layout, converted);
    image = std::move(converted);
    width = layout.width;
    height = layout.height;
    return ClipboardConverted;
}

std::vector<uint8_t> BuildTargetDib(const TargetImage& target)
{
    const int tw = std::max(target.width, 0);
    const int th = std::max(target.height, 0);
    const size_t rowSize = size_t(3 * tw + tw % 4);
    const size_t imageSize = rowSize * size_t(th);
    std::vector<uint8_t> block(InfoHeaderSize + imageSize, 0);
    uint8_t* h = block.data();
    PutLe32(h, InfoHeaderSize);
    PutLe32(h + 4, uint32_t(tw));
    PutLe32(h + 8, uint32_t(th));
    h[12] = 1;
    h[14] = 24;
    PutLe32(h + 20, uint32_t(imageSize));
    for (int r = 0; r < th; ++r)
        std::memcpy(h + InfoHeaderSize + size_t(r) * rowSize,
                    target.pixels.data() + size_t(r) * size_t(tw) * 3, size_t(tw) * 3);
    return block;
}
