#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "clipboard_dib.h"

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

// A CF_DIB block under construction: header, then `extra` bytes (palette or masks), then rows.
struct DibBuilder {
    DibBuilder(int w, int h, int b, uint32_t c = 0) : width(w), height(h), bits(b), compression(c) {}
    int width;
    int height;  // negative: top-down
    int bits;
    uint32_t compression;
    uint32_t clrUsed = 0;
    uint32_t headerSize = 40;
    std::vector<uint8_t> extra;

    size_t RowBytes() const { return (size_t(std::max(width, 0)) * bits + 31) / 32 * 4; }
    int Rows() const { return height < 0 ? -height : height; }
    // fill(row as stored, row bytes) writes each stored row.
    std::vector<uint8_t> Build(const std::function<void(int, uint8_t*)>& fill) const
    {
        std::vector<uint8_t> b(headerSize + extra.size() + RowBytes() * Rows(), 0);
        Put32(b, 0, headerSize);
        Put32(b, 4, uint32_t(width));
        Put32(b, 8, uint32_t(height));
        Put16(b, 12, 1);
        Put16(b, 14, uint32_t(bits));
        Put32(b, 16, compression);
        Put32(b, 32, clrUsed);
        if (!extra.empty())
            std::memcpy(b.data() + headerSize, extra.data(), extra.size());
        for (int r = 0; r < Rows(); ++r)
            fill(r, b.data() + headerSize + extra.size() + r * RowBytes());
        return b;
    }
};

std::vector<uint8_t> Palette(std::initializer_list<uint32_t> rgb)
{
    std::vector<uint8_t> p;
    for (uint32_t c : rgb) {
        p.push_back(uint8_t(c));        // blue
        p.push_back(uint8_t(c >> 8));   // green
        p.push_back(uint8_t(c >> 16));  // red
        p.push_back(0x77);              // ignored
    }
    return p;
}

