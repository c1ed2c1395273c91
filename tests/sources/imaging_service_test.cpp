#include <thread>

#include "canvas.h"
#include "imaging_support.h"

using namespace imaging_test;

namespace {

std::vector<uint8_t> Encoded(ImageContainer container, const Rgb& p)
{
    const std::vector<uint8_t> stored = ToStored(p);
    std::vector<uint8_t> out;
    std::string why;
    EXPECT_TRUE(EncodeImageMemory(out, container, RowsOf(stored, p.width, p.height), {}, &why)) << why;
    return out;
}

constexpr ImageContainer Lossless[] = {ImageContainer::Bmp, ImageContainer::Png, ImageContainer::Tiff};
constexpr ImageContainer AllDecodable[] = {ImageContainer::Jpeg, ImageContainer::Png, ImageContainer::Tiff};

}  // namespace

TEST(ImagingLimits, SlotLimitsFollowTheBlockSize)
{
    EXPECT_TRUE(FitsSourceLimits(1, 1));
    EXPECT_TRUE(FitsSourceLimits(20000, 3333));   // block 199,980,054 bytes
    EXPECT_FALSE(FitsSourceLimits(20000, 3334));  // block 200,040,054 bytes
    EXPECT_FALSE(FitsSourceLimits(20001, 1));
    EXPECT_FALSE(FitsSourceLimits(1, 20001));
    EXPECT_TRUE(FitsSourceLimits(1, 20000));
    EXPECT_FALSE(FitsSourceLimits(0, 10));
    EXPECT_FALSE(FitsSourceLimits(10, -1));
    EXPECT_FALSE(FitsSourceLimits(int64_t(1) << 40, 1));
    EXPECT_EQ(ImagingStride(1), 4u);
    EXPECT_EQ(ImagingStride(3), 12u);
    EXPECT_EQ(ImagingStride(4), 12u);
    EXPECT_EQ(ImagingStride(5), 16u);
}

TEST(ImagingSniff, ContentDecidesNotTheName)
{
    ScratchDir dir;
    const Rgb p = MakePicture(11, 6);
    // A PNG under a JPEG name and under a TIFF name, a JPEG with an upper-case name.
    WriteBytes(dir.File("photo.jpg"), Encoded(ImageContainer::Png, p));
    WriteBytes(dir.File("readme.tif"), Encoded(ImageContainer::Png, p));
    WriteBytes(dir.File("HOLIDAY.JPG"), Encoded(ImageContainer::Jpeg, p));
    WriteBytes(dir.File("no-extension"), Encoded(ImageContainer::Tiff, p));
    struct Case { const char* name; ImageContainer found; };
    for (const Case c : {Case{"photo.jpg", ImageContainer::Png}, Case{"readme.tif", ImageContainer::Png},
                         Case{"HOLIDAY.JPG", ImageContainer::Jpeg}, Case{"no-extension", ImageContainer::Tiff}}) {
        DecodedImage image;
        DecodeReport report;
        ASSERT_TRUE(DecodeImageFile(dir.File(c.name), image, &report)) << c.name << ": " << report.diagnostic;
        EXPECT_EQ(report.container, c.found) << c.name;
        EXPECT_EQ(image.width, 11);
        EXPECT_EQ(image.height, 6);
    }
}

