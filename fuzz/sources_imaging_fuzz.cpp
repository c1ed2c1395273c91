// Feeds arbitrary bytes to the imaging service's decoders, as any file on disk might hold them.
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
    return int(sum & 0);
}
