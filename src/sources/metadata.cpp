#include "metadata.h"

#include <cstdio>
#include <iterator>
#include <mutex>
#include <type_traits>

// The library's handles are std::auto_ptr, deprecated in the language this program is built with.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

struct PictureMetadata::Blocks {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    std::vector<uint8_t> icc;
};

namespace {

using Blocks = PictureMetadata::Blocks;

constexpr const char* OrientationKey = "Exif.Image.Orientation";
constexpr const char* XmpOrientationKey = "Xmp.tiff.Orientation";
// Where the EXIF and XMP say how large the picture is: width keys first, each with its height.
constexpr const char* ExifSizeKeys[][2] = {{"Exif.Photo.PixelXDimension", "Exif.Photo.PixelYDimension"},
                                            {"Exif.Image.ImageWidth", "Exif.Image.ImageLength"}};
constexpr const char* XmpSizeKeys[][2] = {{"Xmp.exif.PixelXDimension", "Xmp.exif.PixelYDimension"},
                                           {"Xmp.tiff.ImageWidth", "Xmp.tiff.ImageLength"}};
// Tags of a TIFF's first directory that describe how its own pixels are stored; they mean
// nothing for another file's pixels. The XMP, IPTC and profile blocks travel on their own; the
// width and length stay, to be made true when written.
constexpr uint16_t StorageTags[] = {0x00fe, 0x00ff, 0x0102, 0x0103, 0x0106, 0x010a, 0x0111, 0x0115, 0x0116,
                                    0x0117, 0x0118, 0x0119, 0x011c, 0x013d, 0x0140, 0x0142, 0x0143, 0x0144, 0x0145, 0x014a, 0x0152,
                                    0x0153, 0x015b, 0x0211, 0x0212, 0x0213, 0x02bc, 0x83bb, 0x8773};

// What the library logged at error level during one read or write on this thread.
thread_local std::string* logCapture = nullptr;

void CaptureLog(int level, const char* text)
{
    if (logCapture != nullptr && level >= Exiv2::LogMsg::error && logCapture->empty() && text != nullptr) {
        *logCapture = text;
        while (!logCapture->empty() && (logCapture->back() == '\n' || logCapture->back() == ' '))
            logCapture->pop_back();
    }
}

// Routes the library's log to this thread's capture for one call, and starts the library once:
// its XMP toolkit must be started before threads use it.
class LibraryCall {
public:
    LibraryCall()
    {
        static std::once_flag started;
        std::call_once(started, [] {
            Exiv2::LogMsg::setLevel(Exiv2::LogMsg::error);
            Exiv2::LogMsg::setHandler(CaptureLog);
            Exiv2::XmpParser::initialize(LockXmp, nullptr);
        });
        logCapture = &logged;
    }
    ~LibraryCall() { logCapture = nullptr; }
    LibraryCall(const LibraryCall&) = delete;
    LibraryCall& operator=(const LibraryCall&) = delete;

    const std::string& Logged() const { return logged; }

private:
    static void LockXmp(void*, bool lock)
    {
        static std::mutex xmpMutex;
        if (lock)
            xmpMutex.lock();
        else
            xmpMutex.unlock();
    }

