#include <gtest/gtest.h>

#include <cstring>

#include "codec_builders.h"
#include "memory_stream.h"
#include "pcx_codec.h"

using namespace codectest;

namespace {

bool Decode(RasterImage& image, const Bytes& bytes)
{
    return DecodeBytes(image, bytes, FormatPcx);
}

// A one-row picture whose red plane holds the given values, green and blue 0.
Bytes EncodedPlanes(const Bytes& reds)
{
    RasterImage image;
    const auto width = static_cast<uint32_t>(reds.size());
    EXPECT_NE(image.Create(width, 1, 24, FormatBmp), nullptr);
    for (uint32_t x = 0; x < width; ++x)
        image.SetPixelColor(x, 0, reds[x], 0, 0);
    const Bytes out = EncodeBytes(image, FormatPcx);
    return Bytes(out.begin() + 128, out.end());
}

Bytes Repeat(uint8_t value, size_t n)
{
    return Bytes(n, value);
}

TEST(PcxPacking, RunsSinglesAndEndMarkers)
{
    EXPECT_EQ(EncodedPlanes({10, 10, 10, 200}), (Bytes{0xC3, 0x0A, 0xC1, 0xC8, 0xC4, 0, 0xC4, 0}));
    EXPECT_EQ(EncodedPlanes({5, 5, 5}), (Bytes{0xC3, 0x05, 0x00, 0xC3, 0, 0, 0xC3, 0, 0}));
    EXPECT_EQ(EncodedPlanes({0xC5, 0xBF}), (Bytes{0xC1, 0xC5, 0xBF, 0xC2, 0, 0xC2, 0}));
}

TEST(PcxPacking, RunsNeverExceedSixtyThree)
{
    // Red plane first, then the green and blue planes of zeros.
    EXPECT_EQ(EncodedPlanes(Repeat(7, 64)), (Bytes{0xFF, 0x07, 0x07, 0xFF, 0, 0, 0xFF, 0, 0}));
    EXPECT_EQ(EncodedPlanes(Repeat(7, 62)), (Bytes{0xFE, 0x07, 0xFE, 0, 0xFE, 0}));
    EXPECT_EQ(EncodedPlanes(Repeat(7, 126)), (Bytes{0xFF, 0x07, 0xFF, 0x07, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0}));
    // Odd width: the pad byte follows the full run.
    EXPECT_EQ(EncodedPlanes(Repeat(7, 63)), (Bytes{0xFF, 0x07, 0, 0xFF, 0, 0, 0xFF, 0, 0}));
}

TEST(PcxEncode, HeaderAsWritten)
{
    Bytes block = InfoHeader({.width = 3, .height = 2});
    Add(block, Bytes(24, 0x33));
    RasterImage image(block.data(), static_cast<uint32_t>(block.size()), FormatBmp);
    ASSERT_TRUE(image.HasImage());
    bool ok = false;
    const Bytes out = EncodeBytes(image, FormatPcx, &ok);
    ASSERT_TRUE(ok);
    Bytes expected(128, 0);
    expected[0] = 10;
    expected[1] = 5;
    expected[2] = 1;
    expected[3] = 8;
    Put16(expected, 8, 2);
    Put16(expected, 10, 1);
    Put16(expected, 12, 96);
    Put16(expected, 14, 96);
    expected[65] = 3;
    Put16(expected, 66, 4);
    Put16(expected, 68, 1);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 128), expected);
    // Two rows of three planes, each "C3 33 00"; no palette follows.
    Bytes body;
    for (int i = 0; i < 6; ++i)
        Add(body, {0xC3, 0x33, 0x00});
    EXPECT_EQ(Bytes(out.begin() + 128, out.end()), body);
}

TEST(PcxEncode, RoundTripsAtOddAndEvenWidths)
{
    for (uint32_t width : {1u, 2u, 3u, 64u, 65u, 200u}) {
        SCOPED_TRACE(width);
        RasterImage image;
        ASSERT_NE(image.Create(width, 3, 24, FormatBmp), nullptr);
        image.SetHorizontalDpi(150);
        for (uint32_t y = 0; y < 3; ++y)
            for (uint32_t x = 0; x < width; ++x)
                image.SetPixelColor(x, y, static_cast<uint8_t>(x / 3 + 0xBE), static_cast<uint8_t>(y * 90),
                                    static_cast<uint8_t>(x * 31));
        RasterImage back;
        ASSERT_TRUE(DecodeBytes(back, EncodeBytes(image, FormatPcx), FormatPcx)) << back.ErrorText();
        ASSERT_EQ(back.Width(), width);
        EXPECT_EQ(back.HorizontalDpi(), 150);
        for (uint32_t y = 0; y < 3; ++y)
            EXPECT_EQ(Row(back, y, width * 3), Row(image, y, width * 3)) << "row " << y;
    }
}

