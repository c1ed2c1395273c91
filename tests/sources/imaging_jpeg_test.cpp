#include <algorithm>

#include <turbojpeg.h>

#include "imaging_support.h"

using namespace imaging_test;

namespace {

// Compresses packed top-down pixels of the given TurboJPEG format straight through the library.
std::vector<uint8_t> Compress(const uint8_t* pixels, int width, int height, int pixelFormat, int subsampling,
                              int quality, int flags = 0)
{
    tjhandle handle = tjInitCompress();
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const int result = tjCompress2(handle, pixels, width, 0, height, pixelFormat, &buffer, &size, subsampling,
                                   quality, flags);
    std::vector<uint8_t> out;
    if (result == 0)
        out.assign(buffer, buffer + size);
    tjFree(buffer);
    tjDestroy(handle);
    EXPECT_EQ(result, 0);
    return out;
}

std::vector<uint8_t> CompressRgb(const Rgb& p, int quality = 100, int flags = 0)
{
    return Compress(p.rgb.data(), p.width, p.height, TJPF_RGB, TJSAMP_444, quality, flags);
}

// Offset of the first start-of-frame marker's height field.
size_t FrameSizeOffset(const std::vector<uint8_t>& jpeg)
{
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2))
            return i + 5;
    return 0;
}

// The start-of-scan marker.
constexpr uint8_t StartOfScan[] = {0xFF, 0xDA};

void SetFrameSize(std::vector<uint8_t>& jpeg, int width, int height)
{
    const size_t at = FrameSizeOffset(jpeg);
    ASSERT_NE(at, 0u);
    jpeg[at] = uint8_t(height >> 8);
    jpeg[at + 1] = uint8_t(height);
    jpeg[at + 2] = uint8_t(width >> 8);
    jpeg[at + 3] = uint8_t(width);
}

class JpegDecode : public ::testing::Test {
protected:
    DecodedImage image;
    DecodeReport report;

    bool Load(const std::vector<uint8_t>& bytes) { return DecodeImageMemory(bytes.data(), bytes.size(), image, &report); }
};

}  // namespace

TEST_F(JpegDecode, OddWidthsKeepTheirPixelsAndZeroPadding)
{
    for (int width : {1, 3, 5, 17, 31}) {
        const Rgb p = MakePicture(width, 9, uint32_t(width));
        ASSERT_TRUE(Load(CompressRgb(p))) << report.diagnostic;
        EXPECT_EQ(report.container, ImageContainer::Jpeg);
        EXPECT_LE(MaxDifference(image, p), 6) << "width " << width;
        EXPECT_TRUE(PaddingIsZero(image));
    }
    // Three pixels wide: 9 pixel bytes and 3 padding bytes per row.
    ASSERT_TRUE(Load(CompressRgb(MakePicture(3, 2))));
    EXPECT_EQ(image.Stride(), 12u);
    EXPECT_EQ(image.pixels.size(), 24u);
}

TEST_F(JpegDecode, RowsComeBottomUp)
{
    // Top half white, bottom half black: the first stored row must be black.
    Rgb p{8, 16, std::vector<uint8_t>(8 * 16 * 3, 0)};
    std::fill(p.rgb.begin(), p.rgb.begin() + 8 * 8 * 3, 255);
    ASSERT_TRUE(Load(CompressRgb(p)));
    EXPECT_LT(image.StoredRow(0)[0], 10);
    EXPECT_GT(image.StoredRow(15)[0], 245);
}

