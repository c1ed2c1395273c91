#include <gtest/gtest.h>

#include "bmp_codec.h"
#include "codec_builders.h"
#include "memory_stream.h"

using namespace codectest;

namespace {

Bytes Palette(uint32_t n)
{
    Bytes b;
    for (uint32_t i = 0; i < n; ++i)
        Add(b, {static_cast<uint8_t>(i), static_cast<uint8_t>(i + 1), static_cast<uint8_t>(i + 2), 0xEE});
    return b;
}

bool Decode(RasterImage& image, const Bytes& bytes)
{
    return DecodeBytes(image, bytes, FormatBmp);
}

TEST(BmpHeaders, FileHeaderOffsetsAndBareBlocks)
{
    const Bytes pixels{1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    const Bytes info = InfoHeader({.width = 2, .height = 2, .pelsPerMeter = 11811});
    RasterImage withOffset;
    ASSERT_TRUE(Decode(withOffset, BmpFile(info, Bytes(6, 0xAA), pixels)));
    EXPECT_EQ(Row(withOffset, 1, 6), (Bytes{7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(withOffset.HorizontalDpi(), 300);
    EXPECT_EQ(withOffset.FormatId(), FormatBmp);
    // bfOffBits 0: the pixels follow the headers directly.
    RasterImage noOffset;
    ASSERT_TRUE(Decode(noOffset, BmpFile(info, {}, pixels, 0)));
    EXPECT_EQ(Row(noOffset, 0, 6), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(noOffset.HorizontalDpi(), 300);
}

TEST(BmpHeaders, TopDownRowsAreFlipped)
{
    const Bytes rows{1, 1, 1, 2, 2, 2, 0, 0, 3, 3, 3, 4, 4, 4, 0, 0};
    const Bytes swapped{3, 3, 3, 4, 4, 4, 0, 0, 1, 1, 1, 2, 2, 2, 0, 0};
    RasterImage up;
    RasterImage down;
    ASSERT_TRUE(Decode(up, BmpFile(InfoHeader({.width = 2, .height = 2}), {}, rows)));
    ASSERT_TRUE(Decode(down, BmpFile(InfoHeader({.width = 2, .height = -2}), {}, swapped)));
    EXPECT_EQ(down.Height(), 2u);
    EXPECT_EQ(0, std::memcmp(up.PixelArea(), down.PixelArea(), 16));
}

TEST(BmpHeaders, Os2CoreHeaderWithThreeBytePalette)
{
    Bytes b{'B', 'M'};
    Add32(b, 0);
    Add32(b, 0);
    Add32(b, 0);  // no offset: the pixels follow the palette
    Add32(b, 12);
    Add16(b, 3);
    Add16(b, 1);
    Add16(b, 1);
    Add16(b, 1);
    Add(b, {10, 20, 30, 40, 50, 60});
    Add(b, {0xA0, 0, 0, 0});
    Add(b, Bytes(24, 0));  // the 40-byte read must find bytes, even though 12 are used
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.Width(), 3u);
    EXPECT_EQ(image.BitsPerPixel(), 1u);
    EXPECT_EQ(Bytes(image.DibBlock() + 40, image.DibBlock() + 48), (Bytes{10, 20, 30, 0, 40, 50, 60, 0}));
    EXPECT_EQ(Row(image, 0, 1), (Bytes{0xA0}));
}

TEST(BmpHeaders, LongHeadersAreCheckedBeforeTheSizeIsFilledIn)
{
    const Bytes pixels(16, 0x5A);
    RasterImage image;
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 2, .height = 2, .sizeImage = 16, .headerSize = 124}),
                                      {}, pixels, 0)));
    EXPECT_EQ(Row(image, 0, 6), Bytes(6, 0x5A));
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 2, .height = 2, .sizeImage = 16, .headerSize = 108}),
                                      {}, pixels)));
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 2, .height = 2, .headerSize = 64}), {}, pixels, 0)));
    EXPECT_EQ(Row(image, 1, 6), Bytes(6, 0x5A));

    for (const InfoFields f : {InfoFields{.width = 2, .height = -2, .sizeImage = 16, .headerSize = 124},
                               InfoFields{.width = 2, .height = 2, .sizeImage = 16, .clrUsed = 4, .headerSize = 124},
                               InfoFields{.width = 2, .height = 2, .sizeImage = 0, .headerSize = 108},
                               InfoFields{.width = 2, .height = 2, .headerSize = 39},
                               InfoFields{.width = 2, .height = 2, .headerSize = 0}}) {
        RasterImage refused;
        EXPECT_FALSE(Decode(refused, BmpFile(InfoHeader(f), {}, pixels)));
        EXPECT_STREQ(refused.ErrorText(), "Error reading BMP info");
    }
}

