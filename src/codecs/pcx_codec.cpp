#include "pcx_codec.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "codec_bytes.h"
#include "memory_stream.h"
#include "stream_reader.h"

namespace {
constexpr const char* CantReadText = "Can't read PCX image";
constexpr const char* NotPcxText = "Error: Not a PCX file";
constexpr const char* EncodingText = "PCX file has unknown encoding scheme";
constexpr const char* TooManyPlanesText = "Can't handle image with more than 4 planes";
constexpr const char* CorruptedText = "corrupted PCX";
constexpr const char* RepeatText = "repeat count spans end of image";
constexpr const char* ColourMapText = "bad color map signature";
constexpr const char* PlanesText = "PCX_PlanesToPixels: more than 4 planes or more than 1 bit per pixel";
constexpr const char* HeaderWriteText = "cannot write PCX header";
constexpr const char* DataWriteText = "cannot write PCX data";
constexpr const char* NoMemoryText = "can't allocate memory";
constexpr const char* TooLargeText = "image too large for PCX";

constexpr uint32_t HeaderSize = 128;
constexpr uint8_t Manufacturer = 10;
constexpr uint8_t RunLengthEncoding = 1;
constexpr uint32_t MaxPlanes = 4;
constexpr uint8_t ColourMapSignature = 12;
constexpr uint8_t CountMark = 0xC0;
constexpr uint32_t MaxRun = 63;
// Bytes per line (the width rounded up to even) and the last row must fit 16 bits.
constexpr uint32_t MaxWidth = 0xFFFE;
constexpr uint32_t MaxHeight = 0x10000;

struct PcxHeader {
    uint8_t manufacturer;
    uint8_t encoding;
    uint32_t bits;
    int32_t width;
    int32_t height;
    int32_t horizontalDpi;
    int32_t verticalDpi;
    uint32_t planes;
    uint32_t bytesPerLine;
};

PcxHeader ParseHeader(const uint8_t* raw)
{
    PcxHeader h{};
    h.manufacturer = raw[0];
    h.encoding = raw[2];
    h.bits = raw[3];
    h.width = int32_t{Le16(raw + 8)} - int32_t{Le16(raw + 4)} + 1;
    h.height = int32_t{Le16(raw + 10)} - int32_t{Le16(raw + 6)} + 1;
    h.horizontalDpi = Le16(raw + 12);
    h.verticalDpi = Le16(raw + 14);
    h.planes = raw[65];
    h.bytesPerLine = Le16(raw + 66);
    return h;
}

// Expands the run-length scanline data one line at a time; a run may span lines.
class ScanlineReader {
public:
    ScanlineReader(ByteStream& stream, uint64_t total) : in(stream), missing(total) {}
    // Fills line[0, n); returns the message of the first fault, or null.
    const char* ReadLine(uint8_t* line, uint32_t n);
    StreamReader& Stream() { return in; }

private:
    StreamReader in;
    uint64_t missing;  // bytes of the whole image still to come, pending run included
    uint32_t runLeft = 0;
    uint8_t runValue = 0;
};

const char* ScanlineReader::ReadLine(uint8_t* line, uint32_t n)
{
    uint32_t at = 0;
    while (at < n) {
        if (runLeft > 0) {
            const uint32_t k = std::min(runLeft, n - at);
            std::memset(line + at, runValue, k);
            at += k;
            runLeft -= k;
            continue;
        }
        const uint32_t available = in.Fill(2);
        if (available == 0)
            return CorruptedText;
        if (available == 1) {
            // The last byte of the stream: a literal, or a count whose value is missing.
            const int c = in.Get();
            if ((c & CountMark) != CountMark) {
                line[at++] = static_cast<uint8_t>(c);
                --missing;
                continue;
            }
            const uint32_t count = static_cast<uint32_t>(c) & 0x3Fu;
            if (count > missing)
                return RepeatText;
            if (count > 0)
                return CorruptedText;
            continue;
        }
        const uint8_t* const first = in.Peek();
        const uint8_t* p = first;
        // Whole codes only: a count and its value are both in the buffer here.
        const uint8_t* const last = first + available - 1;
        while (at < n && p < last) {
            const uint8_t c = *p;
            if ((c & CountMark) != CountMark) {
                line[at++] = c;
                --missing;
                ++p;
                continue;
            }
            const uint32_t count = c & 0x3Fu;
            if (count > missing)
                return RepeatText;
            const uint32_t k = std::min(count, n - at);
            std::memset(line + at, p[1], k);
            at += k;
            missing -= count;
            runLeft = count - k;
            runValue = p[1];
            p += 2;
        }
        in.Consume(static_cast<uint32_t>(p - first));
    }
    return nullptr;
}

// Packs one plane line: values taken every `step` bytes, then the end of the line. A run is cut
// into pieces of 63; a single value below the count mark stands for itself, anything else gets a
// count; an odd-width line ends with one pad byte so it is as long as bytes-per-line.
// Returns the number of bytes written to out, which holds at least 2 * width + 1.
size_t PackPlaneLine(const uint8_t* values, size_t step, uint32_t width, uint8_t* out)
{
    uint8_t* o = out;
    uint32_t x = 0;
    while (x < width) {
        const uint8_t v = values[x * step];
        uint32_t end = x + 1;
        while (end < width && values[end * step] == v)
            ++end;
        uint32_t n = end - x;
        // A full piece of 63 is written only when another equal value follows it.
        for (; n > MaxRun; n -= MaxRun) {
            *o++ = 0xFF;
            *o++ = v;
        }
        if (n == 1 && v < CountMark) {
            *o++ = v;
        } else {
            *o++ = static_cast<uint8_t>(CountMark + n);
            *o++ = v;
        }
        x = end;
    }
    if (width & 1)
        *o++ = 0;
    return static_cast<size_t>(o - out);
}
}  // namespace