TEST(PcxEncode, RoundTripsLargerThanAnyReadBuffer)
{
    // Noise packs badly: the file is several times larger than the reader's buffer, so codes
    // straddle buffer refills.
    RasterImage image;
    ASSERT_NE(image.Create(301, 97, 24, FormatBmp), nullptr);
    uint32_t seed = 12345;
    for (uint32_t i = 0; i < image.PixelAreaSize(); ++i) {
        seed = seed * 1103515245u + 12345u;
        image.PixelArea()[i] = static_cast<uint8_t>((seed >> 16) | 0xC0);
    }
    const Bytes encoded = EncodeBytes(image, FormatPcx);
    ASSERT_GT(encoded.size(), 100000u);
    RasterImage back;
    ASSERT_TRUE(DecodeBytes(back, encoded, FormatPcx)) << back.ErrorText();
    for (uint32_t y = 0; y < 97; ++y)
        ASSERT_EQ(Row(back, y, 903), Row(image, y, 903)) << "row " << y;
}

TEST(PcxDecode, ColourPlanesTopLineFirst)
{
    Bytes b = PcxHeader(8, 3, 2, 2, 2);
    // Top line: red 1 2, green 3 4, blue 5 6. Bottom line: a run of 6 across its planes.
    Add(b, {1, 2, 3, 4, 5, 6, 0xC6, 9});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.FormatId(), FormatPcx);
    EXPECT_EQ(Row(image, 1, 6), (Bytes{5, 3, 1, 6, 4, 2}));
    EXPECT_EQ(Row(image, 0, 6), Bytes(6, 9));
    EXPECT_EQ(image.HorizontalDpi(), 72);

    // A fourth plane is read and not kept.
    b = PcxHeader(8, 4, 1, 1, 1);
    Add(b, {1, 2, 3, 4});
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 0, 3), (Bytes{3, 2, 1}));
}

TEST(PcxDecode, CountZeroConsumesItsValue)
{
    Bytes b = PcxHeader(8, 3, 1, 1, 1);
    Add(b, {0xC0, 0x55, 1, 2, 3});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 0, 3), (Bytes{3, 2, 1}));
}

TEST(PcxDecode, ResolutionFieldsAreTakenAsTheyAre)
{
    Bytes b = PcxHeader(8, 3, 1, 1, 1);
    Put16(b, 12, 0);
    Put16(b, 14, 300);
    Add(b, {1, 2, 3});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.HorizontalDpi(), 0);
    EXPECT_EQ(image.VerticalDpi(), 300);
    EXPECT_EQ(image.Header().biXPelsPerMeter, 3780);
    EXPECT_EQ(image.Header().biYPelsPerMeter, 3780);
}

TEST(PcxPalettes, TwoHundredFiftySixColours)
{
    Bytes b = PcxHeader(8, 1, 3, 1, 4);
    Add(b, {0, 1, 0xC1, 0xFF, 0});
    b.push_back(12);
    for (int i = 0; i < 256; ++i)
        Add(b, {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.BitsPerPixel(), 8u);
    EXPECT_EQ(Row(image, 0, 3), (Bytes{0, 1, 0xFF}));
    EXPECT_EQ(image.PixelColor(2, 0), (RasterColor{7, 0, 255}));
    b[128 + 5] = 0x0A;
    EXPECT_FALSE(Decode(image, b));
    EXPECT_STREQ(image.ErrorText(), "bad color map signature");
}

TEST(PcxPalettes, OneBitPicturesAreBlackAndWhite)
{
    Bytes b = PcxHeader(1, 1, 10, 1, 2);
    for (int i = 16; i < 64; ++i)
        b[i] = 0x44;
    Add(b, {0xA5, 0x80});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.BitsPerPixel(), 1u);
    EXPECT_EQ(Row(image, 0, 2), (Bytes{0xA5, 0x80}));
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{255, 255, 255}));
    EXPECT_EQ(image.PixelColor(1, 0), (RasterColor{0, 0, 0}));
}

