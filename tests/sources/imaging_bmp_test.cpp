#include "imaging_support.h"

using namespace imaging_test;

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// A BMP file laid out by hand: any header form, depth, compression, palette and pixel bytes.
struct BmpLayout {
    BmpLayout(uint32_t header, int32_t w, int32_t h, uint16_t depth, uint32_t compressionId = 0)
        : headerSize(header), width(w), height(h), bits(depth), compression(compressionId)
    {
    }
    uint32_t headerSize = 40;  // 12 (OS/2 core), 40, 108 (v4) or 124 (v5)
    int32_t width = 0;
    int32_t height = 0;  // negative: rows top-down
    uint16_t bits = 24;
    uint32_t compression = 0;
    bool writeSizeImage = true;
    std::vector<uint32_t> palette;  // 0x00RRGGBB
    std::vector<uint32_t> masks;    // red, green, blue for bit fields
    std::vector<uint8_t> pixels;    // as stored in the file
};

std::vector<uint8_t> MakeBmp(const BmpLayout& s)
{
    const bool core = s.headerSize == 12;
    const uint32_t paletteBytes = uint32_t(s.palette.size()) * (core ? 3 : 4);
    const bool masksAfterHeader = s.headerSize == 40 && !s.masks.empty();
    const uint32_t offBits = 14 + s.headerSize + paletteBytes + (masksAfterHeader ? 4 * uint32_t(s.masks.size()) : 0);
    std::vector<uint8_t> out = {'B', 'M'};
    Put32(out, offBits + uint32_t(s.pixels.size()));
    Put32(out, 0);
    Put32(out, offBits);
    Put32(out, s.headerSize);
    if (core) {
        Put16(out, uint32_t(s.width));
        Put16(out, uint32_t(s.height));
        Put16(out, 1);
        Put16(out, s.bits);
    } else {
        Put32(out, uint32_t(s.width));
        Put32(out, uint32_t(s.height));
        Put16(out, 1);
        Put16(out, s.bits);
        Put32(out, s.compression);
        Put32(out, s.writeSizeImage ? uint32_t(s.pixels.size()) : 0);
        Put32(out, 2835);
        Put32(out, 2835);
        Put32(out, 0);
        Put32(out, 0);
        for (uint32_t i = 40; i < s.headerSize; i += 4)
            Put32(out, (i - 40) / 4 < s.masks.size() ? s.masks[(i - 40) / 4] : 0);
    }
    if (masksAfterHeader)
        for (uint32_t v : s.masks)
            Put32(out, v);
    for (uint32_t c : s.palette) {
        out.push_back(uint8_t(c));
        out.push_back(uint8_t(c >> 8));
        out.push_back(uint8_t(c >> 16));
        if (!core)
            out.push_back(0);
    }
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

// Rows of `rowBytes` bytes padded to 4, bottom row first, from the given row contents.
std::vector<uint8_t> PadRows(const std::vector<std::vector<uint8_t>>& rowsBottomFirst)
{
    std::vector<uint8_t> out;
    for (const auto& row : rowsBottomFirst) {
        out.insert(out.end(), row.begin(), row.end());
        out.resize((out.size() + 3) & ~size_t(3), 0);
    }
    return out;
}

class BmpDecode : public ::testing::Test {
protected:
    DecodedImage image;
    DecodeReport report;

    bool Load(const BmpLayout& layout)
    {
        const std::vector<uint8_t> bytes = MakeBmp(layout);
        return DecodeImageMemory(bytes.data(), bytes.size(), image, &report);
    }
    // Blue, green, red at (x, y from the top) as one 0xRRGGBB value.
    uint32_t At(int x, int y) const
    {
        const uint8_t* px = PixelAt(image, x, y);
        return uint32_t(px[2]) << 16 | uint32_t(px[1]) << 8 | px[0];
    }
};

constexpr uint32_t Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF, White = 0xFFFFFF, Black = 0;

}  // namespace

