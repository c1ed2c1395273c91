// Feeds arbitrary bytes to the imaging service's decoders, as any file on disk might hold them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging_service.h"
#include "source_view.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A private copy, so a read past the end of the input is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    DecodedImage image;
    DecodeReport report;
    const bool decoded = DecodeImageMemory(bytes.data(), bytes.size(), image, &report);
    if (!decoded) {
        if (!image.pixels.empty() || report.diagnostic.empty())
            std::abort();
        return 0;
    }
    // A decoded picture fits a slot and fills its whole area, padding zero.
    if (!FitsSourceLimits(image.width, image.height) || image.pixels.size() != image.Stride() * size_t(image.height))
        std::abort();
    // An opacity plane is width x height values with some transparency, or absent.
    if (!image.alpha.empty() &&
        (!report.hasAlpha || image.alpha.size() != size_t(image.width) * size_t(image.height) ||
         AllOpaque(image.alpha.data(), image.alpha.size())))
        std::abort();
    const size_t used = size_t(image.width) * 3;
    uint32_t sum = 0;
    for (int r = 0; r < image.height; ++r) {
        const uint8_t* row = image.StoredRow(r);
        for (size_t i = 0; i < used; i += 7)
            sum += row[i];
        for (size_t i = used; i < image.Stride(); ++i)
            if (row[i] != 0)
                std::abort();
    }
    // A decoder that promises to write whole rows gives the same pixels over stray bytes.
    std::vector<uint8_t> stray;
    const PixelAllocator strayRows = [&stray](int width, int height, bool whole) -> uint8_t* {
        stray.assign(ImagingStride(width) * size_t(height), whole ? 0xA5 : 0);
        if (whole)
            for (int r = 0; r < height; ++r)
                std::fill_n(stray.data() + size_t(r) * ImagingStride(width) + size_t(width) * 3,
                            ImagingStride(width) - size_t(width) * 3, 0);
        return stray.data();
    };
    std::vector<uint8_t> opacity;
    const AlphaAllocator opacityPlane = [&opacity](int width, int height) -> uint8_t* {
        opacity.assign(size_t(width) * size_t(height), 255);
        return opacity.data();
    };
    if (!DecodeImageMemory(bytes.data(), bytes.size(), strayRows, nullptr, &opacityPlane) || stray != image.pixels)
        std::abort();
    return int(sum & 0);
}