TEST(PcxPalettes, PlanesOfOneBit)
{
    // 8 colours in 3 planes: only the lowest bit of each index is kept, with header entries 0 and 1.
    Bytes b = PcxHeader(1, 3, 8, 1, 1);
    Add(b, {0x0F, 0x33, 0x55});
    for (int i = 0; i < 48; ++i)
        b[16 + i] = static_cast<uint8_t>(i);
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.BitsPerPixel(), 1u);
    EXPECT_EQ(Row(image, 0, 1), (Bytes{0x0F}));
    EXPECT_EQ(image.PixelColor(7, 0), (RasterColor{5, 4, 3}));
    EXPECT_EQ(image.PixelColor(0, 0), (RasterColor{2, 1, 0}));

    // 16 colours in 4 planes: a 4-bit picture, bit i from plane i.
    b = PcxHeader(1, 4, 4, 1, 1);
    Add(b, {0x80, 0x40, 0x20, 0x10});
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.BitsPerPixel(), 4u);
    EXPECT_EQ(Row(image, 0, 2), (Bytes{0x12, 0x48}));
}

TEST(PcxPalettes, PackedFourAndTwoBitLines)
{
    Bytes b = PcxHeader(4, 1, 3, 1, 2);
    Add(b, {0x12, 0x3F});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.BitsPerPixel(), 4u);
    EXPECT_EQ(Row(image, 0, 2), (Bytes{0x12, 0x30}));
    b = PcxHeader(2, 1, 5, 1, 2);
    Add(b, {0x1B, 0x80});
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 0, 3), (Bytes{0x01, 0x23, 0x20}));
}

TEST(PcxFailures, EveryMessage)
{
    struct Case {
        Bytes bytes;
        const char* message;
    };
    Bytes notPcx = PcxHeader(8, 3, 1, 1, 1);
    notPcx[0] = 11;
    Bytes encoding = PcxHeader(8, 3, 1, 1, 1);
    encoding[2] = 0;
    Bytes planes = PcxHeader(8, 5, 1, 1, 1);
    Bytes corrupted = PcxHeader(8, 3, 2, 2, 2);
    Add(corrupted, {1, 2, 3});
    Bytes repeat = PcxHeader(8, 3, 1, 1, 1);
    Add(repeat, {0xC4, 1});
    Bytes twoPlanes = PcxHeader(8, 2, 1, 1, 1);
    Add(twoPlanes, {1, 2});
    Bytes fourBitPlanes = PcxHeader(4, 3, 1, 1, 1);
    Add(fourBitPlanes, {1, 2, 3});
    Bytes backwards = PcxHeader(8, 3, 1, 1, 1);
    Put16(backwards, 4, 5);
    Put16(backwards, 8, 4);
    Bytes inverted = PcxHeader(8, 3, 1, 1, 1);
    Put16(inverted, 4, 9);
    const char* planesText = "PCX_PlanesToPixels: more than 4 planes or more than 1 bit per pixel";
    for (const Case& c : {Case{Bytes(127, 10), "Can't read PCX image"}, Case{notPcx, "Error: Not a PCX file"},
                          Case{encoding, "PCX file has unknown encoding scheme"},
                          Case{planes, "Can't handle image with more than 4 planes"},
                          Case{corrupted, "corrupted PCX"}, Case{repeat, "repeat count spans end of image"},
                          Case{twoPlanes, planesText}, Case{fourBitPlanes, planesText},
                          Case{backwards, "RasterImage::Create : width and height must be greater than zero"},
                          Case{inverted, "RASTER_MAX_MEMORY exceeded"}}) {
        RasterImage image;
        EXPECT_FALSE(Decode(image, c.bytes));
        EXPECT_STREQ(image.ErrorText(), c.message);
    }
    PcxCodec codec(FormatPcx);
    EXPECT_FALSE(codec.Decode(nullptr));
    EXPECT_STREQ(codec.ErrorText(), "");
}