TEST_F(BmpDecode, PaletteDepthsExpandThroughThePalette)
{
    // Three pixels wide, two rows: bottom row red green blue, top row blue white black.
    const std::vector<uint32_t> palette = {Black, Red, Green, Blue, White};
    BmpLayout eight{40, 3, 2, 8};
    eight.palette = palette;
    eight.pixels = PadRows({{1, 2, 3}, {3, 4, 0}});
    BmpLayout four{40, 3, 2, 4};
    four.palette = palette;
    four.pixels = PadRows({{0x12, 0x30}, {0x34, 0x00}});
    for (const BmpLayout& layout : {eight, four}) {
        ASSERT_TRUE(Load(layout)) << layout.bits << " bits: " << report.diagnostic;
        EXPECT_EQ(report.container, ImageContainer::Bmp);
        EXPECT_EQ(At(0, 1), Red);
        EXPECT_EQ(At(1, 1), Green);
        EXPECT_EQ(At(2, 1), Blue);
        EXPECT_EQ(At(0, 0), Blue);
        EXPECT_EQ(At(1, 0), White);
        EXPECT_EQ(At(2, 0), Black);
        EXPECT_TRUE(PaddingIsZero(image));
    }
    BmpLayout one{40, 10, 1, 1};
    one.palette = {Blue, White};
    one.pixels = PadRows({{0xA0, 0x40}});  // 1010 0000 01..
    ASSERT_TRUE(Load(one)) << report.diagnostic;
    EXPECT_EQ(At(0, 0), White);
    EXPECT_EQ(At(1, 0), Blue);
    EXPECT_EQ(At(2, 0), White);
    EXPECT_EQ(At(9, 0), White);
    EXPECT_EQ(At(8, 0), Blue);
}

TEST_F(BmpDecode, TrueColourDepthsAndBitFields)
{
    BmpLayout rgb{40, 3, 1, 24};
    rgb.pixels = PadRows({{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99}});
    ASSERT_TRUE(Load(rgb)) << report.diagnostic;
    EXPECT_EQ(At(0, 0), 0x332211u);
    EXPECT_EQ(At(2, 0), 0x998877u);

    BmpLayout x555{40, 2, 1, 16};
    x555.pixels = PadRows({{0x00, 0x7C, 0x1F, 0x00}});  // pure red, pure blue in 5-5-5
    ASSERT_TRUE(Load(x555)) << report.diagnostic;
    EXPECT_EQ(At(0, 0) & 0xF8F8F8, Red & 0xF8F8F8);
    EXPECT_EQ(At(1, 0) & 0xF8F8F8, Blue & 0xF8F8F8);

    BmpLayout r565{40, 1, 1, 16, 3};
    r565.masks = {0xF800, 0x07E0, 0x001F};
    r565.pixels = PadRows({{0xE0, 0x07}});  // pure green in 5-6-5
    ASSERT_TRUE(Load(r565)) << report.diagnostic;
    EXPECT_EQ(At(0, 0) & 0xF8FCF8, Green & 0xF8FCF8);

    BmpLayout bgra{40, 2, 1, 32};
    bgra.pixels = {0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0xFF};
    ASSERT_TRUE(Load(bgra)) << report.diagnostic;
    EXPECT_EQ(At(0, 0), 0x302010u);
    EXPECT_EQ(At(1, 0), 0x605040u);
}

TEST_F(BmpDecode, HeaderFormsTopDownRowsAndMissingImageSize)
{
    // Bottom row red, top row blue, wide enough that even the short header's file is not tiny.
    std::vector<uint8_t> pixels(2 * 8 * 3, 0);
    for (int x = 0; x < 8; ++x) {
        pixels[x * 3 + 2] = 255;
        pixels[24 + x * 3] = 255;
    }
    BmpLayout core{12, 8, 2, 24};
    core.pixels = pixels;
    BmpLayout v4{108, 8, 2, 24};
    v4.pixels = pixels;
    BmpLayout v5{124, 8, 2, 24};
    v5.pixels = pixels;
    BmpLayout noSize{40, 8, 2, 24};
    noSize.writeSizeImage = false;
    noSize.pixels = pixels;
    for (const BmpLayout& layout : {core, v4, v5, noSize}) {
        ASSERT_TRUE(Load(layout)) << "header " << layout.headerSize << ": " << report.diagnostic;
        EXPECT_EQ(At(7, 1), Red) << "header " << layout.headerSize;
        EXPECT_EQ(At(7, 0), Blue) << "header " << layout.headerSize;
    }
    BmpLayout v5NoSize = v5;
    v5NoSize.writeSizeImage = false;
    EXPECT_TRUE(Load(v5NoSize)) << report.diagnostic;
    BmpLayout topDown{40, 1, -2, 24};
    topDown.pixels = PadRows({{255, 0, 0}, {0, 0, 255}});  // first stored row is the top: blue
    ASSERT_TRUE(Load(topDown)) << report.diagnostic;
    EXPECT_EQ(image.height, 2);
    EXPECT_EQ(At(0, 0), Blue);
    EXPECT_EQ(At(0, 1), Red);
}

