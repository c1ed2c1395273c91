#pragma once
// Byte builders for hand-made BMP, TGA and PCX files, and small helpers shared by the codec tests.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "memory_stream.h"
#include "raster_image.h"

namespace codectest {

using Bytes = std::vector<uint8_t>;

// Byte by byte: GCC 12 misreads a range insert into a growing vector as an overflow.
inline void Add(Bytes& b, std::initializer_list<uint8_t> more)
{
    for (uint8_t v : more)
        b.push_back(v);
}
inline void Add(Bytes& b, const Bytes& more)
{
    b.insert(b.end(), more.begin(), more.end());
}
inline void Add16(Bytes& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Add32(Bytes& b, uint32_t v)
{
    Add16(b, v & 0xFFFF);
    Add16(b, v >> 16);
}
inline void Put16(Bytes& b, size_t at, uint32_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, size_t at, uint32_t v)
{
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

struct InfoFields {
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t pelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t headerSize = 40;
};

// An info header of headerSize bytes (40, 64, 108, 124: the extra bytes are zero).
inline Bytes InfoHeader(const InfoFields& f)
{
    Bytes b;
    Add32(b, f.headerSize);
    Add32(b, static_cast<uint32_t>(f.width));
    Add32(b, static_cast<uint32_t>(f.height));
    Add16(b, 1);
    Add16(b, f.bitCount);
    Add32(b, f.compression);
    Add32(b, f.sizeImage);
    Add32(b, static_cast<uint32_t>(f.pelsPerMeter));
    Add32(b, static_cast<uint32_t>(f.pelsPerMeter));
    Add32(b, f.clrUsed);
    Add32(b, 0);
    b.resize(std::max<size_t>(f.headerSize, 40), 0);
    return b;
}

// File header + info + (masks, palette) + pixels; offBits points at the pixels unless given.
inline Bytes BmpFile(const Bytes& info, const Bytes& between, const Bytes& pixels, int64_t offBits = -1)
{
    Bytes b{'B', 'M'};
    const uint32_t off = static_cast<uint32_t>(14 + info.size() + between.size());
    Add32(b, static_cast<uint32_t>(off + pixels.size()));
    Add32(b, 0);
    Add32(b, offBits < 0 ? off : static_cast<uint32_t>(offBits));
    Add(b, info);
    Add(b, between);
    Add(b, pixels);
    return b;
}

inline Bytes TgaHeader(uint8_t type, uint32_t width, uint32_t height, uint8_t depth, uint8_t descriptor = 0,
                       uint32_t mapLength = 0, uint8_t idLength = 0)
{
    Bytes b{idLength, static_cast<uint8_t>(mapLength ? 1 : 0), type, 0, 0};
    Add16(b, mapLength);
    b.push_back(mapLength ? 24 : 0);
    Add16(b, 0);
    Add16(b, 0);
    Add16(b, width);
    Add16(b, height);
    b.push_back(depth);
    b.push_back(descriptor);
    return b;
}

inline Bytes PcxHeader(uint8_t bits, uint8_t planes, uint32_t width, uint32_t height, uint32_t bytesPerLine)
{
    Bytes b(128, 0);
    b[0] = 10;
    b[1] = 5;
    b[2] = 1;
    b[3] = bits;
    Put16(b, 8, width - 1);
    Put16(b, 10, height - 1);
    Put16(b, 12, 72);
    Put16(b, 14, 72);
    b[65] = planes;
    Put16(b, 66, bytesPerLine);
    Put16(b, 68, 1);
    return b;
}

// Decodes bytes with the given format through a memory stream over a private copy.
inline bool DecodeBytes(RasterImage& image, Bytes bytes, ImageFormatId id)
{
    MemoryStream stream(bytes.data(), static_cast<int32_t>(bytes.size()));
    return image.Decode(&stream, id);
}

// Encodes into a fresh owned memory stream and returns the written bytes.
inline Bytes EncodeBytes(RasterImage& image, ImageFormatId id, bool* ok = nullptr)
{
    MemoryStream stream;
    stream.OpenEmpty();
    const bool done = image.Encode(&stream, id);
    if (ok)
        *ok = done;
    const uint8_t* p = stream.BufferPointer(false);
    return Bytes(p, p + stream.Position());
}

inline Bytes Row(const RasterImage& image, uint32_t y, uint32_t bytes)
{
    const uint8_t* p = image.PixelRow(y);
    return p ? Bytes(p, p + bytes) : Bytes{};
}

inline Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A memory stream that counts the reads made of it.
class CountingStream : public MemoryStream {
public:
    explicit CountingStream(Bytes& bytes) : MemoryStream(bytes.data(), static_cast<int32_t>(bytes.size())) {}
    uint32_t ReadBlock(void* destination, uint32_t itemSize, uint32_t itemCount) override
    {
        ++reads;
        return MemoryStream::ReadBlock(destination, itemSize, itemCount);
    }
    int reads = 0;
};

// Frees a picture of the given geometry filled with 0xEE, so the next one of that geometry most
// likely reuses its memory: bytes a decoder leaves unwritten would then show as 0xEE.
inline void LeaveJunkBehind(uint32_t width, uint32_t height, uint32_t bits)
{
    RasterImage junk;
    if (junk.Create(width, height, bits, FormatBmp))
        std::memset(junk.PixelArea(), 0xEE, junk.PixelAreaSize());
}

inline Bytes PixelBytes(const RasterImage& image)
{
    return Bytes(image.PixelArea(), image.PixelArea() + image.PixelAreaSize());
}

// A stream that accepts a fixed number of bytes, like a full disk.
class FullStream : public MemoryStream {
public:
    explicit FullStream(int32_t bytes) : room(bytes) { OpenEmpty(); }
    uint32_t WriteBlock(const void* source, uint32_t itemSize, uint32_t itemCount) override
    {
        if (int64_t{itemSize} * itemCount > room)
            return 0;
        room -= static_cast<int32_t>(itemSize * itemCount);
        return MemoryStream::WriteBlock(source, itemSize, itemCount);
    }

private:
    int32_t room;
};

}  // namespace codectest
