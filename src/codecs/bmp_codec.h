#pragma once
#include "raster_image.h"

// Reads Windows bitmaps, with or without the 14-byte file header.
class BmpCodec : public RasterImage {
public:
    using RasterImage::RasterImage;
    bool Decode(ByteStream* stream);

private:
    void ReadPalette(ByteStream& in, const BITMAPINFOHEADER& info);
    void DecodeRle8(ByteStream& in);
    void DecodeRle4(ByteStream& in);
    void Expand16(const uint32_t masks[3], uint32_t bytesRead);
    // Masks of red, green, blue and opacity (0: none).
    bool Read32(ByteStream& in, const uint32_t masks[4]);
};
