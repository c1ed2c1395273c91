#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "codec_builders.h"
#include "file_stream.h"
#include "memory_stream.h"
#include "raster_image.h"

using namespace codectest;

namespace {

const std::string DataDir = BRINDOR_TEST_DATA;

TEST(RasterCreate, RefusesZeroSizeAndDropsThePreviousImage)
{
    RasterImage image;
    ASSERT_NE(image.Create(4, 4, 24, FormatBmp), nullptr);
    EXPECT_EQ(image.Create(0, 5, 24, FormatBmp), nullptr);
    EXPECT_FALSE(image.HasImage());
    EXPECT_STREQ(image.ErrorText(), "RasterImage::Create : width and height must be greater than zero");
    EXPECT_EQ(image.Create(5, 0, 8, FormatBmp), nullptr);
    EXPECT_EQ(image.DibSize(), 0u);
}

TEST(RasterCreate, MemoryCapCountsStoredBitsExactly)
{
    RasterImage image;
    ASSERT_NE(image.Create(8192, 8192, 32, FormatBmp), nullptr);
    EXPECT_EQ(image.BitsPerPixel(), 24u);
    EXPECT_EQ(image.Header().biSizeImage, 201326592u);
    ASSERT_NE(image.Create(16384, 16384, 8, FormatBmp), nullptr);  // exactly 256 MiB
    EXPECT_EQ(image.Header().biSizeImage, 268435456u);
    EXPECT_EQ(image.Create(16385, 16384, 8, FormatBmp), nullptr);
    EXPECT_STREQ(image.ErrorText(), "RASTER_MAX_MEMORY exceeded");
    EXPECT_EQ(image.Create(65536, 65536, 24, FormatBmp), nullptr);  // product beyond 32 bits
    EXPECT_STREQ(image.ErrorText(), "RASTER_MAX_MEMORY exceeded");
    EXPECT_EQ(image.Create(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, FormatBmp), nullptr);
    EXPECT_STREQ(image.ErrorText(), "RASTER_MAX_MEMORY exceeded");
}

TEST(RasterCreate, RefusesPaddingThatWouldMultiplyTheBlock)
{
    // 2^28 one-byte pixels are within the counted cap, but each row pads to 4 bytes: 1 GiB.
    RasterImage image;
    EXPECT_EQ(image.Create(1, 1u << 28, 8, FormatBmp), nullptr);
    EXPECT_STREQ(image.ErrorText(), "RASTER_MAX_MEMORY exceeded");
    EXPECT_NE(image.Create(1, 1u << 26, 8, FormatBmp), nullptr);
}

TEST(RasterCreate, StridesPalettesAndBlockLayout)
{
    struct Case {
        uint32_t bits, stored, stride, colours, dibSize;
    };
    for (const Case c : {Case{24, 24, 12, 0, 64}, Case{1, 1, 4, 2, 56}, Case{4, 4, 4, 16, 112},
                         Case{8, 8, 4, 256, 1072}, Case{2, 4, 4, 16, 112}, Case{16, 24, 12, 0, 64},
                         Case{0, 1, 4, 2, 56}}) {
        SCOPED_TRACE(c.bits);
        RasterImage image;
        uint8_t* block = image.Create(3, 2, c.bits, FormatTga);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(image.BitsPerPixel(), c.stored);
        EXPECT_EQ(image.RowStride(), c.stride);
        EXPECT_EQ(image.PaletteEntries(), c.colours);
        EXPECT_EQ(image.DibSize(), c.dibSize);
        EXPECT_EQ(image.FormatId(), FormatTga);
        EXPECT_EQ(0, std::memcmp(block, &image.Header(), 40));
        EXPECT_EQ(image.Header().biSize, 40u);
        EXPECT_EQ(image.Header().biPlanes, 1);
        EXPECT_EQ(image.Header().biCompression, 0u);
        EXPECT_EQ(image.Header().biXPelsPerMeter, 3780);
        EXPECT_EQ(image.PixelArea(), block + 40 + 4 * c.colours);
        for (uint32_t i = 40; i < image.DibSize(); ++i)
            ASSERT_EQ(block[i], 0) << "byte " << i << " of a new picture is not clear";
    }
}

TEST(RasterResolution, SettersWriteDotsAndPelsToBothHeaders)
{
    RasterImage image;
    EXPECT_EQ(image.HorizontalDpi(), 96);
    EXPECT_EQ(image.Header().biXPelsPerMeter, 3780);
    image.SetHorizontalDpi(0);
    image.SetVerticalDpi(-3);
    EXPECT_EQ(image.HorizontalDpi(), 96);
    EXPECT_EQ(image.VerticalDpi(), 96);
    EXPECT_EQ(image.Header().biYPelsPerMeter, 3780);
    ASSERT_NE(image.Create(2, 2, 24, FormatBmp), nullptr);
    image.SetHorizontalDpi(300);
    image.SetVerticalDpi(72);
    const auto* block = reinterpret_cast<const BITMAPINFOHEADER*>(image.DibBlock());
    EXPECT_EQ(block->biXPelsPerMeter, 11811);
    EXPECT_EQ(block->biYPelsPerMeter, 2835);
    EXPECT_EQ(image.Header().biXPelsPerMeter, 11811);
    // Create keeps the resolution.
    ASSERT_NE(image.Create(1, 1, 8, FormatBmp), nullptr);
    EXPECT_EQ(image.Header().biXPelsPerMeter, 11811);
}

TEST(RasterPixels, PaletteEntriesAndGrayRamps)
{
    RasterImage image;
    ASSERT_NE(image.Create(2, 2, 4, FormatBmp), nullptr);
    image.SetPaletteEntry(15, 10, 20, 30);
    image.SetPaletteEntry(16, 1, 1, 1);  // past the palette: ignored
    const uint8_t* pal = image.DibBlock() + 40;
    EXPECT_EQ(pal[60], 30);
    EXPECT_EQ(pal[61], 20);
    EXPECT_EQ(pal[62], 10);
    EXPECT_EQ(pal[63], 0);
    EXPECT_EQ(image.PixelArea()[0], 0);
    image.SetGrayRamp();
    EXPECT_EQ(pal[4 * 1], 17);
    EXPECT_EQ(pal[4 * 15 + 2], 255);

    ASSERT_NE(image.Create(2, 2, 1, FormatBmp), nullptr);
    image.SetGrayRamp();
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{0, 0, 0}));
    EXPECT_EQ(image.DibBlock()[44], 255);

    ASSERT_NE(image.Create(2, 2, 24, FormatBmp), nullptr);
    image.SetGrayRamp();
    image.SetPaletteEntry(0, 1, 2, 3);
    EXPECT_EQ(image.DibSize(), 40u + 16u);
}