struct Converted {
    int result = -1;
    SourceImage image;
    int width = 0;
    int height = 0;
    size_t Stride() const { return (size_t(width) * 3 + 3) & ~size_t(3); }
    // Blue, green, red of the pixel at row y from the top, column x, as 0xRRGGBB.
    uint32_t At(int y, int x) const
    {
        const uint8_t* p = image.dib + 40 + size_t(height - 1 - y) * Stride() + size_t(x) * 3;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
};

Converted Convert(const std::vector<uint8_t>& block)
{
    Converted c;
    c.result = ConvertClipboardImage(block.data(), block.size(), c.image, c.width, c.height);
    return c;
}

// Checks the converted block is a plain 24-bit bottom-up picture with a full mask.
void ExpectPlain24(const Converted& c, int w, int h)
{
    ASSERT_EQ(c.result, ClipboardConverted);
    ASSERT_EQ(c.width, w);
    ASSERT_EQ(c.height, h);
    EXPECT_EQ(Get32(c.image.dib), 40u);
    EXPECT_EQ(int32_t(Get32(c.image.dib + 4)), w);
    EXPECT_EQ(int32_t(Get32(c.image.dib + 8)), h);
    EXPECT_EQ(c.image.dib[14], 24);
    EXPECT_EQ(Get32(c.image.dib + 16), 0u);
    EXPECT_EQ(Get32(c.image.dib + 20), uint32_t(c.Stride() * h));
    ASSERT_EQ(c.image.maskSize, w * h);
    for (int i = 0; i < w * h; ++i)
        ASSERT_EQ(c.image.mask[i], 1);
}

TEST(ClipboardConvertTest, OneBitUsesItsTwoEntriesMostSignificantBitFirst)
{
    DibBuilder d{10, 2, 1};
    d.extra = Palette({0xFF0000, 0x0000FF});  // entry 0 red, entry 1 blue
    // Bottom row: 1000000001, top row: 0111111110.
    const auto block = d.Build([](int r, uint8_t* row) {
        if (r == 0) { row[0] = 0x80; row[1] = 0x40; }
        else { row[0] = 0x7F; row[1] = 0x80; }
    });
    const Converted c = Convert(block);
    ExpectPlain24(c, 10, 2);
    EXPECT_EQ(c.At(1, 0), 0x0000FFu);
    EXPECT_EQ(c.At(1, 1), 0xFF0000u);
    EXPECT_EQ(c.At(1, 9), 0x0000FFu);
    EXPECT_EQ(c.At(0, 0), 0xFF0000u);
    EXPECT_EQ(c.At(0, 1), 0x0000FFu);
    EXPECT_EQ(c.At(0, 8), 0x0000FFu);
    EXPECT_EQ(c.At(0, 9), 0xFF0000u);
}

TEST(ClipboardConvertTest, FourBitHighNibbleFirstAndShortPalette)
{
    DibBuilder d{3, 1, 4};
    d.clrUsed = 3;
    d.extra = Palette({0x000000, 0x112233, 0x445566});
    // Pixels 2, 1, then index 9, which the three-entry palette does not hold.
    const auto block = d.Build([](int, uint8_t* row) { row[0] = 0x21; row[1] = 0x90; });
    const Converted c = Convert(block);
    ExpectPlain24(c, 3, 1);
    EXPECT_EQ(c.At(0, 0), 0x445566u);
    EXPECT_EQ(c.At(0, 1), 0x112233u);
    EXPECT_EQ(c.At(0, 2), 0x000000u);
}

TEST(ClipboardConvertTest, EightBitThreeWideReadsFourByteRowsAndWritesTwelve)
{
    DibBuilder d{3, 2, 8};
    std::vector<uint8_t> pal(256 * 4, 0);
    for (int i = 0; i < 256; ++i)
        pal[i * 4 + 2] = uint8_t(i);  // entry i is red i
    d.extra = pal;
    const auto block = d.Build([](int r, uint8_t* row) {
        for (int x = 0; x < 4; ++x)
            row[x] = uint8_t(10 * r + x);  // the fourth byte is padding
    });
    EXPECT_EQ(d.RowBytes(), 4u);
    const Converted c = Convert(block);
    ExpectPlain24(c, 3, 2);
    EXPECT_EQ(c.Stride(), 12u);
    EXPECT_EQ(c.At(1, 0), 0x000000u);
    EXPECT_EQ(c.At(1, 2), 0x020000u);
    EXPECT_EQ(c.At(0, 1), 0x0B0000u);
    // The three padding bytes of each converted row are zero.
    for (int r = 0; r < 2; ++r)
        for (int i = 9; i < 12; ++i)
            EXPECT_EQ(c.image.dib[40 + r * 12 + i], 0);
}

TEST(ClipboardConvertTest, SixteenBitDefaultAndBitFieldMasks)
{
    DibBuilder d{3, 1, 16};
    const auto values = [](int, uint8_t* row) {
        const uint16_t px[3] = {0x7FFF, 0x7C00, 0x0421};
        for (int x = 0; x < 3; ++x) { row[2 * x] = uint8_t(px[x]); row[2 * x + 1] = uint8_t(px[x] >> 8); }
    };
    const Converted c555 = Convert(d.Build(values));
    ExpectPlain24(c555, 3, 1);
    EXPECT_EQ(c555.At(0, 0), 0xF8F8F8u);
    EXPECT_EQ(c555.At(0, 1), 0xF80000u);
    EXPECT_EQ(c555.At(0, 2), 0x080808u);

    // 5-6-5 masks after the header; the high halves of the 32-bit masks are ignored.
    d.compression = 3;
    d.extra.assign(12, 0);
    Put32(d.extra, 0, 0xFFFFF800);
    Put32(d.extra, 4, 0x000007E0);
    Put32(d.extra, 8, 0x0000001F);
    const auto block565 = d.Build([](int, uint8_t* row) {
        const uint16_t px[3] = {0xFFFF, 0xF800, 0x07E0};
        for (int x = 0; x < 3; ++x) { row[2 * x] = uint8_t(px[x]); row[2 * x + 1] = uint8_t(px[x] >> 8); }
    });
    const Converted c565 = Convert(block565);
    ExpectPlain24(c565, 3, 1);
    EXPECT_EQ(c565.At(0, 0), 0xF8FCF8u);
    EXPECT_EQ(c565.At(0, 1), 0xF80000u);
    EXPECT_EQ(c565.At(0, 2), 0x00FC00u);
}

TEST(ClipboardConvertTest, SixteenBitOddMasksZeroMaskAndMasksInsideALargerHeader)
{
    DibBuilder d{2, 1, 16};
    d.compression = 3;
    d.extra.assign(12, 0);
    Put32(d.extra, 0, 0x000F);  // red in the low nibble
    Put32(d.extra, 4, 0);       // no green at all
    Put32(d.extra, 8, 0xF000);
    const auto block = d.Build([](int, uint8_t* row) { row[0] = 0x0F; row[1] = 0xA0; row[2] = 0x05; });
    const Converted c = Convert(block);
    ExpectPlain24(c, 2, 1);
    EXPECT_EQ(c.At(0, 0), 0xF000A0u);
    EXPECT_EQ(c.At(0, 1), 0x500000u);

    // A 124-byte header carries its masks at offset 40; the pixels follow the header directly.
    DibBuilder v5{1, 1, 16};
    v5.compression = 3;
    v5.headerSize = 124;
    auto big = v5.Build([](int, uint8_t* row) { row[0] = 0x1F; row[1] = 0x00; });
    Put32(big, 40, 0x001F);  // red
    Put32(big, 44, 0x03E0);
    Put32(big, 48, 0x7C00);
    const Converted cv5 = Convert(big);
    ExpectPlain24(cv5, 1, 1);
    EXPECT_EQ(cv5.At(0, 0), 0xF80000u);
}

TEST(ClipboardConvertTest, TwentyFourAndThirtyTwoBits)
{
    DibBuilder d24{2, 1, 24};
    const Converted c24 = Convert(d24.Build([](int, uint8_t* row) {
        const uint8_t px[6] = {1, 2, 3, 4, 5, 6};
        std::memcpy(row, px, 6);
    }));
    ExpectPlain24(c24, 2, 1);
    EXPECT_EQ(c24.At(0, 0), 0x030201u);
    EXPECT_EQ(c24.At(0, 1), 0x060504u);

    DibBuilder d32{2, 1, 32};
    const auto fill32 = [](int, uint8_t* row) {
        const uint8_t px[8] = {1, 2, 3, 0xEE, 4, 5, 6, 0x00};
        std::memcpy(row, px, 8);
    };
    const Converted c32 = Convert(d32.Build(fill32));
    ExpectPlain24(c32, 2, 1);
    EXPECT_EQ(c32.At(0, 0), 0x030201u);
    EXPECT_EQ(c32.At(0, 1), 0x060504u);

    // With bit fields the pixels start 12 bytes after the header.
    d32.compression = 3;
    d32.extra.assign(12, 0xAB);
    const Converted fields = Convert(d32.Build(fill32));
    ExpectPlain24(fields, 2, 1);
    EXPECT_EQ(fields.At(0, 1), 0x060504u);
}

TEST(ClipboardConvertTest, AlphaMasksKeepTheOpacityBesideTheColour)
{
    // A v5 block with bit fields and an alpha mask, top-down.
    DibBuilder v5{2, -2, 32, 3};
    v5.headerSize = 124;
    const auto fill = [](int r, uint8_t* row) {
        const uint8_t px[2][8] = {{1, 2, 3, 0x00, 4, 5, 6, 0x80}, {7, 8, 9, 0xFF, 10, 11, 12, 0x40}};
        std::memcpy(row, px[r], 8);
    };
    std::vector<uint8_t> block = v5.Build(fill);
    Put32(block, 52, 0xFF000000);
    Converted c = Convert(block);
    ExpectPlain24(c, 2, 2);
    EXPECT_EQ(c.At(0, 0), 0x030201u);
    ASSERT_NE(c.image.alpha, nullptr);
    // Bottom-up rows of width bytes, as the mask.
    EXPECT_EQ(std::vector<uint8_t>(c.image.alpha, c.image.alpha + 4), (std::vector<uint8_t>{0xFF, 0x40, 0x00, 0x80}));

    // Four masks after a 40-byte header.
    DibBuilder four{2, 2, 32, 6};
    four.extra.assign(16, 0);
    Put32(four.extra, 12, 0xFF000000);
    c = Convert(four.Build(fill));
    ExpectPlain24(c, 2, 2);
    EXPECT_EQ(c.At(1, 0), 0x030201u);
    ASSERT_NE(c.image.alpha, nullptr);
    EXPECT_EQ(c.image.alpha[0], 0x00);

    // No plane: no alpha mask, or an opacity of 0 or 255 throughout.
    Put32(block, 52, 0);
    EXPECT_EQ(Convert(block).image.alpha, nullptr);
    Put32(block, 52, 0xFF000000);
    for (uint8_t a : {0x00, 0xFF}) {
        for (size_t i = 124 + 3; i < block.size(); i += 4)
            block[i] = a;
        c = Convert(block);
        ExpectPlain24(c, 2, 2);
        EXPECT_EQ(c.image.alpha, nullptr) << int(a);
    }
}

// The same picture stored top-down converts exactly like its bottom-up form.
TEST(ClipboardConvertTest, TopDownBlocksComeOutRightSideUpAtEveryDepth)
{
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        DibBuilder up{5, 3, bits};
        if (bits <= 8) {
            std::vector<uint8_t> pal(4u << bits);
            for (size_t i = 0; i < pal.size(); ++i)
                pal[i] = uint8_t(i * 37 + 11);
            up.extra = pal;
        }
        // Stored row r holds the value pattern of picture row (from the top) 2 - r.
        const auto bottomUp = [&](int r, uint8_t* row) {
            for (size_t i = 0; i < up.RowBytes(); ++i)
                row[i] = uint8_t((2 - r) * 71 + i * 13 + 5);
        };
        DibBuilder down = up;
        down.height = -3;
        const auto topDown = [&](int r, uint8_t* row) { bottomUp(2 - r, row); };
        const Converted a = Convert(up.Build(bottomUp));
        const Converted b = Convert(down.Build(topDown));
        ExpectPlain24(a, 5, 3);
        ExpectPlain24(b, 5, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_EQ(a.At(y, x), b.At(y, x)) << y << "," << x;
    }
}

TEST(ClipboardConvertTest, ResultCodes)
{
    SourceImage image;
    int w = -1, h = -1;
    EXPECT_EQ(ConvertClipboardImage(nullptr, 0, image, w, h), ClipboardNoBlock);

    const auto code = [](DibBuilder d) { return Convert(d.Build([](int, uint8_t*) {})).result; };
    for (int bits : {0, 2, 15, 48, 64})
        EXPECT_EQ(code(DibBuilder{4, 4, bits}), ClipboardNotAccepted) << bits;
    DibBuilder rle8{4, 4, 8, 1};
    EXPECT_EQ(code(rle8), ClipboardNotAccepted);
    DibBuilder rle4{4, 4, 4, 2};
    EXPECT_EQ(code(rle4), ClipboardNotAccepted);
    DibBuilder odd16{4, 4, 16, 1};
    EXPECT_EQ(code(odd16), ClipboardNotAccepted);
    EXPECT_EQ(code(DibBuilder{0, 4, 24}), ClipboardNotAccepted);
    EXPECT_EQ(code(DibBuilder{-4, 4, 24}), ClipboardNotAccepted);
    EXPECT_EQ(code(DibBuilder{4, 0, 24}), ClipboardNotAccepted);
    // 1 and 24 bits and 32 bits take any compression.
    EXPECT_EQ(code(DibBuilder{4, 4, 24, 1}), ClipboardConverted);
    // Beyond the slot limits, from the header alone.
    EXPECT_EQ(code(DibBuilder{20001, 1, 1}), ClipboardNotBuilt);
    EXPECT_EQ(code(DibBuilder{1, -20001, 1}), ClipboardNotBuilt);
    auto lowest = DibBuilder{1, 1, 1}.Build([](int, uint8_t*) {});
    Put32(lowest, 8, 0x80000000u);
    EXPECT_EQ(Convert(lowest).result, ClipboardNotBuilt);
}

TEST(ClipboardConvertTest, ConvertedBlockLimitIsOneHundredMillionBytes)
{
    // 20000 pixels make 60000-byte rows: 1666 rows give 99,960,054 bytes, 1667 rows 100,020,054.
    DibBuilder d{20000, 1667, 1};
    d.extra = Palette({0x000000, 0xFFFFFF});
    EXPECT_EQ(Convert(d.Build([](int, uint8_t*) {})).result, ClipboardNotBuilt);
    d.height = 1666;
    const Converted fits = Convert(d.Build([](int, uint8_t*) {}));
    EXPECT_EQ(fits.result, ClipboardConverted);
    EXPECT_EQ(fits.height, 1666);
}

TEST(ClipboardConvertTest, TruncatedBlocksAreRefusedWithoutReadingPastThem)
{
    DibBuilder d{7, 5, 8};
    d.extra.assign(256 * 4, 0x40);
    const auto full = d.Build([](int r, uint8_t* row) { std::memset(row, r, 8); });
    // Shorter than a header, or a header size beyond the block or below 40.
    for (size_t n : {size_t(1), size_t(39)}) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + n);
        EXPECT_EQ(Convert(cut).result, ClipboardNotAccepted) << n;
    }
    auto badHeader = full;
    Put32(badHeader, 0, 12);
    EXPECT_EQ(Convert(badHeader).result, ClipboardNotAccepted);
    Put32(badHeader, 0, uint32_t(full.size() + 1));
    EXPECT_EQ(Convert(badHeader).result, ClipboardNotAccepted);
    // Every cut inside the palette or the rows is refused; copies keep ASan watching the end.
    const size_t lastRowUnpadded = full.size() - 1;  // 7 pixels, one padding byte
    for (size_t n = 40; n < full.size(); ++n) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + n);
        const int expected = n >= lastRowUnpadded ? ClipboardConverted : ClipboardNotBuilt;
        ASSERT_EQ(Convert(cut).result, expected) << n;
    }
    // A palette count that reaches past the block.
    auto hugePalette = full;
    Put32(hugePalette, 32, 0xFFFFFFFF);
    EXPECT_EQ(Convert(hugePalette).result, ClipboardNotBuilt);
}