TEST_F(BmpDecode, LongHeadersWithShortPalettesAndMasksInside)
{
    BmpLayout v5{124, 3, 1, 8};
    v5.palette = {Black, Red, Green};  // three colours used, not 256
    v5.pixels = PadRows({{2, 1, 0}});
    std::vector<uint8_t> bytes = MakeBmp(v5);
    bytes[14 + 32] = 3;  // biClrUsed
    ASSERT_TRUE(DecodeImageMemory(bytes.data(), bytes.size(), image, &report)) << report.diagnostic;
    EXPECT_EQ(At(0, 0), Green);
    EXPECT_EQ(At(1, 0), Red);
    EXPECT_EQ(At(2, 0), Black);

    // Masks inside a 108-byte header, in an order unlike the default one.
    BmpLayout v4{108, 1, -1, 32, 3};
    v4.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    v4.pixels = {0x11, 0x22, 0x33, 0x00};
    ASSERT_TRUE(Load(v4)) << report.diagnostic;
    EXPECT_EQ(At(0, 0), 0x112233u);

    // A one-pixel OS/2 bitmap is shorter than the plain header alone.
    BmpLayout tiny{12, 1, 1, 1};
    tiny.palette = {Blue, White};
    tiny.pixels = {0x80, 0, 0, 0};
    ASSERT_TRUE(Load(tiny)) << report.diagnostic;
    EXPECT_EQ(At(0, 0), White);
}

TEST_F(BmpDecode, AlphaMasksKeepTheOpacity)
{
    // A v5 header with an alpha mask, rows top-down: the opacity follows its pixel.
    BmpLayout v5{124, 2, -2, 32, 3};
    v5.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    v5.pixels = {0x10, 0x20, 0x30, 0x00, 0x11, 0x21, 0x31, 0x80, 0x12, 0x22, 0x32, 0xFF, 0x13, 0x23, 0x33, 0x40};
    ASSERT_TRUE(Load(v5)) << report.diagnostic;
    EXPECT_EQ(At(0, 0), 0x302010u);  // straight colour even where fully transparent
    EXPECT_EQ(At(1, 1), 0x332313u);
    EXPECT_TRUE(report.hasAlpha);
    EXPECT_EQ(image.alpha, (std::vector<uint8_t>{0xFF, 0x40, 0x00, 0x80}));

    // Four masks after a 40-byte header, the opacity in the first byte.
    BmpLayout four{40, 1, 1, 32, 6};
    four.masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};
    four.pixels = {0x77, 0x33, 0x22, 0x11};
    ASSERT_TRUE(Load(four)) << report.diagnostic;
    EXPECT_EQ(At(0, 0), 0x332211u);
    EXPECT_EQ(image.alpha, (std::vector<uint8_t>{0x77}));

    // No plane: no alpha mask, or a fourth byte that is 255 or 0 throughout.
    BmpLayout plain{40, 2, 1, 32};
    plain.pixels = {1, 2, 3, 0x80, 4, 5, 6, 0x10};
    ASSERT_TRUE(Load(plain)) << report.diagnostic;
    EXPECT_TRUE(image.alpha.empty());
    v5.masks.pop_back();
    ASSERT_TRUE(Load(v5)) << report.diagnostic;
    EXPECT_TRUE(image.alpha.empty());
    v5.masks.push_back(0xFF000000);
    for (uint8_t a : {0x00, 0xFF}) {
        for (size_t i = 3; i < v5.pixels.size(); i += 4)
            v5.pixels[i] = a;
        ASSERT_TRUE(Load(v5)) << report.diagnostic;
        EXPECT_TRUE(image.alpha.empty()) << int(a);
        EXPECT_EQ(At(1, 1), 0x332313u);
    }
}

TEST_F(BmpDecode, RunLengthEncodings)
{
    BmpLayout rle8{40, 4, 2, 8, 1};
    rle8.palette = {Black, Red, Green};
    // Bottom row: 4 x red; end of line; top row: green, then an absolute run "1 2 1"; end of picture.
    rle8.pixels = {4, 1, 0, 0, 1, 2, 0, 3, 1, 2, 1, 0, 0, 1};
    ASSERT_TRUE(Load(rle8)) << report.diagnostic;
    EXPECT_EQ(At(0, 1), Red);
    EXPECT_EQ(At(3, 1), Red);
    EXPECT_EQ(At(0, 0), Green);
    EXPECT_EQ(At(1, 0), Red);
    EXPECT_EQ(At(2, 0), Green);
    EXPECT_EQ(At(3, 0), Red);

    BmpLayout rle4{40, 4, 1, 4, 2};
    rle4.palette = {Black, Red, Green};
    rle4.pixels = {4, 0x12, 0, 1};  // red green red green
    ASSERT_TRUE(Load(rle4)) << report.diagnostic;
    EXPECT_EQ(At(0, 0), Red);
    EXPECT_EQ(At(1, 0), Green);
    EXPECT_EQ(At(2, 0), Red);
    EXPECT_EQ(At(3, 0), Green);
}