TEST(RasterPixels, IndexesKeepTheNeighbouringBits)
{
    RasterImage image;
    ASSERT_NE(image.Create(10, 2, 1, FormatBmp), nullptr);
    image.SetPixelIndex(0, 1, 1);
    image.SetPixelIndex(9, 1, 3);  // low bit only
    image.SetPixelIndex(10, 1, 1);  // outside: ignored
    image.SetPixelIndex(-1, 1, 1);
    EXPECT_EQ(Row(image, 1, 2), (Bytes{0x80, 0x40}));
    image.SetPixelIndex(0, 1, 0);
    EXPECT_EQ(Row(image, 1, 2), (Bytes{0x00, 0x40}));

    ASSERT_NE(image.Create(3, 1, 4, FormatBmp), nullptr);
    image.SetPixelIndex(0, 0, 0x1A);
    image.SetPixelIndex(1, 0, 0x0B);
    image.SetPixelIndex(2, 0, 0x0C);
    EXPECT_EQ(Row(image, 0, 2), (Bytes{0xAB, 0xC0}));
    EXPECT_EQ(image.PixelIndex(1, 0), 0x0Bu);

    ASSERT_NE(image.Create(3, 1, 8, FormatBmp), nullptr);
    image.SetPixelIndex(2, 0, 0x1FF);
    image.SetPixelIndex(1, 1, 5);  // row outside: ignored
    EXPECT_EQ(Row(image, 0, 3), (Bytes{0, 0, 0xFF}));
    image.SetPixelColor(0, 0, 1, 2, 3);  // no colours on a palette picture
    EXPECT_EQ(image.PixelArea()[0], 0);
}