bool PCX_UnpackPixels(uint8_t* pixels, const uint8_t* line, uint32_t bytesPerLine, uint32_t planes,
                      uint32_t bits)
{
    if (planes != 1)
        return false;
    for (uint32_t i = 0; i < bytesPerLine; ++i) {
        const uint8_t b = line[i];
        switch (bits) {
        case 8: *pixels++ = b; break;
        case 4:
            *pixels++ = b >> 4;
            *pixels++ = b & 0x0F;
            break;
        case 2:
            for (int s = 6; s >= 0; s -= 2)
                *pixels++ = (b >> s) & 3;
            break;
        case 1:
            for (int s = 7; s >= 0; --s)
                *pixels++ = (b >> s) & 1;
            break;
        default: return true;
        }
    }
    return true;
}

bool PCX_PlanesToPixels(uint8_t* pixels, const uint8_t* planesData, uint32_t bytesPerLine, uint32_t planes,
                        uint32_t bits)
{
    if (planes > MaxPlanes || bits != 1)
        return false;
    std::memset(pixels, 0, size_t{bytesPerLine} * 8);
    for (uint32_t i = 0; i < planes; ++i) {
        const uint8_t* plane = planesData + size_t{i} * bytesPerLine;
        for (uint32_t k = 0; k < bytesPerLine * 8; ++k)
            if (plane[k / 8] & (0x80 >> (k % 8)))
                pixels[k] = static_cast<uint8_t>(pixels[k] | (1u << i));
    }
    return true;
}

bool PcxCodec::Decode(ByteStream* stream)
{
    if (!stream)
        return false;
    uint8_t raw[HeaderSize];
    if (stream->ReadBlock(raw, HeaderSize, 1) != 1)
        return Fail(CantReadText);
    const PcxHeader pcx = ParseHeader(raw);
    if (pcx.manufacturer != Manufacturer)
        return Fail(NotPcxText);
    if (pcx.encoding != RunLengthEncoding)
        return Fail(EncodingText);
    SetRawDpi(pcx.horizontalDpi, pcx.verticalDpi);
    if (pcx.planes > MaxPlanes)
        return Fail(TooManyPlanesText);
    const bool colour = pcx.planes >= 3 && pcx.bits == 8;
    uint32_t depth = pcx.bits;
    if (colour)
        depth = 24;
    else if (pcx.planes == 4 && pcx.bits == 1)
        depth = 4;
    if (!Create(static_cast<uint32_t>(pcx.width), static_cast<uint32_t>(pcx.height), depth, FormatPcx))
        return false;

    const uint32_t bpl = pcx.bytesPerLine;
    const uint32_t lineBytes = bpl * pcx.planes;
    const uint32_t width = Width();
    const uint32_t height = Height();
    std::unique_ptr<uint8_t[]> line(new (std::nothrow) uint8_t[size_t{lineBytes} + 1]());
    std::unique_ptr<uint8_t[]> values(new (std::nothrow) uint8_t[size_t{bpl} * 8 + 1]());
    if (!line || !values)
        return Fail(NoMemoryText);
    // Pixels the line data does not reach (bytes-per-line too small for the width) stay black,
    // so the work per line follows the data, not the declared width.
    const uint32_t indexesPerLine = pcx.bits == 8 ? bpl : pcx.bits == 4 ? bpl * 2 : pcx.bits == 2 ? bpl * 4
                                    : pcx.bits == 1 ? bpl * 8 : 0;
    const uint32_t covered = std::min(width, colour ? bpl : pcx.planes == 1 ? indexesPerLine : bpl * 8);
    const bool planesFit = colour || pcx.planes == 1 || pcx.bits == 1;
    ScanlineReader scan(*stream, uint64_t{lineBytes} * height);
    for (uint32_t y = 0; y < height; ++y) {
        if (const char* fault = scan.ReadLine(line.get(), lineBytes))
            return Fail(fault);
        // Lines without data leave their rows clear.
        if (!planesFit || lineBytes == 0)
            continue;
        const uint32_t row = height - 1 - y;
        if (colour) {
            uint8_t* out = PixelRow(row);
            const uint8_t* r = line.get();
            const uint8_t* g = r + bpl;
            const uint8_t* b = g + bpl;
            for (uint32_t x = 0; x < covered; ++x, out += 3) {
                out[0] = b[x];
                out[1] = g[x];
                out[2] = r[x];
            }
            continue;
        }
        if (pcx.planes == 1)
            PCX_UnpackPixels(values.get(), line.get(), bpl, pcx.planes, pcx.bits);
        else
            PCX_PlanesToPixels(values.get(), line.get(), bpl, pcx.planes, pcx.bits);
        for (uint32_t x = 0; x < covered; ++x)
            SetPixelIndex(x, row, values[x]);
    }
    if (!ReadPalette(scan.Stream(), raw, pcx.bits, pcx.planes))
        return Fail(ColourMapText);
    if (!planesFit)
        return Fail(PlanesText);
    return true;
}

