#include <csetjmp>
#include <cstring>

#include <png.h>

#include "imaging_support.h"

using namespace imaging_test;

namespace {

// A PNG as libpng should write it: raw rows in the file's own layout, top row first.
struct PngSpec {
    PngSpec(int w, int h, int type = PNG_COLOR_TYPE_RGB, int bits = 8) : width(w), height(h), colourType(type), depth(bits) {}
    int width = 0;
    int height = 0;
    int colourType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    std::vector<std::vector<uint8_t>> rows;
};

bool WritePngCore(std::FILE* file, const PngSpec* layout)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, layout->width, layout->height, layout->depth, layout->colourType,
                 layout->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!layout->palette.empty())
        png_set_PLTE(png, info, layout->palette.data(), int(layout->palette.size()));
    if (!layout->paletteAlpha.empty())
        png_set_tRNS(png, info, layout->paletteAlpha.data(), int(layout->paletteAlpha.size()), nullptr);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < layout->height; ++y)
            png_write_row(png, layout->rows[y].data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

void WritePng(const std::string& path, const PngSpec& layout)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    const bool ok = WritePngCore(file, &layout);
    std::fclose(file);
    ASSERT_TRUE(ok);
}

PngSpec RgbSpec(const Rgb& p)
{
    PngSpec layout{p.width, p.height};
    for (int y = 0; y < p.height; ++y)
        layout.rows.emplace_back(p.At(0, y), p.At(0, y) + size_t(p.width) * 3);
    return layout;
}

// Packs sample values of `depth` bits into a row, high bits first, as PNG stores them.
std::vector<uint8_t> PackRow(const std::vector<int>& samples, int depth)
{
    std::vector<uint8_t> row((samples.size() * depth + 7) / 8, 0);
    for (size_t i = 0; i < samples.size(); ++i) {
        if (depth == 16) {
            row[2 * i] = uint8_t(samples[i] >> 8);
            row[2 * i + 1] = uint8_t(samples[i]);
            continue;
        }
        const size_t bit = i * depth;
        row[bit / 8] |= uint8_t(samples[i] << (8 - depth - bit % 8));
    }
    return row;
}

uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0xFFFFFFFFu)
{
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc;
}

void AppendChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body)
{
    const uint32_t n = uint32_t(body.size());
    const uint8_t length[4] = {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
    out.insert(out.end(), length, length + 4);
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    const uint32_t crc = ~Crc32(typed.data(), typed.size());
    const uint8_t c[4] = {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)};
    out.insert(out.end(), c, c + 4);
}

// A PNG that declares a picture of the given size but carries no image data at all.
std::vector<uint8_t> HeaderOnlyPng(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr = {uint8_t(width >> 24), uint8_t(width >> 16), uint8_t(width >> 8), uint8_t(width),
                                 uint8_t(height >> 24), uint8_t(height >> 16), uint8_t(height >> 8), uint8_t(height),
                                 8, 2, 0, 0, 0};
    AppendChunk(out, "IHDR", ihdr);
    AppendChunk(out, "IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    AppendChunk(out, "IEND", {});
    return out;
}

void ExpectGray(const DecodedImage& image, int x, int y, int value)
{
    const uint8_t* px = PixelAt(image, x, y);
    EXPECT_EQ(px[0], value) << "at " << x << "," << y;
    EXPECT_EQ(px[1], value) << "at " << x << "," << y;
    EXPECT_EQ(px[2], value) << "at " << x << "," << y;
}

class PngDecode : public ::testing::Test {
protected:
    ScratchDir dir;
    DecodedImage image;
    DecodeReport report;

    bool Load(const PngSpec& layout)
    {
        WritePng(dir.File("p.png"), layout);
        return DecodeImageFile(dir.File("p.png"), image, &report);
    }
};

}  // namespace

TEST_F(PngDecode, RgbAtOddWidthsIsExactWithZeroPadding)
{
    for (int width : {1, 2, 3, 5, 7, 33}) {
        const Rgb p = MakePicture(width, 5, uint32_t(width));
        ASSERT_TRUE(Load(RgbSpec(p))) << report.diagnostic;
        EXPECT_EQ(report.container, ImageContainer::Png);
        EXPECT_EQ(MaxDifference(image, p), 0) << "width " << width;
        EXPECT_TRUE(PaddingIsZero(image)) << "width " << width;
    }
}

TEST_F(PngDecode, InterlacedGivesTheSamePicture)
{
    const Rgb p = MakePicture(13, 11);
    PngSpec layout = RgbSpec(p);
    layout.interlaced = true;
    ASSERT_TRUE(Load(layout)) << report.diagnostic;
    EXPECT_EQ(MaxDifference(image, p), 0);
}

