#include "raster_image.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>

#include "bmp_codec.h"
#include "file_stream.h"
#include "memory_stream.h"
#include "pcx_codec.h"
#include "tga_codec.h"

namespace {
constexpr const char* ZeroSizeText = "RasterImage::Create : width and height must be greater than zero";
constexpr const char* MaxMemoryText = "RASTER_MAX_MEMORY exceeded";
constexpr const char* NoMemoryText = "RasterImage::Create can't allocate memory";
constexpr const char* NullStreamText = "null file handler";
constexpr const char* NullImageText = "null image!!!";
constexpr const char* UnknownDecodeText = "Decode: Unknown or wrong format";
constexpr const char* UnknownEncodeText = "Encode: Unknown format";

constexpr int32_t DefaultDpi = 96;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Fuzzing builds keep pictures small, so each input runs in microseconds rather than allocating
// hundreds of megabytes; every limit below scales with it.
constexpr uint64_t CreateLimit = 16u << 20;
#else
constexpr uint64_t CreateLimit = RASTER_MAX_MEMORY;
#endif
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Fuzzing builds fill a picture made for decoding with a byte that changes from one picture to the
// next, so a target that decodes the same input twice sees any byte a decoder leaves unwritten.
uint8_t NextFuzzFill()
{
    static uint8_t fill = 0x5A;
    fill = static_cast<uint8_t>(~fill);
    return fill;
}
#endif
// Row padding may at most double the counted size; only pictures a few pixels wide and millions
// of rows tall reach this, and their blocks would otherwise run into gigabytes.
constexpr uint64_t MaxPixelArea = 2 * CreateLimit;

uint32_t StoredDepth(uint32_t bitsPerPixel)
{
    if (bitsPerPixel <= 1)
        return 1;
    if (bitsPerPixel <= 4)
        return 4;
    if (bitsPerPixel <= 8)
        return 8;
    return 24;
}

int32_t PelsPerMeter(int32_t dpi)
{
    // Beyond about 54 million dpi the metric value no longer fits its field: it saturates.
    const double pels = std::floor(dpi * 10000.0 / 254.0 + 0.5);
    return static_cast<int32_t>(std::min(pels, double{std::numeric_limits<int32_t>::max()}));
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

// Rows are read and written a few kilobytes at a time; a larger buffer saves most system calls.
constexpr size_t FileBufferSize = 256 * 1024;

FileHandle OpenFile(const char* name, const char* mode)
{
    FileHandle file(std::fopen(name, mode));
    if (file)
        std::setvbuf(file.get(), nullptr, _IOFBF, FileBufferSize);
    return file;
}
}  // namespace

RasterImage::RasterImage(ImageFormatId id)
{
    StartUp(id);
}

RasterImage::RasterImage(const char* fileName, ImageFormatId id)
{
    StartUp(id);
    LoadFile(fileName, id);
}

RasterImage::RasterImage(unsigned char* block, uint32_t length, ImageFormatId id)
{
    StartUp(id);
    MemoryStream stream(block, static_cast<int32_t>(std::min<uint32_t>(length, INT32_MAX)));
    Decode(&stream, id);
}

RasterImage::~RasterImage()
{
    ReleaseImage();
}

void RasterImage::StartUp(ImageFormatId id)
{
    ClearState();
    formatId = id;
    SetHorizontalDpi(DefaultDpi);
    SetVerticalDpi(DefaultDpi);
}

void RasterImage::ClearState()
{
    dibBlock = nullptr;
    alpha = nullptr;
    limitSide = UINT32_MAX;
    limitBytes = UINT64_MAX;
    sizeRefused = false;
    header = {};
    rowStride = 0;
    pixels = nullptr;
    viewOf = nullptr;
    formatId = FormatAuto;
    errorText[0] = '\0';
    horizontalDpi = 0;
    verticalDpi = 0;
}

uint8_t* RasterImage::Create(uint32_t width, uint32_t height, uint32_t bitsPerPixel, ImageFormatId id)
{
    return Allocate(width, height, bitsPerPixel, id, true);
}

uint8_t* RasterImage::CreateForDecoding(uint32_t width, uint32_t height, uint32_t bitsPerPixel, ImageFormatId id)
{
    return Allocate(width, height, bitsPerPixel, id, false);
}

uint8_t* RasterImage::Allocate(uint32_t width, uint32_t height, uint32_t bitsPerPixel, ImageFormatId id,
                               bool clearPixels)
{
    if (!ReleaseImage())
        return nullptr;
    if (width == 0 || height == 0) {
        Fail(ZeroSizeText);
        return nullptr;
    }
    sizeRefused = width > limitSide || height > limitSide || ((uint64_t{width} * 3 + 3) & ~uint64_t{3}) * height > limitBytes;
    if (sizeRefused) {
        const std::string text = "picture of " + std::to_string(width) + " x " + std::to_string(height) +
                                 " pixels is beyond the source limits";
        Fail(text.c_str());
        return nullptr;
    }
    const uint32_t depth = StoredDepth(bitsPerPixel);
    const unsigned __int128 counted = static_cast<unsigned __int128>(width) * height * depth / 8;
    const uint64_t stride = ((uint64_t{width} * depth + 31) >> 5) * 4;
    if (counted > CreateLimit || stride * height > MaxPixelArea) {
        Fail(MaxMemoryText);
        return nullptr;
    }
    const uint32_t colours = depth == 24 ? 0 : (1u << depth);
    rowStride = static_cast<uint32_t>(stride);
    formatId = id;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = static_cast<int32_t>(width);
    header.biHeight = static_cast<int32_t>(height);
    header.biPlanes = 1;
    header.biBitCount = static_cast<uint16_t>(depth);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<uint32_t>(stride * height);
    header.biClrUsed = colours;
    // Cleared, so no caller can leave undefined bytes in a picture; a decoder that writes every
    // pixel byte itself skips clearing the pixels it is about to overwrite.
    const size_t headSize = sizeof header + 4 * colours;
    const size_t blockSize = headSize + header.biSizeImage;
    dibBlock = static_cast<uint8_t*>(clearPixels ? std::calloc(blockSize, 1) : std::malloc(blockSize));
    if (!dibBlock) {
        ReleaseImage();
        Fail(NoMemoryText);
        return nullptr;
    }
    if (!clearPixels) {
        std::memset(dibBlock, 0, headSize);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
        std::memset(dibBlock + headSize, NextFuzzFill(), header.biSizeImage);
#endif
    }
    std::memcpy(dibBlock, &header, sizeof header);
    pixels = dibBlock + sizeof header + 4 * colours;
    return dibBlock;
}

bool RasterImage::ReleaseImage()
{
    if (viewOf)
        return false;
    std::free(dibBlock);
    std::free(alpha);
    dibBlock = nullptr;
    alpha = nullptr;
    pixels = nullptr;
    rowStride = 0;
    // Resolution and biClrImportant outlive the picture; its geometry does not.
    header.biWidth = header.biHeight = 0;
    header.biBitCount = 0;
    header.biSizeImage = header.biClrUsed = 0;
    return true;
}

uint32_t RasterImage::DibSize() const
{
    if (!dibBlock)
        return 0;
    return static_cast<uint32_t>(sizeof(BITMAPINFOHEADER) + 4 * header.biClrUsed + header.biSizeImage);
}

void RasterImage::CopyStateFrom(const RasterImage& source)
{
    formatId = source.formatId;
    std::memcpy(errorText, source.errorText, sizeof errorText);
    horizontalDpi = source.horizontalDpi;
    verticalDpi = source.verticalDpi;
    header.biXPelsPerMeter = source.header.biXPelsPerMeter;
    header.biYPelsPerMeter = source.header.biYPelsPerMeter;
    limitSide = source.limitSide;
    limitBytes = source.limitBytes;
    sizeRefused = source.sizeRefused;
    if (dibBlock)
        std::memcpy(dibBlock, &header, sizeof header);
}

bool RasterImage::TakeOver(RasterImage& source)
{
    if (&source == this || !ReleaseImage())
        return false;
    header = source.header;
    CopyStateFrom(source);
    rowStride = source.rowStride;
    dibBlock = source.dibBlock;
    pixels = source.pixels;
    alpha = source.alpha;
    source.ClearState();
    return true;
}

void RasterImage::BecomeViewOf(RasterImage& source)
{
    ReleaseImage();
    header = source.header;
    CopyStateFrom(source);
    rowStride = source.rowStride;
    dibBlock = source.dibBlock;
    pixels = source.pixels;
    alpha = source.alpha;
    viewOf = &source;
}

void RasterImage::SetErrorText(const char* text)
{
    std::strncpy(errorText, text ? text : "", sizeof errorText - 1);
    errorText[sizeof errorText - 1] = '\0';
}

bool RasterImage::Fail(const char* text)
{
    SetErrorText(text);
    return false;
}

bool RasterImage::CanEncode(const ByteStream* stream, uint32_t maxWidth, uint32_t maxHeight,
                            const char* tooLargeText)
{
    if (!stream)
        return Fail(NullStreamText);
    if (!HasImage())
        return Fail(NullImageText);
    if (Width() > maxWidth || Height() > maxHeight)
        return Fail(tooLargeText);
    return true;
}

const uint8_t* RasterImage::Row24(uint32_t y, uint8_t* scratch) const
{
    if (BitsPerPixel() == 24)
        return PixelRow(y);
    for (uint32_t x = 0; x < Width(); ++x) {
        const RasterColor c = PixelColor(x, y);
        std::memcpy(scratch + 3 * x, &c, 3);
    }
    return scratch;
}

void RasterImage::SetRawDpi(int32_t horizontal, int32_t vertical)
{
    horizontalDpi = horizontal;
    verticalDpi = vertical;
}

void RasterImage::SetHorizontalDpi(int32_t dpi)
{
    horizontalDpi = dpi <= 0 ? DefaultDpi : dpi;
    header.biXPelsPerMeter = PelsPerMeter(horizontalDpi);
    if (dibBlock)
        reinterpret_cast<BITMAPINFOHEADER*>(dibBlock)->biXPelsPerMeter = header.biXPelsPerMeter;
}

void RasterImage::SetVerticalDpi(int32_t dpi)
{
    verticalDpi = dpi <= 0 ? DefaultDpi : dpi;
    header.biYPelsPerMeter = PelsPerMeter(verticalDpi);
    if (dibBlock)
        reinterpret_cast<BITMAPINFOHEADER*>(dibBlock)->biYPelsPerMeter = header.biYPelsPerMeter;
}

uint8_t* RasterImage::CreateAlpha()
{
    if (!dibBlock || viewOf)
        return nullptr;
    std::free(alpha);
    const size_t count = size_t{Width()} * Height();
    alpha = static_cast<uint8_t*>(std::malloc(count));
    if (alpha)
        std::memset(alpha, 255, count);
    return alpha;
}

void RasterImage::KeepAlphaIfUsed()
{
    if (!alpha || viewOf)
        return;
    const size_t count = size_t{Width()} * Height();
    const uint8_t first = alpha[0];
    if ((first == 0 || first == 255) && std::all_of(alpha, alpha + count, [first](uint8_t a) { return a == first; })) {
        std::free(alpha);
        alpha = nullptr;
    }
}

uint8_t* RasterImage::AlphaRow(int64_t y) const
{
    if (!alpha || y < 0 || y >= static_cast<int64_t>(Height()))
        return nullptr;
    return alpha + static_cast<uint64_t>(y) * Width();
}

void RasterImage::LimitDecodedSize(uint32_t maxSide, uint64_t maxBytes)
{
    limitSide = maxSide;
    limitBytes = maxBytes;
}

bool RasterImage::LoadFile(const char* fileName, ImageFormatId id)
{
    if (!fileName)
        return false;
    if (id == FormatBmp || id == FormatTga || id == FormatPcx) {
        FileHandle file = OpenFile(fileName, "rb");
        if (!file)
            return false;
        FileStream stream(file.get());
        if (Decode(&stream, id))
            return true;
    }
    // Whatever the name says, a picture of another known format is read all the same; the
    // message reported is that of the requested format.
    char requestedText[sizeof errorText];
    std::memcpy(requestedText, errorText, sizeof errorText);
    FileHandle file = OpenFile(fileName, "rb");
    if (!file)
        return false;
    FileStream stream(file.get());
    const bool decoded = Decode(&stream, FormatAuto);
    if (!decoded && id != FormatAuto)
        std::memcpy(errorText, requestedText, sizeof errorText);
    return decoded;
}

bool RasterImage::SaveFile(const char* fileName, ImageFormatId id)
{
    if (!fileName)
        return false;
    FileHandle file = OpenFile(fileName, "wb");
    if (!file)
        return false;
    FileStream stream(file.get());
    return Encode(&stream, id);
}

bool RasterImage::RefuseAs(const RasterImage& codec)
{
    sizeRefused = codec.sizeRefused;
    return Fail(codec.ErrorText());
}

bool RasterImage::DecodeWith(ByteStream* stream, ImageFormatId id)
{
    bool decoded = false;
    switch (id) {
    case FormatBmp: {
        BmpCodec codec(id);
        codec.CopyStateFrom(*this);
        decoded = codec.Decode(stream) ? TakeOver(codec) : RefuseAs(codec);
        break;
    }
    case FormatTga: {
        TgaCodec codec(id);
        codec.CopyStateFrom(*this);
        decoded = codec.Decode(stream) ? TakeOver(codec) : RefuseAs(codec);
        break;
    }
    case FormatPcx: {
        PcxCodec codec(id);
        codec.CopyStateFrom(*this);
        decoded = codec.Decode(stream) ? TakeOver(codec) : RefuseAs(codec);
        break;
    }
    default: return Fail(UnknownDecodeText);
    }
    return decoded;
}

bool RasterImage::Decode(ByteStream* stream, ImageFormatId id)
{
    if (!stream)
        return Fail(NullStreamText);
    if (id != FormatAuto)
        return DecodeWith(stream, id);
    const int32_t start = stream->Position();
    for (ImageFormatId candidate : {FormatBmp, FormatTga, FormatPcx}) {
        if (DecodeWith(stream, candidate))
            return true;
        stream->SeekTo(start, SEEK_SET);
    }
    return Fail(UnknownDecodeText);
}

bool RasterImage::Encode(ByteStream* stream, ImageFormatId id)
{
    switch (id) {
    case FormatTga: {
        TgaCodec codec(id);
        codec.BecomeViewOf(*this);
        if (codec.Encode(stream))
            return true;
        return Fail(codec.ErrorText());
    }
    case FormatPcx: {
        PcxCodec codec(id);
        codec.BecomeViewOf(*this);
        if (codec.Encode(stream))
            return true;
        return Fail(codec.ErrorText());
    }
    default: return Fail(UnknownEncodeText);
    }
}

uint8_t* RasterImage::PixelRow(int64_t y) const
{
    if (!dibBlock || y < 0 || y >= static_cast<int64_t>(Height()))
        return nullptr;
    return pixels + static_cast<uint64_t>(y) * rowStride;
}

uint8_t* RasterImage::PaletteArea() const
{
    return dibBlock && header.biClrUsed ? dibBlock + sizeof(BITMAPINFOHEADER) : nullptr;
}

void RasterImage::SetPaletteEntry(uint32_t i, uint8_t red, uint8_t green, uint8_t blue)
{
    uint8_t* palette = PaletteArea();
    if (!palette || i >= header.biClrUsed)
        return;
    palette[4 * i] = blue;
    palette[4 * i + 1] = green;
    palette[4 * i + 2] = red;
    palette[4 * i + 3] = 0;
}

void RasterImage::SetGrayRamp()
{
    const uint32_t n = header.biClrUsed;
    if (!PaletteArea() || n < 2)
        return;
    const uint32_t step = 255 / (n - 1);
    for (uint32_t i = 0; i < n; ++i) {
        const auto level = static_cast<uint8_t>(i * step);
        SetPaletteEntry(i, level, level, level);
    }
}

void RasterImage::SetPixelIndex(int64_t x, int64_t y, uint32_t index)
{
    if (!PaletteArea() || x < 0 || x >= static_cast<int64_t>(Width()))
        return;
    uint8_t* row = PixelRow(y);
    if (!row)
        return;
    switch (header.biBitCount) {
    case 8: row[x] = static_cast<uint8_t>(index); break;
    case 4: {
        uint8_t& b = row[x >> 1];
        b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 0x0F))
                    : static_cast<uint8_t>((b & 0x0F) | ((index & 0x0F) << 4));
        break;
    }
    case 1: {
        uint8_t& b = row[x >> 3];
        const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
        b = (index & 1) ? static_cast<uint8_t>(b | mask) : static_cast<uint8_t>(b & ~mask);
        break;
    }
    default: break;
    }
}