TEST(PcxFailures, PixelsBeyondAShortLineStayBlack)
{
    // Five pixels wide, one byte per plane line.
    Bytes b = PcxHeader(8, 3, 5, 2, 1);
    Add(b, {1, 2, 3, 4, 5, 6});
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 1, 15), (Bytes{3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Row(image, 0, 15), (Bytes{6, 5, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    b = PcxHeader(1, 1, 20, 1, 1);
    Add(b, {0xA5});
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 0, 3), (Bytes{0xA5, 0, 0}));
    b = PcxHeader(1, 3, 12, 1, 1);
    Add(b, {0x3F, 0x80, 0x01});
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(Row(image, 0, 2), (Bytes{0x3F, 0x00}));
    // Bits that unpack to nothing leave the whole row black.
    b = PcxHeader(7, 1, 3, 1, 2);
    Add(b, {0x3F, 0x3F});
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(image.BitsPerPixel(), 8u);
    EXPECT_EQ(Row(image, 0, 3), (Bytes{0, 0, 0}));
}

// The plain reading of scanline data: a count byte and the value it repeats, or a byte that
// stands for itself.
Bytes ExpandPlainly(const Bytes& data, size_t total)
{
    Bytes out;
    for (size_t i = 0; i < data.size() && out.size() < total;) {
        const uint8_t c = data[i++];
        if ((c & 0xC0) != 0xC0)
            out.push_back(c);
        else if (i < data.size())
            out.insert(out.end(), c & 0x3Fu, data[i++]);
    }
    out.resize(total);
    return out;
}

// The plain packing of one plane line, a value at a time with a pending run.
Bytes PackPlainly(const Bytes& values)
{
    Bytes out;
    int v = 0;
    int n = 0;
    auto pack = [&](int p) {
        if (p != v && n > 0) {
            if (n == 1 && v < 0xC0)
                out.push_back(static_cast<uint8_t>(v));
            else
                Add(out, {static_cast<uint8_t>(0xC0 + n), static_cast<uint8_t>(v)});
            n = 0;
        }
        if (n == 63) {
            Add(out, {0xFF, static_cast<uint8_t>(v)});
            n = 0;
        }
        if (p == -2)
            out.push_back(0);
        v = p & 0xFF;
        ++n;
    };
    for (uint8_t value : values)
        pack(value);
    pack(values.size() % 2 ? -2 : -1);
    return out;
}

// Runs of random lengths, some past 63 and across lines, of values on both sides of the count
// mark, between stretches of noise.
Bytes RandomValues(uint32_t& seed, size_t n)
{
    Bytes values;
    auto next = [&seed](uint32_t range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % range;
    };
    while (values.size() < n) {
        const auto v = static_cast<uint8_t>(next(4) ? 0xB0 + next(32) : next(256));
        const uint32_t length = next(3) ? 1 : next(5) ? 1 + next(8) : 1 + next(140);
        values.insert(values.end(), length, v);
    }
    values.resize(n);
    return values;
}

TEST(PcxDecode, ScanlinesMatchThePlainReadingOnRandomData)
{
    uint32_t seed = 99;
    for (uint32_t width : {1u, 7u, 8u, 9u, 17u, 32u, 333u, 1500u}) {
        SCOPED_TRACE(width);
        const uint32_t height = 9;
        const uint32_t bpl = width + (width & 1);
        // Codes of every kind, counts of zero among them, with no regard for line ends.
        Bytes data;
        const Bytes values = RandomValues(seed, size_t{bpl} * 3 * height);
        for (size_t i = 0; i < values.size();) {
            size_t n = 1;
            while (i + n < values.size() && values[i + n] == values[i] && n < 63)
                ++n;
            if (n == 1 && values[i] < 0xC0 && i % 5)
                data.push_back(values[i]);
            else
                Add(data, {static_cast<uint8_t>(0xC0 + n), values[i]});
            if (i % 11 == 0)
                Add(data, {0xC0, 0xC7});
            i += n;
        }
        Bytes file = PcxHeader(8, 3, width, height, bpl);
        Add(file, data);
        RasterImage image;
        ASSERT_TRUE(Decode(image, file)) << image.ErrorText();
        const Bytes plain = ExpandPlainly(data, values.size());
        ASSERT_EQ(plain, values);
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* line = plain.data() + size_t{y} * bpl * 3;
            Bytes expected;
            for (uint32_t x = 0; x < width; ++x)
                Add(expected, {line[2 * bpl + x], line[bpl + x], line[x]});
            ASSERT_EQ(Row(image, height - 1 - y, width * 3), expected) << "line " << y;
        }
    }
}

TEST(PcxEncode, PlaneLinesMatchThePlainPackingOnRandomRows)
{
    uint32_t seed = 7;
    for (uint32_t width : {1u, 2u, 63u, 64u, 127u, 400u}) {
        SCOPED_TRACE(width);
        const uint32_t height = 5;
        RasterImage image;
        ASSERT_NE(image.Create(width, height, 24, FormatBmp), nullptr);
        for (uint32_t y = 0; y < height; ++y) {
            const Bytes values = RandomValues(seed, size_t{width} * 3);
            std::memcpy(image.PixelRow(y), values.data(), values.size());
        }
        Bytes expected;
        for (uint32_t y = height; y-- > 0;) {
            for (int channel : {2, 1, 0}) {
                Bytes plane;
                for (uint32_t x = 0; x < width; ++x)
                    plane.push_back(image.PixelRow(y)[3 * x + channel]);
                Add(expected, PackPlainly(plane));
            }
        }
        const Bytes out = EncodeBytes(image, FormatPcx);
        ASSERT_GE(out.size(), 128u);
        EXPECT_EQ(Bytes(out.begin() + 128, out.end()), expected);
    }
}

