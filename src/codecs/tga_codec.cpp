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
constexpr int NoLeftover = 255;

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

// Reads the rows a packet at a time, carrying a packet that crosses the end of a row.
class RunLengthRows {
public:
    RunLengthRows(ByteStream& stream, uint32_t rowWidth, uint32_t bytesPerPixel, uint8_t* scratchRow)
        : in(stream), width(rowWidth), fileBytes(bytesPerPixel), outBytes(bytesPerPixel == 1 ? 1 : 3),
          scratch(scratchRow)
    {
    }
    // Where the next row would start reading; a carried run re-reads its value from there.
    bool AtEnd() { return replay ? !replayHadData : in.AtEnd(); }
    void ReadRow(uint8_t* row);

private:
    void Fill(uint8_t* out, uint32_t n, const uint8_t* pixel) const;

    StreamReader in;
    uint32_t width;
    uint32_t fileBytes;
    uint32_t outBytes;
    uint8_t* scratch;
    int leftover = NoLeftover;
    bool replay = false;
    bool replayHadData = false;
    uint8_t value[4] = {};
};

void RunLengthRows::Fill(uint8_t* out, uint32_t n, const uint8_t* pixel) const
{
    if (outBytes == 1) {
        std::memset(out, pixel[0], n);
        return;
    }
    for (uint32_t i = 0; i < n; ++i, out += 3) {
        out[0] = pixel[0];
        out[1] = pixel[1];
        out[2] = pixel[2];
    }
}

void RunLengthRows::ReadRow(uint8_t* row)
{
    uint32_t x = 0;
    while (x < width) {
        int h = leftover;
        if (h != NoLeftover) {
            leftover = NoLeftover;
        } else if ((h = in.Get()) < 0) {
            return;
        }
        uint32_t n = 0;
        if (h >= 128) {
            n = static_cast<uint32_t>(h) - 127;
            const bool again = replay;
            replay = false;
            if (!again) {
                std::memset(value, 0, sizeof value);
                replayHadData = in.Read(value, fileBytes) > 0;
            }
            if (x + n > width) {
                // The rest of the run belongs to the next row, which reads this value again.
                leftover = (h + static_cast<int>(x) - static_cast<int>(width)) & 0xFF;
                replay = true;
                n = width - x;
            }
            uint8_t pixel[3];
            ConvertPixels(value, pixel, 1, fileBytes);
            Fill(row + size_t{x} * outBytes, n, pixel);
        } else {
            n = static_cast<uint32_t>(h) + 1;
            if (x + n > width) {
                // The owed raw pixels follow in the stream and open the next row.
                leftover = (h + static_cast<int>(x) - static_cast<int>(width)) & 0xFF;
                n = width - x;
            }
            std::memset(scratch, 0, size_t{n} * fileBytes);
            in.Read(scratch, n * fileBytes);
            ConvertPixels(scratch, row + size_t{x} * outBytes, n, fileBytes);
        }
        x += n;
    }
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
    if (!Create(tga.width, tga.height, tga.depth, FormatTga))
        return Fail(CreateFailedText);
    if (tga.colourMapType != 0) {
        uint8_t map[MaxColourMap * 3] = {};
        in.ReadBlock(map, 1, tga.colourMapLength * 3);
        for (uint32_t i = 0; i < tga.colourMapLength; ++i)
            SetPaletteEntry(i, map[3 * i + 2], map[3 * i + 1], map[3 * i]);
    }
    // Gray pictures use the ramp, whatever colour map the file carries.
    if (type == 3 || type == 11)
        SetGrayRamp();

    const uint32_t width = tga.width;
    const uint32_t bytesPerPixel = (tga.depth + 7) / 8;
    std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[size_t{width} * 4]);
    if (!scratch)
        return Fail(NoMemoryText);
    const bool topFirst = (tga.descriptor & TopFirst) != 0;
    RunLengthRows packets(in, width, bytesPerPixel, scratch.get());
    RowCursor cursor(*this);
    for (uint32_t r = 0; r < tga.height; ++r) {
        if (runLength ? packets.AtEnd() : in.AtEnd())
            return Fail(CorruptedText);
        uint8_t* row = cursor.Row(topFirst ? tga.height - 1 - r : r);
        if (runLength) {
            packets.ReadRow(row);
        } else if (bytesPerPixel == 1 || bytesPerPixel == 3) {
            in.ReadBlock(row, 1, width * bytesPerPixel);
        } else {
            std::memset(scratch.get(), 0, size_t{width} * bytesPerPixel);
            in.ReadBlock(scratch.get(), 1, width * bytesPerPixel);
            ConvertPixels(scratch.get(), row, width, bytesPerPixel);
        }
    }
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
    const size_t rowBytes = size_t{width} * 3;
    std::unique_ptr<uint8_t[]> converted;
    if (BitsPerPixel() != 24) {
        converted.reset(new (std::nothrow) uint8_t[rowBytes]);
        if (!converted)
            return Fail(NoMemoryText);
    }
    // Rows without padding go out as one block.
    if (!converted && RowStride() == rowBytes) {
        const uint32_t total = PixelAreaSize();
        written = written && stream->WriteBlock(PixelArea(), 1, total) == total;
        return written && stream->FlushStream() ? true : Fail(WriteFailedText);
    }
    for (uint32_t y = 0; y < height && written; ++y) {
        const uint8_t* row = Row24(y, converted.get());
        written = stream->WriteBlock(row, 1, static_cast<uint32_t>(rowBytes)) == rowBytes;
    }
    if (!written || !stream->FlushStream())
        return Fail(WriteFailedText);
    return true;
}
