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

constexpr const char* ConfigureSection = "Configure";
constexpr const char* LastSaveDirectoryKey = "Last Save Directory";
constexpr const char* LastSaveExtensionKey = "Last Save Extension";
constexpr const char* NeedTwoSourcesMessage =
    "There must be two source images present before anything can be saved.";
constexpr const char* FailedSaveMessage = "Failed save ?";
constexpr const char* FailedFileSaveMessage = "Failed the file save!";
// Largest header-plus-pixels block the TGA and PCX writers are handed.
constexpr uint64_t MaxRasterSaveBlock = 100000000;
constexpr uint32_t BlockSpare = 54;

// Writes a ready raster image as TGA or PCX through a temporary file renamed over the target.
bool WriteRasterFile(RasterImage& image, const std::string& filePath, ImageFormatId id)
{
    AtomicFile file(filePath);
    if (!file.Open())
        return false;
    bool ok;
    {
        FileStream stream(file.Stream());
        ok = image.Encode(&stream, id);
    }
    if (ok)
        ok = file.Commit();
    else
        file.Discard();
    return ok;
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
    FileDialogRequest request;
    request.filters = ParseFilterText(SaveFilterText);
    if (settings) {
        request.initialFolder = settings->ReadString(ConfigureSection, LastSaveDirectoryKey, "");
        request.filterIndex = settings->ReadInt(ConfigureSection, LastSaveExtensionKey, 0);
    }
    const FileDialogResult result = fileDialogs->SaveFile(request);
    if (!result.accepted)
        return;
    if (settings) {
        settings->WriteInt(ConfigureSection, LastSaveExtensionKey, result.filterIndex);
        settings->WriteString(ConfigureSection, LastSaveDirectoryKey, FolderOf(result.path));
    }
    const SaveDestination destination = ResolveSaveName(result.path, result.filterIndex);
    SaveTarget(destination.path, destination.extension);
}

bool CbrindorDoc::SaveTarget(const std::string& filePath, const std::string& extension)
{
    if (!engine)
        return false;
    if (extension == "tif" || extension == "jpg" || extension == "bmp" || extension == "png") {
        if (EncodeWithPlatform(filePath, extension))
            return true;
        Show(FailedFileSaveMessage, PromptKind::Plain);
        return false;
    }
    if (extension != "tga" && extension != "pcx")
        return false;

    const TargetImage& target = engine->target;
    const uint32_t width = uint32_t(target.width);
    const uint32_t height = uint32_t(target.height);
    const uint64_t sizeImage = (3ull * width + width % 4) * height;
    if (sizeImage + BlockSpare > MaxRasterSaveBlock) {
        Show(FailedSaveMessage, PromptKind::Plain);
        return false;
    }
    auto* block = static_cast<uint8_t*>(std::calloc(size_t(sizeImage) + BlockSpare, 1));
    if (!block) {
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
    std::memcpy(block + sizeof header, target.pixels.data(), size_t(width) * 3 * height);
    bool ok;
    {
        // The block has no file header: the BMP reader takes a bare info header and pixels.
        RasterImage image(block, uint32_t(sizeImage) + 44, FormatBmp);
        ok = image.HasImage() && WriteRasterFile(image, filePath, extension == "tga" ? FormatTga : FormatPcx);
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
    const ImageContainer container = ContainerForExtension(extension);
    if (container == ImageContainer::Unknown)
        return false;
    return EncodeImageFile(filePath, container, engine->target);
}
