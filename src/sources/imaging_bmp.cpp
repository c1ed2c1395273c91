// BMP: pictures are read by the raster layer's BMP codec and expanded here to 24 bits; the
// writer puts out the one plain form a target needs.
#include <algorithm>
#include <cstring>

#include "bmp_codec.h"
#include "codec_bytes.h"
#include "file_stream.h"
#include "imaging_io.h"
#include "memory_stream.h"

namespace {

constexpr uint32_t FileHeaderSize = 14;
constexpr uint32_t InfoHeaderSize = 40;
constexpr uint32_t CoreHeaderSize = 12;
constexpr uint32_t OS2HeaderSize = 64;
constexpr uint32_t BiBitFields = 3;
constexpr uint32_t BiAlphaBitFields = 6;
// File header, the header size and the size fields of the longest header form.
constexpr size_t PeekBytes = FileHeaderSize + 12;


// The picture size from the headers alone; rows stored top-down have a negative height.
bool PeekSize(ImageInput& input, int64_t& width, int64_t& height)
{
    uint8_t head[PeekBytes];
    if (input.Read(head, sizeof head) != sizeof head || !input.Seek(0))
        return false;
    const uint8_t* info = head + FileHeaderSize;
    if (Le32(info) == CoreHeaderSize) {
        width = Le16(info + 4);
        height = Le16(info + 6);
    } else {
        width = int32_t(Le32(info + 4));
        height = int32_t(Le32(info + 8));
    }
    height = height < 0 ? -height : height;
    return true;
}

// Whether the file needs the rewrite below before the raster reader sees it.
bool NeedsRewrite(ImageInput& input)
{
    uint8_t head[FileHeaderSize + 4];
    const bool complete = input.Read(head, sizeof head) == sizeof head;
    input.Seek(0);
    if (!complete)
        return false;
    const uint32_t headerSize = Le32(head + FileHeaderSize);
    if (headerSize == CoreHeaderSize)
        return input.Size() < FileHeaderSize + InfoHeaderSize;
    return headerSize > InfoHeaderSize && headerSize != OS2HeaderSize;
}

// Expands one stored row of the codec's picture (1, 4, 8 or 24 bits) to blue-green-red.
void ExpandRow(const RasterImage& image, int64_t y, uint8_t* out)
{
    const uint8_t* row = image.PixelRow(y);
    const uint32_t width = image.Width();
    const uint32_t bits = image.BitsPerPixel();
    if (row == nullptr)
        return;
    if (bits == 24) {
        std::memcpy(out, row, size_t(width) * 3);
        return;
    }
    const uint8_t* palette = image.PaletteArea();
    const uint32_t entries = image.PaletteEntries();
    const uint32_t perByte = 8 / bits;
    const uint32_t mask = (1u << bits) - 1;
    for (uint32_t x = 0; x < width; ++x, out += 3) {
        const uint32_t shift = (perByte - 1 - x % perByte) * bits;
        const uint32_t index = (row[x / perByte] >> shift) & mask;
        if (palette != nullptr && index < entries)
            std::memcpy(out, palette + 4 * index, 3);
    }
}

// The raster reader trusts the 108- and 124-byte headers (and the other long ones) only with
// an image size filled in and no colour count, and it reads 40 header bytes even after a
// 12-byte one. Valid files break both rules, so such a file is handed over rewritten with the
// plain 40-byte header: same size, depth, masks, palette and pixels. False: leave it as it is.
bool NormaliseForReader(const uint8_t* data, size_t size, std::vector<uint8_t>& out)
{
    constexpr size_t PlainEnd = FileHeaderSize + InfoHeaderSize;
    if (size < FileHeaderSize + 4)
        return false;
    const uint8_t* info = data + FileHeaderSize;
    const uint32_t headerSize = Le32(info);
    if (headerSize == CoreHeaderSize && size < PlainEnd) {
        out.assign(data, data + size);
        out.resize(PlainEnd, 0);
        return true;
    }
    if (headerSize <= InfoHeaderSize || headerSize == OS2HeaderSize || size < PlainEnd || size - FileHeaderSize < headerSize)
        return false;
    const uint32_t bits = Le16(info + 14);
    uint32_t compression = Le32(info + 16);
    const bool masks = compression == BiBitFields || compression == BiAlphaBitFields;
    const size_t maskAt = headerSize >= InfoHeaderSize + 12 ? FileHeaderSize + InfoHeaderSize : FileHeaderSize + headerSize;
    const size_t paletteAt = FileHeaderSize + headerSize + (masks && maskAt != PlainEnd ? 12 : 0);
    uint32_t colours = 0;
    if (bits <= 8) {
        const uint32_t used = Le32(info + 32);
        colours = used != 0 && used < (1u << bits) ? used : 1u << bits;
    }
    const size_t pixelsAt = std::min<size_t>(Le32(data + 10), size);
    out.assign(PlainEnd, 0);
    std::memcpy(out.data(), data, FileHeaderSize);
    std::memcpy(out.data() + FileHeaderSize, info, InfoHeaderSize);
    PutLe32(out.data() + FileHeaderSize, InfoHeaderSize);
    if (masks) {
        compression = BiBitFields;
        out.resize(out.size() + 12, 0);
        if (maskAt + 12 <= size)
            std::memcpy(out.data() + PlainEnd, data + maskAt, 12);
    }
    PutLe32(out.data() + FileHeaderSize + 16, compression);
    PutLe32(out.data() + FileHeaderSize + 32, colours);
    const size_t paletteBytes = size_t(colours) * 4;
    const size_t paletteOut = out.size();
    out.resize(out.size() + paletteBytes, 0);
    if (paletteAt < size)
        std::memcpy(out.data() + paletteOut, data + paletteAt, std::min(paletteBytes, size - paletteAt));
    PutLe32(out.data() + 10, uint32_t(out.size()));
    out.insert(out.end(), data + pixelsAt, data + size);
    PutLe32(out.data() + 2, uint32_t(out.size()));
    return true;
}

bool SupportedDepth(uint32_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

}  // namespace

bool DecodeBmp(DecodeJob& job)
{
    int64_t width = 0, height = 0;
    if (!PeekSize(job.input, width, height))
        return DecodeFail(job, "BMP: the headers end early");
    bool headerOnly = false;
    if (!AcceptSize(job, width, height, headerOnly) || headerOnly)
        return headerOnly;
    BmpCodec codec(FormatBmp);
    bool decoded = false;
    std::vector<uint8_t> whole, rewritten;
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (NeedsRewrite(job.input)) {
        if (!job.input.Contiguous(whole, data, size) || !NormaliseForReader(data, size, rewritten))
            return DecodeFail(job, "BMP: cannot read the file");
        data = rewritten.data();
        size = rewritten.size();
    } else if (job.input.Data() != nullptr) {
        data = job.input.Data();
        size = size_t(job.input.Size());
    }
    if (data != nullptr) {
        if (size > size_t(INT32_MAX))
            return DecodeFail(job, "BMP: file too large");
        MemoryStream stream(const_cast<uint8_t*>(data), int32_t(size));
        decoded = codec.Decode(&stream);
    } else {
        FileStream stream(job.input.File());
        decoded = codec.Decode(&stream);
    }
    if (!decoded || !codec.HasImage())
        return DecodeFail(job, std::string("BMP: ") + codec.ErrorText());
    if (!SupportedDepth(codec.BitsPerPixel()))
        return DecodeFail(job, "BMP: unsupported depth");
    uint8_t* pixels = AllocatePixels(job, codec.Width(), codec.Height(), headerOnly);
    if (pixels == nullptr)
        return false;
    const size_t stride = ImagingStride(int(codec.Width()));
    for (uint32_t y = 0; y < codec.Height(); ++y)
        ExpandRow(codec, y, pixels + size_t(y) * stride);
    return true;
}

bool EncodeBmp(ImageOutput& out, const PixelRows& image, std::string& diagnostic)
{
    const size_t stride = ImagingStride(image.width);
    const uint64_t pixelBytes = uint64_t(stride) * uint64_t(image.height);
    const uint64_t fileBytes = FileHeaderSize + InfoHeaderSize + pixelBytes;
    if (fileBytes > UINT32_MAX) {
        diagnostic = "picture too large for BMP";
        return false;
    }
    uint8_t header[FileHeaderSize + InfoHeaderSize] = {};
    header[0] = 'B';
    header[1] = 'M';
    PutLe32(header + 2, uint32_t(fileBytes));
    PutLe32(header + 10, FileHeaderSize + InfoHeaderSize);
    uint8_t* info = header + FileHeaderSize;
    PutLe32(info, InfoHeaderSize);
    PutLe32(info + 4, uint32_t(image.width));
    PutLe32(info + 8, uint32_t(image.height));
    PutLe16(info + 12, 1);
    PutLe16(info + 14, 24);
    PutLe32(info + 20, uint32_t(pixelBytes));
    bool ok = out.Write(header, sizeof header);
    const size_t rowBytes = size_t(image.width) * 3;
    const uint8_t padding[4] = {};
    // Stored rows are already bottom-up, as a BMP keeps them.
    for (int r = 0; ok && r < image.height; ++r) {
        ok = out.Write(image.bottomRow + size_t(r) * image.stride, rowBytes) &&
             out.Write(padding, stride - rowBytes);
    }
    if (!ok)
        diagnostic = "write error";
    return ok;
}
