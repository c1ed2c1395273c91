// Feeds arbitrary bytes to the metadata reader, then writes whatever it accepted into a small
// picture of each container, as a save would.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging_service.h"
#include "metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A private copy, so a read past the end of the input is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    PictureMetadata metadata;
    std::string problem;
    const bool read = ReadPictureMetadata(bytes.data(), bytes.size(), metadata, problem);
    // A refusal keeps nothing and says why.
    if (!read && (!metadata.Empty() || problem.empty()))
        std::abort();
    if (metadata.Orientation() < 1 || metadata.Orientation() > 8 || metadata.WithOrientation(1).Orientation() != 1)
        std::abort();
    if (metadata.Empty())
        return 0;
    constexpr int Side = 4;
    const std::vector<uint8_t> pixels(ImagingStride(Side) * Side, 128);
    const PixelRows rows{pixels.data(), Side, Side, ImagingStride(Side)};
    for (ImageContainer container : {ImageContainer::Jpeg, ImageContainer::Png, ImageContainer::Tiff}) {
        std::vector<uint8_t> encoded;
        if (!EncodeImageMemory(encoded, container, rows))
            std::abort();
        const std::vector<uint8_t> plain = encoded;
        std::string why;
        // Written or not, the result is a picture of the same pixels.
        if (!EmbedPictureMetadata(encoded, container, metadata, Side, Side, why) && encoded != plain)
            std::abort();
        DecodedImage image;
        if (!DecodeImageMemory(encoded.data(), encoded.size(), image) || image.width != Side)
            std::abort();
    }
    return 0;
}