    std::string logged;
};

void DropStorageTags(Exiv2::ExifData& exif)
{
    for (auto it = exif.begin(); it != exif.end();) {
        bool storage = false;
        if (it->groupName() == "Image")
            for (uint16_t tag : StorageTags)
                storage = storage || it->tag() == tag;
        it = storage ? exif.erase(it) : std::next(it);
    }
}

// Whether a source's tag may join a written TIFF's own directories: one of the file format's
// value types, and in the first directory a tag the library knows. A damaged source's unknown
// or typeless entries would leave a file its own reader refuses.
bool FitsTiffDirectory(const Exiv2::Exifdatum& datum)
{
    const int type = int(datum.typeId());
    if (type < int(Exiv2::unsignedByte) || type > int(Exiv2::tiffDouble) || datum.count() == 0)
        return false;
    return datum.groupName() != "Image" || datum.tagName().rfind("0x", 0) != 0;
}

uint32_t BigEndian(const uint8_t* p, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | p[i];
    return value;
}

// Whether the JPEG segments before the image data hold EXIF, XMP, a profile or IPTC (APP1,
// APP2, APP13); anything unexpected answers yes and leaves the judgement to the library.
bool JpegMayHoldMetadata(std::FILE* file)
{
    uint8_t marker[4];
    if (std::fread(marker, 1, 2, file) != 2 || marker[0] != 0xFF || marker[1] != 0xD8)
        return true;
    for (;;) {
        if (std::fread(marker, 1, 4, file) != 4 || marker[0] != 0xFF)
            return true;
        const int kind = marker[1];
        if (kind == 0xDA)
            return false;
        if (kind == 0xE1 || kind == 0xE2 || kind == 0xED || BigEndian(marker + 2, 2) < 2)
            return true;
        if (std::fseek(file, long(BigEndian(marker + 2, 2)) - 2, SEEK_CUR) != 0)
            return true;
    }
}

// Whether a PNG holds any chunk the library takes metadata from: text, a profile or EXIF.
bool PngMayHoldMetadata(std::FILE* file)
{
    uint8_t chunk[8];
    if (std::fseek(file, 8, SEEK_SET) != 0)
        return true;
    for (;;) {
        if (std::fread(chunk, 1, 8, file) != 8)
            return true;
        const std::string type(reinterpret_cast<const char*>(chunk + 4), 4);
        if (type == "IEND")
            return false;
        if (type == "tEXt" || type == "zTXt" || type == "iTXt" || type == "iCCP" || type == "eXIf")
            return true;
        if (std::fseek(file, long(BigEndian(chunk, 4)) + 4, SEEK_CUR) != 0)
            return true;
    }
}

// Most pictures without metadata are told by their first segments, without the library.
bool MayHoldMetadata(std::FILE* file)
{
    uint8_t head[8] = {};
    const size_t got = std::fread(head, 1, sizeof head, file);
    if (std::fseek(file, 0, SEEK_SET) != 0)
        return true;
    switch (SniffContainer(head, got)) {
    case ImageContainer::Jpeg: return JpegMayHoldMetadata(file);
    case ImageContainer::Png: return PngMayHoldMetadata(file);
    default: return true;
    }
}

bool ReadFromIo(Exiv2::BasicIo::AutoPtr io, PictureMetadata& out, std::string& problem)
{
    out = PictureMetadata();
    LibraryCall call;
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(io);
        if (image.get() == nullptr)
            return true;
        image->readMetadata();
        if (!call.Logged().empty()) {
            problem = call.Logged();
            return false;
        }
        auto blocks = std::make_shared<Blocks>();
        blocks->exif = image->exifData();
        blocks->iptc = image->iptcData();
        blocks->xmp = image->xmpData();
        const Exiv2::DataBuf* icc = image->iccProfile();
        if (icc != nullptr && icc->size_ > 0)
            blocks->icc.assign(icc->pData_, icc->pData_ + icc->size_);
        // The thumbnail shows the old picture, not the one the data will describe.
        Exiv2::ExifThumb(blocks->exif).erase();
        DropStorageTags(blocks->exif);
        if (!blocks->exif.empty() || !blocks->iptc.empty() || !blocks->xmp.empty() || !blocks->icc.empty())
            out = PictureMetadata(std::move(blocks));
        return true;
    } catch (const std::exception& error) {
        problem = error.what();
    } catch (...) {
        problem = "unreadable metadata";
    }
    out = PictureMetadata();
    return false;
}

// Sets each present key to a new value, keeping its stored type.
template <typename Data>
void SetIfPresent(Data& data, const char* key, const std::string& value)
{
    using Key = std::conditional_t<std::is_same_v<Data, Exiv2::ExifData>, Exiv2::ExifKey, Exiv2::XmpKey>;
    auto it = data.findKey(Key(key));
    if (it != data.end())
        it->setValue(value);
}

template <typename Data, size_t N>
void SetSizes(Data& data, const char* const (&keys)[N][2], int width, int height)
{
    for (const auto& pair : keys) {
        SetIfPresent(data, pair[0], std::to_string(width));
        SetIfPresent(data, pair[1], std::to_string(height));
    }
}

}  // namespace