TEST(ImagingSniff, MagicNumbersAndExtensions)
{
    struct Case { std::vector<uint8_t> head; ImageContainer found; };
    const Case cases[] = {
        {{0xFF, 0xD8, 0xFF, 0xE0}, ImageContainer::Jpeg},
        {{0xFF, 0xD8}, ImageContainer::Unknown},
        {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, ImageContainer::Png},
        {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A}, ImageContainer::Unknown},
        {{'I', 'I', 42, 0}, ImageContainer::Tiff},
        {{'M', 'M', 0, 42}, ImageContainer::Tiff},
        {{'I', 'I', 43, 0}, ImageContainer::Tiff},
        {{'M', 'M', 42, 0}, ImageContainer::Unknown},
        {{'B', 'M', 0, 0}, ImageContainer::Bmp},
        {{'G', 'I', 'F', '8', '9', 'a'}, ImageContainer::Unknown},
        {{}, ImageContainer::Unknown},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SniffContainer(c.head.data(), c.head.size()), c.found) << c.head.size() << " bytes";
    EXPECT_EQ(ContainerForExtension("JPG"), ImageContainer::Jpeg);
    EXPECT_EQ(ContainerForExtension("Tif"), ImageContainer::Tiff);
    EXPECT_EQ(ContainerForExtension("bmp"), ImageContainer::Bmp);
    EXPECT_EQ(ContainerForExtension("png"), ImageContainer::Png);
    EXPECT_EQ(ContainerForExtension("jpeg"), ImageContainer::Unknown);
    EXPECT_EQ(ContainerForExtension("tga"), ImageContainer::Unknown);
    EXPECT_EQ(ContainerForExtension(""), ImageContainer::Unknown);
}

