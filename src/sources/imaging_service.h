#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct TargetImage;
class PictureMetadata;

// The containers the imaging service reads and writes.
enum class ImageContainer { Unknown, Bmp, Jpeg, Png, Tiff };

constexpr int DefaultJpegQuality = 90;

// Bytes per stored 24-bit row: 3 x width rounded up to a multiple of 4.
size_t ImagingStride(int width);
// Whether a 24-bit picture of this size fits a source slot (each side 1..20000 pixels and the
// slot's block within its byte limit). Decoders check it from the header, before any pixel.
bool FitsSourceLimits(int64_t width, int64_t height);

// The container a file's first bytes announce (a dozen bytes suffice); Unknown for anything else.
ImageContainer SniffContainer(const uint8_t* head, size_t size);
// "bmp", "jpg", "png" or "tif" (any letter case) to its container; Unknown otherwise.
ImageContainer ContainerForExtension(std::string_view extension);

// Where a decoder puts its pixels. Called at most once, with a size that FitsSourceLimits
// accepts; returns the first stored (bottom) row of a zero-filled area of
// ImagingStride(width) x height bytes, or null to refuse, which fails the decode. The decoder
// fills the area with blue-green-red rows, bottom-up; what it cannot decode stays zero.
// `whole`: the decoder writes all 3 x width pixel bytes of every row or fails, so only the
// padding at each row's end need be zero. The allocator must not throw.
using PixelAllocator = std::function<uint8_t*(int width, int height, bool whole)>;

// Where a decoder puts the opacity of a picture that carries any (an alpha channel or a
// transparent colour): width x height bytes, bottom-up rows without padding, handed over as
// 255 everywhere (opaque). Called at most once, after the PixelAllocator and with its size;
// null leaves the picture opaque. Opaque pictures never ask. The allocator must not throw.
using AlphaAllocator = std::function<uint8_t*(int width, int height)>;

// What a decode found; `container` is also set when the decode fails after the sniff.
struct DecodeReport {
    ImageContainer container = ImageContainer::Unknown;
    int width = 0;
    int height = 0;
    // An opacity plane was filled and holds a value below 255; false leaves it to be dropped.
    bool hasAlpha = false;
    // Why a decode failed, for the command-line tool; the desktop shows its own messages.
    std::string diagnostic;
};

// Opens a file for reading only when it is a regular file: a FIFO or a device would block the
// open or the reads. Null otherwise, with the reason (the system's words) in `why`, if given.
std::FILE* OpenRegularFile(const std::string& path, std::string* why = nullptr);

// Decodes the first frame or page of a file, choosing the decoder by content, never by name.
// With `allocateAlpha`, a picture with transparency also gets its opacity plane.
bool DecodeImageFile(const std::string& path, const PixelAllocator& allocate, DecodeReport* report = nullptr,
                     const AlphaAllocator* allocateAlpha = nullptr);
bool DecodeImageMemory(const uint8_t* data, size_t size, const PixelAllocator& allocate,
                       DecodeReport* report = nullptr, const AlphaAllocator* allocateAlpha = nullptr);

// A decoded picture that owns its pixels (bottom-up rows of ImagingStride(width) bytes) and,
// when it has transparency, its opacity (bottom-up rows of width bytes; empty when opaque).
struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> alpha;

    size_t Stride() const { return ImagingStride(width); }
    const uint8_t* StoredRow(int r) const { return pixels.data() + size_t(r) * Stride(); }
};

bool DecodeImageFile(const std::string& path, DecodedImage& out, DecodeReport* report = nullptr);
bool DecodeImageMemory(const uint8_t* data, size_t size, DecodedImage& out, DecodeReport* report = nullptr);

// Reads only as much of a file as gives its container and size; false when that fails or
// the picture would not fit a slot (report->width/height still tell the size when known).
bool ReadImageInfo(const std::string& path, DecodeReport& report);

struct EncodeOptions {
    int jpegQuality = DefaultJpegQuality;  // 1..100
    // Written into JPEG, PNG and TIFF files when given; a file written without it for a reason
    // the library gives is still a success, with that reason in `metadataProblem` when given.
    const PictureMetadata* metadata = nullptr;
    std::string* metadataProblem = nullptr;
};

// A 24-bit blue-green-red picture to encode: rows bottom-up, `stride` bytes apart.
struct PixelRows {
    const uint8_t* bottomRow = nullptr;
    int width = 0;
    int height = 0;
    size_t stride = 0;
};

// Writes one frame into a named file through a temporary file in the same folder, renamed over
// the target only when everything was written; a failure leaves an existing file untouched.
// Reports success only; `diagnostic` (optional) tells why it failed.
bool EncodeImageFile(const std::string& path, ImageContainer container, const PixelRows& image,
                     const EncodeOptions& options = {}, std::string* diagnostic = nullptr);
// The target picture as it is stored: width x height, rows bottom-up without padding.
bool EncodeImageFile(const std::string& path, ImageContainer container, const TargetImage& target,
                     const EncodeOptions& options = {}, std::string* diagnostic = nullptr);
// Same encoders into memory (the clipboard and the tests use it).
bool EncodeImageMemory(std::vector<uint8_t>& out, ImageContainer container, const PixelRows& image,
                       const EncodeOptions& options = {}, std::string* diagnostic = nullptr);
