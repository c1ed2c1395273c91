#include "tga_codec.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "codec_bytes.h"
#include "stream_reader.h"

namespace {
constexpr const char* NotTgaText = "Not a TGA";
constexpr const char* UnknownTypeText = "Unknown TGA image type";
constexpr const char* BadHeaderText = "bad TGA header";
constexpr const char* CreateFailedText = "TGA Create failed";
constexpr const char* CorruptedText = "corrupted TGA";
constexpr const char* WriteFailedText = "cannot write TGA file";
constexpr const char* NoMemoryText = "can't allocate memory";
constexpr const char* TooLargeText = "image too large for TGA";

constexpr uint32_t HeaderSize = 18;
constexpr uint32_t MaxSide = 0xFFFF;
constexpr uint32_t MaxColourMap = 256;
constexpr uint8_t RightToLeft = 0x10;
constexpr uint8_t TopFirst = 0x20;
constexpr uint8_t AlphaBits = 0x0F;
// Rows that are not read or written as the picture stores them pass through blocks of this size.
constexpr uint32_t BlockBytes = 1 << 20;

struct TgaHeader {
    uint8_t idLength;
    uint8_t colourMapType;
    uint8_t imageType;
    uint32_t colourMapLength;
    uint32_t width;
    uint32_t height;
    uint8_t depth;
    uint8_t descriptor;
};

TgaHeader ParseHeader(const uint8_t* raw)
{
    return {raw[0], raw[1], raw[2], Le16(raw + 5), Le16(raw + 12), Le16(raw + 14), raw[16], raw[17]};
}

bool KnownDepth(uint32_t depth)
{
    return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}

// A 15/16-bit word as blue, green, red.
void Expand555(uint32_t w, uint8_t* out)
{
    out[0] = static_cast<uint8_t>((w & 0x1F) << 3);
    out[1] = static_cast<uint8_t>((w >> 2) & 0xF8);
    out[2] = static_cast<uint8_t>((w >> 7) & 0xF8);
}

// Converts n pixels of file data (bytesPerPixel each) into image pixels at out.
void ConvertPixels(const uint8_t* in, uint8_t* out, uint32_t n, uint32_t bytesPerPixel)
{
    switch (bytesPerPixel) {
    case 1: std::memcpy(out, in, n); break;
    case 3: std::memcpy(out, in, size_t{n} * 3); break;
    case 2:
        for (uint32_t i = 0; i < n; ++i, in += 2, out += 3)
            Expand555(Le16(in), out);
        break;
    default:
        for (uint32_t i = 0; i < n; ++i, in += 4, out += 3)
            std::memcpy(out, in, 3);
        break;
    }
}

// Blue, green, red and opacity pixels into a colour row and an opacity row.
void SplitAlpha(const uint8_t* bgra, uint8_t* bgr, uint8_t* alpha, uint32_t n)
{
    for (uint32_t i = 0; i < n; ++i, bgra += 4, bgr += 3) {
        std::memcpy(bgr, bgra, 3);
        alpha[i] = bgra[3];
    }
}

// n copies of one pixel of `bytes` bytes (1, 3 or 4).
void FillPixels(uint8_t* out, uint32_t n, const uint8_t* pixel, uint32_t bytes)
{
    if (bytes == 1 || n == 0) {
        std::memset(out, pixel[0], n);
        return;
    }
    if (bytes == 4) {
        for (uint32_t i = 0; i < n; ++i, out += 4)
            std::memcpy(out, pixel, 4);
        return;
    }
    // One four-byte store a pixel, each overlapping the next; the last pixel is stored exactly.
    uint32_t word = 0;
    std::memcpy(&word, pixel, 3);
    for (uint32_t i = 1; i < n; ++i, out += 3)
        std::memcpy(out, &word, 4);
    std::memcpy(out, pixel, 3);
}

// Reads the rows a packet at a time, carrying a packet that crosses the end of a row. Rows come
// out as the picture stores them, or as the file's 4-byte pixels when the opacity is kept.
class RunLengthRows {
public:
    RunLengthRows(ByteStream& stream, uint64_t expected, uint32_t rowWidth, uint32_t bytesPerPixel,
                  uint8_t* scratchRow, bool keepAlpha)
        : in(stream, expected), width(rowWidth), fileBytes(bytesPerPixel),
          outBytes(bytesPerPixel == 1 ? 1 : keepAlpha ? 4 : 3), scratch(scratchRow)
    {
    }
    // Where the next row would start reading; a carried run re-reads its value from there.
    bool AtEnd() { return owed > 0 && carriedRun ? !runHadData : in.AtEnd(); }
    // Fills the row; pixels past the end of the stream are cleared.
    void ReadRow(uint8_t* row);

private:
    void ReadRaw(uint8_t* out, uint32_t n);