TEST(ClipboardConvertTest, FailureLeavesThePreviousPictureAlone)
{
    Converted c = Convert(DibBuilder{2, 2, 24}.Build([](int, uint8_t* row) { row[0] = 9; }));
    ASSERT_EQ(c.result, ClipboardConverted);
    uint8_t* before = c.image.dib;
    const auto bad = DibBuilder{2, 2, 8, 1}.Build([](int, uint8_t*) {});
    EXPECT_EQ(ConvertClipboardImage(bad.data(), bad.size(), c.image, c.width, c.height), ClipboardNotAccepted);
    EXPECT_EQ(c.image.dib, before);
    EXPECT_EQ(c.width, 2);
}

TEST(ClipboardCopyBlockTest, HeaderAndRowsOfTheTarget)
{
    TargetImage target;
    target.width = 1024;
    target.height = 768;
    for (int r = 0; r < 768; ++r)
        target.pixels[size_t(r) * 1024 * 3] = uint8_t(r);
    const std::vector<uint8_t> block = BuildTargetDib(target);
    ASSERT_EQ(block.size(), 2359336u);
    const uint8_t expected[40] = {40, 0, 0, 0, 0, 4, 0, 0, 0, 3, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                                  0, 0, 0x24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(block.data(), expected, 40), 0);
    for (int r = 0; r < 768; r += 97)
        EXPECT_EQ(block[40 + size_t(r) * 3072], uint8_t(r));

    // A width that is no multiple of 4 still gives padded rows, and the block converts back.
    target.width = 5;
    target.height = 3;
    for (int i = 0; i < 45; ++i)
        target.pixels[i] = uint8_t(i + 1);
    const std::vector<uint8_t> small = BuildTargetDib(target);
    ASSERT_EQ(small.size(), 40u + 16 * 3);
    EXPECT_EQ(Get32(small.data() + 20), 48u);
    Converted back = Convert(small);
    ExpectPlain24(back, 5, 3);
    EXPECT_EQ(std::memcmp(back.image.dib + 40, small.data() + 40, 48), 0);
}

}  // namespace