TEST_F(BmpDecode, OversizedHeaderIsRefusedBeforeTheCodecRuns)
{
    for (auto [w, h] : {std::pair{30000, 30000}, std::pair{20001, 1}, std::pair{20000, -3334}}) {
        BmpLayout layout{40, w, h, 24};
        layout.pixels = {1, 2, 3, 4};
        const std::vector<uint8_t> bytes = MakeBmp(layout);
        RecordingAllocator allocator;
        DecodeReport big;
        EXPECT_FALSE(DecodeImageMemory(bytes.data(), bytes.size(), allocator.Get(), &big));
        EXPECT_EQ(allocator.calls, 0);
        EXPECT_EQ(big.width, w);
        EXPECT_EQ(big.height, std::abs(h));
    }
}

TEST_F(BmpDecode, MissingPixelsAndUnknownDepthsFail)
{
    // Seven 24-bit pixels a row: 21 bytes and 3 of padding.
    BmpLayout rgb{40, 7, 5, 24};
    rgb.pixels.assign(24 * 5, 0x40);
    const std::vector<uint8_t> good = MakeBmp(rgb);
    ASSERT_TRUE(Load(rgb)) << report.diagnostic;
    for (size_t cut : {size_t(4), size_t(24), size_t(60)})
        EXPECT_FALSE(DecodeImageMemory(good.data(), good.size() - cut, image, &report)) << "cut " << cut;
    // The last row's padding carries no pixel.
    EXPECT_TRUE(DecodeImageMemory(good.data(), good.size() - 3, image, &report)) << report.diagnostic;

    BmpLayout claims{40, 20000, 3333, 24};
    claims.pixels = {1, 2, 3, 4};
    EXPECT_FALSE(Load(claims));
    for (uint16_t bits : {0, 7}) {
        BmpLayout odd{40, 2, 2, bits};
        odd.pixels.assign(16, 0x55);
        EXPECT_FALSE(Load(odd)) << bits << " bits";
    }
    // Run-length data that stops inside the top row, before its end code.
    BmpLayout rle8{40, 4, 2, 8, 1};
    rle8.palette = {Black, Red, Green};
    rle8.pixels = {4, 1, 0, 0, 1, 2};
    EXPECT_FALSE(Load(rle8));
    rle8.pixels = {4, 1, 0, 0, 4, 2};  // both rows whole, the end code left out
    EXPECT_TRUE(Load(rle8)) << report.diagnostic;
}

TEST_F(BmpDecode, TruncatedAndDamagedFilesNeverCrash)
{
    BmpLayout layout{40, 7, 5, 8};
    layout.palette = {Black, Red, Green, Blue};
    layout.pixels = PadRows({{1, 2, 3, 1, 2, 3, 1}, {0, 1, 2, 3, 0, 1, 2}, {3, 3, 3, 3, 3, 3, 3},
                           {1, 1, 1, 1, 1, 1, 1}, {2, 2, 2, 2, 2, 2, 2}});
    const std::vector<uint8_t> good = MakeBmp(layout);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        DecodedImage out;
        if (DecodeImageMemory(good.data(), cut, out)) {
            EXPECT_EQ(out.width, 7);
            EXPECT_EQ(out.pixels.size(), out.Stride() * size_t(out.height));
        }
    }
    for (size_t i = 0; i < good.size(); ++i) {
        std::vector<uint8_t> bytes = good;
        bytes[i] ^= 0x81;
        DecodedImage out;
        if (DecodeImageMemory(bytes.data(), bytes.size(), out)) {
            EXPECT_TRUE(FitsSourceLimits(out.width, out.height));
        }
    }
}

TEST(BmpEncode, RoundTripsThroughTheReaderAtOddWidths)
{
    ScratchDir dir;
    for (int width : {1, 2, 3, 5, 33}) {
        const Rgb p = MakePicture(width, 4, uint32_t(width));
        const std::vector<uint8_t> stored = ToStored(p);
        ASSERT_TRUE(EncodeImageFile(dir.File("r.bmp"), ImageContainer::Bmp, RowsOf(stored, width, 4)));
        const std::vector<uint8_t> bytes = ReadBytes(dir.File("r.bmp"));
        EXPECT_EQ(bytes.size(), 54 + ImagingStride(width) * 4);
        DecodedImage image;
        DecodeReport report;
        ASSERT_TRUE(DecodeImageFile(dir.File("r.bmp"), image, &report)) << report.diagnostic;
        EXPECT_EQ(report.container, ImageContainer::Bmp);
        EXPECT_EQ(MaxDifference(image, p), 0) << "width " << width;
        EXPECT_EQ(image.pixels, stored);
    }
}