TEST(PcxFailures, WhatTheFileLeavesUndecodedIsClearedInReusedMemory)
{
    // Lines shorter than the width (the colour rows have 13 bytes of padding and pixels beyond
    // the data), packed one-bit rows, and lines without data.
    Bytes b = PcxHeader(8, 3, 5, 2, 1);
    Add(b, {1, 2, 3, 4, 5, 6});
    LeaveJunkBehind(5, 2, 24);
    RasterImage image;
    ASSERT_TRUE(Decode(image, b));
    Bytes expected(32, 0);
    expected[0] = 6, expected[1] = 5, expected[2] = 4, expected[16] = 3, expected[17] = 2, expected[18] = 1;
    EXPECT_EQ(PixelBytes(image), expected);
    b = PcxHeader(1, 1, 20, 2, 1);
    Add(b, {0xA5, 0x5A});
    LeaveJunkBehind(20, 2, 1);
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(PixelBytes(image), (Bytes{0x5A, 0, 0, 0, 0xA5, 0, 0, 0}));
    b = PcxHeader(8, 1, 3, 2, 0);
    Add(b, {12});
    Add(b, Bytes(768, 1));
    LeaveJunkBehind(3, 2, 8);
    ASSERT_TRUE(Decode(image, b));
    EXPECT_EQ(PixelBytes(image), Bytes(8, 0));
}

TEST(PcxDecode, TheScanlinesComeInOneRead)
{
    RasterImage image;
    ASSERT_NE(image.Create(600, 100, 24, FormatBmp), nullptr);
    uint32_t seed = 3;
    const Bytes noise = RandomValues(seed, image.PixelAreaSize());
    std::memcpy(image.PixelArea(), noise.data(), noise.size());
    Bytes file = EncodeBytes(image, FormatPcx);
    ASSERT_GT(file.size(), 50000u);  // several times what a small read buffer holds
    CountingStream stream(file);
    PcxCodec codec(FormatPcx);
    ASSERT_TRUE(codec.Decode(&stream)) << codec.ErrorText();
    EXPECT_LE(stream.reads, 3);  // the header, the rest, and the look past its end
}

TEST(PcxLineConverters, UnpackAndPlanes)
{
    uint8_t out[16] = {};
    const uint8_t line[2] = {0xB4, 0x01};
    EXPECT_FALSE(PCX_UnpackPixels(out, line, 2, 2, 8));
    ASSERT_TRUE(PCX_UnpackPixels(out, line, 2, 1, 2));
    EXPECT_EQ(Bytes(out, out + 8), (Bytes{2, 3, 1, 0, 0, 0, 0, 1}));
    ASSERT_TRUE(PCX_UnpackPixels(out, line, 1, 1, 1));
    EXPECT_EQ(Bytes(out, out + 8), (Bytes{1, 0, 1, 1, 0, 1, 0, 0}));

    const uint8_t planes[3] = {0xF0, 0xCC, 0xAA};
    EXPECT_FALSE(PCX_PlanesToPixels(out, planes, 1, 5, 1));
    EXPECT_FALSE(PCX_PlanesToPixels(out, planes, 1, 3, 2));
    ASSERT_TRUE(PCX_PlanesToPixels(out, planes, 1, 3, 1));
    EXPECT_EQ(Bytes(out, out + 8), (Bytes{7, 3, 5, 1, 6, 2, 4, 0}));
}

TEST(PcxEncode, FailedWritesAreReported)
{
    RasterImage image;
    ASSERT_NE(image.Create(4, 4, 24, FormatBmp), nullptr);
    FullStream none(10);
    EXPECT_FALSE(image.Encode(&none, FormatPcx));
    EXPECT_STREQ(image.ErrorText(), "cannot write PCX header");
    FullStream headerOnly(128);
    EXPECT_FALSE(image.Encode(&headerOnly, FormatPcx));
    EXPECT_STREQ(image.ErrorText(), "cannot write PCX data");
}

}  // namespace
