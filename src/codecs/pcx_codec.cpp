#include "pcx_codec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codec_bytes.h"
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

// Eight bytes as one word, first byte lowest.
uint64_t Load64(const uint8_t* p)
{
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    if constexpr (std::endian::native == std::endian::big)
        w = __builtin_bswap64(w);
    return w;
}

constexpr uint64_t HighBits = 0x8080808080808080u;
// Room after the end of a line buffer for a word stored whole at its last byte.
constexpr uint32_t WordSlack = 8;
// The encoder writes its packed rows in blocks of about this size.
constexpr size_t BlockBytes = size_t{1} << 20;

// Bit 7 of each byte of the result is set where the byte of w has both top bits set: a count code.
uint64_t CountCodes(uint64_t w)
{
    return w & (w << 1) & HighBits;
}

// How many bytes of a word precede its lowest flagged one.
uint32_t BytesBefore(uint64_t flags)
{
    return static_cast<uint32_t>(std::countr_zero(flags)) / 8;
}

// Expands the run-length scanline data one line at a time; a run may span lines.
class ScanlineReader {
public:
    ScanlineReader(ByteStream& stream, uint64_t expected, uint64_t total)
        : in(stream, expected), missing(total)
    {
    }
    // Fills line[0, n); returns the message of the first fault, or null.
    const char* ReadLine(uint8_t* line, uint32_t n);
    StreamReader& Stream() { return in; }

private:
    static constexpr uint32_t Failed = UINT32_MAX;
    uint32_t DecodeCodes(const uint8_t* from, const uint8_t* last, uint8_t*& out, uint8_t* stop);

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
        uint8_t* out = line + at;
        const uint32_t used = DecodeCodes(first, first + available - 1, out, line + n);
        if (used == Failed)
            return RepeatText;
        in.Consume(used);
        at = static_cast<uint32_t>(out - line);
    }
    return nullptr;
}

// Expands whole codes from [p, last] (a count's value byte may be `last`) into [out, stop) and
// returns how many input bytes were used, or Failed. The line has WordSlack bytes of room after
// stop: words are stored whole and only the bytes that belong are counted.
uint32_t ScanlineReader::DecodeCodes(const uint8_t* const from, const uint8_t* last, uint8_t*& line,
                                     uint8_t* const stop)
{
    // Locals throughout: the stores into the line could otherwise alias the reader's counters.
    uint8_t* out = line;
    const uint8_t* p = from;
    uint64_t left = missing;
    uint32_t carried = 0;
    uint8_t carriedValue = runValue;
    while (out < stop && p < last) {
        const uint8_t c = *p;
        if ((c & CountMark) != CountMark) {
            if (last - p < 8) {
                *out++ = c;
                --left;
                ++p;
                continue;
            }
            // A stretch of literals, a word at a time, up to the next count code.
            uint32_t k;
            do {
                const uint64_t codes = CountCodes(Load64(p));
                k = std::min<uint32_t>(codes ? BytesBefore(codes) : 8, static_cast<uint32_t>(stop - out));
                std::memcpy(out, p, 8);
                out += k;
                p += k;
                left -= k;
            } while (k == 8 && last - p >= 8);
            continue;
        }
        const uint32_t count = c & 0x3Fu;
        if (count > left)
            return Failed;
        const uint8_t v = p[1];
        const uint32_t k = std::min(count, static_cast<uint32_t>(stop - out));
        if (count <= 8) {
            const uint64_t word = v * 0x0101010101010101u;
            std::memcpy(out, &word, 8);
        } else {
            std::memset(out, v, k);
        }
        out += k;
        left -= count;
        carried = count - k;
        carriedValue = v;
        p += 2;
    }
    line = out;
    missing = left;
    runLeft = carried;
    runValue = carriedValue;
    return static_cast<uint32_t>(p - from);
}

// How one value opens a piece: itself when it is below the count mark, else a count of one and
// the value. Two bytes are always stored; `length` says how many of them stay.
struct OpeningCode {
    uint8_t bytes[2];
    uint8_t length;
};

constexpr std::array<OpeningCode, 256> MakeOpeningCodes()
{
    std::array<OpeningCode, 256> codes{};
    for (uint32_t v = 0; v < 256; ++v) {
        const auto value = static_cast<uint8_t>(v);
        codes[v] = v < CountMark ? OpeningCode{{value, value}, 1} : OpeningCode{{CountMark + 1, value}, 2};
    }
    return codes;
}

constexpr std::array<OpeningCode, 256> OpeningCodes = MakeOpeningCodes();

