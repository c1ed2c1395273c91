#include <gtest/gtest.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <cstdlib>

#include <tiffio.h>

#include "batch_options.h"
#include "doc_fakes.h"
#include "metadata.h"
#include "orientation.h"

namespace {

using namespace docfakes;

// An upright picture of 3 x 2 blocks, each its own colour, so any turn or mirror shows.
constexpr int Block = 16;
constexpr Bgr Colours[2][3] = {{{0, 0, 250}, {0, 250, 0}, {250, 0, 0}}, {{250, 250, 0}, {0, 250, 250}, {250, 0, 250}}};

// How a file stores the upright blocks: at stored block (row, column) it shows upright block
// upright(row, column).
struct StoredLayout {
    int rows, cols;  // stored blocks
    std::function<std::pair<int, int>(int, int)> upright;
};

// How a camera stores the upright picture for each orientation, written from the values' meaning.
StoredLayout Layout(int orientation)
{
    switch (orientation) {
    case 2: return {2, 3, [](int r, int c) { return std::pair{r, 2 - c}; }};
    case 3: return {2, 3, [](int r, int c) { return std::pair{1 - r, 2 - c}; }};
    case 4: return {2, 3, [](int r, int c) { return std::pair{1 - r, c}; }};
    case 5: return {3, 2, [](int r, int c) { return std::pair{c, r}; }};
    // Stored turned a quarter anticlockwise: the upright top left block is at the bottom left.
    case 6: return {3, 2, [](int r, int c) { return std::pair{c, 2 - r}; }};
    case 7: return {3, 2, [](int r, int c) { return std::pair{1 - c, 2 - r}; }};
    // Stored turned a quarter clockwise: the upright top left block is at the top right.
    case 8: return {3, 2, [](int r, int c) { return std::pair{1 - c, r}; }};
    default: return {2, 3, [](int r, int c) { return std::pair{r, c}; }};
    }
}

void SetExif(const std::string& path, const std::function<void(Exiv2::Image&)>& edit)
{
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    edit(*image);
    image->writeMetadata();
}

Exiv2::Image::AutoPtr ReadBack(const std::string& path)
{
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path);
    image->readMetadata();
    return image;
}

std::string ExifText(Exiv2::Image& image, const char* key)
{
    const auto it = image.exifData().findKey(Exiv2::ExifKey(key));
    return it == image.exifData().end() ? "(none)" : it->toString();
}

// A stand-in colour profile: the header's size field and signature are what readers check.
std::vector<uint8_t> FakeProfile()
{
    std::vector<uint8_t> icc(200, 7);
    icc[0] = 0, icc[1] = 0, icc[2] = 0, icc[3] = 200;
    std::memcpy(icc.data() + 36, "acsp", 4);
    return icc;
}

// Writes a photo of the block pattern as `orientation` stores it, with a full set of metadata.
void WritePhoto(const std::string& path, ImageContainer container, int orientation)
{
    const StoredLayout layout = Layout(orientation);
    WritePicture(path, container, layout.cols * Block, layout.rows * Block, [&](int row, int col) {
        const auto [r, c] = layout.upright(row / Block, col / Block);
        return Colours[r][c];
    });
    SetExif(path, [&](Exiv2::Image& image) {
        image.exifData()["Exif.Image.Orientation"] = uint16_t(orientation);
        image.exifData()["Exif.Image.Make"] = "Brindor Camera";
        image.exifData()["Exif.Photo.PixelXDimension"] = uint32_t(layout.cols * Block);
        image.exifData()["Exif.Photo.PixelYDimension"] = uint32_t(layout.rows * Block);
        image.xmpData()["Xmp.dc.title"] = "lang=\"x-default\" Harbour";
        image.iptcData()["Iptc.Application2.Caption"] = "Boats at dawn";
        std::vector<uint8_t> profile = FakeProfile();
        Exiv2::DataBuf icc(profile.data(), long(profile.size()));
        image.setIccProfile(icc, true);
    });
}

