#include "bmp_codec.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "codec_bytes.h"
#include "stream_reader.h"

namespace {
constexpr const char* NotBmpText = "Not a BMP";
constexpr const char* BadInfoText = "Error reading BMP info";
constexpr const char* CompressionText = "compression type not supported";
constexpr const char* UnknownCompressionText = "unknown compression";
constexpr const char* NoMemoryText = "can't allocate memory";

constexpr uint16_t BmpSignature = 0x4D42;
constexpr uint32_t FileHeaderSize = 14;
constexpr uint32_t InfoHeaderSize = 40;
constexpr uint32_t CoreHeaderSize = 12;
constexpr uint32_t V2HeaderSize = 64;
// Headers of at least this size carry an alpha mask after the three colour masks.
constexpr uint32_t AlphaMaskHeaderSize = 56;
constexpr uint32_t BI_ALPHABITFIELDS = 6;

// Stream offsets are 32-bit; anything further simply lies past the end.
int32_t ClampOffset(int64_t offset)
{
    return static_cast<int32_t>(std::clamp<int64_t>(offset, 0, std::numeric_limits<int32_t>::max()));
}

void ParseInfoHeader(const uint8_t* raw, BITMAPINFOHEADER& info)
{
    info.biSize = Le32(raw);
    info.biWidth = static_cast<int32_t>(Le32(raw + 4));
    info.biHeight = static_cast<int32_t>(Le32(raw + 8));
    info.biPlanes = Le16(raw + 12);
    info.biBitCount = Le16(raw + 14);
    info.biCompression = Le32(raw + 16);
    info.biSizeImage = Le32(raw + 20);
    info.biXPelsPerMeter = static_cast<int32_t>(Le32(raw + 24));
    info.biYPelsPerMeter = static_cast<int32_t>(Le32(raw + 28));
    info.biClrUsed = Le32(raw + 32);
    info.biClrImportant = Le32(raw + 36);
}

// The long headers are trusted only when their image size covers the rows they declare
// (32-bit arithmetic, as such files were written).
bool LongHeaderPlausible(const BITMAPINFOHEADER& info)
{
    const auto rowWords =
        static_cast<int32_t>(uint32_t{info.biBitCount} * static_cast<uint32_t>(info.biWidth) + 31u) / 32;
    const uint32_t needed = static_cast<uint32_t>(rowWords) * static_cast<uint32_t>(info.biHeight) * 4u;
    return info.biSizeImage >= needed && info.biPlanes == 1 && info.biClrUsed == 0;
}

bool ReadInfoHeader(ByteStream& in, BITMAPINFOHEADER& info)
{
    uint8_t raw[InfoHeaderSize];
    if (in.ReadBlock(raw, InfoHeaderSize, 1) != 1)
        return false;
    ParseInfoHeader(raw, info);
    if (info.biSize == CoreHeaderSize) {
        info.biWidth = Le16(raw + 4);
        info.biHeight = Le16(raw + 6);
        info.biPlanes = Le16(raw + 8);
        info.biBitCount = Le16(raw + 10);
        info.biCompression = info.biSizeImage = info.biClrUsed = info.biClrImportant = 0;
        info.biXPelsPerMeter = info.biYPelsPerMeter = 0;
        in.SeekTo(-static_cast<int32_t>(InfoHeaderSize - CoreHeaderSize), SEEK_CUR);
    } else if (info.biSize == V2HeaderSize) {
        in.SeekTo(static_cast<int32_t>(V2HeaderSize - InfoHeaderSize), SEEK_CUR);
    } else if (info.biSize != InfoHeaderSize) {
        if (info.biSize < InfoHeaderSize || !LongHeaderPlausible(info))
            return false;
        // With masks the stream stays on them, right after the first 40 bytes.
        if (info.biCompression == BI_RGB)
            in.SeekTo(ClampOffset(int64_t{info.biSize} - InfoHeaderSize), SEEK_CUR);
    }
    if (info.biSizeImage == 0)
        info.biSizeImage = ((uint32_t{info.biBitCount} * static_cast<uint32_t>(info.biWidth) + 31u) >> 5) * 4u *
                           static_cast<uint32_t>(info.biHeight);
    if (info.biClrUsed == 0 && info.biBitCount <= 8)
        info.biClrUsed = 1u << info.biBitCount;
    return true;
}

// Positive amounts shift right, negative ones left; 32 or more leave nothing.
uint32_t ShiftBy(uint32_t value, int amount)
{
    if (amount >= 32 || amount <= -32)
        return 0;
    return amount >= 0 ? value >> amount : value << -amount;
}

int MaskByteIndex(uint32_t mask)
{
    return ((mask >> 8) != 0) + ((mask >> 16) != 0) + ((mask >> 24) != 0);
}

void ReadMasks(ByteStream& in, uint32_t* masks, int count)
{
    uint8_t raw[16] = {};
    in.ReadBlock(raw, 1, static_cast<uint32_t>(4 * count));
    for (int i = 0; i < count; ++i)
        masks[i] = Le32(raw + 4 * i);
}

// Opacity is read only from a mask that selects one whole byte of the pixel.
bool WholeByteMask(uint32_t mask)
{
    return mask == 0xFFu || mask == 0xFF00u || mask == 0xFF0000u || mask == 0xFF000000u;
}
}  // namespace