TEST(BmpHeaders, ShortHeadersFailWithTheirMessages)
{
    RasterImage image;
    EXPECT_FALSE(Decode(image, Bytes(13, 'B')));
    EXPECT_STREQ(image.ErrorText(), "Not a BMP");
    Bytes cut = BmpFile(InfoHeader({.width = 2, .height = 2}), {}, Bytes(16, 0));
    cut.resize(14 + 39);
    EXPECT_FALSE(Decode(image, cut));
    EXPECT_STREQ(image.ErrorText(), "Error reading BMP info");
    BmpCodec codec(FormatBmp);
    EXPECT_FALSE(codec.Decode(nullptr));
    EXPECT_STREQ(codec.ErrorText(), "");
}

TEST(BmpPalettes, IndexedDepthsAndTwoBitFiles)
{
    RasterImage image;
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 5, .height = 1, .bitCount = 4}), Palette(16),
                                      {0x12, 0x34, 0x50, 0})));
    EXPECT_EQ(image.BitsPerPixel(), 4u);
    EXPECT_EQ(image.PixelIndex(3, 0), 4u);
    EXPECT_EQ(image.PixelColor(3, 0), (RasterColor{4, 5, 6}));
    EXPECT_EQ(image.DibBlock()[40 + 3], 0);  // reserved bytes cleared

    // A 2-bit file: a 4-bit image with its 4 entries and no pixel data read.
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 4, .height = 1, .bitCount = 2}), Palette(4),
                                      {0xFF, 0xFF, 0xFF, 0xFF})));
    EXPECT_EQ(image.BitsPerPixel(), 4u);
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{0, 1, 2}));
    EXPECT_EQ(Row(image, 0, 4), Bytes(4, 0));
    EXPECT_EQ(image.DibBlock()[40 + 4 * 3], 3);
}

TEST(BmpPalettes, OversizedPaletteCountsStayInsideThePalette)
{
    // 300 entries declared for an 8-bit picture, the pixels directly behind them.
    Bytes b = BmpFile(InfoHeader({.width = 1, .height = 1, .bitCount = 8, .clrUsed = 300}), Palette(300),
                      {7, 0, 0, 0}, 0);
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.PaletteEntries(), 256u);
    EXPECT_EQ(Row(image, 0, 1), (Bytes{7}));
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{7, 8, 9}));
    b = BmpFile(InfoHeader({.width = 1, .height = 1, .bitCount = 1, .clrUsed = 0xFFFFFFFF}), Palette(2), {0x80});
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{1, 2, 3}));
}

TEST(BmpBitfields, SixteenBitWordsExpandWithTheirShifts)
{
    Bytes words;
    for (uint32_t w : {0x7FFFu, 0x001Fu, 0x7C00u, 0x03E0u})
        Add16(words, w);
    RasterImage image;
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 3, .height = 2, .bitCount = 16}), {}, words)));
    EXPECT_EQ(image.BitsPerPixel(), 24u);
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{0xF8, 0xF8, 0xF8}));
    EXPECT_EQ(image.PixelColor(1, 0), (RasterColor{0xF8, 0, 0}));
    EXPECT_EQ(image.PixelColor(2, 0), (RasterColor{0, 0, 0xF8}));
    EXPECT_EQ(Row(image, 1, 9), Bytes(9, 0));  // the file ends after row 0 and its padding word

    Bytes masks;
    Add32(masks, 0xF800);
    Add32(masks, 0x07E0);
    Add32(masks, 0x001F);
    Bytes w565;
    Add16(w565, 0xFFFF);
    Add16(w565, 0x07E0);
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 2, .height = 1, .bitCount = 16, .compression = 3}),
                                      masks, w565)));
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{0xF8, 0xFC, 0xF8}));
    EXPECT_EQ(image.PixelColor(1, 0), (RasterColor{0, 0xFC, 0}));
}

TEST(BmpBitfields, ThirtyTwoBitBytesFollowTheirMasks)
{
    const Bytes pixels{1, 2, 3, 4, 5, 6, 7, 8};
    RasterImage image;
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 1, .height = 2, .bitCount = 32}), {}, pixels)));
    EXPECT_EQ(Row(image, 0, 3), (Bytes{1, 2, 3}));
    EXPECT_EQ(Row(image, 1, 3), (Bytes{5, 6, 7}));
    Bytes masks;
    Add32(masks, 0xFF);
    Add32(masks, 0xFF00);
    Add32(masks, 0xFF000000);
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 1, .height = 2, .bitCount = 32, .compression = 3}),
                                      masks, pixels)));
    EXPECT_EQ(Row(image, 0, 3), (Bytes{4, 2, 1}));
}

