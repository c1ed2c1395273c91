// PNG through libpng. libpng reports errors by longjmp: each function that calls it sets its
// own jump point and holds nothing with a destructor, so a jump skips no C++ object.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <png.h>

#include "imaging_io.h"

namespace {

constexpr size_t MessageSize = 256;
// zlib level of written files: about four times faster than the default level on photographs,
// for files a few per cent larger.
constexpr int EncodeCompressionLevel = 3;

// Plain data shared with libpng's callbacks.
struct PngState {
    ImageInput* input = nullptr;
    ImageOutput* output = nullptr;
    char message[MessageSize] = {};
};

void OnError(png_structp png, png_const_charp text)
{
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    std::snprintf(state->message, MessageSize, "%s", text != nullptr ? text : "error");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep dst, size_t n)
{
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (state->input->Read(dst, n) != n)
        png_error(png, "the file ends early");
}

void OnWrite(png_structp png, png_bytep src, size_t n)
{
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (!state->output->Write(src, n))
        png_error(png, "write error");
}

void OnFlush(png_structp) {}

// Reads the chunks up to the image data; false after a libpng error.
bool ReadInfo(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    return true;
}

// Whether the picture carries opacity: an alpha channel or a transparent colour.
bool HasTransparency(png_structp png, png_infop info)
{
    return (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
}

// Every colour type and depth becomes 8-bit blue, green, red, followed by the opacity when it
// is kept and dropped otherwise.
bool SetUpConversion(png_structp png, png_infop info, bool keepAlpha, size_t* rowBytes)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const int colourType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (keepAlpha && png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (depth == 16)
        png_set_scale_16(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (!keepAlpha)
        png_set_strip_alpha(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    *rowBytes = png_get_rowbytes(png, info);
    return true;
}

// Blue, green, red, opacity pixels into a colour row and an opacity row.
void SplitRow(const uint8_t* bgra, uint8_t* bgr, uint8_t* alpha, png_uint_32 width)
{
    for (png_uint_32 x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        bgr[0] = bgra[0];
        bgr[1] = bgra[1];
        bgr[2] = bgra[2];
        alpha[x] = bgra[3];
    }
}

// Where the rows of a picture with opacity go: one row at a time through `scratch`, or the
// whole picture into it when interlaced (later passes fill in earlier rows).
struct AlphaRows {
    uint8_t* pixels;
    uint8_t* alpha;
    size_t stride;
    png_uint_32 width;
    png_uint_32 height;
    uint8_t* scratch;
    bool whole;
};

bool ReadSplitRows(png_structp png, const AlphaRows* r, png_bytepp wholeRows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    if (r->whole)
        png_read_image(png, wholeRows);
    for (png_uint_32 y = 0; y < r->height; ++y) {
        uint8_t* from = r->whole ? wholeRows[y] : r->scratch;
        if (!r->whole)
            png_read_row(png, from, nullptr);
        const size_t stored = size_t(r->height - 1 - y);
        SplitRow(from, r->pixels + stored * r->stride, r->alpha + stored * r->width, r->width);
    }
    return true;
}

// Reads every pass into the rows; trailing chunks after the image data are not needed.
bool ReadRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    return true;
}

bool WriteAll(png_structp png, png_infop info, const PixelRows* image)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, png_uint_32(image->width), png_uint_32(image->height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = image->height - 1; y >= 0; --y)
        png_write_row(png, image->bottomRow + size_t(y) * image->stride);
    png_write_end(png, info);
    return true;
}

// Deflate packs at most 1032 bytes into one byte (a 258-byte match in two one-bit codes).
constexpr uint64_t MaxDeflateRatio = 1032;

// Whether the whole file, were it all compressed rows, is too short for the rows the header
// declares: such a file is refused before the picture is allocated.
bool TooShortForItsRows(png_structp png, png_infop info, uint64_t fileSize)
{
    const uint64_t rowBits = uint64_t(png_get_image_width(png, info)) * png_get_channels(png, info) *
                             png_get_bit_depth(png, info);
    const uint64_t rows = uint64_t(png_get_image_height(png, info)) * (1 + (rowBits + 7) / 8);
    return fileSize * MaxDeflateRatio < rows;
}

// Both read structures, destroyed together.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngReader() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
};

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriter() { png_destroy_write_struct(&png, info != nullptr ? &info : nullptr); }
};

