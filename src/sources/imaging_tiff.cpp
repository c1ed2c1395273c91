// TIFF through libtiff. Messages go to handlers set on each handle's own open options, never to
// the process-wide ones, so several threads may decode at once and nothing reaches stderr.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include <tiffio.h>

#include "imaging_io.h"

namespace {

constexpr size_t MessageSize = 256;
// Largest single allocation libtiff may make for one file (a strip, a tile, a table).
constexpr tmsize_t MaxTiffAllocation = tmsize_t(512) << 20;
// Strips of about this many bytes: big enough for the compressor, small enough to stream.
constexpr uint32_t EncodeStripBytes = 64 * 1024;

struct TiffMessages {
    char error[MessageSize] = {};
};

// Keeps the first error, the one that explains the others.
int OnError(TIFF*, void* userData, const char*, const char* format, va_list args)
{
    auto* messages = static_cast<TiffMessages*>(userData);
    if (messages->error[0] == 0)
        std::vsnprintf(messages->error, MessageSize, format, args);
    return 1;  // handled: the process-wide handlers stay silent
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
struct TiffClose {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using Options = std::unique_ptr<TIFFOpenOptions, OptionsFree>;
using Tiff = std::unique_ptr<TIFF, TiffClose>;

Options MakeOptions(TiffMessages& messages)
{
    Options options(TIFFOpenOptionsAlloc());
    if (options) {
        TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &messages);
        TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, nullptr);
        TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), MaxTiffAllocation);
    }
    return options;
}

toff_t Resolve(toff_t offset, int whence, uint64_t current, uint64_t size)
{
    switch (whence) {
    case SEEK_CUR: return current + offset;
    case SEEK_END: return size + offset;
    default: return offset;
    }
}

// Client procedures over ImageInput.
tmsize_t InRead(thandle_t h, void* dst, tmsize_t n)
{
    return n < 0 ? -1 : tmsize_t(static_cast<ImageInput*>(h)->Read(dst, size_t(n)));
}
tmsize_t InWrite(thandle_t, void*, tmsize_t) { return -1; }
toff_t InSeek(thandle_t h, toff_t offset, int whence)
{
    auto* in = static_cast<ImageInput*>(h);
    const toff_t target = Resolve(offset, whence, in->Tell(), in->Size());
    return in->Seek(target) ? target : toff_t(-1);
}
int NoClose(thandle_t) { return 0; }
toff_t InSize(thandle_t h) { return static_cast<ImageInput*>(h)->Size(); }
int InMap(thandle_t h, void** base, toff_t* size)
{
    auto* in = static_cast<ImageInput*>(h);
    if (in->Data() == nullptr)
        return 0;
    *base = const_cast<uint8_t*>(in->Data());
    *size = in->Size();
    return 1;
}
void NoUnmap(thandle_t, void*, toff_t) {}

// Client procedures over ImageOutput.
tmsize_t OutRead(thandle_t, void*, tmsize_t) { return -1; }
tmsize_t OutWrite(thandle_t h, void* src, tmsize_t n)
{
    return n >= 0 && static_cast<ImageOutput*>(h)->Write(src, size_t(n)) ? n : -1;
}
toff_t OutSeek(thandle_t h, toff_t offset, int whence)
{
    auto* out = static_cast<ImageOutput*>(h);
    const toff_t target = Resolve(offset, whence, out->Tell(), out->Size());
    return out->Seek(target) ? target : toff_t(-1);
}
toff_t OutSize(thandle_t h) { return static_cast<ImageOutput*>(h)->Size(); }
int NoMap(thandle_t, void**, toff_t*) { return 0; }

std::string Describe(const char* what, const TiffMessages& messages)
{
    return messages.error[0] != 0 ? std::string(what) + ": " + messages.error : std::string(what);
}

// Rows the RGBA reader fetches at once: one strip or one row of tiles, so none is decoded twice.
uint32_t BandRows(TIFF* tif, uint32_t height)
{
    uint32_t rows = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &rows);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows);
    return std::clamp<uint32_t>(rows, 1, height);
}

void AbgrRowToBgr(const uint32_t* abgr, uint8_t* bgr, uint32_t width)
{
    for (uint32_t x = 0; x < width; ++x, bgr += 3) {
        const uint32_t v = abgr[x];
        bgr[0] = uint8_t(TIFFGetB(v));
        bgr[1] = uint8_t(TIFFGetG(v));
        bgr[2] = uint8_t(TIFFGetR(v));
    }
}