bool PcxCodec::ReadPalette(StreamReader& in, const uint8_t* fileHeader, uint32_t bits, uint32_t planes)
{
    uint8_t palette[256 * 3] = {};
    std::memcpy(palette, fileHeader + 16, 48);
    if (bits == 8 && planes == 1) {
        if (in.Get() != ColourMapSignature)
            return false;
        in.Read(palette, sizeof palette);
    }
    if (bits == 1 && planes == 1) {
        std::memset(palette, 0, 3);
        std::memset(palette + 3, 0xFF, 3);
    }
    for (uint32_t i = 0; i < PaletteEntries(); ++i)
        SetPaletteEntry(i, palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]);
    return true;
}

bool PcxCodec::Encode(ByteStream* stream)
{
    if (!CanEncode(stream, MaxWidth, MaxHeight, TooLargeText))
        return false;
    const uint32_t width = Width();
    const uint32_t height = Height();
    uint8_t out[HeaderSize] = {};
    out[0] = Manufacturer;
    out[1] = 5;
    out[2] = RunLengthEncoding;
    out[3] = 8;
    PutLe16(out + 8, width - 1);
    PutLe16(out + 10, height - 1);
    PutLe16(out + 12, static_cast<uint32_t>(HorizontalDpi()));
    PutLe16(out + 14, static_cast<uint32_t>(VerticalDpi()));
    out[65] = 3;
    PutLe16(out + 66, (width + 1) & 0xFFFE);
    PutLe16(out + 68, 1);
    if (stream->WriteBlock(out, HeaderSize, 1) != 1)
        return Fail(HeaderWriteText);

    MemoryStream data;
    if (!data.OpenEmpty())
        return Fail(NoMemoryText);
    const size_t rowBytes = size_t{width} * 3;
    std::unique_ptr<uint8_t[]> colours(new (std::nothrow) uint8_t[rowBytes]);
    std::unique_ptr<uint8_t[]> packed(new (std::nothrow) uint8_t[3 * (2 * size_t{width} + 1)]);
    if (!colours || !packed)
        return Fail(NoMemoryText);
    bool gathered = true;
    for (uint32_t y = height; y-- > 0 && gathered;) {
        const uint8_t* row = Row24(y, colours.get());
        // Planes run red, green, blue; rows store blue, green, red.
        size_t n = PackPlaneLine(row + 2, 3, width, packed.get());
        n += PackPlaneLine(row + 1, 3, width, packed.get() + n);
        n += PackPlaneLine(row, 3, width, packed.get() + n);
        gathered = data.WriteBlock(packed.get(), 1, static_cast<uint32_t>(n)) == n;
    }
    const auto length = static_cast<uint32_t>(data.Position());
    if (!gathered || stream->WriteBlock(data.BufferPointer(false), length, 1) != 1 ||
        !stream->FlushStream())
        return Fail(DataWriteText);
    return true;
}