// Packs one plane line. A run is cut into pieces of 63; a single value below the count mark
// stands for itself, anything else gets a count. Each value is stored as it is read, opening a
// piece from the table; a value that repeats the piece before it rewrites that piece's count
// instead. On photographs most values open a piece, so that path is a table load and a store,
// without a branch on the value.
class PlanePacker {
public:
    explicit PlanePacker(uint8_t* output) : start(output), end(output) {}
    void Put(uint8_t v)
    {
        if (v == previous && length < MaxRun) {
            start[0] = static_cast<uint8_t>(CountMark + ++length);
            end = start + 2;
            return;
        }
        const OpeningCode& code = OpeningCodes[v];
        start = end;
        length = 1;
        previous = v;
        std::memcpy(start, code.bytes, 2);
        end = start + code.length;
    }
    // Ends the line: an odd-width line gets one pad byte so it is as long as bytes-per-line.
    // Returns the end of the line's bytes; the output holds at least 2 * width + 1.
    uint8_t* Finish(uint32_t width)
    {
        if (width & 1)
            *end++ = 0;
        return end;
    }

private:
    uint8_t* start;
    uint8_t* end;
    uint32_t length = 0;
    uint32_t previous = 256;
};

// Packs a row as its red, green and blue plane lines, one after the other (rows store blue,
// green, red). The three planes go through the row together, so their work overlaps in the
// processor; green and blue wait in `spare` (2 * (2 * width + 1) bytes) until red's length is
// known. Returns the number of bytes written to out, which holds at least 3 * (2 * width + 1).
size_t PackRow(const uint8_t* row, uint32_t width, uint8_t* out, uint8_t* spare)
{
    uint8_t* const blueLine = spare + 2 * size_t{width} + 1;
    PlanePacker red(out), green(spare), blue(blueLine);
    for (uint32_t x = 0; x < width; ++x, row += 3) {
        red.Put(row[2]);
        green.Put(row[1]);
        blue.Put(row[0]);
    }
    uint8_t* const next = red.Finish(width);
    const auto greenBytes = static_cast<size_t>(green.Finish(width) - spare);
    const auto blueBytes = static_cast<size_t>(blue.Finish(width) - blueLine);
    std::memcpy(next, spare, greenBytes);
    std::memcpy(next + greenBytes, blueLine, blueBytes);
    return static_cast<size_t>(next - out) + greenBytes + blueBytes;
}

// Bit depths below 8 hold several indexes a byte, the first in the highest bits.
void PackIndexes(uint8_t* row, const uint8_t* values, uint32_t covered, uint32_t depth, uint32_t stride)
{
    if (depth == 8) {
        std::memcpy(row, values, covered);
        std::memset(row + covered, 0, stride - covered);
        return;
    }
    const uint32_t perByte = 8 / depth;
    const uint32_t mask = (1u << depth) - 1;
    for (uint32_t i = 0, x = 0; i < stride; ++i) {
        uint32_t b = 0;
        for (uint32_t k = 1; k <= perByte; ++k, ++x)
            if (x < covered)
                b |= (values[x] & mask) << (8 - depth * k);
        row[i] = static_cast<uint8_t>(b);
    }
}

#if defined(__SSE2__)
// Sixteen pixels at a time: bytes paired into blue-green and red-zero, widened to four-byte
// pixels, and each 64-bit half squeezed from two of those to six bytes. Each half is stored as
// eight bytes, two past its six, so more pixels must follow a block. Returns the pixels done.
uint32_t InterleaveBlocks(uint8_t*& out, const uint8_t* r, const uint8_t* g, const uint8_t* b, uint32_t covered)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_set1_epi64x(0xFFFFFF);
    const __m128i high = _mm_set1_epi64x(0xFFFFFF000000);
    uint32_t x = 0;
    for (; x + 16 < covered; x += 16) {
        const __m128i bs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        const __m128i gs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + x));
        const __m128i rs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + x));
        const __m128i bgLow = _mm_unpacklo_epi8(bs, gs), bgHigh = _mm_unpackhi_epi8(bs, gs);
        const __m128i r0Low = _mm_unpacklo_epi8(rs, zero), r0High = _mm_unpackhi_epi8(rs, zero);
        const __m128i quads[4] = {_mm_unpacklo_epi16(bgLow, r0Low), _mm_unpackhi_epi16(bgLow, r0Low),
                                  _mm_unpacklo_epi16(bgHigh, r0High), _mm_unpackhi_epi16(bgHigh, r0High)};
        for (const __m128i& quad : quads) {
            const __m128i six = _mm_or_si128(_mm_and_si128(quad, low), _mm_and_si128(_mm_srli_epi64(quad, 8), high));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), six);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 6), _mm_unpackhi_epi64(six, six));
            out += 12;
        }
    }
    return x;
}
#endif

