#include <cstdio>
#include <cstring>
#include <memory>

#include "cbrindordoc.h"
#include "imaging_service.h"
#include "file_stream.h"
#include "raster_image.h"

namespace {

constexpr const char* CannotHandleMessage = "Cannot handle this type of image.";

// Expands one stored row of a 1-, 4- or 8-bit picture through its palette into 24-bit pixels.
void ExpandPaletteRow(const uint8_t* row, const uint8_t* palette, uint32_t entries, int bits, int width,
                      uint8_t* out)
{
    const int perByte = 8 / bits;
    const int valueMask = (1 << bits) - 1;
    for (int x = 0; x < width; ++x, out += 3) {
        const int shift = bits * (perByte - 1 - x % perByte);
        const uint32_t index = uint32_t(row[x / perByte] >> shift) & uint32_t(valueMask);
        if (index >= entries) {
            out[0] = out[1] = out[2] = 0;
            continue;
        }
        std::memcpy(out, palette + 4 * index, 3);
    }
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Rows are read a few kilobytes at a time; a larger buffer saves most system calls.
constexpr size_t RasterReadBuffer = 256 * 1024;

// The raster layer's file load over a file opened without blocking: the named format first,
// then any format it knows, keeping the named format's message when neither reads.
bool LoadRasterFile(RasterImage& image, const std::string& filePath, ImageFormatId id, std::string& why)
{
    std::unique_ptr<std::FILE, FileCloser> file(OpenRegularFile(filePath, &why));
    if (!file)
        return false;
    std::setvbuf(file.get(), nullptr, _IOFBF, RasterReadBuffer);
    FileStream stream(file.get());
    // A header that claims more than a slot takes is refused before its pixels are read.
    constexpr uint64_t MaxRows = MaxSourceBlock - SourceBlockOverhead;
    image.LimitDecodedSize(MaxSourceSide, MaxRows);
    if (image.Decode(&stream, id))
        return true;
    if (image.SizeRefused())
        return false;
    RasterImage any(FormatAuto);
    any.LimitDecodedSize(MaxSourceSide, MaxRows);
    return std::fseek(file.get(), 0, SEEK_SET) == 0 && any.Decode(&stream, FormatAuto) && image.TakeOver(any);
}

}  // namespace

bool CbrindorDoc::DecodeWithPlatform(const std::string& filePath, DecodedPicture& out)
{
    SourceImage fresh;
    // The slot's block is allocated from the header's size, so its pixel area takes the rows.
    const PixelAllocator allocate = [&fresh](int width, int height, bool whole) -> uint8_t* {
        if (!AllocateSourceImage(fresh, width, height, 24, whole))
            return nullptr;
        return fresh.dib + SourceHeaderSize;
    };
    const AlphaAllocator allocateAlpha = [&fresh](int width, int height) { return AllocateAlpha(fresh, width, height); };
    DecodeReport report;
    if (!DecodeImageFile(filePath, allocate, &report, &allocateAlpha) || !fresh.dib) {
        failureReason = report.diagnostic;
        return false;
    }
    if (!report.hasAlpha)
        ReleaseAlpha(fresh);
    out.image = std::move(fresh);
    out.width = report.width;
    out.height = report.height;
    TakeMetadata(filePath, report.container, out);
    return true;
}

bool CbrindorDoc::DecodeWithRasterLayer(const std::string& filePath, uint32_t formatId, DecodedPicture& out)
{
    auto decodeImage = std::make_unique<RasterImage>(ImageFormatId(formatId));
    LoadRasterFile(*decodeImage, filePath, ImageFormatId(formatId), failureReason);
    if (!decodeImage->HasImage()) {
        if (decodeImage->SizeRefused()) {
            failureReason = decodeImage->ErrorText();
            return false;
        }
        if (decodeImage->ErrorText()[0] != '\0')
            Show(decodeImage->ErrorText(), PromptKind::Plain);
        return false;
    }
    const BITMAPINFOHEADER& header = decodeImage->Header();
    const int bits = header.biBitCount;
    if ((bits != 1 && bits != 4 && bits != 8 && bits != 24) || header.biCompression != BI_RGB) {
        Show(CannotHandleMessage, PromptKind::Stop);
        return false;
    }
    const uint32_t width = decodeImage->Width();
    const uint32_t height = decodeImage->Height();
    if (!FitsSourceLimits(width, height)) {
        failureReason = "picture of " + std::to_string(width) + " x " + std::to_string(height) +
                        " pixels is beyond the source limits";
        return false;
    }
    SourceImage fresh;
    if (!AllocateSourceImage(fresh, int(width), int(height), 24)) {
        failureReason = "no memory for the picture";
        return false;
    }
    uint8_t* pixels = fresh.dib + SourceHeaderSize;
    const size_t stride = size_t(SourceRowSize(int(width), 24));
    const uint8_t* palette = decodeImage->PaletteArea();
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = decodeImage->PixelRow(y);
        uint8_t* target = pixels + size_t(y) * stride;
        if (bits == 24)
            std::memcpy(target, row, size_t(width) * 3);
        else
            ExpandPaletteRow(row, palette, decodeImage->PaletteEntries(), bits, int(width), target);
    }
    // Without memory for the opacity the picture still loads, opaque.
    if (const uint8_t* alpha = decodeImage->AlphaArea(); alpha && AllocateAlpha(fresh, int(width), int(height)))
        std::memcpy(fresh.alpha, alpha, size_t(width) * height);
    out.image = std::move(fresh);
    out.width = int(width);
    out.height = int(height);
    return true;
}
