#include "qt_clipboard.h"

#include <cstring>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include "codec_bytes.h"

namespace {

constexpr char BmpMime[] = "image/bmp";
constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;
// The long header that carries an alpha mask and a colour space.
constexpr int V5HeaderSize = 124;
constexpr uint32_t BitFields = 3;
constexpr uint32_t SrgbColourSpace = 0x73524742;  // 'sRGB'
constexpr uint32_t ImagesIntent = 4;

// Offset of the first pixel row in a block: header, then palette or masks.
uint32_t PixelOffset(const uint8_t* dib)
{
    const uint32_t size = Le32(dib);
    const int bits = Le16(dib + 14);
    const uint32_t compression = Le32(dib + 16);
    uint32_t colours = Le32(dib + 32);
    if (bits <= 8 && colours == 0)
        colours = 1u << bits;
    uint32_t extra = bits <= 8 ? colours * 4 : 0;
    if (compression == 3 && size == InfoHeaderSize)
        extra += 12;
    return size + extra;
}

}  // namespace

void QtClipboard::Empty() { QApplication::clipboard()->clear(); }

bool QtClipboard::HasDib()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && (data->hasFormat(BmpMime) || data->hasImage());
}

bool QtClipboard::GetDib(std::vector<uint8_t>& block)
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        return false;
    // A picture with transparency is taken as a picture: a bitmap offered beside it may have
    // lost the opacity on the way.
    const QImage offered = data->hasImage() ? qvariant_cast<QImage>(data->imageData()) : QImage();
    if (!offered.isNull() && offered.hasAlphaChannel()) {
        block = DibFromImage(offered);
        return true;
    }
    if (data->hasFormat(BmpMime)) {
        const QByteArray bytes = data->data(BmpMime);
        const bool hasFileHeader = bytes.size() >= FileHeaderSize && bytes.startsWith("BM");
        const int skip = hasFileHeader ? FileHeaderSize : 0;
        if (bytes.size() - skip >= InfoHeaderSize) {
            block.assign(bytes.begin() + skip, bytes.end());
            return true;
        }
    }
    if (offered.isNull())
        return false;
    block = DibFromImage(offered);
    return true;
}

bool QtClipboard::SetDib(std::vector<uint8_t>&& block)
{
    auto* data = new QMimeData;
    data->setData(BmpMime, BmpFile(block));
    const QImage image = ImageFromDib(block);
    if (!image.isNull())
        data->setImageData(image);
    QApplication::clipboard()->setMimeData(data);
    return true;
}

void QtClipboard::SetBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

QByteArray QtClipboard::BmpFile(const std::vector<uint8_t>& block)
{
    QByteArray file(FileHeaderSize, '\0');
    uint8_t* h = reinterpret_cast<uint8_t*>(file.data());
    h[0] = 'B';
    h[1] = 'M';
    PutLe32(h + 2, uint32_t(FileHeaderSize + block.size()));
    PutLe32(h + 10, FileHeaderSize + (block.size() >= InfoHeaderSize ? PixelOffset(block.data())
                                                                     : InfoHeaderSize));
    file.append(reinterpret_cast<const char*>(block.data()), qsizetype(block.size()));
    return file;
}

QImage QtClipboard::ImageFromDib(const std::vector<uint8_t>& block)
{
    if (block.size() < InfoHeaderSize)
        return {};
    const uint8_t* dib = block.data();
    const int32_t w = int32_t(Le32(dib + 4));
    const int32_t h = int32_t(Le32(dib + 8));
    if (Le16(dib + 14) != 24 || Le32(dib + 16) != 0 || w <= 0 || h == 0)
        return {};
    const int rows = h < 0 ? -h : h;
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    const size_t offset = Le32(dib);
    if (offset > block.size() || (block.size() - offset) / stride < size_t(rows))
        return {};
    const QImage wrapped(dib + offset, w, rows, qsizetype(stride), QImage::Format_BGR888);
    return h > 0 ? wrapped.mirrored(false, true) : wrapped.copy();
}

std::vector<uint8_t> QtClipboard::DibFromImage(const QImage& source)
{
    const bool alpha = source.hasAlphaChannel();
    // Format_RGB32 keeps blue, green, red, unused in memory order, Format_ARGB32 blue, green,
    // red and the straight opacity: the block's order either way.
    const QImage image = source.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int w = image.width(), h = image.height();
    const size_t rowBytes = size_t(w) * 4;
    const int headerSize = alpha ? V5HeaderSize : InfoHeaderSize;
    std::vector<uint8_t> block(headerSize + rowBytes * h, 0);
    uint8_t* dib = block.data();
    PutLe32(dib, uint32_t(headerSize));
    PutLe32(dib + 4, uint32_t(w));
    PutLe32(dib + 8, uint32_t(h));
    PutLe16(dib + 12, 1);
    PutLe16(dib + 14, 32);
    PutLe32(dib + 20, uint32_t(rowBytes * h));
    if (alpha) {
        PutLe32(dib + 16, BitFields);
        PutLe32(dib + 40, 0x00FF0000u);
        PutLe32(dib + 44, 0x0000FF00u);
        PutLe32(dib + 48, 0x000000FFu);
        PutLe32(dib + 52, 0xFF000000u);
        PutLe32(dib + 56, SrgbColourSpace);
        PutLe32(dib + 108, ImagesIntent);
    }
    for (int r = 0; r < h; ++r)
        std::memcpy(dib + headerSize + rowBytes * (h - 1 - r), image.constScanLine(r), rowBytes);
    return block;
}