    StreamReader in;
    uint32_t width;
    uint32_t fileBytes;
    uint32_t outBytes;
    uint8_t* scratch;
    uint32_t owed = 0;  // pixels of the current packet not yet stored
    bool carriedRun = false;
    bool runHadData = false;
    uint8_t pixel[4] = {};
};

// n raw pixels; bytes missing at the end of the stream read as zero.
void RunLengthRows::ReadRaw(uint8_t* out, uint32_t n)
{
    const uint32_t bytes = n * fileBytes;
    if (fileBytes == outBytes) {
        if (in.Fill(bytes) >= bytes) {
            std::memcpy(out, in.Peek(), bytes);
            in.Consume(bytes);
            return;
        }
        const uint32_t got = in.Read(out, bytes);
        std::memset(out + got, 0, bytes - got);
        return;
    }
    const uint32_t got = in.Read(scratch, bytes);
    std::memset(scratch + got, 0, bytes - got);
    ConvertPixels(scratch, out, n, fileBytes);
}

void RunLengthRows::ReadRow(uint8_t* row)
{
    uint32_t x = 0;
    while (x < width) {
        if (owed == 0) {
            // The header and, for a run, its value, which the end of the stream may cut short.
            const uint32_t available = in.Fill(1 + fileBytes);
            if (available == 0)
                break;
            const uint8_t* p = in.Peek();
            carriedRun = p[0] >= 128;
            owed = carriedRun ? p[0] - 127u : p[0] + 1u;
            uint32_t used = 1;
            if (carriedRun) {
                uint8_t value[4] = {};
                for (; used < available && used <= fileBytes; ++used)
                    value[used - 1] = p[used];
                runHadData = used > 1;
                if (outBytes == fileBytes)
                    std::memcpy(pixel, value, outBytes);
                else
                    ConvertPixels(value, pixel, 1, fileBytes);
            }
            in.Consume(used);
        }
        // A packet that crosses the row end carries on in the next row: a run with its value, a
        // raw packet with the pixels that follow in the stream.
        const uint32_t n = std::min(owed, width - x);
        uint8_t* out = row + size_t{x} * outBytes;
        if (carriedRun)
            FillPixels(out, n, pixel, outBytes);
        else
            ReadRaw(out, n);
        owed -= n;
        x += n;
    }
    std::memset(row + size_t{x} * outBytes, 0, size_t{width - x} * outBytes);
}

// Plain rows, read in large blocks. The end of the stream is noticed where reading row by row
// would notice it: at the start of a row, so a short last row still decodes with its missing
// pixels cleared.
class PlainRows {
public:
    PlainRows(ByteStream& stream, RasterImage& target, uint32_t bytesPerPixel, bool topFirst)
        : in(stream), image(target), fileBytes(bytesPerPixel), fileRow(target.Width() * bytesPerPixel),
          outRow(target.Width() * (bytesPerPixel == 1 ? 1 : 3)), fromTop(topFirst)
    {
    }
    // The message of the fault, or null.
    const char* Read();

private:
    bool ReadAsStored();
    const char* ReadConverted();
    uint8_t* Destination(uint32_t r) const
    {
        return image.PixelRow(fromTop ? image.Height() - 1 - r : r);
    }
    void Store(const uint8_t* file, uint32_t r) const
    {
        uint8_t* row = Destination(r);
        if (uint8_t* alpha = image.AlphaRow(fromTop ? image.Height() - 1 - r : r))
            SplitAlpha(file, row, alpha, image.Width());
        else
            ConvertPixels(file, row, image.Width(), fileBytes);
        std::memset(row + outRow, 0, image.RowStride() - outRow);
    }

