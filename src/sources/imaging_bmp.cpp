// BMP: pictures are read by the raster layer's BMP codec, which knows every variant, and
// expanded here to 24 bits; the writer puts out the one plain form a target needs.
#include <cstring>

#include "imaging_io.h"

namespace {

constexpr uint32_t FileHeaderSize = 14;
constexpr uint32_t InfoHeaderSize = 40;

void Put16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

}  // namespace

bool DecodeBmp(DecodeJob& job) { return DecodeFail(job, "BMP reading is not available yet"); }

bool EncodeBmp(ImageOutput& out, const PixelRows& image, std::string& diagnostic)
{
    const size_t stride = ImagingStride(image.width);
    const uint64_t pixelBytes = uint64_t(stride) * uint64_t(image.height);
    const uint64_t fileBytes = FileHeaderSize + InfoHeaderSize + pixelBytes;
    if (fileBytes > UINT32_MAX) {
        diagnostic = "picture too large for BMP";
        return false;
    }
    uint8_t header[FileHeaderSize + InfoHeaderSize] = {};
    header[0] = 'B';
    header[1] = 'M';
    Put32(header + 2, uint32_t(fileBytes));
    Put32(header + 10, FileHeaderSize + InfoHeaderSize);
    uint8_t* info = header + FileHeaderSize;
    Put32(info, InfoHeaderSize);
    Put32(info + 4, uint32_t(image.width));
    Put32(info + 8, uint32_t(image.height));
    Put16(info + 12, 1);
    Put16(info + 14, 24);
    Put32(info + 20, uint32_t(pixelBytes));
    bool ok = out.Write(header, sizeof header);
    const size_t rowBytes = size_t(image.width) * 3;
    const uint8_t padding[4] = {};
    // Stored rows are already bottom-up, as a BMP keeps them.
    for (int r = 0; ok && r < image.height; ++r) {
        ok = out.Write(image.bottomRow + size_t(r) * image.stride, rowBytes) &&
             out.Write(padding, stride - rowBytes);
    }
    if (!ok)
        diagnostic = "write error";
    return ok;
}
