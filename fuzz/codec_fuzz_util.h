#pragma once
// Shared by the codec fuzz targets: a private copy of the input, so reads past its end are caught,
// and a checksum that makes every byte of a decoded picture count.
#include <cstddef>
#include <cstdint>
#include <vector>

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
