#include <tiffio.h>

#include "imaging_support.h"

using namespace imaging_test;

namespace {

// One page as libtiff should store it: raw samples in the file's own layout, top row first.
struct TiffPage {
    TiffPage(int w, int h, int samplesPerPixel = 3, int bits = 8, int photometricId = PHOTOMETRIC_RGB)
        : width(w), height(h), samples(samplesPerPixel), depth(bits), photometric(photometricId)
    {
    }
    int width = 0;
    int height = 0;
    int samples = 3;
    int depth = 8;
    int photometric = PHOTOMETRIC_RGB;
    int compression = COMPRESSION_NONE;
    int orientation = ORIENTATION_TOPLEFT;
    int rowsPerStrip = 0;  // 0: the whole picture in one strip
    int tile = 0;          // tile side, a multiple of 16; 0 for strips
    bool associatedAlpha = false;
    std::vector<uint16_t> colourMap;  // 3 x 2^depth entries for palette pages
    std::vector<uint8_t> data;        // packed rows, top first
};

size_t RowBytes(const TiffPage& page) { return (size_t(page.width) * page.samples * page.depth + 7) / 8; }

TiffPage RgbPage(const Rgb& p)
{
    TiffPage page{p.width, p.height};
    page.data = p.rgb;
    return page;
}

bool WriteTiles(TIFF* tif, const TiffPage& page)
{
    const size_t pixelBytes = size_t(page.samples) * page.depth / 8;
    std::vector<uint8_t> tile(size_t(page.tile) * page.tile * pixelBytes);
    for (int ty = 0; ty < page.height; ty += page.tile)
        for (int tx = 0; tx < page.width; tx += page.tile) {
            std::fill(tile.begin(), tile.end(), 0);
            for (int y = ty; y < std::min(page.height, ty + page.tile); ++y)
                for (int x = tx; x < std::min(page.width, tx + page.tile); ++x)
                    std::memcpy(tile.data() + (size_t(y - ty) * page.tile + (x - tx)) * pixelBytes,
                                page.data.data() + y * RowBytes(page) + x * pixelBytes, pixelBytes);
            if (TIFFWriteTile(tif, tile.data(), uint32_t(tx), uint32_t(ty), 0, 0) < 0)
                return false;
        }
    return true;
}

void WritePage(TIFF* tif, const TiffPage& page)
{
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(page.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(page.height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(page.samples));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(page.depth));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(page.photometric));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, uint16_t(page.compression));
    TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(page.orientation));
    if (page.samples == 4 || page.samples == 2) {
        const uint16_t extra = page.associatedAlpha ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (!page.colourMap.empty()) {
        const size_t n = page.colourMap.size() / 3;
        TIFFSetField(tif, TIFFTAG_COLORMAP, page.colourMap.data(), page.colourMap.data() + n,
                     page.colourMap.data() + 2 * n);
    }
    if (page.tile != 0) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, uint32_t(page.tile));
        TIFFSetField(tif, TIFFTAG_TILELENGTH, uint32_t(page.tile));
        ASSERT_TRUE(WriteTiles(tif, page));
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(page.rowsPerStrip != 0 ? page.rowsPerStrip : page.height));
        std::vector<uint8_t> row(RowBytes(page));
        for (int y = 0; y < page.height; ++y) {
            std::memcpy(row.data(), page.data.data() + y * RowBytes(page), row.size());
            ASSERT_GE(TIFFWriteScanline(tif, row.data(), uint32_t(y), 0), 0);
        }
    }
    ASSERT_TRUE(TIFFWriteDirectory(tif));
}

void WriteTiff(const std::string& path, const std::vector<TiffPage>& pages)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    for (const TiffPage& page : pages)
        WritePage(tif, page);
    TIFFClose(tif);
}