bool BmpCodec::Decode(ByteStream* stream)
{
    if (!stream)
        return false;
    ByteStream& in = *stream;
    const int32_t start = in.Position();
    uint8_t fileHeader[FileHeaderSize];
    if (in.ReadBlock(fileHeader, FileHeaderSize, 1) != 1)
        return Fail(NotBmpText);
    uint32_t offBits = Le32(fileHeader + 10);
    if (Le16(fileHeader) != BmpSignature) {
        offBits = 0;
        in.SeekTo(start, SEEK_SET);
    }
    BITMAPINFOHEADER info{};
    if (!ReadInfoHeader(in, info))
        return Fail(BadInfoText);
    const uint32_t bitCount = info.biBitCount;
    const uint32_t compression = info.biCompression;
    const bool topDown = info.biHeight < 0;
    const auto height = static_cast<uint32_t>(topDown ? -int64_t{info.biHeight} : int64_t{info.biHeight});
    if (!Create(static_cast<uint32_t>(info.biWidth), height, bitCount, FormatBmp))
        return false;
    SetHorizontalDpi(static_cast<int32_t>(std::floor(info.biXPelsPerMeter * 254.0 / 10000.0 + 0.5)));
    SetVerticalDpi(static_cast<int32_t>(std::floor(info.biYPelsPerMeter * 254.0 / 10000.0 + 0.5)));
    ReadPalette(in, info);

    const auto seekToPixels = [&] {
        if (offBits != 0)
            in.SeekTo(ClampOffset(int64_t{start} + offBits), SEEK_SET);
    };
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
        seekToPixels();
        if (compression == BI_RGB)
            in.ReadBlock(PixelArea(), 1, PixelAreaSize());
        else if (compression == BI_RLE8)
            DecodeRle8(in);
        else if (compression == BI_RLE4)
            DecodeRle4(in);
        else
            return Fail(CompressionText);
        break;
    case 16: {
        uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
        if (compression == BI_BITFIELDS)
            ReadMasks(in, masks, 3);
        seekToPixels();
        const uint64_t sourceStride = (uint64_t{Width()} + 1) / 2 * 4;
        Expand16(masks, in.ReadBlock(PixelArea(), 1, static_cast<uint32_t>(sourceStride * Height())));
        break;
    }
    case 24:
        seekToPixels();
        if (compression != BI_RGB)
            return Fail(UnknownCompressionText);
        in.ReadBlock(PixelArea(), 1, PixelAreaSize());
        break;
    case 32: {
        // Blue, green, red and the opacity, which only a mask in the file names.
        uint32_t masks[4] = {0xFF0000, 0xFF00, 0xFF, 0};
        if (compression == BI_ALPHABITFIELDS)
            ReadMasks(in, masks, 4);
        else if (compression == BI_BITFIELDS)
            ReadMasks(in, masks, info.biSize >= AlphaMaskHeaderSize ? 4 : 3);
        seekToPixels();
        if (compression != BI_RGB && compression != BI_BITFIELDS && compression != BI_ALPHABITFIELDS)
            return Fail(UnknownCompressionText);
        if (!Read32(in, masks))
            return Fail(NoMemoryText);
        break;
    }
    default: break;  // other depths carry no pixels this reader knows
    }
    if (topDown)
        FlipRows();
    return true;
}

