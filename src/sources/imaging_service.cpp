#include "imaging_service.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "atomic_file.h"
#include "canvas.h"
#include "imaging_io.h"
#include "metadata.h"
#include "placement_kernels.h"
#include "source_image.h"

namespace {

constexpr size_t SniffBytes = 16;
// A compressed file this large cannot hold a picture a slot would take.
constexpr uint64_t MaxContiguousInput = uint64_t(1) << 30;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
// Fuzzing builds keep pictures small, so each input runs in microseconds.
constexpr uint64_t MaxDecodedPixels = uint64_t(4) << 20;
#else
constexpr uint64_t MaxDecodedPixels = UINT64_MAX;
#endif

bool StartsWith(const uint8_t* head, size_t size, const char* magic, size_t n)
{
    return size >= n && std::memcmp(head, magic, n) == 0;
}

bool ValidRows(const PixelRows& image, std::string& why)
{
    if (image.bottomRow == nullptr || image.width <= 0 || image.height <= 0) {
        why = "empty picture";
        return false;
    }
    if (image.width > 65535 || image.height > 65535 || image.stride < size_t(image.width) * 3) {
        why = "unsupported picture size";
        return false;
    }
    return true;
}

bool EncodeTo(ImageOutput& out, ImageContainer container, const PixelRows& image,
              const EncodeOptions& options, std::string& why)
{
    switch (container) {
    case ImageContainer::Bmp: return EncodeBmp(out, image, why);
    case ImageContainer::Jpeg:
        return EncodeJpeg(out, image, std::clamp(options.jpegQuality, 1, 100), why);
    case ImageContainer::Png: return EncodePng(out, image, why);
    case ImageContainer::Tiff: return EncodeTiff(out, image, why);
    case ImageContainer::Unknown: break;
    }
    why = "unknown container";
    return false;
}

bool DecodeBySniff(DecodeJob& job)
{
    uint8_t head[SniffBytes] = {};
    const size_t got = job.input.Read(head, sizeof head);
    job.report.container = SniffContainer(head, got);
    if (!job.input.Seek(0))
        return DecodeFail(job, "cannot read the file");
    switch (job.report.container) {
    case ImageContainer::Jpeg: return DecodeJpeg(job);
    case ImageContainer::Png: return DecodePng(job);
    case ImageContainer::Tiff: return DecodeTiff(job);
    case ImageContainer::Bmp: return DecodeBmp(job);
    case ImageContainer::Unknown: break;
    }
    return DecodeFail(job, got == 0 ? "empty file" : "not a BMP, JPEG, PNG or TIFF picture");
}

bool Decode(ImageInput& input, const PixelAllocator* allocate, DecodeReport& report,
            const AlphaAllocator* allocateAlpha = nullptr)
{
    report = DecodeReport{};
    DecodeJob job{input, allocate, report, allocateAlpha};
    const bool ok = DecodeBySniff(job);
    report.hasAlpha = ok && job.alpha != nullptr &&
                      !AllOpaque(job.alpha, size_t(report.width) * size_t(report.height));
    return ok;
}

bool DecodePath(const std::string& path, const PixelAllocator* allocate, DecodeReport& report,
                const AlphaAllocator* allocateAlpha = nullptr)
{
    report = DecodeReport{};
    std::string why;
    std::FILE* file = OpenRegularFile(path, &why);
    if (file == nullptr) {
        report.diagnostic = "cannot open the file: " + why;
        return false;
    }
    ImageInput input(file);
    const bool ok = Decode(input, allocate, report, allocateAlpha);
    std::fclose(file);
    return ok;
}

// The file is encoded in memory, given its metadata there and then written in one go, so the
// named file is still replaced whole or not at all.
bool EncodeWithMetadata(const std::string& path, ImageContainer container, const PixelRows& image,
                        const EncodeOptions& options, std::string* diagnostic)
{
    std::vector<uint8_t> encoded;
    std::string why;
    bool ok = EncodeImageMemory(encoded, container, image, options, &why);
    std::string problem;
    if (ok && !EmbedPictureMetadata(encoded, container, *options.metadata, image.width, image.height, problem) &&
        options.metadataProblem != nullptr)
        *options.metadataProblem = "metadata not written: " + problem;
    ok = ok && WriteFileAtomically(path, [&encoded](std::FILE* file, std::string& reason) {
        if (std::fwrite(encoded.data(), 1, encoded.size(), file) == encoded.size())
            return true;
        reason = std::strerror(errno);
        return false;
    }, why);
    if (diagnostic != nullptr)
        *diagnostic = ok ? std::string() : why;
    return ok;
}

AlphaAllocator OwningAlphaAllocator(DecodedImage& out)
{
    return [&out](int width, int height) -> uint8_t* {
        try {
            out.alpha.assign(size_t(width) * size_t(height), 255);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        return out.alpha.data();
    };
}

PixelAllocator OwningAllocator(DecodedImage& out)
{
    return [&out](int width, int height, bool) -> uint8_t* {
        try {
            out.pixels.assign(ImagingStride(width) * size_t(height), 0);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        out.width = width;
        out.height = height;
        return out.pixels.data();
    };
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Byte sources and sinks

ImageInput::ImageInput(std::FILE* file) : file_(file)
{
    struct stat st;
    if (file != nullptr && fstat(fileno(file), &st) == 0 && st.st_size > 0)
        size_ = uint64_t(st.st_size);
}

size_t ImageInput::Read(void* dst, size_t n)
{
    if (position_ >= size_)
        return 0;
    n = size_t(std::min<uint64_t>(n, size_ - position_));
    if (data_ != nullptr) {
        std::memcpy(dst, data_ + position_, n);
    } else if (file_ != nullptr) {
        n = std::fread(dst, 1, n, file_);
    } else {
        return 0;
    }
    position_ += n;
    return n;
}

bool ImageInput::Seek(uint64_t position)
{
    if (position > size_)
        return false;
    if (file_ != nullptr && fseeko(file_, off_t(position), SEEK_SET) != 0)
        return false;
    position_ = position;
    return true;
}

bool ImageInput::Contiguous(std::vector<uint8_t>& storage, const uint8_t*& data, size_t& size)
{
    if (data_ != nullptr) {
        data = data_;
        size = size_t(size_);
        return true;
    }
    if (size_ > MaxContiguousInput || !Seek(0))
        return false;
    try {
        storage.resize(size_t(size_));
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (Read(storage.data(), storage.size()) != storage.size())
        return false;
    data = storage.data();
    size = storage.size();
    return true;
}

bool ImageOutput::Write(const void* src, size_t n)
{
    if (failed_)
        return false;
    if (memory_ != nullptr) {
        try {
            if (memory_->size() < position_ + n)
                memory_->resize(size_t(position_ + n));
        } catch (const std::bad_alloc&) {
            failed_ = true;
            return false;
        }
        if (n != 0)
            std::memcpy(memory_->data() + position_, src, n);
    } else if (std::fwrite(src, 1, n, file_) != n) {
        return Fail();
    }
    position_ += n;
    size_ = std::max(size_, position_);
    return true;
}

bool ImageOutput::Fail()
{
    errorNumber_ = errno;
    failed_ = true;
    return false;
}

bool ImageOutput::Seek(uint64_t position)
{
    if (failed_)
        return false;
    if (memory_ != nullptr) {
        try {
            if (memory_->size() < position)
                memory_->resize(size_t(position));
        } catch (const std::bad_alloc&) {
            failed_ = true;
            return false;
        }
    } else if (fseeko(file_, off_t(position), SEEK_SET) != 0) {
        return Fail();
    }
    position_ = position;
    size_ = std::max(size_, position_);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Shared decoder steps

bool AcceptSize(DecodeJob& job, int64_t width, int64_t height, bool& headerOnly)
{
    headerOnly = false;
    if (width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX) {
        job.report.width = int(width);
        job.report.height = int(height);
    }
    if (!FitsSourceLimits(width, height) || uint64_t(width) * uint64_t(height) > MaxDecodedPixels)
        return DecodeFail(job, "picture of " + std::to_string(width) + " x " + std::to_string(height) +
                                   " pixels is beyond the source limits");
    headerOnly = job.allocate == nullptr;
    return true;
}

uint8_t* AllocatePixels(DecodeJob& job, int64_t width, int64_t height, bool& headerOnly, bool whole)
{
    if (!AcceptSize(job, width, height, headerOnly) || headerOnly)
        return nullptr;
    uint8_t* pixels = (*job.allocate)(int(width), int(height), whole);
    if (pixels == nullptr)
        DecodeFail(job, "no memory for the picture");
    return pixels;
}

uint8_t* AllocateAlpha(DecodeJob& job)
{
    if (job.allocateAlpha == nullptr || job.alpha != nullptr || job.report.width <= 0 || job.report.height <= 0)
        return job.alpha;
    job.alpha = (*job.allocateAlpha)(job.report.width, job.report.height);
    return job.alpha;
}

bool DecodeFail(DecodeJob& job, const std::string& why)
{
    if (job.report.diagnostic.empty())
        job.report.diagnostic = why;
    return false;
}

// ---------------------------------------------------------------------------------------------
// Public operations

std::FILE* OpenRegularFile(const std::string& path, std::string* why)
{
    const auto fail = [why](const std::string& reason) -> std::FILE* {
        if (why != nullptr)
            *why = reason;
        return nullptr;
    };
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return fail(std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return fail("not a regular file");
    // Checked again on the open file, without blocking, in case the entry was swapped meanwhile.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(std::strerror(errno));
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail("not a regular file");
    }
    const int flags = fcntl(fd, F_GETFL);
    std::FILE* file = flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 ? fdopen(fd, "rb") : nullptr;
    if (file == nullptr) {
        const int saved = errno;
        ::close(fd);
        return fail(std::strerror(saved));
    }
    return file;
}

size_t ImagingStride(int width) { return (size_t(width < 0 ? 0 : width) * 3 + 3) & ~size_t(3); }

bool FitsSourceLimits(int64_t width, int64_t height)
{
    if (width < 1 || height < 1 || width > MaxSourceSide || height > MaxSourceSide)
        return false;
    return SourceRowSize(int(width), 24) * uint64_t(height) + SourceBlockOverhead <= MaxSourceBlock;
}

ImageContainer SniffContainer(const uint8_t* head, size_t size)
{
    if (head == nullptr)
        return ImageContainer::Unknown;
    if (StartsWith(head, size, "\xFF\xD8\xFF", 3))
        return ImageContainer::Jpeg;
    if (StartsWith(head, size, "\x89PNG\r\n\x1A\n", 8))
        return ImageContainer::Png;
    // Classic and big TIFF, both byte orders.
    if (StartsWith(head, size, "II*\0", 4) || StartsWith(head, size, "MM\0*", 4) ||
        StartsWith(head, size, "II+\0", 4) || StartsWith(head, size, "MM\0+", 4))
        return ImageContainer::Tiff;
    if (StartsWith(head, size, "BM", 2))
        return ImageContainer::Bmp;
    return ImageContainer::Unknown;
}

ImageContainer ContainerForExtension(std::string_view extension)
{
    std::string lower(extension);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    if (lower == "bmp")
        return ImageContainer::Bmp;
    if (lower == "jpg")
        return ImageContainer::Jpeg;
    if (lower == "png")
        return ImageContainer::Png;
    if (lower == "tif")
        return ImageContainer::Tiff;
    return ImageContainer::Unknown;
}

bool DecodeImageFile(const std::string& path, const PixelAllocator& allocate, DecodeReport* report,
                     const AlphaAllocator* allocateAlpha)
{
    DecodeReport local;
    return DecodePath(path, &allocate, report != nullptr ? *report : local, allocateAlpha);
}

bool DecodeImageMemory(const uint8_t* data, size_t size, const PixelAllocator& allocate,
                       DecodeReport* report, const AlphaAllocator* allocateAlpha)
{
    DecodeReport local;
    ImageInput input(data, data == nullptr ? 0 : size);
    return Decode(input, &allocate, report != nullptr ? *report : local, allocateAlpha);
}

bool DecodeImageFile(const std::string& path, DecodedImage& out, DecodeReport* report)
{
    out = DecodedImage{};
    DecodeReport local;
    DecodeReport& found = report != nullptr ? *report : local;
    const AlphaAllocator alpha = OwningAlphaAllocator(out);
    const bool ok = DecodeImageFile(path, OwningAllocator(out), &found, &alpha);
    if (!ok)
        out = DecodedImage{};
    else if (!found.hasAlpha)
        out.alpha = std::vector<uint8_t>();
    return ok;
}

bool DecodeImageMemory(const uint8_t* data, size_t size, DecodedImage& out, DecodeReport* report)
{
    out = DecodedImage{};
    DecodeReport local;
    DecodeReport& found = report != nullptr ? *report : local;
    const AlphaAllocator alpha = OwningAlphaAllocator(out);
    const bool ok = DecodeImageMemory(data, size, OwningAllocator(out), &found, &alpha);
    if (!ok)
        out = DecodedImage{};
    else if (!found.hasAlpha)
        out.alpha = std::vector<uint8_t>();
    return ok;
}

bool ReadImageInfo(const std::string& path, DecodeReport& report)
{
    return DecodePath(path, nullptr, report);
}

bool EncodeImageFile(const std::string& path, ImageContainer container, const PixelRows& image,
                     const EncodeOptions& options, std::string* diagnostic)
{
    if (options.metadata != nullptr && !options.metadata->Empty() && container != ImageContainer::Bmp)
        return EncodeWithMetadata(path, container, image, options, diagnostic);
    std::string why;
    bool ok = ValidRows(image, why);
    AtomicFile file(path);
    if (ok && !file.Open()) {
        why = file.Error();
        ok = false;
    }
    if (ok) {
        ImageOutput out(file.Stream());
        ok = EncodeTo(out, container, image, options, why) && !out.Failed();
        if (!ok && out.ErrorNumber() != 0)
            why = "cannot write " + file.TempPath() + ": " + std::strerror(out.ErrorNumber());
        else if (!ok && why.empty())
            why = "write error";
    }
    if (ok && !file.Commit()) {
        why = file.Error();
        ok = false;
    }
    if (!ok)
        file.Discard();
    if (diagnostic != nullptr)
        *diagnostic = ok ? std::string() : why;
    return ok;
}

bool EncodeImageFile(const std::string& path, ImageContainer container, const TargetImage& target,
                     const EncodeOptions& options, std::string* diagnostic)
{
    const PixelRows rows{target.pixels.data(), target.width, target.height, size_t(target.width) * 3};
    return EncodeImageFile(path, container, rows, options, diagnostic);
}

bool EncodeImageMemory(std::vector<uint8_t>& out, ImageContainer container, const PixelRows& image,
                       const EncodeOptions& options, std::string* diagnostic)
{
    std::string why;
    ImageOutput sink(out);
    bool ok = ValidRows(image, why) && EncodeTo(sink, container, image, options, why) && !sink.Failed();
    if (!ok) {
        out.clear();
        if (why.empty())
            why = "out of memory";
    }
    if (diagnostic != nullptr)
        *diagnostic = ok ? std::string() : why;
    return ok;
}