// One row of a colour picture from its red, green and blue plane lines; the pixels the lines do
// not reach, and the row's padding, are cleared.
void InterleavePlanes(uint8_t* row, const uint8_t* r, const uint8_t* g, const uint8_t* b, uint32_t covered,
                      uint32_t stride)
{
    uint8_t* out = row;
    uint32_t x = 0;
#if defined(__SSE2__)
    x = InterleaveBlocks(out, r, g, b, covered);
#endif
    if constexpr (std::endian::native == std::endian::little) {
        // Four pixels as three words: fewer, wider stores.
        for (; x + 4 <= covered; x += 4, out += 12) {
            uint32_t rs, gs, bs;
            std::memcpy(&rs, r + x, 4);
            std::memcpy(&gs, g + x, 4);
            std::memcpy(&bs, b + x, 4);
            const uint64_t first = (bs & 0xFF) | (gs & 0xFF) << 8 | (rs & 0xFF) << 16 | (bs & 0xFF00) << 16 |
                                   uint64_t{(gs >> 8 & 0xFF) | (rs >> 8 & 0xFF) << 8 | (bs & 0xFF0000) |
                                            (gs & 0xFF0000) << 8} << 32;
            const uint32_t last = (rs >> 16 & 0xFF) | (bs >> 24) << 8 | (gs >> 24) << 16 | (rs & 0xFF000000);
            std::memcpy(out, &first, 8);
            std::memcpy(out + 8, &last, 4);
        }
    }
    for (; x < covered; ++x, out += 3) {
        out[0] = b[x];
        out[1] = g[x];
        out[2] = r[x];
    }
    std::memset(out, 0, stride - size_t{covered} * 3);
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
    // Every pixel byte is written below, so the picture is not cleared first.
    if (!CreateForDecoding(static_cast<uint32_t>(pcx.width), static_cast<uint32_t>(pcx.height), depth, FormatPcx))
        return false;

    const uint32_t bpl = pcx.bytesPerLine;
    const uint32_t lineBytes = bpl * pcx.planes;
    const uint32_t width = Width();
    const uint32_t height = Height();
    std::unique_ptr<uint8_t[]> line(new (std::nothrow) uint8_t[size_t{lineBytes} + WordSlack]());
    std::unique_ptr<uint8_t[]> values(new (std::nothrow) uint8_t[size_t{bpl} * 8 + 1]());
    if (!line || !values)
        return Fail(NoMemoryText);
    // Pixels the line data does not reach (bytes-per-line too small for the width) stay black,
    // so the work per line follows the data, not the declared width.
    const uint32_t indexesPerLine = pcx.bits == 8 ? bpl : pcx.bits == 4 ? bpl * 2 : pcx.bits == 2 ? bpl * 4
                                    : pcx.bits == 1 ? bpl * 8 : 0;
    const uint32_t covered = std::min(width, colour ? bpl : pcx.planes == 1 ? indexesPerLine : bpl * 8);
    const bool planesFit = colour || pcx.planes == 1 || pcx.bits == 1;
    // At worst each byte of the lines takes a count and a value; a 256-colour palette follows.
    const uint64_t total = uint64_t{lineBytes} * height;
    ScanlineReader scan(*stream, 2 * total + 1 + 256 * 3, total);
    for (uint32_t y = 0; y < height; ++y) {
        if (const char* fault = scan.ReadLine(line.get(), lineBytes))
            return Fail(fault);
        // Such lines fail the decode once they are read; nothing of the picture is kept.
        if (!planesFit)
            continue;
        uint8_t* row = PixelRow(height - 1 - y);
        if (colour) {
            const uint8_t* r = line.get();
            InterleavePlanes(row, r, r + bpl, r + 2 * bpl, covered, RowStride());
            continue;
        }
        // Lines without data, and depths that hold no indexes, leave their rows clear.
        if (lineBytes == 0 || !PaletteArea()) {
            std::memset(row, 0, RowStride());
            continue;
        }
        if (pcx.planes == 1)
            PCX_UnpackPixels(values.get(), line.get(), bpl, pcx.planes, pcx.bits);
        else
            PCX_PlanesToPixels(values.get(), line.get(), bpl, pcx.planes, pcx.bits);
        PackIndexes(row, values.get(), covered, BitsPerPixel(), RowStride());
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

    // Rows are packed into a block of about a megabyte, written out each time it fills.
    const size_t rowWorst = 3 * (2 * size_t{width} + 1);
    const size_t blockSize = std::max<size_t>(BlockBytes, rowWorst);
    std::unique_ptr<uint8_t[]> colours(new (std::nothrow) uint8_t[size_t{width} * 3]);
    std::unique_ptr<uint8_t[]> spare(new (std::nothrow) uint8_t[rowWorst]);
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[blockSize]);
    if (!colours || !spare || !block)
        return Fail(NoMemoryText);
    size_t used = 0;
    for (uint32_t y = height; y-- > 0;) {
        if (blockSize - used < rowWorst) {
            if (stream->WriteBlock(block.get(), static_cast<uint32_t>(used), 1) != 1)
                return Fail(DataWriteText);
            used = 0;
        }
        used += PackRow(Row24(y, colours.get()), width, block.get() + used, spare.get());
    }
    if (stream->WriteBlock(block.get(), static_cast<uint32_t>(used), 1) != 1 || !stream->FlushStream())
        return Fail(DataWriteText);
    return true;
}