TEST(ImagingDecode, WhatIsNoPictureFailsWithoutAllocating)
{
    ScratchDir dir;
    WriteBytes(dir.File("empty.png"), {});
    WriteBytes(dir.File("text.jpg"), std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', '\n'});
    std::vector<uint8_t> noise(4096);
    std::mt19937 random(11);
    for (uint8_t& b : noise)
        b = uint8_t(random());
    noise[0] = 'x';
    WriteBytes(dir.File("noise.bmp"), noise);
    std::filesystem::create_directory(dir.File("folder.png"));
    for (const char* name : {"empty.png", "text.jpg", "noise.bmp", "folder.png", "missing.png"}) {
        RecordingAllocator allocator;
        DecodeReport report;
        EXPECT_FALSE(DecodeImageFile(dir.File(name), allocator.Get(), &report)) << name;
        EXPECT_EQ(allocator.calls, 0) << name;
        EXPECT_FALSE(report.diagnostic.empty()) << name;
    }
    DecodedImage image;
    EXPECT_FALSE(DecodeImageMemory(nullptr, 10, image));
}

TEST(ImagingDecode, ARefusingAllocatorFailsTheDecode)
{
    for (ImageContainer container : AllDecodable) {
        const std::vector<uint8_t> bytes = Encoded(container, MakePicture(7, 5));
        RecordingAllocator allocator;
        allocator.refuse = true;
        DecodeReport report;
        EXPECT_FALSE(DecodeImageMemory(bytes.data(), bytes.size(), allocator.Get(), &report));
        EXPECT_EQ(allocator.calls, 1);
        EXPECT_EQ(allocator.width, 7);
        EXPECT_EQ(allocator.height, 5);
        EXPECT_EQ(report.container, container);
    }
}

TEST(ImagingDecode, FileAndMemoryGiveTheSamePixels)
{
    ScratchDir dir;
    for (ImageContainer container : AllDecodable) {
        const std::vector<uint8_t> bytes = Encoded(container, MakePicture(13, 9));
        WriteBytes(dir.File("f"), bytes);
        DecodedImage fromFile, fromMemory;
        ASSERT_TRUE(DecodeImageFile(dir.File("f"), fromFile));
        ASSERT_TRUE(DecodeImageMemory(bytes.data(), bytes.size(), fromMemory));
        EXPECT_EQ(fromFile.pixels, fromMemory.pixels);
    }
}

TEST(ImagingDecode, ThreadsDecodeAndEncodeAtOnce)
{
    ScratchDir dir;
    const Rgb p = MakePicture(64, 48);
    std::vector<std::vector<uint8_t>> files;
    for (ImageContainer container : AllDecodable)
        files.push_back(Encoded(container, p));
    DecodedImage reference[3];
    for (size_t i = 0; i < 3; ++i)
        ASSERT_TRUE(DecodeImageMemory(files[i].data(), files[i].size(), reference[i]));
    std::vector<int> mismatches(6, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&, t] {
            const size_t which = size_t(t) % 3;
            for (int round = 0; round < 20; ++round) {
                DecodedImage image;
                if (!DecodeImageMemory(files[which].data(), files[which].size(), image) ||
                    image.pixels != reference[which].pixels)
                    ++mismatches[t];
                const std::string path = dir.File("out" + std::to_string(t) + ".png");
                if (!EncodeImageFile(path, ImageContainer::Png, PixelRows{image.pixels.data(), 64, 48, image.Stride()}))
                    ++mismatches[t];
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(mismatches, std::vector<int>(6, 0));
}

TEST(ImagingEncode, LosslessRoundTripsAtOddWidths)
{
    ScratchDir dir;
    for (ImageContainer container : Lossless)
        for (int width : {1, 2, 3, 5, 31}) {
            const Rgb p = MakePicture(width, 3, uint32_t(width));
            const std::vector<uint8_t> stored = ToStored(p);
            std::string why;
            ASSERT_TRUE(EncodeImageFile(dir.File("r"), container, RowsOf(stored, width, 3), {}, &why)) << why;
            DecodedImage image;
            DecodeReport report;
            ASSERT_TRUE(DecodeImageFile(dir.File("r"), image, &report)) << report.diagnostic;
            EXPECT_EQ(report.container, container);
            EXPECT_EQ(MaxDifference(image, p), 0) << "width " << width;
        }
}

TEST(ImagingEncode, TheTargetIsWrittenAsStored)
{
    ScratchDir dir;
    TargetImage target;
    target.width = 8;
    target.height = 4;
    // Stored row 0 is the bottom of the picture: make it red, the rest blue.
    for (int r = 0; r < 4; ++r)
        for (int x = 0; x < 8; ++x) {
            uint8_t* px = target.pixels.data() + (size_t(r) * 8 + x) * 3;
            px[0] = r == 0 ? 0 : 255;
            px[2] = r == 0 ? 255 : 0;
        }
    ASSERT_TRUE(EncodeImageFile(dir.File("t.png"), ImageContainer::Png, target));
    DecodedImage image;
    ASSERT_TRUE(DecodeImageFile(dir.File("t.png"), image));
    EXPECT_EQ(PixelAt(image, 3, 3)[2], 255);  // bottom row red
    EXPECT_EQ(PixelAt(image, 3, 0)[0], 255);  // top row blue
}

TEST(ImagingEncode, AFailedWriteLeavesTheOldFileAndNoLeftovers)
{
    ScratchDir dir;
    const std::string path = dir.File("keep.jpg");
    WriteBytes(path, {'o', 'l', 'd'});
    // Too wide for JPEG: the encoder fails after the temporary file was made.
    std::vector<uint8_t> wide(size_t(65501) * 3, 128);
    std::string why;
    EXPECT_FALSE(EncodeImageFile(path, ImageContainer::Jpeg, PixelRows{wide.data(), 65501, 1, wide.size()}, {}, &why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"keep.jpg"});

    // A picture with nothing in it, a missing folder, a folder in the way: all fail cleanly.
    const Rgb p = MakePicture(4, 4);
    const std::vector<uint8_t> stored = ToStored(p);
    EXPECT_FALSE(EncodeImageFile(path, ImageContainer::Png, PixelRows{}));
    EXPECT_FALSE(EncodeImageFile(dir.File("no/such/x.png"), ImageContainer::Png, RowsOf(stored, 4, 4)));
    std::filesystem::create_directory(dir.File("taken.png"));
    EXPECT_FALSE(EncodeImageFile(dir.File("taken.png"), ImageContainer::Png, RowsOf(stored, 4, 4)));
    EXPECT_FALSE(EncodeImageFile(dir.File("x.gif"), ImageContainer::Unknown, RowsOf(stored, 4, 4)));
    EXPECT_EQ(ReadBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    std::vector<std::string> names = dir.Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"keep.jpg", "taken.png"}));

    // A good write replaces the file whole.
    ASSERT_TRUE(EncodeImageFile(path, ImageContainer::Jpeg, RowsOf(stored, 4, 4)));
    EXPECT_EQ(SniffContainer(ReadBytes(path).data(), 3), ImageContainer::Jpeg);
}