void BmpCodec::ReadPalette(ByteStream& in, const BITMAPINFOHEADER& info)
{
    uint8_t* palette = PaletteArea();
    if (!palette)
        return;
    const uint32_t entries = PaletteEntries();
    const uint32_t entrySize = info.biSize == CoreHeaderSize ? 3 : 4;
    // Entries beyond the image's palette are skipped, so the pixels that follow stay in place.
    const uint32_t kept = std::min(info.biClrUsed, entries);
    in.ReadBlock(palette, 1, kept * entrySize);
    if (info.biClrUsed > kept)
        in.SeekTo(ClampOffset(int64_t{info.biClrUsed - kept} * entrySize), SEEK_CUR);
    if (entrySize == 3) {
        for (uint32_t i = entries; i-- > 0;) {
            uint8_t bgr[3];
            std::memcpy(bgr, palette + 3 * i, 3);
            std::memcpy(palette + 4 * i, bgr, 3);
            palette[4 * i + 3] = 0;
        }
    } else {
        for (uint32_t i = 0; i < entries; ++i)
            palette[4 * i + 3] = 0;
    }
}

void BmpCodec::DecodeRle8(ByteStream& stream)
{
    StreamReader in(stream);
    RowCursor cursor(*this);
    uint8_t* const area = PixelArea();
    const uint64_t areaSize = PixelAreaSize();
    const int64_t stride = RowStride();
    int64_t x = 0;
    int64_t y = 0;
    for (int count = in.Get(); count >= 0; count = in.Get()) {
        if (count > 0) {
            uint8_t* row = cursor.Row(y);
            const int value = in.Get();
            if (value < 0)
                break;
            // A run stops at the end of the row; the rest of it is dropped.
            for (; count > 0 && x < stride; --count)
                row[x++] = static_cast<uint8_t>(value);
            continue;
        }
        const int code = in.Get();
        if (code < 0 || code == 1)
            break;
        if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 2) {
            const int dx = in.Get();
            const int dy = in.Get();
            if (dy < 0)
                break;
            x += dx;
            y += dy;
        } else {
            // An absolute run may carry on into the following rows; writing stops at the area's end.
            const uint64_t at = static_cast<uint64_t>(cursor.Row(y) - area) + static_cast<uint64_t>(x);
            uint8_t run[255];
            const uint32_t got = in.Read(run, static_cast<uint32_t>(code));
            if (at < areaSize)
                std::memcpy(area + at, run, std::min<uint64_t>(got, areaSize - at));
            if (code & 1)
                in.Get();
            x += code;
        }
    }
}