// The largest channel difference between slot s and the upright block pattern, or -1 when the
// slot is not the upright size.
int UprightError(const CbrindorDoc& doc, SourceIndex s)
{
    if (doc.Width(s) != 3 * Block || doc.Height(s) != 2 * Block)
        return -1;
    int worst = 0;
    for (int br = 0; br < 2; ++br)
        for (int bc = 0; bc < 3; ++bc) {
            const int yFromTop = br * Block + Block / 2;
            const uint8_t* p = doc.Pixels(s) + size_t(doc.Height(s) - 1 - yFromTop) * size_t(doc.Stride(s)) +
                               size_t(bc * Block + Block / 2) * 3;
            const Bgr want = Colours[br][bc];
            for (int k = 0; k < 3; ++k)
                worst = std::max(worst, std::abs(int(p[k]) - int((&want.blue)[k])));
        }
    return worst;
}

class MetadataTest : public ::testing::Test {
protected:
    TempFolder dir;
    DocRig rig{40, 24};
};

TEST_F(MetadataTest, EveryOrientationLoadsUpright)
{
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE("orientation " + std::to_string(orientation));
        const std::string path = dir.Path("o" + std::to_string(orientation) + ".jpg");
        WritePhoto(path, ImageContainer::Jpeg, orientation);
        rig.doc.autoOrient = true;
        ASSERT_TRUE(rig.doc.LoadSourceFile(1, path));
        EXPECT_LE(UprightError(rig.doc, 1), 12);
        EXPECT_EQ(rig.doc.metadata[0].Orientation(), 1);
        // Turned off, the picture stays as stored and its data still says how to turn it.
        rig.doc.autoOrient = false;
        ASSERT_TRUE(rig.doc.LoadSourceFile(1, path));
        EXPECT_EQ(rig.doc.Width(1), Layout(orientation).cols * Block);
        EXPECT_EQ(rig.doc.metadata[0].Orientation(), orientation);
    }
    // TIFF keeps its orientation in its own first directory; lossless, so exact.
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string path = dir.Path("o" + std::to_string(orientation) + ".tif");
        WritePhoto(path, ImageContainer::Tiff, orientation);
        rig.doc.autoOrient = true;
        ASSERT_TRUE(rig.doc.LoadSourceFile(1, path));
        EXPECT_EQ(UprightError(rig.doc, 1), 0) << orientation;
        EXPECT_EQ(rig.doc.metadata[0].Orientation(), 1) << orientation;
    }
}

TEST(OrientPlaneTest, OpacityPlaneTurnsLikeColour)
{
    // A 3 x 2 plane of single bytes, bottom-up rows padded to 4: upright rows "abc" / "def".
    const uint8_t stored[] = {'d', 'e', 'f', 0, 'a', 'b', 'c', 0};
    uint8_t turned[6] = {};
    // Stored as is, orientation 8 turns it a quarter anticlockwise: rows "cf", "be", "ad".
    OrientPlane(stored, 4, 3, 2, 1, 8, turned, 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(turned), 6), std::string("adbecf"));  // bottom-up
}

