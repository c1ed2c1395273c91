#include <gtest/gtest.h>

#include "codec_builders.h"
#include "memory_stream.h"
#include "tga_codec.h"

using namespace codectest;

namespace {

bool Decode(RasterImage& image, const Bytes& bytes)
{
    return DecodeBytes(image, bytes, FormatTga);
}

// 2 x 2, file rows: (1,2,3)(4,5,6) then (7,8,9)(10,11,12).
Bytes TwoByTwo(uint8_t descriptor)
{
    Bytes b = TgaHeader(2, 2, 2, 24, descriptor);
    for (uint8_t i = 1; i <= 12; ++i)
        b.push_back(i);
    return b;
}

TEST(TgaRows, BottomFirstTopFirstAndMirrored)
{
    RasterImage image;
    ASSERT_TRUE(Decode(image, TwoByTwo(0)));
    EXPECT_EQ(image.FormatId(), FormatTga);
    EXPECT_EQ(Row(image, 0, 6), (Bytes{1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(Decode(image, TwoByTwo(0x20)));
    EXPECT_EQ(Row(image, 1, 6), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Row(image, 0, 6), (Bytes{7, 8, 9, 10, 11, 12}));
    ASSERT_TRUE(Decode(image, TwoByTwo(0x10 | 0x0F)));  // other descriptor bits are ignored
    EXPECT_EQ(Row(image, 0, 6), (Bytes{4, 5, 6, 1, 2, 3}));
    EXPECT_EQ(Row(image, 1, 6), (Bytes{10, 11, 12, 7, 8, 9}));
}

TEST(TgaRows, TheIdFieldIsSkipped)
{
    Bytes b = TgaHeader(2, 1, 1, 24, 0, 0, 3);
    Add(b, {'a', 'b', 'c', 0x10, 0x20, 0x30});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{0x10, 0x20, 0x30}));
}

TEST(TgaDepths, SixteenAndThirtyTwoBitPixels)
{
    Bytes b = TgaHeader(2, 3, 1, 16);
    for (uint32_t w : {0x7C00u, 0x83E0u, 0x001Fu})
        Add16(b, w);
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.BitsPerPixel(), 24u);
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{0, 0, 0xF8}));
    EXPECT_EQ(image.PixelColor(1, 0), (RasterColor{0, 0xF8, 0}));  // bit 15 ignored
    EXPECT_EQ(image.PixelColor(2, 0), (RasterColor{0xF8, 0, 0}));
    b = TgaHeader(2, 2, 1, 32);
    Add(b, {1, 2, 3, 0xFF, 4, 5, 6, 0x80});
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 0, 6), (Bytes{1, 2, 3, 4, 5, 6}));
    b = TgaHeader(2, 1, 1, 15);
    Add16(b, 0x7FFF);
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{0xF8, 0xF8, 0xF8}));
}

Bytes AlphaRow(const RasterImage& image, uint32_t y)
{
    const uint8_t* row = image.AlphaRow(y);
    return row ? Bytes(row, row + image.Width()) : Bytes{};
}

