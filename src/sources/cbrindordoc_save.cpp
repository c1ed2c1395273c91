#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "atomic_file.h"
#include "cbrindordoc.h"
#include "engine.h"
#include "file_rules.h"
#include "file_stream.h"
#include "imaging_service.h"
#include "raster_image.h"

namespace {

constexpr const char* LastSaveDirectoryKey = "Last Save Directory";
constexpr const char* LastSaveExtensionKey = "Last Save Extension";
constexpr const char* NeedTwoSourcesMessage =
    "There must be two source images present before anything can be saved.";
constexpr const char* FailedSaveMessage = "Failed save ?";
constexpr const char* FailedFileSaveMessage = "Failed the file save!";
// Largest header-plus-pixels block the TGA and PCX writers are handed.
constexpr uint64_t MaxRasterSaveBlock = 100000000;
constexpr uint32_t BlockSpare = 54;

// Writes a ready raster image as TGA or PCX through a temporary file renamed over the target;
// false with the reason in `why`.
bool WriteRasterFile(RasterImage& image, const std::string& filePath, ImageFormatId id, std::string& why)
{
    return WriteFileAtomically(filePath, [&](std::FILE* out, std::string& reason) {
        FileStream stream(out);
        if (image.Encode(&stream, id))
            return true;
        reason = image.ErrorText();
        if (stream.ErrorState() != 0)
            reason += std::string(": ") + std::strerror(errno);
        return false;
    }, why);
}

}  // namespace

void CbrindorDoc::SaveTargetAs()
{
    if (sourceCount != 2) {
        Show(NeedTwoSourcesMessage, PromptKind::Stop);
        return;
    }
    if (!fileDialogs)
        return;
    const FileDialogResult result =
        RunRememberedDialog(true, SaveFilterText, LastSaveDirectoryKey, LastSaveExtensionKey);
    if (!result.accepted)
        return;
    const SaveDestination destination = ResolveSaveName(result.path, result.filterIndex);
    SaveTarget(destination.path, destination.extension);
}

bool CbrindorDoc::SaveTarget(const std::string& filePath, const std::string& extension)
{
    if (!engine)
        return false;
    const TargetImage& target = engine->target;
    // The target's rows carry no padding: its width is a multiple of 4.
    const PixelRows rows{target.pixels.data(), target.width, target.height, size_t(target.width) * 3};
    return SavePicture(filePath, extension, rows, TargetMetadata());
}

const PictureMetadata* CbrindorDoc::TargetMetadata() const
{
    return stripMetadata || kind[1] != SourceKind::ImageFile || metadata[1].Empty() ? nullptr : &metadata[1];
}

bool CbrindorDoc::SavePicture(const std::string& filePath, const std::string& extension, const PixelRows& picture,
                              const PictureMetadata* keep)
{
    failureReason.clear();
    metadataProblem.clear();
    if (extension == "tif" || extension == "jpg" || extension == "bmp" || extension == "png") {
        if (EncodeWithPlatform(filePath, extension, picture, keep))
            return true;
        Show(FailedFileSaveMessage, PromptKind::Plain);
        return false;
    }
    if (extension != "tga" && extension != "pcx")
        return false;

    const uint32_t width = uint32_t(picture.width);
    const uint32_t height = uint32_t(picture.height);
    const uint64_t rowSize = 3ull * width + width % 4;
    const uint64_t sizeImage = rowSize * height;
    if (sizeImage + BlockSpare > MaxRasterSaveBlock) {
        failureReason = "the picture needs a block of " + std::to_string(sizeImage + BlockSpare) +
                        " bytes; the TGA and PCX writers take at most " + std::to_string(MaxRasterSaveBlock);
        Show(FailedSaveMessage, PromptKind::Plain);
        return false;
    }
    auto* block = static_cast<uint8_t*>(std::calloc(size_t(sizeImage) + BlockSpare, 1));
    if (!block) {
        failureReason = "no memory for the picture";
        Show(FailedSaveMessage, PromptKind::Plain);
        return false;
    }
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = int32_t(width);
    header.biHeight = int32_t(height);
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = uint32_t(sizeImage);
    std::memcpy(block, &header, sizeof header);
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(block + sizeof header + y * rowSize, picture.bottomRow + y * picture.stride, size_t(width) * 3);
    bool ok;
    {
        // The block has no file header: the BMP reader takes a bare info header and pixels.
        RasterImage raster(block, uint32_t(sizeImage) + 44, FormatBmp);
        if (!raster.HasImage())
            failureReason = raster.ErrorText();
        ok = raster.HasImage() &&
             WriteRasterFile(raster, filePath, extension == "tga" ? FormatTga : FormatPcx, failureReason);
    }
    std::free(block);
    if (!ok)
        Show(FailedFileSaveMessage, PromptKind::Plain);
    return ok;
}

bool CbrindorDoc::EncodeWithPlatform(const std::string& filePath, const std::string& extension)
{
    if (!engine)
        return false;
    const TargetImage& target = engine->target;
    return EncodeWithPlatform(filePath, extension,
                              PixelRows{target.pixels.data(), target.width, target.height, size_t(target.width) * 3},
                              TargetMetadata());
}

bool CbrindorDoc::EncodeWithPlatform(const std::string& filePath, const std::string& extension,
                                     const PixelRows& picture, const PictureMetadata* keep)
{
    const ImageContainer container = ContainerForExtension(extension);
    if (container == ImageContainer::Unknown) {
        failureReason = "no writer for ." + extension;
        return false;
    }
    EncodeOptions options;
    options.jpegQuality = jpegQuality;
    options.metadata = keep;
    options.metadataProblem = &metadataProblem;
    return EncodeImageFile(filePath, container, picture, options, &failureReason);
}