TEST_F(MetadataTest, OpacityTurnsWithTheColour)
{
    // Stored rows "abc" over "def" with opacities 10..60, to be turned a quarter clockwise.
    const std::string path = dir.Path("logo.tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 3u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2u);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(4));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(PHOTOMETRIC_RGB));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_RIGHTTOP));
    uint8_t rows[2][12];
    for (int i = 0; i < 6; ++i) {
        uint8_t* p = rows[i / 3] + 4 * (i % 3);
        p[0] = p[1] = p[2] = uint8_t(100 + i);
        p[3] = uint8_t(10 * (i + 1));
    }
    ASSERT_EQ(TIFFWriteScanline(tif, rows[0], 0, 0), 1);
    ASSERT_EQ(TIFFWriteScanline(tif, rows[1], 1, 0), 1);
    TIFFClose(tif);
    ASSERT_TRUE(rig.doc.LoadSourceFile(1, path));
    ASSERT_EQ(rig.doc.Width(1), 2);
    ASSERT_NE(rig.doc.Alpha(1), nullptr);
    // Upright rows "da", "eb", "fc", stored bottom-up.
    EXPECT_EQ(std::vector<uint8_t>(rig.doc.Alpha(1), rig.doc.Alpha(1) + 6), (std::vector<uint8_t>{60, 30, 50, 20, 40, 10}));
    EXPECT_EQ(rig.doc.Pixels(1)[0], 105);
}

TEST_F(MetadataTest, OutputsKeepSourceTwosMetadataWithTrueSizes)
{
    const std::string photo = dir.Path("photo.jpg");
    WritePhoto(photo, ImageContainer::Jpeg, 6);
    rig.AddSolidSource(8, 8, {1, 2, 3});
    ASSERT_TRUE(rig.doc.OpenSourceFile(photo));
    ASSERT_EQ(rig.doc.sourceCount, 2);
    for (SourceIndex s : {1, 2}) {
        rig.engine->UpdateSourceGeometry(s);
        rig.engine->PlaceSource(s);
    }
    rig.engine->ComposeTarget();
    const int width = rig.engine->target.width;
    const int height = rig.engine->target.height;
    for (const char* ext : {"jpg", "png", "tif"}) {
        SCOPED_TRACE(ext);
        const std::string out = dir.Path(std::string("out.") + ext);
        ASSERT_TRUE(rig.doc.SaveTarget(out, ext)) << rig.doc.LastFailureReason();
        EXPECT_EQ(rig.doc.LastMetadataProblem(), "");
        Exiv2::Image::AutoPtr image = ReadBack(out);
        EXPECT_EQ(ExifText(*image, "Exif.Image.Orientation"), "1");
        EXPECT_EQ(ExifText(*image, "Exif.Image.Make"), "Brindor Camera");
        EXPECT_EQ(ExifText(*image, "Exif.Photo.PixelXDimension"), std::to_string(width));
        EXPECT_EQ(ExifText(*image, "Exif.Photo.PixelYDimension"), std::to_string(height));
        EXPECT_EQ(image->xmpData()["Xmp.dc.title"].toString(), "lang=\"x-default\" Harbour");
        EXPECT_EQ(image->iptcData()["Iptc.Application2.Caption"].toString(), "Boats at dawn");
        const std::vector<uint8_t> profile = FakeProfile();
        ASSERT_TRUE(image->iccProfileDefined());
        EXPECT_EQ(std::vector<uint8_t>(image->iccProfile()->pData_, image->iccProfile()->pData_ + image->iccProfile()->size_),
                  profile);
        // The pixels are the target's, whatever went in beside them.
        DecodedImage decoded;
        ASSERT_TRUE(DecodeImageFile(out, decoded));
        EXPECT_EQ(decoded.width, width);
        EXPECT_EQ(decoded.height, height);
    }
    // A TIFF's own size tags stay those of its pixels.
    Exiv2::Image::AutoPtr tiff = ReadBack(dir.Path("out.tif"));
    EXPECT_EQ(ExifText(*tiff, "Exif.Image.ImageWidth"), std::to_string(width));

    rig.doc.stripMetadata = true;
    for (const char* ext : {"jpg", "png", "tif"}) {
        const std::string out = dir.Path(std::string("bare.") + ext);
        ASSERT_TRUE(rig.doc.SaveTarget(out, ext));
        Exiv2::Image::AutoPtr image = ReadBack(out);
        EXPECT_EQ(ExifText(*image, "Exif.Image.Make"), "(none)") << ext;
        EXPECT_TRUE(image->xmpData().empty() && image->iptcData().empty() && !image->iccProfileDefined()) << ext;
    }
}

TEST_F(MetadataTest, OnlyWhatAFileHoldsIsKept)
{
    for (ImageContainer container : {ImageContainer::Jpeg, ImageContainer::Png}) {
        const std::string path = dir.Path(container == ImageContainer::Jpeg ? "plain.jpg" : "plain.png");
        WritePicture(path, container, 8, 8);
        ASSERT_TRUE(rig.doc.LoadSourceFile(1, path));
        EXPECT_TRUE(rig.doc.metadata[0].Empty());
        // A profile alone is found too.
        SetExif(path, [](Exiv2::Image& image) {
            std::vector<uint8_t> profile = FakeProfile();
            Exiv2::DataBuf icc(profile.data(), long(profile.size()));
            image.setIccProfile(icc, true);
        });
        ASSERT_TRUE(rig.doc.LoadSourceFile(1, path));
        EXPECT_TRUE(rig.doc.metadata[0].HasIcc() && !rig.doc.metadata[0].HasExif()) << path;
        EXPECT_EQ(rig.doc.LastMetadataProblem(), "");
    }
}

// Answers the batch dialog with the metadata choice and a folder of its own.
struct MetadataBatchHost : BatchHost {
    bool strip = false;
    bool ConfirmBatch(const std::string&) override { return true; }
    bool ConfirmBatchOptions(const std::string&, BatchOptions& chosen) override
    {
        chosen.stripMetadata = strip;
        chosen.outputFolder = strip ? "bare" : "kept";
        return true;
    }
    void PumpEvents() override {}
    bool EscapeDown() override { return false; }
    void ShowFileCount(const std::string&) override {}
};

TEST_F(MetadataTest, WindowBatchKeepsOrRemovesEachPhotosMetadata)
{
    WritePhoto(dir.Path("photo.jpg"), ImageContainer::Jpeg, 8);
    rig.AddSolidSource(8, 8, {1, 2, 3});
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("photo.jpg")));
    MetadataBatchHost host;
    for (bool strip : {false, true}) {
        host.strip = strip;
        rig.doc.RunBatchMerge(host);
        Exiv2::Image::AutoPtr image = ReadBack(dir.Path(strip ? "bare/photo.jpg" : "kept/photo.jpg"));
        EXPECT_EQ(ExifText(*image, "Exif.Image.Make"), strip ? "(none)" : "Brindor Camera");
        EXPECT_EQ(image->iccProfileDefined(), !strip);
    }
    // The choice lasts for the run only: the window's own saves keep the data again.
    EXPECT_FALSE(rig.doc.stripMetadata);
}