TEST(TgaAlpha, ThirtyTwoBitPixelsKeepTheirOpacity)
{
    // 2 x 2, bottom row first, eight attribute bits.
    Bytes b = TgaHeader(2, 2, 2, 32, 0x08);
    Add(b, {1, 2, 3, 0x00, 4, 5, 6, 0x40, 7, 8, 9, 0x80, 10, 11, 12, 0xFF});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 0, 6), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(AlphaRow(image, 0), (Bytes{0x00, 0x40}));
    EXPECT_EQ(AlphaRow(image, 1), (Bytes{0x80, 0xFF}));
    // Top row first and right to left: the opacity moves with its pixel.
    b[17] = 0x08 | 0x20 | 0x10;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 1, 6), (Bytes{4, 5, 6, 1, 2, 3}));
    EXPECT_EQ(AlphaRow(image, 1), (Bytes{0x40, 0x00}));
    EXPECT_EQ(AlphaRow(image, 0), (Bytes{0xFF, 0x80}));
    // Run-length: a run that carries on into the next row keeps its opacity there.
    b = TgaHeader(10, 2, 2, 32, 0x08);
    Add(b, {0x82, 1, 2, 3, 0x33, 0x00, 4, 5, 6, 0x44});
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 0, 6), (Bytes{1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(Row(image, 1, 6), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(AlphaRow(image, 0), (Bytes{0x33, 0x33}));
    EXPECT_EQ(AlphaRow(image, 1), (Bytes{0x33, 0x44}));
    // No plane without attribute bits, nor for a fourth byte that is 255 or 0 throughout.
    for (auto [descriptor, a] : {std::pair{0x00, 0x80}, std::pair{0x08, 0xFF}, std::pair{0x08, 0x00}}) {
        b = TgaHeader(2, 2, 1, 32, uint8_t(descriptor));
        Add(b, {1, 2, 3, uint8_t(a), 4, 5, 6, uint8_t(a)});
        ASSERT_TRUE(Decode(image, b));
        EXPECT_EQ(image.AlphaArea(), nullptr) << descriptor << " " << a;
        EXPECT_EQ(Row(image, 0, 6), (Bytes{1, 2, 3, 4, 5, 6}));
    }
}

TEST(TgaPalettes, ColourMapsAndTheGrayRamp)
{
    Bytes b = TgaHeader(1, 2, 1, 8, 0, 2);
    Add(b, {10, 20, 30, 40, 50, 60});  // blue, green, red
    Add(b, {1, 0});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.BitsPerPixel(), 8u);
    EXPECT_EQ(image.PaletteEntries(), 256u);
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{40, 50, 60}));
    EXPECT_EQ(image.PixelColor(1, 0), (RasterColor{10, 20, 30}));
    for (uint32_t i = 2; i < 256; ++i)
        ASSERT_EQ(image.DibBlock()[40 + 4 * i], 0);

    // Gray pictures get the ramp, whatever colour map the file has.
    b[2] = 3;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{1, 1, 1}));
    EXPECT_EQ(image.DibBlock()[40 + 4 * 200 + 1], 200);

    // A colour map on a true-colour picture is read past and not stored.
    b = TgaHeader(2, 1, 1, 24, 0, 1);
    Add(b, {9, 9, 9, 7, 8, 9});
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{7, 8, 9}));
}

TEST(TgaRunLength, RunPacketsCarryOnIntoTheNextRow)
{
    Bytes b = TgaHeader(10, 3, 2, 24);
    Add(b, {0x84, 1, 2, 3, 0x00, 7, 8, 9});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 0, 9), (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3}));
    EXPECT_EQ(Row(image, 1, 9), (Bytes{1, 2, 3, 1, 2, 3, 7, 8, 9}));
}

TEST(TgaRunLength, RawPacketsCarryOnIntoTheNextRow)
{
    Bytes b = TgaHeader(9, 4, 2, 8, 0x20);
    Add(b, {0x05, 1, 2, 3, 4, 5, 6, 0x81, 9});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 1, 4), (Bytes{1, 2, 3, 4}));  // top row first
    EXPECT_EQ(Row(image, 0, 4), (Bytes{5, 6, 9, 9}));
}

TEST(TgaRunLength, ARunCanCrossSeveralRows)
{
    Bytes b = TgaHeader(11, 2, 3, 8);
    Add(b, {0x85, 0x40});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    for (uint32_t y = 0; y < 3; ++y)
        EXPECT_EQ(Row(image, y, 2), (Bytes{0x40, 0x40}));
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{0x40, 0x40, 0x40}));
}

TEST(TgaRunLength, SixteenAndThirtyTwoBitPackets)
{
    Bytes b = TgaHeader(10, 3, 1, 16, 0x10);
    Add(b, {0x81});
    Add16(b, 0x7C00);
    Add(b, {0x00});
    Add16(b, 0x001F);
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{0xF8, 0, 0}));  // mirrored
    EXPECT_EQ(image.PixelColor(2, 0), (RasterColor{0, 0, 0xF8}));
    b = TgaHeader(10, 2, 1, 32);
    Add(b, {0x01, 1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 0, 6), (Bytes{1, 2, 3, 5, 6, 7}));
}