TEST_F(JpegDecode, GrayAndProgressiveAndSubsampledFilesDecode)
{
    const Rgb p = MakePicture(21, 13);
    std::vector<uint8_t> gray(size_t(p.width) * p.height);
    for (size_t i = 0; i < gray.size(); ++i)
        gray[i] = p.rgb[i * 3 + 1];
    ASSERT_TRUE(Load(Compress(gray.data(), p.width, p.height, TJPF_GRAY, TJSAMP_GRAY, 100)));
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* px = PixelAt(image, x, y);
            EXPECT_EQ(px[0], px[1]);
            EXPECT_EQ(px[1], px[2]);
            EXPECT_NEAR(px[1], p.At(x, y)[1], 3);
        }

    ASSERT_TRUE(Load(CompressRgb(p, 100, TJFLAG_PROGRESSIVE))) << report.diagnostic;
    EXPECT_LE(MaxDifference(image, p), 6);

    const Rgb smooth = MakeSmoothPicture(21, 13);
    ASSERT_TRUE(Load(Compress(smooth.rgb.data(), smooth.width, smooth.height, TJPF_RGB, TJSAMP_420, 95)));
    EXPECT_EQ(image.width, 21);
    EXPECT_EQ(image.height, 13);
    EXPECT_LE(MaxDifference(image, smooth), 8);
}

TEST_F(JpegDecode, CmykIsReadAsInvertedInks)
{
    // Left half: no cyan, full magenta, no yellow, no black (Adobe's inverted storage) = magenta.
    // Right half: every ink absent except black at half strength = mid gray.
    const int w = 16, h = 8;
    std::vector<uint8_t> cmyk(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = cmyk.data() + (size_t(y) * w + x) * 4;
            const bool left = x < w / 2;
            px[0] = 255;
            px[1] = left ? 0 : 255;
            px[2] = 255;
            px[3] = left ? 255 : 128;
        }
    ASSERT_TRUE(Load(Compress(cmyk.data(), w, h, TJPF_CMYK, TJSAMP_444, 100))) << report.diagnostic;
    const uint8_t* magenta = PixelAt(image, 2, 3);
    EXPECT_NEAR(magenta[2], 255, 4);
    EXPECT_NEAR(magenta[1], 0, 4);
    EXPECT_NEAR(magenta[0], 255, 4);
    const uint8_t* gray = PixelAt(image, 13, 3);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(gray[c], 128, 4);
}

TEST_F(JpegDecode, MissingDataFailsWhileHarmlessWarningsLoad)
{
    const Rgb p = MakePicture(64, 64);
    const std::vector<uint8_t> good = CompressRgb(p, 90);
    const std::vector<uint8_t> progressive = CompressRgb(p, 90, TJFLAG_PROGRESSIVE);
    // Cut in the image data: libjpeg would make the rest up in grey.
    for (const std::vector<uint8_t>* file : {&good, &progressive}) {
        const std::vector<uint8_t> cut(file->begin(), file->begin() + std::ptrdiff_t(file->size() / 2));
        EXPECT_FALSE(Load(cut));
        EXPECT_EQ(report.container, ImageContainer::Jpeg);
        EXPECT_FALSE(report.diagnostic.empty());
    }
    // Cut before the frame header or the first scan: nothing to show.
    for (size_t n : {size_t(2), size_t(3), size_t(20), FrameSizeOffset(good)}) {
        DecodedImage out;
        EXPECT_FALSE(DecodeImageMemory(good.data(), n, out)) << "cut at " << n;
        EXPECT_TRUE(out.pixels.empty());
    }
    // Stray bytes before a marker, or a lost end marker after the one scan, cost no pixel.
    DecodedImage whole;
    ASSERT_TRUE(DecodeImageMemory(good.data(), good.size(), whole));
    std::vector<uint8_t> stray = good;
    const size_t sos = size_t(std::search(stray.begin(), stray.end(), std::begin(StartOfScan), std::end(StartOfScan)) - stray.begin());
    ASSERT_LT(sos, stray.size());
    stray.insert(stray.begin() + std::ptrdiff_t(sos), {0x00, 0x11, 0x22});
    const std::vector<uint8_t> noEnd(good.begin(), good.end() - 2);
    for (const std::vector<uint8_t>* file : {static_cast<const std::vector<uint8_t>*>(&stray), &noEnd}) {
        ASSERT_TRUE(Load(*file)) << report.diagnostic;
        EXPECT_EQ(image.pixels, whole.pixels);
    }
}

