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
// Headers of at least this size carry an alpha mask after the three colour masks.
constexpr uint32_t AlphaMaskHeaderSize = 56;
// File header and the info header up to its compression field.
constexpr size_t PeekBytes = FileHeaderSize + 20;
constexpr size_t CorePeekBytes = FileHeaderSize + CoreHeaderSize;

// What the headers say about the pixels, read before the codec allocates anything.
struct BmpFields {
    uint32_t pixelsAt = 0;  // the file header's offset of the pixel data, 0 when unset
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0;  // rows, whichever way they are stored
    uint32_t bits = 0;
    uint32_t compression = 0;
};

bool PeekFields(ImageInput& input, BmpFields& f)
{
    uint8_t head[PeekBytes] = {};
    const size_t got = input.Read(head, sizeof head);
    if (!input.Seek(0) || got < CorePeekBytes)
        return false;
    const uint8_t* info = head + FileHeaderSize;
    f.pixelsAt = Le32(head + 10);
    f.headerSize = Le32(info);
    if (f.headerSize == CoreHeaderSize) {
        f.width = Le16(info + 4);
        f.height = Le16(info + 6);
        f.bits = Le16(info + 10);
        return true;
    }
    if (got < PeekBytes)
        return false;
    f.width = int32_t(Le32(info + 4));
    f.height = int32_t(Le32(info + 8));
    f.height = f.height < 0 ? -f.height : f.height;
    f.bits = Le16(info + 14);
    f.compression = Le32(info + 16);
    return true;
}

bool KnownDepth(uint32_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

bool RunLength(const BmpFields& f) { return f.bits <= 8 && (f.compression == BI_RLE8 || f.compression == BI_RLE4); }

// Rows stored as they are, as the codec reads them; other compressions it refuses itself.
bool PlainRows(const BmpFields& f)
{
    return f.compression == BI_RGB || f.compression == BiBitFields || f.compression == BiAlphaBitFields || f.bits == 16;
}

size_t PixelStart(const BmpFields& f) { return f.pixelsAt != 0 ? f.pixelsAt : FileHeaderSize + size_t(f.headerSize); }

// Whether the file holds every row the header declares; the last row may lack its padding.
bool RowsPresent(const BmpFields& f, uint64_t fileSize)
{
    const uint64_t rowBits = uint64_t(f.width) * f.bits;
    const uint64_t needed = (rowBits + 31) / 32 * 4 * uint64_t(f.height - 1) + (rowBits + 7) / 8;
    return PixelStart(f) <= fileSize && fileSize - PixelStart(f) >= needed;
}

// Whether run-length data reaches its end code, or the end of the last row, before the file
// ends; the rows it never reaches would come out black.
bool RunsComplete(const uint8_t* data, size_t size, const BmpFields& f)
{
    const bool fourBits = f.compression == BI_RLE4;
    int64_t x = 0, y = 0;
    for (size_t i = PixelStart(f); i + 2 <= size;) {
        const uint32_t count = data[i], code = data[i + 1];
        i += 2;
        if (count > 0) {
            x += count;
        } else if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            return true;
        } else if (code == 2) {
            if (i + 2 > size)
                return false;
            x += data[i];
            y += data[i + 1];
            i += 2;
        } else {
            // An absolute run: its pixels, padded to an even number of bytes.
            size_t bytes = fourBits ? (code + 1) / 2 : code;
            bytes += bytes & 1;
            if (i + bytes > size)
                return false;
            i += bytes;
            x += code;
        }
        if (y >= f.height)
            return true;
    }
    return y == f.height - 1 && x >= f.width;
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
        // A 32-bit picture keeps its alpha mask, the fourth after the colour masks.
        const size_t alphaAt = maskAt + 12;
        const bool inHeader = headerSize >= AlphaMaskHeaderSize || compression == BiAlphaBitFields;
        const uint32_t alphaMask = bits == 32 && inHeader && alphaAt + 4 <= size ? Le32(data + alphaAt) : 0;
        const size_t maskBytes = alphaMask != 0 ? 16 : 12;
        compression = alphaMask != 0 ? BiAlphaBitFields : BiBitFields;
        out.resize(out.size() + maskBytes, 0);
        if (maskAt + maskBytes <= size)
            std::memcpy(out.data() + PlainEnd, data + maskAt, maskBytes);
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
    BmpFields fields;
    if (!PeekFields(job.input, fields))
        return DecodeFail(job, "BMP: the headers end early");
    bool headerOnly = false;
    if (!AcceptSize(job, fields.width, fields.height, headerOnly) || headerOnly)
        return headerOnly;
    // A picture the file cannot hold is refused before the codec allocates it.
    if (!KnownDepth(fields.bits))
        return DecodeFail(job, "BMP: " + std::to_string(fields.bits) + " bits per pixel is no BMP depth");
    std::vector<uint8_t> whole, rewritten;
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (RunLength(fields)) {
        if (!job.input.Contiguous(whole, data, size))
            return DecodeFail(job, "BMP: cannot read the file");
        if (!RunsComplete(data, size, fields))
            return DecodeFail(job, "BMP: the run-length data ends before the picture does");
    } else if (PlainRows(fields) && !RowsPresent(fields, job.input.Size())) {
        return DecodeFail(job, "BMP: the file ends before the picture's last row");
    }
    BmpCodec codec(FormatBmp);
    bool decoded = false;
    if (NeedsRewrite(job.input)) {
        if ((data == nullptr && !job.input.Contiguous(whole, data, size)) || !NormaliseForReader(data, size, rewritten))
            return DecodeFail(job, "BMP: cannot read the file");
        data = rewritten.data();
        size = rewritten.size();
    } else if (data == nullptr && job.input.Data() != nullptr) {
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
    if (codec.AlphaArea() != nullptr) {
        if (uint8_t* alpha = AllocateAlpha(job))
            std::memcpy(alpha, codec.AlphaArea(), size_t(codec.Width()) * codec.Height());
    }
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