void BmpCodec::DecodeRle4(ByteStream& stream)
{
    StreamReader in(stream);
    RowCursor cursor(*this);
    uint8_t* const area = PixelArea();
    const uint64_t areaSize = PixelAreaSize();
    int64_t x = 0;
    int64_t y = 0;
    bool high = true;
    // Nibble i of the current run, taken from data byte d, goes to the byte at row + x.
    const auto place = [&](const uint8_t* row, int i, int d) {
        const uint64_t at = static_cast<uint64_t>(row - area) + static_cast<uint64_t>(x);
        if (at < areaSize) {
            uint8_t& p = area[at];
            if (high) {
                p = static_cast<uint8_t>((i & 1) ? d << 4 : d & 0xF0);
            } else {
                p = static_cast<uint8_t>(p | ((i & 1) ? d & 0x0F : d >> 4));
                ++x;
            }
        }
        high = !high;
    };
    for (int count = in.Get(); count >= 0; count = in.Get()) {
        if (count > 0) {
            const uint8_t* row = cursor.Row(y);
            const int d = in.Get();
            if (d < 0)
                break;
            for (int i = 0; i < count; ++i)
                place(row, i, d);
            continue;
        }
        const int code = in.Get();
        if (code < 0 || code == 1)
            break;
        if (code == 0) {
            ++y;
            x = 0;
            high = true;
        } else if (code == 2) {
            const int dx = in.Get();
            const int dy = in.Get();
            if (dy < 0)
                break;
            x += dx / 2;
            y += dy;
        } else {
            int d = in.Get();
            const uint8_t* row = cursor.Row(y);
            for (int i = 0; i < code && d >= 0; ++i) {
                place(row, i, d);
                if ((i & 1) && i != code - 1)
                    d = in.Get();
            }
            if (d < 0)
                break;
            if ((code + 1) & 2)
                in.Get();
        }
    }
}

void BmpCodec::Expand16(const uint32_t masks[3], uint32_t bytesRead)
{
    const int r = std::popcount(masks[0] & 0xFFFF);
    const int g = std::popcount(masks[1] & 0xFFFF);
    const int b = std::popcount(masks[2] & 0xFFFF);
    // The blue shift follows the red mask's width, as such files expect.
    const int blueRight = -(8 - r);
    const int greenRight = r + g - 8;
    const int redRight = r + g + b - 8;
    uint8_t* const area = PixelArea();
    const uint64_t sourceStride = (uint64_t{Width()} + 1) / 2 * 4;
    const uint64_t stride = RowStride();
    // Rows that no data reached are zero and expand to zero, wherever they lie.
    const uint64_t rows = std::min<uint64_t>(Height(), (bytesRead + sourceStride - 1) / sourceStride);
    // Backwards, so the wider rows overwrite only words already read.
    for (uint64_t y = rows; y-- > 0;) {
        for (uint64_t x = Width(); x-- > 0;) {
            const uint8_t* s = area + y * sourceStride + 2 * x;
            const uint32_t word = Le16(s);
            uint8_t* d = area + y * stride + 3 * x;
            d[0] = static_cast<uint8_t>(ShiftBy(word & masks[2], blueRight));
            d[1] = static_cast<uint8_t>(ShiftBy(word & masks[1], greenRight));
            d[2] = static_cast<uint8_t>(ShiftBy(word & masks[0], redRight));
        }
    }
}

bool BmpCodec::Read32(ByteStream& in, const uint32_t masks[4])
{
    const uint32_t width = Width();
    std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[uint64_t{width} * 4]);
    if (!row || (WholeByteMask(masks[3]) && !CreateAlpha()))
        return false;
    const int redAt = MaskByteIndex(masks[0]);
    const int greenAt = MaskByteIndex(masks[1]);
    const int blueAt = MaskByteIndex(masks[2]);
    const int alphaAt = MaskByteIndex(masks[3]);
    // Row by row: the same result as one read of the whole body, without a second copy of it.
    for (uint32_t y = 0; y < Height(); ++y) {
        std::memset(row.get(), 0, uint64_t{width} * 4);
        // Rows past the end of the data stay as created: a zero pixel expands to zero.
        const uint32_t got = in.ReadBlock(row.get(), 1, width * 4);
        if (got == 0)
            break;
        uint8_t* d = PixelRow(y);
        const uint8_t* s = row.get();
        for (uint32_t x = 0; x < width; ++x, s += 4, d += 3) {
            d[0] = s[blueAt];
            d[1] = s[greenAt];
            d[2] = s[redAt];
        }
        // Pixels the data does not reach stay opaque, as in the rows it does not reach.
        if (uint8_t* a = AlphaRow(y))
            for (uint32_t x = 0; x < got / 4; ++x)
                a[x] = row[4 * size_t{x} + alphaAt];
    }
    KeepAlphaIfUsed();
    return true;
}