TEST_F(PngDecode, GrayAtEveryDepthExpandsToEqualChannels)
{
    // Sample value and the 8-bit value it stands for, per depth.
    struct Case { int depth; int sample; int expected; };
    for (const Case c : {Case{1, 1, 255}, Case{2, 2, 170}, Case{4, 5, 85}, Case{8, 77, 77}, Case{16, 65535, 255},
                         Case{16, 0x01FF, 2}}) {
        PngSpec layout{3, 2, PNG_COLOR_TYPE_GRAY, c.depth};
        layout.rows = {PackRow({c.sample, 0, c.sample}, c.depth), PackRow({0, c.sample, 0}, c.depth)};
        ASSERT_TRUE(Load(layout)) << "depth " << c.depth << ": " << report.diagnostic;
        ExpectGray(image, 0, 0, c.expected);
        ExpectGray(image, 1, 0, 0);
        ExpectGray(image, 1, 1, c.expected);
        ExpectGray(image, 2, 1, 0);
    }
}

TEST_F(PngDecode, PaletteTransparencyKeepsColourAndOpacity)
{
    for (int depth : {1, 2, 4, 8}) {
        PngSpec layout{5, 1, PNG_COLOR_TYPE_PALETTE, depth};
        layout.palette = {{10, 20, 30}, {200, 100, 50}};
        layout.paletteAlpha = {0, 128};  // entry 0 fully transparent: its colour must survive
        layout.rows = {PackRow({0, 1, 1, 0, 1}, depth)};
        ASSERT_TRUE(Load(layout)) << "depth " << depth << ": " << report.diagnostic;
        const uint8_t* first = PixelAt(image, 0, 0);
        const uint8_t* second = PixelAt(image, 1, 0);
        EXPECT_EQ((std::vector<int>{first[0], first[1], first[2]}), (std::vector<int>{30, 20, 10}));
        EXPECT_EQ((std::vector<int>{second[0], second[1], second[2]}), (std::vector<int>{50, 100, 200}));
        EXPECT_TRUE(report.hasAlpha);
        EXPECT_EQ(image.alpha, (std::vector<uint8_t>{0, 128, 128, 0, 128}));
    }
}

TEST_F(PngDecode, AlphaIsKeptBesideStraightColour)
{
    PngSpec rgba{2, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8};
    rgba.rows = {{200, 150, 100, 0, 1, 2, 3, 255}, {9, 9, 9, 77, 4, 5, 6, 254}};
    ASSERT_TRUE(Load(rgba)) << report.diagnostic;
    EXPECT_EQ(PixelAt(image, 0, 0)[2], 200);
    EXPECT_EQ(PixelAt(image, 0, 0)[0], 100);
    EXPECT_EQ(PixelAt(image, 1, 0)[1], 2);
    EXPECT_TRUE(PaddingIsZero(image));
    // Bottom-up, width bytes a row.
    EXPECT_EQ(image.alpha, (std::vector<uint8_t>{77, 254, 0, 255}));
    // Interlaced rows arrive in passes and give the same picture.
    const DecodedImage plain = image;
    rgba.interlaced = true;
    ASSERT_TRUE(Load(rgba)) << report.diagnostic;
    EXPECT_EQ(image.pixels, plain.pixels);
    EXPECT_EQ(image.alpha, plain.alpha);

    PngSpec grayAlpha{2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16};
    grayAlpha.rows = {PackRow({0x5A5A, 0, 0x1234, 0x8080}, 16)};
    ASSERT_TRUE(Load(grayAlpha)) << report.diagnostic;
    ExpectGray(image, 0, 0, 90);
    EXPECT_EQ(image.alpha, (std::vector<uint8_t>{0, 128}));
}

TEST_F(PngDecode, OpaquePicturesKeepNoOpacityPlane)
{
    // No alpha channel, and an alpha channel that is 255 throughout.
    ASSERT_TRUE(Load(RgbSpec(MakePicture(3, 2))));
    EXPECT_FALSE(report.hasAlpha);
    EXPECT_TRUE(image.alpha.empty());
    PngSpec rgba{2, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8};
    rgba.rows = {{1, 2, 3, 255, 4, 5, 6, 255}};
    ASSERT_TRUE(Load(rgba)) << report.diagnostic;
    EXPECT_FALSE(report.hasAlpha);
    EXPECT_TRUE(image.alpha.empty());
    // A caller that wants no opacity is never asked for a plane.
    rgba.rows = {{1, 2, 3, 0, 4, 5, 6, 9}};
    WritePng(dir.File("t.png"), rgba);
    RecordingAllocator allocator;
    ASSERT_TRUE(DecodeImageFile(dir.File("t.png"), allocator.Get(), &report));
    EXPECT_FALSE(report.hasAlpha);
    EXPECT_EQ(allocator.buffer[2], 1);
}