    ByteStream& in;
    RasterImage& image;
    uint32_t fileBytes;
    uint32_t fileRow;
    uint32_t outRow;
    bool fromTop;
};

const char* PlainRows::Read()
{
    const bool asStored = !fromTop && (fileBytes == 1 || fileBytes == 3) && fileRow == image.RowStride();
    if (!asStored)
        return ReadConverted();
    return ReadAsStored() ? nullptr : CorruptedText;
}

// The file rows are the picture's rows: all but the last straight into the pixels in one read.
bool PlainRows::ReadAsStored()
{
    const uint32_t height = image.Height();
    uint8_t* pixels = image.PixelArea();
    const uint32_t body = (height - 1) * fileRow;
    if (in.AtEnd() || in.ReadBlock(pixels, 1, body) != body)
        return false;
    if (height > 1 && in.AtEnd())
        return false;
    const uint32_t got = in.ReadBlock(pixels + body, 1, fileRow);
    std::memset(pixels + body + got, 0, fileRow - got);
    return true;
}

// Blocks of file rows through a buffer, each row converted into its place.
const char* PlainRows::ReadConverted()
{
    const uint32_t height = image.Height();
    const uint32_t perBlock = std::max<uint32_t>(1, BlockBytes / fileRow);
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size_t{std::min(perBlock, height)} * fileRow]);
    if (!block)
        return NoMemoryText;
    for (uint32_t r = 0; r + 1 < height;) {
        const uint32_t rows = std::min(perBlock, height - 1 - r);
        const uint32_t bytes = rows * fileRow;
        if (in.AtEnd() || in.ReadBlock(block.get(), 1, bytes) != bytes)
            return CorruptedText;
        for (uint32_t i = 0; i < rows; ++i, ++r)
            Store(block.get() + size_t{i} * fileRow, r);
    }
    if (in.AtEnd())
        return CorruptedText;
    const uint32_t got = in.ReadBlock(block.get(), 1, fileRow);
    std::memset(block.get() + got, 0, fileRow - got);
    Store(block.get(), height - 1);
    return nullptr;
}
}  // namespace