TEST_F(JpegDecode, GarbageAfterTheMarkerFails)
{
    std::vector<uint8_t> bytes = {0xFF, 0xD8, 0xFF};
    std::mt19937 random(3);
    for (int i = 0; i < 500; ++i)
        bytes.push_back(uint8_t(random()));
    EXPECT_FALSE(Load(bytes));
    EXPECT_EQ(report.container, ImageContainer::Jpeg);
    EXPECT_FALSE(report.diagnostic.empty());
}

TEST_F(JpegDecode, OversizedFrameIsRefusedBeforeAnyAllocation)
{
    std::vector<uint8_t> bytes = CompressRgb(MakePicture(8, 8));
    // The last size fits a slot but not the few bytes of data behind it.
    for (auto [w, h] : {std::pair{30000, 30000}, std::pair{20001, 8}, std::pair{20000, 3334}, std::pair{20000, 3333}}) {
        SetFrameSize(bytes, w, h);
        RecordingAllocator allocator;
        DecodeReport big;
        EXPECT_FALSE(DecodeImageMemory(bytes.data(), bytes.size(), allocator.Get(), &big));
        EXPECT_EQ(allocator.calls, 0);
        EXPECT_EQ(big.width, w);
        EXPECT_EQ(big.height, h);
    }
}

TEST_F(JpegDecode, EveryTruncationAndFlipIsSurvived)
{
    const std::vector<uint8_t> good = CompressRgb(MakePicture(19, 11), 80, TJFLAG_PROGRESSIVE);
    for (size_t cut = 0; cut < good.size(); ++cut) {
        DecodedImage out;
        if (DecodeImageMemory(good.data(), cut, out)) {
            EXPECT_EQ(out.width, 19);
            EXPECT_EQ(out.height, 11);
            EXPECT_TRUE(PaddingIsZero(out));
        }
    }
    for (size_t i = 0; i < good.size(); ++i) {
        std::vector<uint8_t> bytes = good;
        bytes[i] ^= 0x5A;
        DecodedImage out;
        if (DecodeImageMemory(bytes.data(), bytes.size(), out)) {
            EXPECT_TRUE(FitsSourceLimits(out.width, out.height));
            EXPECT_EQ(out.pixels.size(), out.Stride() * size_t(out.height));
        }
    }
}

TEST(JpegEncode, QualityShapesTheFileAndDefaultsToNinety)
{
    const Rgb p = MakeSmoothPicture(48, 32);
    const std::vector<uint8_t> stored = ToStored(p);
    std::vector<uint8_t> low, high, byDefault, ninety;
    ASSERT_TRUE(EncodeImageMemory(low, ImageContainer::Jpeg, RowsOf(stored, 48, 32), EncodeOptions{20}));
    ASSERT_TRUE(EncodeImageMemory(high, ImageContainer::Jpeg, RowsOf(stored, 48, 32), EncodeOptions{98}));
    ASSERT_TRUE(EncodeImageMemory(byDefault, ImageContainer::Jpeg, RowsOf(stored, 48, 32)));
    ASSERT_TRUE(EncodeImageMemory(ninety, ImageContainer::Jpeg, RowsOf(stored, 48, 32), EncodeOptions{90}));
    EXPECT_LT(low.size(), high.size());
    EXPECT_EQ(byDefault, ninety);

    DecodedImage image;
    ASSERT_TRUE(DecodeImageMemory(high.data(), high.size(), image));
    EXPECT_LE(MaxDifference(image, p), 8);
    // Out-of-range qualities are clamped rather than refused.
    std::vector<uint8_t> clamped;
    EXPECT_TRUE(EncodeImageMemory(clamped, ImageContainer::Jpeg, RowsOf(stored, 48, 32), EncodeOptions{500}));
}