TEST(TgaHeaders, RefusedHeaders)
{
    struct Case {
        Bytes bytes;
        const char* message;
    };
    Bytes longMap = TgaHeader(1, 1, 1, 8, 0, 257);
    Bytes noWidth = TgaHeader(2, 0, 1, 24);
    Bytes badDepth = TgaHeader(2, 1, 1, 12);
    Bytes noDepth = TgaHeader(2, 1, 1, 0);
    for (const Case& c : {Case{Bytes(17, 2), "Not a TGA"}, Case{TgaHeader(0, 1, 1, 24), "Unknown TGA image type"},
                          Case{TgaHeader(32, 1, 1, 24), "Unknown TGA image type"},
                          Case{longMap, "bad TGA header"}, Case{noWidth, "bad TGA header"},
                          Case{badDepth, "bad TGA header"}, Case{noDepth, "bad TGA header"},
                          Case{TgaHeader(2, 1, 1, 24), "corrupted TGA"}}) {
        RasterImage image;
        EXPECT_FALSE(Decode(image, c.bytes));
        EXPECT_STREQ(image.ErrorText(), c.message);
    }
    TgaCodec codec(FormatTga);
    EXPECT_FALSE(codec.Decode(nullptr));
    EXPECT_STREQ(codec.ErrorText(), "");
}

TEST(TgaHeaders, CreateFailureHasItsOwnMessage)
{
    // 65535 x 65535 at 24 bits is far over the memory cap.
    RasterImage image;
    EXPECT_FALSE(Decode(image, TgaHeader(2, 65535, 65535, 24)));
    EXPECT_STREQ(image.ErrorText(), "TGA Create failed");
}

TEST(TgaShortFiles, EndsAreNoticedAtTheStartOfARow)
{
    Bytes b = TgaHeader(2, 2, 3, 24);
    Add(b, Bytes(6, 1));
    Add(b, {2, 2});  // the file ends inside row 1
    RasterImage image;
    EXPECT_FALSE(Decode(image, b));
    EXPECT_STREQ(image.ErrorText(), "corrupted TGA");
    b = TgaHeader(2, 2, 3, 24);
    Add(b, Bytes(12, 1));
    Add(b, {2, 2, 2});  // the last row is short: still decodes
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 2, 6), (Bytes{2, 2, 2, 0, 0, 0}));
    // A run packet carried from the last full row re-reads a value that is there.
    Bytes rle = TgaHeader(10, 1, 2, 24);
    Add(rle, {0x81, 5, 6, 7});
    ASSERT_TRUE(Decode(image, rle));
    EXPECT_EQ(Row(image, 1, 3), (Bytes{5, 6, 7}));
    rle = TgaHeader(10, 1, 2, 24);
    Add(rle, {0x00, 5, 6, 7});
    EXPECT_FALSE(Decode(image, rle));
    EXPECT_STREQ(image.ErrorText(), "corrupted TGA");
}