TEST(BmpCompression, UnsupportedCombinations)
{
    RasterImage image;
    EXPECT_FALSE(Decode(image, BmpFile(InfoHeader({.width = 2, .height = 1, .bitCount = 8, .compression = 3}),
                                       Palette(256), Bytes(4, 0))));
    EXPECT_STREQ(image.ErrorText(), "compression type not supported");
    EXPECT_FALSE(
        Decode(image, BmpFile(InfoHeader({.width = 2, .height = 1, .compression = 1}), {}, Bytes(8, 0))));
    EXPECT_STREQ(image.ErrorText(), "unknown compression");
    EXPECT_FALSE(Decode(image, BmpFile(InfoHeader({.width = 2, .height = 1, .bitCount = 32, .compression = 2}),
                                       {}, Bytes(8, 0))));
    EXPECT_STREQ(image.ErrorText(), "unknown compression");
    // A 16-bit file with an odd compression reads as plain.
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 1, .height = 1, .bitCount = 16, .compression = 9}),
                                      {}, {0x1F, 0, 0, 0})));
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{0xF8, 0, 0}));
}

TEST(BmpRle8, RunsEndsOfLineAndTheEnd)
{
    RasterImage image;
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 4, .height = 2, .bitCount = 8, .compression = 1}),
                                      Palette(256), {3, 0x41, 0, 0, 2, 0x42, 0, 1, 5, 0x99})));
    EXPECT_EQ(Row(image, 0, 4), (Bytes{0x41, 0x41, 0x41, 0}));
    EXPECT_EQ(Row(image, 1, 4), (Bytes{0x42, 0x42, 0, 0}));
}

TEST(BmpRle8, RunsStopAtTheRowAndAbsoluteRunsAtTheArea)
{
    RasterImage image;
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 4, .height = 2, .bitCount = 8, .compression = 1}),
                                      Palette(256), {255, 0x77, 0, 1})));
    EXPECT_EQ(Row(image, 0, 4), Bytes(4, 0x77));
    EXPECT_EQ(Row(image, 1, 4), Bytes(4, 0));

    // Delta to (2, 1), then an absolute run of 5 (padded): 2 bytes fit, 3 fall past the area.
    // After the end of row 1 there is no row 2: the run lands on the row the cursor was on.
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 4, .height = 2, .bitCount = 8, .compression = 1}),
                                      Palette(256),
                                      {0, 2, 2, 1, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 2, 0x66, 0, 1})));
    EXPECT_EQ(Row(image, 1, 4), (Bytes{0x66, 0x66, 1, 2}));
    EXPECT_EQ(Row(image, 0, 4), Bytes(4, 0));

    // An absolute run from the start of row 0 runs on into row 1.
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 2, .height = 2, .bitCount = 8, .compression = 1}),
                                      Palette(256), {0, 6, 1, 2, 3, 4, 5, 6, 0, 1})));
    EXPECT_EQ(Row(image, 0, 4), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(Row(image, 1, 4), (Bytes{5, 6, 0, 0}));
}

TEST(BmpRle8, FourBitFileWithRle8Compression)
{
    RasterImage image;
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 4, .height = 1, .bitCount = 4, .compression = 1}),
                                      Palette(16), {2, 0x12, 0, 1})));
    EXPECT_EQ(image.BitsPerPixel(), 4u);
    EXPECT_EQ(Row(image, 0, 2), (Bytes{0x12, 0x12}));
}

TEST(BmpRle4, NibbleRunsAbsoluteRunsAndPadding)
{
    RasterImage image;
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 4, .height = 1, .bitCount = 4, .compression = 2}),
                                      Palette(16), {3, 0x12, 0, 0, 0, 1})));
    EXPECT_EQ(Row(image, 0, 2), (Bytes{0x12, 0x10}));

    // Absolute run of 5 nibbles (3 data bytes + 1 pad), then a run of 2 from the odd phase.
    ASSERT_TRUE(Decode(image, BmpFile(InfoHeader({.width = 8, .height = 2, .bitCount = 4, .compression = 2}),
                                      Palette(16), {0, 5, 0xAB, 0xCD, 0xE0, 0x00, 3, 0x34, 0, 0, 0, 2, 2, 0, 2, 0x77, 0, 1})));
    EXPECT_EQ(Row(image, 0, 4), (Bytes{0xAB, 0xCD, 0xE3, 0x43}));
    // After the end of the line, a delta of (2, 0) moves x by one byte; the phase stays high.
    EXPECT_EQ(Row(image, 1, 4), (Bytes{0, 0x77, 0, 0}));
}

TEST(BmpPixels, ShortFilesStillDecode)
{
    Bytes b = BmpFile(InfoHeader({.width = 2, .height = 2}), {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 1, 6), (Bytes{7, 8, 0, 0, 0, 0}));
}

}  // namespace
