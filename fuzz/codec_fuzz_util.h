#pragma once
// Shared by the codec fuzz targets: a private copy of the input, so reads past its end are caught,
// a checksum that makes every byte of a decoded picture count, and a decode run twice.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "memory_stream.h"
#include "raster_image.h"

inline std::vector<uint8_t> FuzzCopy(const uint8_t* data, size_t size)
{
    return std::vector<uint8_t>(data, data + size);
}

inline uint32_t TouchPicture(const RasterImage& image)
{
    uint32_t sum = 0;
    if (!image.HasImage())
        return sum;
    const uint8_t* block = image.DibBlock();
    for (uint32_t i = 0; i < image.DibSize(); i += 61)
        sum += block[i];
    return sum;
}

// Decodes the input twice with a fresh Codec. Fuzzing builds start each picture made for decoding
// filled with another byte, so the two pictures differ wherever a decoder left a byte unwritten.
template <class Codec>
void DecodeTwice(const uint8_t* data, size_t size, ImageFormatId id)
{
    std::vector<uint8_t> bytes = FuzzCopy(data, size);
    std::vector<uint8_t> first, firstAlpha;
    for (int round = 0; round < 2; ++round) {
        MemoryStream stream(bytes.data(), static_cast<int32_t>(bytes.size()));
        Codec codec(id);
        const bool decoded = codec.Decode(&stream);
        const uint8_t* alpha = codec.AlphaArea();
        const size_t alphaSize = alpha ? size_t{codec.Width()} * codec.Height() : 0;
        if (round == 0) {
            if (!decoded)
                return;
            TouchPicture(codec);
            first.assign(codec.DibBlock(), codec.DibBlock() + codec.DibSize());
            firstAlpha.assign(alpha, alpha + alphaSize);
            // A kept opacity plane always carries some transparency.
            if (alpha && (std::count(alpha, alpha + alphaSize, 255) == static_cast<ptrdiff_t>(alphaSize) ||
                          std::count(alpha, alpha + alphaSize, 0) == static_cast<ptrdiff_t>(alphaSize)))
                std::abort();
        } else if (!decoded || codec.DibSize() != first.size() ||
                   std::memcmp(codec.DibBlock(), first.data(), first.size()) != 0 ||
                   std::vector<uint8_t>(alpha, alpha + alphaSize) != firstAlpha) {
            std::abort();
        }
    }
}