// Straight colour from a premultiplied value; nothing is left to recover where a is 0.
uint8_t Unpremultiply(uint32_t c, uint32_t a)
{
    return a == 0 ? uint8_t(c) : uint8_t(std::min<uint32_t>(255, (c * 255 + a / 2) / a));
}

void AbgrRowToBgrAlpha(const uint32_t* abgr, uint8_t* bgr, uint8_t* alpha, uint32_t width, bool premultiplied)
{
    for (uint32_t x = 0; x < width; ++x, bgr += 3) {
        const uint32_t v = abgr[x];
        const uint32_t a = TIFFGetA(v);
        alpha[x] = uint8_t(a);
        if (premultiplied && a != 255) {
            bgr[0] = Unpremultiply(TIFFGetB(v), a);
            bgr[1] = Unpremultiply(TIFFGetG(v), a);
            bgr[2] = Unpremultiply(TIFFGetR(v), a);
        } else {
            bgr[0] = uint8_t(TIFFGetB(v));
            bgr[1] = uint8_t(TIFFGetG(v));
            bgr[2] = uint8_t(TIFFGetR(v));
        }
    }
}

bool StoredBottomFirst(uint16_t orientation)
{
    return orientation == ORIENTATION_BOTLEFT || orientation == ORIENTATION_BOTRIGHT ||
           orientation == ORIENTATION_LEFTBOT || orientation == ORIENTATION_RIGHTBOT;
}

// Where the fetched rows go: colour and, when kept, opacity, both bottom-up.
struct BandTarget {
    uint8_t* pixels;
    uint8_t* alpha;  // null: opacity dropped
    bool premultiplied;  // the reader hands over premultiplied colour
};

// Fetches the picture band by band in the file's row order, into bottom-up rows. The reader is
// kept from flipping vertically: it would flip each band on its own, not the whole picture.
bool ReadBands(TIFFRGBAImage& image, const BandTarget& target, uint32_t width, uint32_t height, uint32_t band)
{
    const bool bottomFirst = StoredBottomFirst(image.orientation);
    image.req_orientation = bottomFirst ? ORIENTATION_BOTLEFT : ORIENTATION_TOPLEFT;
    std::unique_ptr<uint32_t[]> raster(new (std::nothrow) uint32_t[size_t(width) * band]);
    if (!raster)
        return false;
    const size_t stride = ImagingStride(int(width));
    for (uint32_t top = 0; top < height; top += band) {
        const uint32_t rows = std::min(band, height - top);
        image.row_offset = int(top);
        image.col_offset = 0;
        if (!TIFFRGBAImageGet(&image, raster.get(), width, rows))
            return false;
        for (uint32_t r = 0; r < rows; ++r) {
            const uint32_t fileRow = top + r;
            const size_t storedRow = bottomFirst ? fileRow : height - 1 - fileRow;
            const uint32_t* from = raster.get() + size_t(r) * width;
            if (target.alpha != nullptr)
                AbgrRowToBgrAlpha(from, target.pixels + storedRow * stride, target.alpha + storedRow * width, width,
                                  target.premultiplied);
            else
                AbgrRowToBgr(from, target.pixels + storedRow * stride, width);
        }
    }
    return true;
}

// Uncompressed rows take their full size in the file: a file shorter than that cannot hold
// them, and is refused before the picture is allocated. Compressed data has no such floor.
bool TooShortForItsRows(TIFF* tif, uint32_t height, uint64_t fileSize)
{
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    return compression == COMPRESSION_NONE && uint64_t(TIFFScanlineSize64(tif)) * height > fileSize;
}

enum class StoredAlpha { None, Straight, Premultiplied };

// The first extra sample's kind; samples of unspecified meaning are no opacity.
StoredAlpha AlphaOf(TIFF* tif)
{
    uint16_t count = 0;
    uint16_t* kinds = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &kinds) || count == 0)
        return StoredAlpha::None;
    if (kinds[0] == EXTRASAMPLE_UNASSALPHA)
        return StoredAlpha::Straight;
    return kinds[0] == EXTRASAMPLE_ASSOCALPHA ? StoredAlpha::Premultiplied : StoredAlpha::None;
}