TEST(RasterPixels, ColoursAreStoredBlueGreenRed)
{
    RasterImage image;
    ASSERT_NE(image.Create(2, 2, 24, FormatBmp), nullptr);
    image.SetPixelColor(1, 1, 0x11, 0x22, 0x33);
    image.SetPixelColor(2, 1, 9, 9, 9);
    image.SetPixelIndex(0, 0, 7);  // no indexes on a true-colour picture
    EXPECT_EQ(Row(image, 1, 6), (Bytes{0, 0, 0, 0x33, 0x22, 0x11}));
    EXPECT_EQ(image.PixelColor(1, 1), (RasterColor{0x33, 0x22, 0x11}));
    EXPECT_EQ(Row(image, 0, 6), Bytes(6, 0));
    EXPECT_EQ(image.PixelRow(2), nullptr);
    EXPECT_EQ(image.PixelRow(-1), nullptr);
}

TEST(RasterRows, FlipAndMirror)
{
    RasterImage image;
    EXPECT_FALSE(image.FlipRows());
    EXPECT_FALSE(image.MirrorRows());
    ASSERT_NE(image.Create(3, 3, 24, FormatBmp), nullptr);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 3; ++x)
            image.SetPixelColor(x, y, static_cast<uint8_t>(10 * y + x), 0, 0);
    ASSERT_TRUE(image.FlipRows());
    EXPECT_EQ(image.PixelColor(0, 0).red, 20);
    EXPECT_EQ(image.PixelColor(2, 1).red, 12);
    EXPECT_EQ(image.PixelColor(1, 2).red, 1);
    ASSERT_TRUE(image.MirrorRows());
    EXPECT_EQ(image.PixelColor(0, 0).red, 22);
    EXPECT_EQ(image.PixelColor(1, 1).red, 11);
    EXPECT_EQ(image.PixelColor(2, 2).red, 0);

    ASSERT_NE(image.Create(4, 1, 8, FormatBmp), nullptr);
    for (uint32_t x = 0; x < 4; ++x)
        image.SetPixelIndex(x, 0, x + 1);
    ASSERT_TRUE(image.MirrorRows());
    EXPECT_EQ(Row(image, 0, 4), (Bytes{4, 3, 2, 1}));
    ASSERT_NE(image.Create(4, 1, 4, FormatBmp), nullptr);
    EXPECT_FALSE(image.MirrorRows());
}

TEST(RasterRows, CursorStaysOnItsRowWhenAskedForOneOutside)
{
    RasterImage image;
    ASSERT_NE(image.Create(1, 3, 8, FormatBmp), nullptr);
    RowCursor cursor(image);
    EXPECT_EQ(cursor.Row(-1), image.PixelRow(0));
    EXPECT_EQ(cursor.Row(2), image.PixelRow(2));
    EXPECT_EQ(cursor.Row(3), image.PixelRow(2));
    EXPECT_EQ(cursor.Row(1), image.PixelRow(1));
}

TEST(RasterTakeOver, MovesThePictureAndEmptiesTheSource)
{
    RasterImage source(FormatTga);
    uint8_t* block = source.Create(2, 1, 24, FormatTga);
    source.SetHorizontalDpi(200);
    RasterImage target;
    ASSERT_NE(target.Create(5, 5, 8, FormatBmp), nullptr);
    ASSERT_TRUE(target.TakeOver(source));
    EXPECT_EQ(target.DibBlock(), block);
    EXPECT_EQ(target.Width(), 2u);
    EXPECT_EQ(target.FormatId(), FormatTga);
    EXPECT_EQ(target.HorizontalDpi(), 200);
    EXPECT_FALSE(source.HasImage());
    EXPECT_EQ(source.Width(), 0u);
    EXPECT_FALSE(target.TakeOver(target));
}

TEST(RasterDecode, RefusesMissingStreamsAndUnknownIds)
{
    RasterImage image;
    EXPECT_FALSE(image.Decode(nullptr, FormatBmp));
    EXPECT_STREQ(image.ErrorText(), "null file handler");
    uint8_t junk[64] = {1, 2, 3};
    MemoryStream stream(junk, sizeof junk);
    EXPECT_FALSE(image.Decode(&stream, static_cast<ImageFormatId>(5)));
    EXPECT_STREQ(image.ErrorText(), "Decode: Unknown or wrong format");
    // Every codec fails: their own messages are not kept.
    EXPECT_FALSE(image.Decode(&stream, FormatAuto));
    EXPECT_STREQ(image.ErrorText(), "Decode: Unknown or wrong format");
    EXPECT_FALSE(image.HasImage());
}