TEST_F(PngDecode, SixteenBitChannelsAreScaledWithRounding)
{
    PngSpec layout{2, 1, PNG_COLOR_TYPE_RGB, 16};
    layout.rows = {PackRow({0xFFFF, 0x01FF, 0x0000, 0x8080, 0x7F7F, 0x00FF}, 16)};
    ASSERT_TRUE(Load(layout)) << report.diagnostic;
    const uint8_t* a = PixelAt(image, 0, 0);
    const uint8_t* b = PixelAt(image, 1, 0);
    EXPECT_EQ((std::vector<int>{a[2], a[1], a[0]}), (std::vector<int>{255, 2, 0}));
    EXPECT_EQ((std::vector<int>{b[2], b[1], b[0]}), (std::vector<int>{128, 127, 1}));
}

TEST_F(PngDecode, OversizedHeaderIsRefusedBeforeAnyAllocation)
{
    // The last size fits a slot but not the few bytes of data behind it.
    for (auto [w, h] : {std::pair{30000u, 30000u}, std::pair{20001u, 1u}, std::pair{20000u, 3334u},
                        std::pair{20000u, 3333u}}) {
        WriteBytes(dir.File("big.png"), HeaderOnlyPng(w, h));
        RecordingAllocator allocator;
        DecodeReport big;
        EXPECT_FALSE(DecodeImageFile(dir.File("big.png"), allocator.Get(), &big));
        EXPECT_EQ(allocator.calls, 0);
        EXPECT_EQ(big.width, int(w));
        EXPECT_EQ(big.height, int(h));
        EXPECT_FALSE(big.diagnostic.empty());
    }
    // The same file shape at an allowed size gets as far as the allocator, then fails on its data.
    WriteBytes(dir.File("small.png"), HeaderOnlyPng(4, 4));
    RecordingAllocator allocator;
    EXPECT_FALSE(DecodeImageFile(dir.File("small.png"), allocator.Get()));
    EXPECT_EQ(allocator.calls, 1);
}

TEST_F(PngDecode, HeaderInfoComesWithoutDecoding)
{
    WriteBytes(dir.File("info.png"), HeaderOnlyPng(640, 480));
    DecodeReport info;
    ASSERT_TRUE(ReadImageInfo(dir.File("info.png"), info)) << info.diagnostic;
    EXPECT_EQ(info.container, ImageContainer::Png);
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 480);
}

TEST_F(PngDecode, TruncatedAndCorruptFilesFailCleanly)
{
    const Rgb p = MakePicture(40, 30);
    WritePng(dir.File("good.png"), RgbSpec(p));
    const std::vector<uint8_t> good = ReadBytes(dir.File("good.png"));
    // Cut inside the signature, the header, and the image data: every cut fails.
    for (size_t cut : {size_t(4), size_t(20), size_t(40), good.size() / 2, good.size() - 20}) {
        std::vector<uint8_t> bytes(good.begin(), good.begin() + cut);
        DecodedImage out;
        EXPECT_FALSE(DecodeImageMemory(bytes.data(), bytes.size(), out)) << "cut at " << cut;
        EXPECT_TRUE(out.pixels.empty());
    }
    // A flipped bit in the image data breaks its checksum.
    std::vector<uint8_t> corrupt = good;
    corrupt[good.size() / 2] ^= 0x10;
    DecodedImage out;
    EXPECT_FALSE(DecodeImageMemory(corrupt.data(), corrupt.size(), out));
}

TEST_F(PngDecode, EveryTruncationAndFlipIsSurvived)
{
    const Rgb p = MakePicture(9, 7);
    PngSpec layout = RgbSpec(p);
    layout.interlaced = true;
    WritePng(dir.File("sweep.png"), layout);
    const std::vector<uint8_t> good = ReadBytes(dir.File("sweep.png"));
    // Without its closing chunk a file still holds the whole picture; any shorter cut fails.
    constexpr size_t EndChunk = 12;
    for (size_t cut = 0; cut < good.size() - EndChunk; ++cut) {
        DecodedImage out;
        EXPECT_FALSE(DecodeImageMemory(good.data(), cut, out)) << "cut at " << cut;
    }
    int decoded = 0;
    for (size_t i = 0; i < good.size(); ++i) {
        std::vector<uint8_t> bytes = good;
        bytes[i] ^= 0xA5;
        DecodedImage out;
        if (DecodeImageMemory(bytes.data(), bytes.size(), out)) {
            ++decoded;
            EXPECT_TRUE(FitsSourceLimits(out.width, out.height));
            EXPECT_EQ(out.pixels.size(), out.Stride() * size_t(out.height));
        }
    }
    // Only flips in ancillary places (the trailing chunk's fields, say) may still decode.
    EXPECT_LT(decoded, int(good.size()) / 4);
}