bool TgaCodec::Decode(ByteStream* stream)
{
    if (!stream)
        return false;
    ByteStream& in = *stream;
    uint8_t raw[HeaderSize];
    if (in.ReadBlock(raw, HeaderSize, 1) != 1)
        return Fail(NotTgaText);
    const TgaHeader tga = ParseHeader(raw);
    const uint8_t type = tga.imageType;
    const bool runLength = type == 9 || type == 10 || type == 11;
    if (!runLength && type != 1 && type != 2 && type != 3)
        return Fail(UnknownTypeText);
    if (tga.width == 0 || tga.height == 0 || tga.depth == 0 || tga.colourMapLength > MaxColourMap ||
        !KnownDepth(tga.depth))
        return Fail(BadHeaderText);
    if (tga.idLength != 0)
        in.SeekTo(tga.idLength, SEEK_CUR);
    // Every pixel byte is written below, so the picture is not cleared first.
    // A picture refused for its size keeps the message that tells the size.
    if (!CreateForDecoding(tga.width, tga.height, tga.depth, FormatTga))
        return SizeRefused() ? false : Fail(CreateFailedText);
    if (tga.colourMapType != 0) {
        uint8_t map[MaxColourMap * 3] = {};
        in.ReadBlock(map, 1, tga.colourMapLength * 3);
        for (uint32_t i = 0; i < tga.colourMapLength; ++i)
            SetPaletteEntry(i, map[3 * i + 2], map[3 * i + 1], map[3 * i]);
    }
    // Gray pictures use the ramp, whatever colour map the file carries.
    if (type == 3 || type == 11)
        SetGrayRamp();
    // 32-bit pixels carry opacity when the descriptor counts attribute bits for it.
    const bool keepAlpha = tga.depth == 32 && (tga.descriptor & AlphaBits) != 0;
    if (keepAlpha && !CreateAlpha())
        return Fail(NoMemoryText);

    const uint32_t width = tga.width;
    const uint32_t bytesPerPixel = (tga.depth + 7) / 8;
    const bool topFirst = (tga.descriptor & TopFirst) != 0;
    if (!runLength) {
        PlainRows rows(in, *this, bytesPerPixel, topFirst);
        if (const char* fault = rows.Read())
            return Fail(fault);
    } else {
        // A second row holds the 4-byte pixels when the opacity is kept.
        std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[size_t{width} * (keepAlpha ? 8 : 4)]);
        if (!scratch)
            return Fail(NoMemoryText);
        uint8_t* withAlpha = scratch.get() + size_t{width} * 4;
        // At worst every pixel is a packet of its own.
        const uint64_t expected = uint64_t{width} * tga.height * (bytesPerPixel + 1);
        RunLengthRows packets(in, expected, width, bytesPerPixel, scratch.get(), keepAlpha);
        const uint32_t outRow = width * (bytesPerPixel == 1 ? 1 : 3);
        RowCursor cursor(*this);
        for (uint32_t r = 0; r < tga.height; ++r) {
            if (packets.AtEnd())
                return Fail(CorruptedText);
            const uint32_t y = topFirst ? tga.height - 1 - r : r;
            uint8_t* row = cursor.Row(y);
            if (keepAlpha) {
                packets.ReadRow(withAlpha);
                SplitAlpha(withAlpha, row, AlphaRow(y), width);
            } else {
                packets.ReadRow(row);
            }
            std::memset(row + outRow, 0, RowStride() - outRow);
        }
    }
    KeepAlphaIfUsed();
    if (tga.descriptor & RightToLeft)
        MirrorRows();
    return true;
}

bool TgaCodec::Encode(ByteStream* stream)
{
    // The header holds 16 bits of each size; a larger picture would be written as another.
    if (!CanEncode(stream, MaxSide, MaxSide, TooLargeText))
        return false;
    const uint32_t width = Width();
    const uint32_t height = Height();
    uint8_t out[HeaderSize] = {};
    out[2] = 2;
    PutLe16(out + 12, width);
    PutLe16(out + 14, height);
    out[16] = 24;
    bool written = stream->WriteBlock(out, HeaderSize, 1) == 1;
    const uint32_t rowBytes = width * 3;
    // Rows without padding go out as one block.
    if (BitsPerPixel() == 24 && RowStride() == rowBytes) {
        const uint32_t total = PixelAreaSize();
        written = written && stream->WriteBlock(PixelArea(), 1, total) == total;
        return written && stream->FlushStream() ? true : Fail(WriteFailedText);
    }
    // Others are gathered without their padding, in colour, and written a block at a time.
    const uint32_t perBlock = std::max<uint32_t>(1, BlockBytes / rowBytes);
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size_t{std::min(perBlock, height)} * rowBytes]);
    if (!block)
        return Fail(NoMemoryText);
    for (uint32_t y = 0; y < height && written;) {
        const uint32_t rows = std::min(perBlock, height - y);
        for (uint32_t i = 0; i < rows; ++i, ++y) {
            uint8_t* at = block.get() + size_t{i} * rowBytes;
            const uint8_t* row = Row24(y, at);
            if (row != at)
                std::memcpy(at, row, rowBytes);
        }
        written = stream->WriteBlock(block.get(), 1, rows * rowBytes) == rows * rowBytes;
    }
    if (!written || !stream->FlushStream())
        return Fail(WriteFailedText);
    return true;
}
