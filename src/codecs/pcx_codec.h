#pragma once
#include <cstdint>

#include "raster_image.h"

class StreamReader;

// Reads ZSoft PCX pictures and writes 24-bit ones as three run-length planes.
class PcxCodec : public RasterImage {
public:
    using RasterImage::RasterImage;
    bool Decode(ByteStream* stream);
    bool Encode(ByteStream* stream);

private:
    bool ReadPalette(StreamReader& in, const uint8_t* header, uint32_t bits, uint32_t planes);
};

// One index per pixel from a single-plane line of 1, 2, 4 or 8 bits; false when planes is not 1.
bool PCX_UnpackPixels(uint8_t* pixels, const uint8_t* line, uint32_t bytesPerLine, uint32_t planes,
                      uint32_t bits);
// Index bit i from plane i of a 1-bit line; false for more than 4 planes or more than 1 bit.
bool PCX_PlanesToPixels(uint8_t* pixels, const uint8_t* planesData, uint32_t bytesPerLine,
                        uint32_t planes, uint32_t bits);