TEST(RasterDecode, FailureLeavesTheImageAsItWas)
{
    RasterImage image;
    uint8_t* block = image.Create(2, 2, 24, FormatBmp);
    Bytes bad = TgaHeader(2, 4, 4, 24);
    bad[2] = 0;
    EXPECT_FALSE(DecodeBytes(image, bad, FormatTga));
    EXPECT_STREQ(image.ErrorText(), "Unknown TGA image type");
    EXPECT_EQ(image.DibBlock(), block);
    EXPECT_EQ(image.Width(), 2u);
}

TEST(RasterDecode, AutomaticDetectionRewindsBetweenCodecs)
{
    // A PCX picture behind three bytes the caller has already consumed.
    Bytes bytes{9, 9, 9};
    Bytes pcx = PcxHeader(8, 3, 1, 1, 2);
    Add(pcx, {0x11, 0x00, 0x22, 0x00, 0x33, 0x00});
    Add(bytes, pcx);
    MemoryStream stream(bytes.data(), static_cast<int32_t>(bytes.size()));
    ASSERT_TRUE(stream.SeekTo(3, SEEK_SET));
    RasterImage image;
    ASSERT_TRUE(image.Decode(&stream, FormatAuto));
    EXPECT_EQ(image.FormatId(), FormatPcx);
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{0x33, 0x22, 0x11}));
}

TEST(RasterMemory, BareInfoHeaderBlockDecodesAsBmp)
{
    Bytes block = InfoHeader({.width = 3, .height = 2});
    for (uint8_t i = 0; i < 24; ++i)
        block.push_back(static_cast<uint8_t>(i * 7));
    RasterImage image(block.data(), static_cast<uint32_t>(block.size()), FormatBmp);
    ASSERT_TRUE(image.HasImage());
    EXPECT_EQ(image.FormatId(), FormatBmp);
    EXPECT_EQ(image.HorizontalDpi(), 96);
    EXPECT_EQ(image.VerticalDpi(), 96);
    EXPECT_EQ(0, std::memcmp(image.PixelArea(), block.data() + 40, 24));
}

class RasterFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() /
                 ("codecs_files_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string Path(const char* name) const { return (folder / name).string(); }
    std::filesystem::path folder;
};

TEST_F(RasterFiles, MisnamedPictureIsReadByTheFallback)
{
    RasterImage image((DataDir + "/codec_pcx_named.tga").c_str(), FormatTga);
    ASSERT_TRUE(image.HasImage());
    EXPECT_EQ(image.FormatId(), FormatPcx);
    EXPECT_EQ(image.Width(), 5u);
    EXPECT_EQ(image.Height(), 3u);
}

TEST_F(RasterFiles, TheRequestedFormatsMessageSurvives)
{
    RasterImage asPcx((DataDir + "/codec_text.pcx").c_str(), FormatPcx);
    EXPECT_FALSE(asPcx.HasImage());
    EXPECT_STREQ(asPcx.ErrorText(), "Can't read PCX image");
    RasterImage asAuto((DataDir + "/codec_text.pcx").c_str(), FormatAuto);
    EXPECT_STREQ(asAuto.ErrorText(), "Decode: Unknown or wrong format");
    RasterImage missing(Path("missing.tga").c_str(), FormatTga);
    EXPECT_FALSE(missing.HasImage());
    EXPECT_STREQ(missing.ErrorText(), "");
}

TEST_F(RasterFiles, SaveWithAnUnknownFormatLeavesAnEmptyFile)
{
    RasterImage image;
    ASSERT_NE(image.Create(2, 2, 24, FormatBmp), nullptr);
    const std::string path = Path("out.bmp");
    WriteFile(path, Bytes(10, 1));
    EXPECT_FALSE(image.SaveFile(path.c_str(), FormatBmp));
    EXPECT_STREQ(image.ErrorText(), "Encode: Unknown format");
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_FALSE(image.SaveFile(Path("no/such/folder/out.tga").c_str(), FormatTga));
    EXPECT_STREQ(image.ErrorText(), "Encode: Unknown format");
}