// A little-endian gray TIFF whose one strip of a few bytes declares a picture of any size.
std::vector<uint8_t> HeaderOnlyTiff(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> out = {'I', 'I', 42, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    auto put16 = [&out](uint32_t v) { out.push_back(uint8_t(v)); out.push_back(uint8_t(v >> 8)); };
    auto put32 = [&](uint32_t v) { put16(v & 0xFFFF); put16(v >> 16); };
    struct Entry { uint16_t tag, type; uint32_t value; };
    const Entry entries[] = {{256, 4, width}, {257, 4, height}, {258, 3, 8}, {259, 3, 1}, {262, 3, 1},
                             {273, 4, 8}, {277, 3, 1}, {278, 4, height}, {279, 4, 8}};
    put16(uint16_t(std::size(entries)));
    for (const Entry& e : entries) {
        put16(e.tag);
        put16(e.type);
        put32(1);
        if (e.type == 3) {
            put16(e.value);
            put16(0);
        } else {
            put32(e.value);
        }
    }
    put32(0);
    return out;
}

class TiffDecode : public ::testing::Test {
protected:
    ScratchDir dir;
    DecodedImage image;
    DecodeReport report;

    bool Load(const std::vector<TiffPage>& pages)
    {
        WriteTiff(dir.File("t.tif"), pages);
        return DecodeImageFile(dir.File("t.tif"), image, &report);
    }
    std::vector<int> Bgr(int x, int y) const
    {
        const uint8_t* px = PixelAt(image, x, y);
        return {px[0], px[1], px[2]};
    }
};

}  // namespace

TEST_F(TiffDecode, StripAndTileLayoutsAtOddWidthsAreExact)
{
    const Rgb p = MakePicture(37, 23);
    for (int rows : {0, 1, 3, 7, 22}) {
        TiffPage page = RgbPage(p);
        page.rowsPerStrip = rows;
        page.compression = rows == 3 ? COMPRESSION_LZW : COMPRESSION_NONE;
        ASSERT_TRUE(Load({page})) << "rows per strip " << rows << ": " << report.diagnostic;
        EXPECT_EQ(report.container, ImageContainer::Tiff);
        EXPECT_EQ(MaxDifference(image, p), 0) << "rows per strip " << rows;
        EXPECT_TRUE(PaddingIsZero(image));
    }
    TiffPage tiled = RgbPage(p);
    tiled.tile = 16;
    ASSERT_TRUE(Load({tiled})) << report.diagnostic;
    EXPECT_EQ(MaxDifference(image, p), 0);
}

TEST_F(TiffDecode, OrientationIsHonouredAcrossStrips)
{
    // Stored bottom row first: the file's first row is the picture's last.
    const Rgb p = MakePicture(5, 10);
    Rgb flipped = p;
    for (int y = 0; y < p.height; ++y)
        std::memcpy(flipped.rgb.data() + size_t(y) * 15, p.At(0, p.height - 1 - y), 15);
    TiffPage page = RgbPage(flipped);
    page.orientation = ORIENTATION_BOTLEFT;
    page.rowsPerStrip = 3;
    ASSERT_TRUE(Load({page})) << report.diagnostic;
    EXPECT_EQ(MaxDifference(image, p), 0);
}

TEST_F(TiffDecode, FirstPageWins)
{
    const Rgb first = MakePicture(5, 4, 1);
    const Rgb second = MakePicture(9, 9, 2);
    ASSERT_TRUE(Load({RgbPage(first), RgbPage(second)})) << report.diagnostic;
    EXPECT_EQ(MaxDifference(image, first), 0);
}

