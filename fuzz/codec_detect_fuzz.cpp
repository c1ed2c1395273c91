// Feeds arbitrary bytes to the automatic format detection; every small picture it accepts must
// come back unchanged through the TGA and PCX writers.
#include <cstdlib>

#include "codec_fuzz_util.h"
#include "memory_stream.h"

namespace {
constexpr uint64_t RoundTripMaxPixels = 1 << 16;

void RoundTrip(RasterImage& image, ImageFormatId format)
{
    MemoryStream out;
    out.OpenEmpty();
    if (!image.Encode(&out, format))
        std::abort();
    RasterImage back(out.BufferPointer(false), static_cast<uint32_t>(out.Length()), format);
    if (!back.HasImage() || back.Width() != image.Width() || back.Height() != image.Height())
        std::abort();
    for (uint32_t y = 0; y < image.Height(); ++y)
        for (uint32_t x = 0; x < image.Width(); ++x)
            if (!(back.PixelColor(x, y) == image.PixelColor(x, y)))
                std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes = FuzzCopy(data, size);
    RasterImage image(bytes.data(), static_cast<uint32_t>(bytes.size()), FormatAuto);
    if (!image.HasImage())
        return 0;
    TouchPicture(image);
    // Within what both headers can hold: 16 bits of each size, an even bytes-per-line.
    if (uint64_t{image.Width()} * image.Height() <= RoundTripMaxPixels && image.Width() <= 0xFFFE &&
        image.Height() <= 0xFFFF) {
        RoundTrip(image, FormatTga);
        RoundTrip(image, FormatPcx);
    }
    return 0;
}
