// JPEG through the TurboJPEG interface of libjpeg-turbo. Every call takes its own handle and
// reads its messages from that handle, so decodes and encodes may run on several threads.
#include <cstring>
#include <memory>
#include <new>

#include <turbojpeg.h>

#include "imaging_io.h"

namespace {

// Chroma subsampling of what the encoder writes: the usual choice for photographs.
constexpr int EncodeSubsampling = TJSAMP_420;

struct HandleCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct TurboBufferFree {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

std::string LastError(tjhandle handle) { return tjGetErrorStr2(handle); }

// Most CMYK JPEGs come from Adobe software, which stores the inks inverted: 255 is no ink.
void CmykRowToBgr(const uint8_t* cmyk, uint8_t* bgr, int width)
{
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned k = cmyk[3];
        bgr[0] = uint8_t((cmyk[2] * k + 127) / 255);
        bgr[1] = uint8_t((cmyk[1] * k + 127) / 255);
        bgr[2] = uint8_t((cmyk[0] * k + 127) / 255);
    }
}

// A warning (corrupt or missing data past the header) still gives every row, as libjpeg makes
// it up from what it has; only an error fails the decode.
bool DecodeSucceeded(tjhandle handle, int result)
{
    return result == 0 || tjGetErrorCode(handle) == TJERR_WARNING;
}

bool DecodeCmyk(DecodeJob& job, tjhandle handle, const uint8_t* data, size_t size, uint8_t* pixels,
                int width, int height)
{
    std::unique_ptr<uint8_t[]> cmyk(new (std::nothrow) uint8_t[size_t(width) * 4 * size_t(height)]);
    if (!cmyk)
        return DecodeFail(job, "no memory for the picture");
    const int result = tjDecompress2(handle, data, (unsigned long)size, cmyk.get(), width, width * 4,
                                     height, TJPF_CMYK, TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS);
    if (!DecodeSucceeded(handle, result))
        return DecodeFail(job, LastError(handle));
    const size_t stride = ImagingStride(width);
    for (int r = 0; r < height; ++r)
        CmykRowToBgr(cmyk.get() + size_t(r) * width * 4, pixels + size_t(r) * stride, width);
    return true;
}

}  // namespace

bool DecodeJpeg(DecodeJob& job)
{
    std::vector<uint8_t> storage;
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (!job.input.Contiguous(storage, data, size))
        return DecodeFail(job, "cannot read the file");
    Handle handle(tjInitDecompress());
    if (!handle)
        return DecodeFail(job, "cannot start the JPEG decoder");
    int width = 0, height = 0, subsampling = 0, colourSpace = 0;
    const int header = tjDecompressHeader3(handle.get(), data, (unsigned long)size, &width, &height,
                                           &subsampling, &colourSpace);
    if (!DecodeSucceeded(handle.get(), header) || width <= 0 || height <= 0)
        return DecodeFail(job, "JPEG header: " + LastError(handle.get()));
    bool headerOnly = false;
    uint8_t* pixels = AllocatePixels(job, width, height, headerOnly);
    if (pixels == nullptr)
        return headerOnly;
    if (colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK)
        return DecodeCmyk(job, handle.get(), data, size, pixels, width, height);
    const int result =
        tjDecompress2(handle.get(), data, (unsigned long)size, pixels, width, int(ImagingStride(width)),
                      height, TJPF_BGR, TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS);
    if (!DecodeSucceeded(handle.get(), result))
        return DecodeFail(job, "JPEG data: " + LastError(handle.get()));
    return true;
}

bool EncodeJpeg(ImageOutput& out, const PixelRows& image, int quality, std::string& diagnostic)
{
    Handle handle(tjInitCompress());
    if (!handle) {
        diagnostic = "cannot start the JPEG encoder";
        return false;
    }
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const int result = tjCompress2(handle.get(), image.bottomRow, image.width, int(image.stride),
                                   image.height, TJPF_BGR, &buffer, &size, EncodeSubsampling, quality,
                                   TJFLAG_BOTTOMUP);
    std::unique_ptr<unsigned char, TurboBufferFree> owned(buffer);
    if (result != 0) {
        diagnostic = "JPEG encoder: " + LastError(handle.get());
        return false;
    }
    if (!out.Write(buffer, size)) {
        diagnostic = "write error";
        return false;
    }
    return true;
}
