#pragma once
#include "raster_image.h"

// Reads Truevision TGA pictures and writes 24-bit ones, uncompressed.
class TgaCodec : public RasterImage {
public:
    using RasterImage::RasterImage;
    bool Decode(ByteStream* stream);
    bool Encode(ByteStream* stream);
};