TEST_F(MetadataTest, DamagedExifNeverStopsAPictureLoading)
{
    const std::string good = dir.Path("good.jpg");
    WritePhoto(good, ImageContainer::Jpeg, 1);
    std::vector<uint8_t> bytes = ReadBytes(good);
    // The first directory's entry count, just after "Exif\0\0" and the 8-byte TIFF header,
    // made to claim far more entries than the block holds; then the block cut short.
    const std::string marker = "Exif";
    const auto at = std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
    ASSERT_NE(at, bytes.end());
    const size_t ifd = size_t(at - bytes.begin()) + 6 + 8;
    bytes[ifd] = 0xff;
    bytes[ifd + 1] = 0x7f;
    const std::string bad = dir.Path("bad.jpg");
    WriteBytes(bad, bytes);
    ASSERT_TRUE(rig.doc.LoadSourceFile(1, bad));
    EXPECT_GE(UprightError(rig.doc, 1), 0);
    EXPECT_LE(UprightError(rig.doc, 1), 12);
    EXPECT_TRUE(rig.doc.metadata[0].Empty());
    EXPECT_NE(rig.doc.LastMetadataProblem(), "");
    // Cut anywhere, the file gives its metadata whole or none, never a crash.
    PictureMetadata read;
    std::string why;
    for (size_t cut = 0; cut < bytes.size(); cut += 97)
        EXPECT_TRUE(ReadPictureMetadata(bytes.data(), cut, read, why) || read.Empty()) << cut;
}

}  // namespace
#pragma GCC diagnostic pop