// Decoders write every byte of a picture that is not cleared first: what the file leaves
// undecoded, and row padding, must read as zero in reused memory too.
TEST(TgaShortFiles, WhatTheFileLeavesUndecodedIsCleared)
{
    const auto decodeOverJunk = [](const Bytes& file) {
        LeaveJunkBehind(2, 2, 24);
        RasterImage image;
        EXPECT_TRUE(Decode(image, file)) << image.ErrorText();
        return image.HasImage() ? PixelBytes(image) : Bytes{};
    };
    // Plain rows of 6 bytes padded to 8, the last cut short; then the same stored top row first.
    Bytes b = TgaHeader(2, 2, 2, 24);
    Add(b, Bytes(6, 1));
    Add(b, {2, 2});
    EXPECT_EQ(decodeOverJunk(b), (Bytes{1, 1, 1, 1, 1, 1, 0, 0, 2, 2, 0, 0, 0, 0, 0, 0}));
    b[17] = 0x20;
    EXPECT_EQ(decodeOverJunk(b), (Bytes{2, 2, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0}));
    // A run of 3 crosses into row 1, whose packets then run out.
    b = TgaHeader(10, 2, 2, 24);
    Add(b, {0x82, 7, 8, 9});
    EXPECT_EQ(decodeOverJunk(b), (Bytes{7, 8, 9, 7, 8, 9, 0, 0, 7, 8, 9, 0, 0, 0, 0, 0}));
    // A raw packet of 3 crosses into row 1 and is cut short there.
    b = TgaHeader(10, 2, 2, 24);
    Add(b, {0x02, 1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(decodeOverJunk(b), (Bytes{1, 2, 3, 4, 5, 6, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0}));
}

// Rows are read in large blocks, not one by one.
TEST(TgaReads, RowsComeInAFewLargeReads)
{
    Bytes plain = TgaHeader(2, 4, 300, 24);
    Add(plain, Bytes(4 * 300 * 3, 5));
    // One-pixel packets: more bytes than a small read buffer holds.
    Bytes packed = TgaHeader(10, 64, 100, 24);
    for (int i = 0; i < 6400; ++i)
        Add(packed, {0x00, static_cast<uint8_t>(i), 1, 2});
    for (Bytes* file : {&plain, &packed}) {
        CountingStream stream(*file);
        TgaCodec codec(FormatTga);
        ASSERT_TRUE(codec.Decode(&stream)) << codec.ErrorText();
        EXPECT_LE(stream.reads, 4);
    }
}

TEST(TgaEncode, HeaderAndRowsAsWritten)
{
    RasterImage image;
    ASSERT_NE(image.Create(3, 2, 24, FormatBmp), nullptr);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 3; ++x)
            image.SetPixelColor(x, y, static_cast<uint8_t>(y), static_cast<uint8_t>(x), 0xAB);
    bool ok = false;
    const Bytes out = EncodeBytes(image, FormatTga, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(out.size(), 36u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 18),
              (Bytes{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 0x18, 0}));
    EXPECT_EQ(Bytes(out.begin() + 18, out.begin() + 27), (Bytes{0xAB, 0, 0, 0xAB, 1, 0, 0xAB, 2, 0}));
    EXPECT_EQ(Bytes(out.begin() + 27, out.end()), (Bytes{0xAB, 0, 1, 0xAB, 1, 1, 0xAB, 2, 1}));
}

TEST(TgaEncode, RoundTripsAtOddAndEvenWidths)
{
    for (uint32_t width : {1u, 2u, 5u, 8u, 257u}) {
        SCOPED_TRACE(width);
        RasterImage image;
        ASSERT_NE(image.Create(width, 3, 24, FormatBmp), nullptr);
        for (uint32_t y = 0; y < 3; ++y)
            for (uint32_t x = 0; x < width; ++x)
                image.SetPixelColor(x, y, static_cast<uint8_t>(x * 7 + y), static_cast<uint8_t>(x ^ y), 0xC0);
        RasterImage back;
        ASSERT_TRUE(DecodeBytes(back, EncodeBytes(image, FormatTga), FormatTga));
        ASSERT_EQ(back.Width(), width);
        for (uint32_t y = 0; y < 3; ++y)
            EXPECT_EQ(Row(back, y, width * 3), Row(image, y, width * 3));
    }
}

TEST(TgaEncode, PalettePicturesAreWrittenInColour)
{
    RasterImage image;
    ASSERT_NE(image.Create(2, 1, 8, FormatBmp), nullptr);
    image.SetPaletteEntry(3, 0x30, 0x20, 0x10);
    image.SetPixelIndex(1, 0, 3);
    const Bytes out = EncodeBytes(image, FormatTga);
    ASSERT_EQ(out.size(), 18u + 6u);
    EXPECT_EQ(out[16], 24);
    EXPECT_EQ(Bytes(out.begin() + 18, out.end()), (Bytes{0, 0, 0, 0x10, 0x20, 0x30}));
}

TEST(TgaEncode, AFailedWriteIsReported)
{
    RasterImage image;
    ASSERT_NE(image.Create(4, 4, 24, FormatBmp), nullptr);
    FullStream full(40);
    EXPECT_FALSE(image.Encode(&full, FormatTga));
    EXPECT_STREQ(image.ErrorText(), "cannot write TGA file");
}

}  // namespace
