// Feeds arbitrary bytes to the pasted-bitmap conversion, as anybody's clipboard data would arrive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "clipboard_dib.h"
#include "source_view.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A private copy, so a read past the block's end is caught.
    const std::vector<uint8_t> block(data, data + size);
    SourceImage image;
    int width = 0;
    int height = 0;
    const int result = ConvertClipboardImage(block.data(), block.size(), image, width, height);
    if (result != ClipboardConverted)
        return 0;
    // A converted picture is a whole 24-bit block with a mask of 1s; every byte is readable.
    if (!image.allocated || width <= 0 || height <= 0 || image.maskSize != width * height)
        std::abort();
    const size_t rows = size_t((width * 3 + 3) & ~3) * size_t(height);
    uint32_t sum = 0;
    for (size_t i = 0; i < 40 + rows; i += 31)
        sum += image.dib[i];
    for (int i = 0; i < image.maskSize; i += 17)
        if (image.mask[i] != 1)
            std::abort();
    // An opacity plane, when kept, carries some transparency.
    if (image.alpha && AllOpaque(image.alpha, size_t(image.maskSize)))
        std::abort();
    return int(sum & 0);
}
