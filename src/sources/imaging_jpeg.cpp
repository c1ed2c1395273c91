// JPEG: decoded through the libjpeg interface, which tells each warning apart, and encoded through
// the TurboJPEG one. Every call has its own state and messages, so several threads may work at once.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <jpeglib.h>
#include <jerror.h>
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

// Progressive files may hold any number of scans, each a pass over the whole picture; real ones
// hold a dozen or so.
constexpr int MaxScans = 500;

// One decompression. libjpeg reports a fatal error, and the warnings below, by jumping back to
// `escape` with the reason in `message`.
struct JpegReader {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    std::jmp_buf escape{};
    char message[JMSG_LENGTH_MAX] = {};
    bool endOfFile = false;
};

JpegReader& ReaderOf(j_common_ptr cinfo) { return *static_cast<JpegReader*>(cinfo->client_data); }

[[noreturn]] void Abandon(j_common_ptr cinfo)
{
    JpegReader& reader = ReaderOf(cinfo);
    if (reader.message[0] == 0)
        (*cinfo->err->format_message)(cinfo, reader.message);
    std::longjmp(reader.escape, 1);
}

// Warnings after which libjpeg makes pixels up (grey) or decodes garbled data. The others (bytes
// between markers, an unknown JFIF revision, a bad ICC marker and the like) leave every pixel intact.
bool LosesPixels(int code)
{
    return code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE || code == JWRN_ARITH_BAD_CODE ||
           code == JWRN_MUST_RESYNC;
}

void OnMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;  // trace output
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF)
        ReaderOf(cinfo).endOfFile = true;
    if (LosesPixels(code))
        Abandon(cinfo);
}

void Quiet(j_common_ptr) {}

void OnProgress(j_common_ptr cinfo)
{
    const auto* info = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (info->input_scan_number > MaxScans) {
        std::snprintf(ReaderOf(cinfo).message, JMSG_LENGTH_MAX, "more than %d scans", MaxScans);
        std::longjmp(ReaderOf(cinfo).escape, 1);
    }
}

// Every block of every component costs at least one bit of Huffman code, so a file shorter than
// that cannot hold the picture its header claims. Arithmetic coding has no such floor.
bool TooShortForItsBlocks(const jpeg_decompress_struct& info, size_t size)
{
    if (info.arith_code)
        return false;
    uint64_t blocks = 0;
    for (int c = 0; c < info.num_components; ++c)
        blocks += uint64_t(info.comp_info[c].width_in_blocks) * info.comp_info[c].height_in_blocks;
    return uint64_t(size) * 8 < blocks;
}

// The decode proper. Nothing with a destructor lives in this frame, as a fatal error leaves it
// by a long jump; the row tables belong to the caller.
bool ReadJpeg(DecodeJob& job, JpegReader& reader, const uint8_t* data, size_t size,
              std::vector<JSAMPROW>& rows, std::vector<uint8_t>& inks)
{
    jpeg_decompress_struct& info = reader.info;
    if (setjmp(reader.escape) != 0)
        return false;
    jpeg_create_decompress(&info);
    info.client_data = &reader;
    reader.progress.progress_monitor = OnProgress;
    info.progress = &reader.progress;
    jpeg_mem_src(&info, data, (unsigned long)size);
    jpeg_read_header(&info, TRUE);
    const int width = int(info.image_width), height = int(info.image_height);
    bool headerOnly = false;
    if (!AcceptSize(job, width, height, headerOnly) || headerOnly)
        return headerOnly;
    if (TooShortForItsBlocks(info, size))
        return DecodeFail(job, "JPEG: the file is too short for its picture size");
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    // Every row comes from jpeg_read_scanlines or the decode fails.
    uint8_t* pixels = AllocatePixels(job, width, height, headerOnly, true);
    if (pixels == nullptr)
        return false;
    try {
        rows.resize(size_t(height));
        inks.resize(cmyk ? size_t(width) * 4 : 0);
    } catch (const std::bad_alloc&) {
        return DecodeFail(job, "no memory for the picture");
    }
    const size_t stride = ImagingStride(width);
    for (int y = 0; y < height; ++y)
        rows[size_t(y)] = pixels + size_t(height - 1 - y) * stride;
    jpeg_start_decompress(&info);
    // A picture in several scans is read whole here: one that ended early lacks its later scans.
    if (reader.endOfFile && jpeg_has_multiple_scans(&info))
        return DecodeFail(job, "JPEG: the file ends before its last scan");
    while (info.output_scanline < info.output_height) {
        const JDIMENSION y = info.output_scanline;
        if (cmyk) {
            JSAMPROW ink = inks.data();
            if (jpeg_read_scanlines(&info, &ink, 1) != 1)
                return DecodeFail(job, "JPEG: the data stops");
            CmykRowToBgr(inks.data(), rows[y], width);
        } else if (jpeg_read_scanlines(&info, rows.data() + y, info.output_height - y) == 0) {
            return DecodeFail(job, "JPEG: the data stops");
        }
    }
    // Every row came from the file: a missing end marker after the one scan loses nothing.
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
    JpegReader reader;
    jpeg_std_error(&reader.errors);
    reader.errors.error_exit = Abandon;
    reader.errors.emit_message = OnMessage;
    reader.errors.output_message = Quiet;
    reader.info.err = &reader.errors;
    reader.info.client_data = &reader;
    std::vector<JSAMPROW> rows;
    std::vector<uint8_t> inks;
    const bool ok = ReadJpeg(job, reader, data, size, rows, inks);
    jpeg_destroy_decompress(&reader.info);
    return ok || DecodeFail(job, std::string("JPEG: ") + reader.message);
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