// libtiff's reader premultiplies unassociated alpha into the colour, darkening translucent
// pixels and blackening transparent ones. The sample is relabelled associated so that the
// reader hands over the stored, straight colour untouched, with the opacity beside it.
void KeepStraightColour(TIFF* tif)
{
    uint16_t count = 0;
    uint16_t* kinds = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &kinds) || count == 0 ||
        kinds[0] != EXTRASAMPLE_UNASSALPHA)
        return;
    // A copy: setting the field frees the array `kinds` points into before it is read.
    std::vector<uint16_t> relabelled(kinds, kinds + count);
    relabelled[0] = EXTRASAMPLE_ASSOCALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, count, relabelled.data());
}

}  // namespace

bool DecodeTiff(DecodeJob& job)
{
    // libtiff reads uncompressed tiles wrongly through its read procedure, so it always gets the
    // whole file as one mapped block.
    std::vector<uint8_t> storage;
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (!job.input.Contiguous(storage, data, size))
        return DecodeFail(job, "cannot read the file");
    ImageInput whole(data, size);
    TiffMessages messages;
    Options options = MakeOptions(messages);
    if (!options)
        return DecodeFail(job, "cannot start the TIFF decoder");
    Tiff tif(TIFFClientOpenExt("picture", "r", &whole, InRead, InWrite, InSeek, NoClose, InSize, InMap,
                               NoUnmap, options.get()));
    if (!tif)
        return DecodeFail(job, Describe("TIFF header", messages));
    uint32_t width = 0, height = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
        return DecodeFail(job, "TIFF: no picture size");
    bool headerOnly = false;
    if (!AcceptSize(job, width, height, headerOnly) || headerOnly)
        return headerOnly;
    char reason[1024] = {};
    if (!TIFFRGBAImageOK(tif.get(), reason))
        return DecodeFail(job, std::string("TIFF: ") + reason);
    if (TooShortForItsRows(tif.get(), height, size))
        return DecodeFail(job, "TIFF: the file is too short for its picture size");
    uint8_t* pixels = AllocatePixels(job, width, height, headerOnly);
    if (pixels == nullptr)
        return false;
    const StoredAlpha stored = AlphaOf(tif.get());
    KeepStraightColour(tif.get());
    TIFFRGBAImage image{};
    if (!TIFFRGBAImageBegin(&image, tif.get(), 1, reason))
        return DecodeFail(job, std::string("TIFF: ") + reason);
    // Associated colour is turned straight only when the opacity is kept to go with it.
    uint8_t* alpha = stored != StoredAlpha::None && image.alpha != 0 ? AllocateAlpha(job) : nullptr;
    const BandTarget target{pixels, alpha, stored == StoredAlpha::Premultiplied};
    const bool ok = ReadBands(image, target, width, height, BandRows(tif.get(), height));
    TIFFRGBAImageEnd(&image);
    return ok || DecodeFail(job, Describe("TIFF data", messages));
}

bool EncodeTiff(ImageOutput& out, const PixelRows& image, std::string& diagnostic)
{
    TiffMessages messages;
    Options options = MakeOptions(messages);
    Tiff tif(options ? TIFFClientOpenExt("picture", "w", &out, OutRead, OutWrite, OutSeek, NoClose, OutSize,
                                         NoMap, NoUnmap, options.get())
                     : nullptr);
    if (!tif) {
        diagnostic = Describe("cannot start the TIFF encoder", messages);
        return false;
    }
    const uint32_t width = uint32_t(image.width), height = uint32_t(image.height);
    const uint32_t rowsPerStrip = std::clamp<uint32_t>(EncodeStripBytes / (width * 3), 1, height);
    TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif.get(), TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif.get(), TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    std::vector<uint8_t> row(size_t(width) * 3);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* src = image.bottomRow + size_t(height - 1 - y) * image.stride;
        for (uint32_t x = 0; x < width; ++x) {
            row[3 * x] = src[3 * x + 2];
            row[3 * x + 1] = src[3 * x + 1];
            row[3 * x + 2] = src[3 * x];
        }
        if (TIFFWriteScanline(tif.get(), row.data(), y, 0) < 0) {
            diagnostic = Describe("TIFF encoder", messages);
            return false;
        }
    }
    if (!TIFFFlush(tif.get())) {
        diagnostic = Describe("TIFF encoder", messages);
        return false;
    }
    return true;
}