TEST_F(TiffDecode, GrayPaletteSixteenBitAndAlphaPagesExpand)
{
    TiffPage gray{3, 1, 1, 8, PHOTOMETRIC_MINISBLACK};
    gray.data = {0, 128, 255};
    ASSERT_TRUE(Load({gray})) << report.diagnostic;
    EXPECT_EQ(Bgr(1, 0), (std::vector<int>{128, 128, 128}));

    TiffPage bilevel{10, 1, 1, 1, PHOTOMETRIC_MINISWHITE};
    bilevel.data = {0x80, 0x00};  // first pixel ink, the rest paper
    ASSERT_TRUE(Load({bilevel})) << report.diagnostic;
    EXPECT_EQ(Bgr(0, 0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Bgr(9, 0), (std::vector<int>{255, 255, 255}));

    TiffPage palette{2, 1, 1, 8, PHOTOMETRIC_PALETTE};
    palette.colourMap.assign(3 * 256, 0);
    palette.colourMap[5] = 0xFFFF;            // entry 5: red
    palette.colourMap[256 + 6] = 0x8080;      // entry 6: green at half
    palette.data = {5, 6};
    ASSERT_TRUE(Load({palette})) << report.diagnostic;
    EXPECT_EQ(Bgr(0, 0), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(Bgr(1, 0), (std::vector<int>{0, 128, 0}));

    TiffPage deep{1, 1, 3, 16, PHOTOMETRIC_RGB};
    deep.data = {0xFF, 0xFF, 0x00, 0x80, 0x00, 0x00};  // native little-endian samples
    ASSERT_TRUE(Load({deep})) << report.diagnostic;
    EXPECT_EQ(Bgr(0, 0), (std::vector<int>{0, 128, 255}));

    TiffPage alpha{2, 1, 4, 8, PHOTOMETRIC_RGB};
    alpha.associatedAlpha = true;
    alpha.data = {10, 20, 30, 255, 0, 0, 0, 0};
    ASSERT_TRUE(Load({alpha})) << report.diagnostic;
    EXPECT_EQ(Bgr(0, 0), (std::vector<int>{30, 20, 10}));
}

TEST_F(TiffDecode, UnassociatedAlphaKeepsTheStraightColour)
{
    // Translucent and fully transparent pixels keep their colour, as in every other format.
    TiffPage alpha{2, 1, 4, 8, PHOTOMETRIC_RGB};
    alpha.data = {35, 55, 50, 50, 200, 100, 50, 0};
    ASSERT_TRUE(Load({alpha})) << report.diagnostic;
    EXPECT_EQ(Bgr(0, 0), (std::vector<int>{50, 55, 35}));
    EXPECT_EQ(Bgr(1, 0), (std::vector<int>{50, 100, 200}));

    EXPECT_EQ(image.alpha, (std::vector<uint8_t>{50, 0}));

    TiffPage deep{1, 1, 4, 16, PHOTOMETRIC_RGB};
    deep.data = {0xFF, 0xFF, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00};
    ASSERT_TRUE(Load({deep})) << report.diagnostic;
    EXPECT_EQ(Bgr(0, 0), (std::vector<int>{0, 128, 255}));
    EXPECT_EQ(image.alpha, (std::vector<uint8_t>{0}));
}

TEST_F(TiffDecode, ExtraSamplesGiveOpacityWithStraightColour)
{
    // Associated colour is stored premultiplied and comes out straight beside its opacity.
    TiffPage associated{3, 2, 4, 8, PHOTOMETRIC_RGB};
    associated.associatedAlpha = true;
    associated.rowsPerStrip = 1;
    associated.data = {50, 25, 10, 128, 0, 0, 0, 0, 7, 8, 9, 255, 1, 2, 3, 255, 4, 5, 6, 255, 255, 255, 255, 255};
    ASSERT_TRUE(Load({associated})) << report.diagnostic;
    EXPECT_EQ(Bgr(0, 0), (std::vector<int>{20, 50, 100}));
    EXPECT_EQ(Bgr(2, 0), (std::vector<int>{9, 8, 7}));
    // Bottom-up rows of width bytes: the file's second row first.
    EXPECT_EQ(image.alpha, (std::vector<uint8_t>{255, 255, 255, 128, 0, 255}));

    TiffPage grayAlpha{2, 1, 2, 8, PHOTOMETRIC_MINISBLACK};
    grayAlpha.data = {90, 30, 200, 255};
    ASSERT_TRUE(Load({grayAlpha})) << report.diagnostic;
    EXPECT_EQ(Bgr(0, 0), (std::vector<int>{90, 90, 90}));
    EXPECT_EQ(image.alpha, (std::vector<uint8_t>{30, 255}));

    // Opaque throughout, and no extra sample at all: no plane.
    associated.data.assign(associated.data.size(), 255);
    ASSERT_TRUE(Load({associated})) << report.diagnostic;
    EXPECT_TRUE(image.alpha.empty());
    ASSERT_TRUE(Load({RgbPage(MakePicture(3, 2))})) << report.diagnostic;
    EXPECT_FALSE(report.hasAlpha);
    EXPECT_TRUE(image.alpha.empty());
}

TEST_F(TiffDecode, OversizedHeaderIsRefusedBeforeAnyAllocation)
{
    // The last size fits a slot but not the eight bytes of its uncompressed strip.
    for (auto [w, h] : {std::pair{30000u, 30000u}, std::pair{20001u, 1u}, std::pair{20000u, 3334u},
                        std::pair{20000u, 3333u}}) {
        WriteBytes(dir.File("big.tif"), HeaderOnlyTiff(w, h));
        RecordingAllocator allocator;
        DecodeReport big;
        EXPECT_FALSE(DecodeImageFile(dir.File("big.tif"), allocator.Get(), &big));
        EXPECT_EQ(allocator.calls, 0);
        EXPECT_EQ(big.width, int(w)) << big.diagnostic;
        EXPECT_EQ(big.height, int(h));
    }
    DecodeReport info;
    WriteBytes(dir.File("info.tif"), HeaderOnlyTiff(300, 200));
    ASSERT_TRUE(ReadImageInfo(dir.File("info.tif"), info)) << info.diagnostic;
    EXPECT_EQ(info.container, ImageContainer::Tiff);
    EXPECT_EQ(info.width, 300);
}

TEST_F(TiffDecode, DamagedFilesFailQuietly)
{
    const Rgb p = MakePicture(30, 20);
    TiffPage page = RgbPage(p);
    page.rowsPerStrip = 4;
    WriteTiff(dir.File("good.tif"), {page});
    const std::vector<uint8_t> good = ReadBytes(dir.File("good.tif"));
    testing::internal::CaptureStderr();
    // The directory sits at the end of what libtiff writes: cutting the file loses it or a strip.
    for (size_t cut : {size_t(3), size_t(8), good.size() / 2, good.size() - 1}) {
        DecodedImage out;
        EXPECT_FALSE(DecodeImageMemory(good.data(), cut, out)) << "cut at " << cut;
    }
    int decoded = 0;
    for (size_t i = 0; i < good.size(); i += 3) {
        std::vector<uint8_t> bytes = good;
        bytes[i] ^= 0xC3;
        DecodedImage out;
        if (DecodeImageMemory(bytes.data(), bytes.size(), out)) {
            ++decoded;
            EXPECT_EQ(out.pixels.size(), out.Stride() * size_t(out.height));
        }
    }
    EXPECT_GT(decoded, 0);  // a flipped pixel byte is still a picture
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(TiffEncode, RoundTripIsLossless)
{
    ScratchDir dir;
    for (int width : {1, 5, 1024}) {
        const Rgb p = MakePicture(width, 7, uint32_t(width));
        const std::vector<uint8_t> stored = ToStored(p);
        std::string why;
        ASSERT_TRUE(EncodeImageFile(dir.File("r.tif"), ImageContainer::Tiff, RowsOf(stored, width, 7), {}, &why)) << why;
        DecodedImage image;
        ASSERT_TRUE(DecodeImageFile(dir.File("r.tif"), image));
        EXPECT_EQ(MaxDifference(image, p), 0) << "width " << width;
    }
}