bool PictureMetadata::HasExif() const { return blocks && !blocks->exif.empty(); }
bool PictureMetadata::HasXmp() const { return blocks && !blocks->xmp.empty(); }
bool PictureMetadata::HasIptc() const { return blocks && !blocks->iptc.empty(); }
bool PictureMetadata::HasIcc() const { return blocks && !blocks->icc.empty(); }

int PictureMetadata::Orientation() const
{
    if (!blocks)
        return 1;
    const auto it = blocks->exif.findKey(Exiv2::ExifKey(OrientationKey));
    if (it == blocks->exif.end() || it->count() < 1)
        return 1;
    const long value = it->toLong(0);
    return value >= 1 && value <= 8 ? int(value) : 1;
}

PictureMetadata PictureMetadata::WithOrientation(int orientation) const
{
    if (!blocks || Orientation() == orientation)
        return *this;
    LibraryCall call;
    try {
        auto turned = std::make_shared<Blocks>(*blocks);
        SetIfPresent(turned->exif, OrientationKey, std::to_string(orientation));
        SetIfPresent(turned->xmp, XmpOrientationKey, std::to_string(orientation));
        return PictureMetadata(std::move(turned));
    } catch (...) {
        // A value the library cannot set leaves nothing trustworthy to keep.
        return PictureMetadata();
    }
}

bool ReadPictureMetadata(const std::string& path, PictureMetadata& out, std::string& problem)
{
    // Opened here first: the library's own open would block on a FIFO.
    out = PictureMetadata();
    std::FILE* file = OpenRegularFile(path, &problem);
    if (file == nullptr)
        return false;
    const bool worthReading = MayHoldMetadata(file);
    std::fclose(file);
    if (!worthReading)
        return true;
    return ReadFromIo(Exiv2::BasicIo::AutoPtr(new Exiv2::FileIo(path)), out, problem);
}

bool ReadPictureMetadata(const uint8_t* data, size_t size, PictureMetadata& out, std::string& problem)
{
    if (data == nullptr || size == 0 || size > size_t(INT32_MAX)) {
        out = PictureMetadata();
        return true;
    }
    return ReadFromIo(Exiv2::BasicIo::AutoPtr(new Exiv2::MemIo(data, long(size))), out, problem);
}

bool EmbedPictureMetadata(std::vector<uint8_t>& encoded, ImageContainer container, const PictureMetadata& metadata,
                          int width, int height, std::string& why)
{
    const Blocks* blocks = metadata.Data();
    if (blocks == nullptr || encoded.empty() || encoded.size() > size_t(INT32_MAX) ||
        (container != ImageContainer::Jpeg && container != ImageContainer::Png && container != ImageContainer::Tiff))
        return true;
    LibraryCall call;
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(encoded.data(), long(encoded.size()));
        image->readMetadata();
        Exiv2::ExifData exif = blocks->exif;
        Exiv2::XmpData xmp = blocks->xmp;
        SetSizes(exif, ExifSizeKeys, width, height);
        SetSizes(xmp, XmpSizeKeys, width, height);
        if (container == ImageContainer::Tiff) {
            // The encoder's own tags describe the written pixels and stay; the rest comes from the source.
            Exiv2::ExifData& own = image->exifData();
            for (const Exiv2::Exifdatum& datum : exif)
                if (FitsTiffDirectory(datum) && own.findKey(Exiv2::ExifKey(datum.key())) == own.end())
                    own.add(datum);
        } else {
            image->setExifData(exif);
        }
        image->setIptcData(blocks->iptc);
        image->setXmpData(xmp);
        if (!blocks->icc.empty()) {
            Exiv2::DataBuf icc(blocks->icc.data(), long(blocks->icc.size()));
            image->setIccProfile(icc, false);
        }
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        if (io.open() != 0 || io.seek(0, Exiv2::BasicIo::beg) != 0)
            throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed, "memory");
        const long size = io.size();
        std::vector<uint8_t> written(size_t(size > 0 ? size : 0));
        if (size <= 0 || io.read(written.data(), size) != size)
            throw Exiv2::Error(Exiv2::kerInputDataReadFailed);
        io.close();
        encoded.swap(written);
        return true;
    } catch (const std::exception& error) {
        why = error.what();
    } catch (...) {
        why = "the metadata could not be written";
    }
    return false;
}
#pragma GCC diagnostic pop