uint32_t RasterImage::PixelIndex(int64_t x, int64_t y) const
{
    const uint8_t* row = PixelRow(y);
    if (!row || !PaletteArea() || x < 0 || x >= static_cast<int64_t>(Width()))
        return 0;
    switch (header.biBitCount) {
    case 8: return row[x];
    case 4: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    default: return 0;
    }
}

void RasterImage::SetPixelColor(int64_t x, int64_t y, uint8_t red, uint8_t green, uint8_t blue)
{
    if (PaletteArea() || x < 0 || x >= static_cast<int64_t>(Width()))
        return;
    uint8_t* row = PixelRow(y);
    if (!row)
        return;
    uint8_t* p = row + 3 * x;
    p[0] = blue;
    p[1] = green;
    p[2] = red;
}

RasterColor RasterImage::PixelColor(int64_t x, int64_t y) const
{
    const uint8_t* row = PixelRow(y);
    if (!row || x < 0 || x >= static_cast<int64_t>(Width()))
        return {};
    if (const uint8_t* palette = PaletteArea()) {
        const uint8_t* entry = palette + 4 * PixelIndex(x, y);
        return {entry[0], entry[1], entry[2]};
    }
    const uint8_t* p = row + 3 * x;
    return {p[0], p[1], p[2]};
}