// Reads the rows of a picture with opacity, splitting each into colour and opacity.
bool ReadWithAlpha(DecodeJob& job, png_structp png, png_infop info, const PngState& state, uint8_t* pixels,
                   uint8_t* alpha)
{
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const bool whole = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    const size_t rowBytes = size_t(width) * 4;
    std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[whole ? rowBytes * height : rowBytes]);
    std::vector<png_bytep> rows;
    try {
        rows.resize(whole ? height : 0);
    } catch (const std::bad_alloc&) {
        return DecodeFail(job, "no memory for the picture");
    }
    if (!scratch)
        return DecodeFail(job, "no memory for the picture");
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = scratch.get() + y * rowBytes;
    const AlphaRows target{pixels, alpha, ImagingStride(int(width)), width, height, scratch.get(), whole};
    if (!ReadSplitRows(png, &target, rows.data()))
        return DecodeFail(job, std::string("PNG data: ") + state.message);
    return true;
}

}  // namespace

bool DecodePng(DecodeJob& job)
{
    PngState state;
    state.input = &job.input;
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
    if (reader.png == nullptr || (reader.info = png_create_info_struct(reader.png)) == nullptr)
        return DecodeFail(job, "cannot start the PNG decoder");
    png_set_read_fn(reader.png, &state, OnRead);
    // The slot limits are checked below; libpng's own smaller default must not refuse first.
    png_set_user_limits(reader.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_uint_32 width = 0, height = 0;
    if (!ReadInfo(reader.png, reader.info, &width, &height))
        return DecodeFail(job, std::string("PNG: ") + state.message);
    bool headerOnly = false;
    if (!AcceptSize(job, width, height, headerOnly) || headerOnly)
        return headerOnly;
    if (TooShortForItsRows(reader.png, reader.info, job.input.Size()))
        return DecodeFail(job, "PNG: the file is too short for its picture size");
    uint8_t* pixels = AllocatePixels(job, width, height, headerOnly);
    if (pixels == nullptr)
        return false;
    uint8_t* alpha = job.allocateAlpha != nullptr && HasTransparency(reader.png, reader.info) ? AllocateAlpha(job) : nullptr;
    size_t rowBytes = 0;
    if (!SetUpConversion(reader.png, reader.info, alpha != nullptr, &rowBytes))
        return DecodeFail(job, std::string("PNG: ") + state.message);
    if (rowBytes != size_t(width) * (alpha != nullptr ? 4 : 3))
        return DecodeFail(job, "PNG: unexpected row layout");
    if (alpha != nullptr)
        return ReadWithAlpha(job, reader.png, reader.info, state, pixels, alpha);
    std::vector<png_bytep> rows;
    try {
        rows.resize(height);
    } catch (const std::bad_alloc&) {
        return DecodeFail(job, "no memory for the picture");
    }
    const size_t stride = ImagingStride(int(width));
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = pixels + size_t(height - 1 - y) * stride;
    if (!ReadRows(reader.png, rows.data()))
        return DecodeFail(job, std::string("PNG data: ") + state.message);
    return true;
}

bool EncodePng(ImageOutput& out, const PixelRows& image, std::string& diagnostic)
{
    PngState state;
    state.output = &out;
    PngWriter writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
    if (writer.png == nullptr || (writer.info = png_create_info_struct(writer.png)) == nullptr) {
        diagnostic = "cannot start the PNG encoder";
        return false;
    }
    png_set_write_fn(writer.png, &state, OnWrite, OnFlush);
    png_set_compression_level(writer.png, EncodeCompressionLevel);
    if (!WriteAll(writer.png, writer.info, &image)) {
        diagnostic = std::string("PNG encoder: ") + state.message;
        return false;
    }
    return true;
}