TEST_F(RasterFiles, SavedFilesLoadBackThroughFileStreams)
{
    RasterImage image;
    ASSERT_NE(image.Create(5, 3, 24, FormatBmp), nullptr);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 5; ++x)
            image.SetPixelColor(x, y, static_cast<uint8_t>(x * 50), static_cast<uint8_t>(y * 100), 0xC3);
    for (ImageFormatId id : {FormatTga, FormatPcx}) {
        const std::string path = Path(id == FormatTga ? "round.tga" : "round.pcx");
        ASSERT_TRUE(image.SaveFile(path.c_str(), id));
        RasterImage back(path.c_str(), id);
        ASSERT_TRUE(back.HasImage()) << back.ErrorText();
        EXPECT_EQ(back.FormatId(), id);
        for (uint32_t y = 0; y < 3; ++y)
            EXPECT_EQ(Row(back, y, 15), Row(image, y, 15)) << "row " << y;
    }
}

// Rows read in one block still notice the end where a file stream does: only after a read has
// run past it, so a file that stops where its last row begins decodes, that row cleared; a
// memory stream is at its end there.
TEST_F(RasterFiles, ATgaThatStopsWhereItsLastRowBeginsDecodesFromAFile)
{
    Bytes b = TgaHeader(2, 4, 3, 24);
    Add(b, Bytes(2 * 12, 9));
    const std::string path = Path("short.tga");
    WriteFile(path, b);
    RasterImage fromFile(path.c_str(), FormatTga);
    ASSERT_TRUE(fromFile.HasImage()) << fromFile.ErrorText();
    EXPECT_EQ(Row(fromFile, 1, 12), Bytes(12, 9));
    EXPECT_EQ(Row(fromFile, 2, 12), Bytes(12, 0));
    RasterImage fromMemory;
    EXPECT_FALSE(DecodeBytes(fromMemory, b, FormatTga));
    EXPECT_STREQ(fromMemory.ErrorText(), "corrupted TGA");
    b.resize(b.size() - 1);
    WriteFile(path, b);
    RasterImage shorter(path.c_str(), FormatTga);
    EXPECT_FALSE(shorter.HasImage());
    EXPECT_STREQ(shorter.ErrorText(), "corrupted TGA");
}

TEST(RasterEncode, RefusesSizesTheHeadersCannotHold)
{
    RasterImage image;
    ASSERT_NE(image.Create(65535, 1, 24, FormatBmp), nullptr);
    MemoryStream out;
    out.OpenEmpty();
    EXPECT_TRUE(image.Encode(&out, FormatTga));
    EXPECT_FALSE(image.Encode(&out, FormatPcx));  // bytes per line would wrap to 0
    EXPECT_STREQ(image.ErrorText(), "image too large for PCX");
    ASSERT_NE(image.Create(65534, 1, 24, FormatBmp), nullptr);
    EXPECT_TRUE(image.Encode(&out, FormatPcx));
    ASSERT_NE(image.Create(1, 65536, 24, FormatBmp), nullptr);
    EXPECT_TRUE(image.Encode(&out, FormatPcx));
    EXPECT_FALSE(image.Encode(&out, FormatTga));
    EXPECT_STREQ(image.ErrorText(), "image too large for TGA");
    ASSERT_NE(image.Create(65536, 1, 24, FormatBmp), nullptr);
    EXPECT_FALSE(image.Encode(&out, FormatTga));
}

TEST(RasterEncode, ChecksItsArguments)
{
    RasterImage empty;
    MemoryStream out;
    out.OpenEmpty();
    EXPECT_FALSE(empty.Encode(&out, FormatTga));
    EXPECT_STREQ(empty.ErrorText(), "null image!!!");
    RasterImage image;
    ASSERT_NE(image.Create(1, 1, 24, FormatBmp), nullptr);
    EXPECT_FALSE(image.Encode(nullptr, FormatPcx));
    EXPECT_STREQ(image.ErrorText(), "null file handler");
    EXPECT_FALSE(image.Encode(&out, FormatAuto));
    EXPECT_STREQ(image.ErrorText(), "Encode: Unknown format");
    EXPECT_TRUE(image.HasImage());
}

}  // namespace