bool RasterImage::FlipRows()
{
    if (!dibBlock)
        return false;
    std::unique_ptr<uint8_t[]> spare(new (std::nothrow) uint8_t[rowStride]);
    if (!spare)
        return false;
    const uint32_t height = Height();
    for (uint32_t y = 0; y < height / 2; ++y) {
        uint8_t* a = PixelRow(y);
        uint8_t* b = PixelRow(height - 1 - y);
        std::memcpy(spare.get(), a, rowStride);
        std::memcpy(a, b, rowStride);
        std::memcpy(b, spare.get(), rowStride);
        if (alpha)
            std::swap_ranges(AlphaRow(y), AlphaRow(y) + Width(), AlphaRow(height - 1 - y));
    }
    return true;
}

bool RasterImage::MirrorRows()
{
    const uint32_t depth = header.biBitCount;
    if (!dibBlock || (depth != 8 && depth != 24))
        return false;
    const uint32_t width = Width();
    for (uint32_t y = 0; y < Height(); ++y) {
        uint8_t* row = PixelRow(y);
        if (uint8_t* a = AlphaRow(y))
            std::reverse(a, a + width);
        if (depth == 8) {
            std::reverse(row, row + width);
            continue;
        }
        for (uint32_t l = 0, r = width - 1; l < r; ++l, --r)
            std::swap_ranges(row + 3 * l, row + 3 * l + 3, row + 3 * r);
    }
    return true;
}
