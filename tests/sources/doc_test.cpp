#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "cbrindordoc.h"
#include "engine.h"

namespace {

uint32_t Read32(const uint8_t* p) { return uint32_t(p[0]) | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

struct ScriptedChooser : SlotChooser {
    SourceIndex answer = 0;
    int asked = 0;
    std::string lastText;
    SourceIndex ChooseSlotToReplace(const std::string& text) override
    {
        ++asked;
        lastText = text;
        return answer;
    }
};

struct RecordingListener : DocumentListener {
    std::vector<bool> startButtons;
    void StartButtonsNeeded(bool needed) override { startButtons.push_back(needed); }
};

TEST(SourceImageTest, FiveByThreeBlockAndMask)
{
    SourceImage img;
    ASSERT_TRUE(AllocateSourceImage(img, 5, 3, 24));
    EXPECT_TRUE(img.allocated);
    EXPECT_EQ(SourceRowSize(5, 24), 16u);
    EXPECT_EQ(Read32(img.dib + 0), 40u);
    EXPECT_EQ(DibWidth(img.dib), 5);
    EXPECT_EQ(DibHeight(img.dib), 3);
    EXPECT_EQ(DibBitCount(img.dib), 24);
    EXPECT_EQ(img.dib[12], 1);  // planes
    EXPECT_EQ(DibCompression(img.dib), 0u);
    EXPECT_EQ(Read32(img.dib + 20), 48u);  // biSizeImage
    EXPECT_EQ(Read32(img.dib + 32), 0u);   // no palette at 24 bits
    // Block of 102 bytes: everything past the header is zero.
    for (int i = 40; i < 102; ++i)
        ASSERT_EQ(img.dib[i], 0) << i;
    ASSERT_EQ(img.maskSize, 15);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(img.mask[i], 1);
}

// A block whose rows the decoder writes itself: once the pixels are written it reads exactly
// as a cleared block given the same pixels, padding and slack zero even over dirty memory.
TEST(SourceImageTest, BlockForWrittenRowsLeavesNoUndefinedByte)
{
    for (int round = 0; round < 4; ++round) {
        const int width = 5 + round, height = 3;
        const size_t stride = SourceRowSize(width, 24);
        const size_t blockSize = stride * height + SourceBlockOverhead;
        // Freed blocks of the same size, full of stray bytes, for the next allocation to reuse.
        std::vector<void*> dirty;
        for (int i = 0; i < 4; ++i)
            dirty.push_back(std::memset(std::malloc(blockSize), 0xEE, blockSize));
        for (void* d : dirty)
            std::free(d);
        SourceImage written, cleared;
        ASSERT_TRUE(AllocateSourceImage(written, width, height, 24, true));
        ASSERT_TRUE(AllocateSourceImage(cleared, width, height, 24));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 3 * width; ++x) {
                const uint8_t value = uint8_t(7 * x + 31 * y + 1);
                cleared.dib[SourceHeaderSize + y * stride + x] = value;
                written.dib[SourceHeaderSize + y * stride + x] = value;
            }
        EXPECT_EQ(0, std::memcmp(cleared.dib, written.dib, blockSize)) << "width " << width;
        EXPECT_EQ(0, std::memcmp(cleared.mask, written.mask, size_t(width) * height));
    }
}

TEST(SourceImageTest, PaletteDepthsRowsAndClrUsed)
{
    SourceImage img;
    EXPECT_EQ(SourceRowSize(9, 1), 4u);
    EXPECT_EQ(SourceRowSize(33, 1), 8u);
    EXPECT_EQ(SourceRowSize(9, 4), 8u);
    EXPECT_EQ(SourceRowSize(5, 8), 8u);
    ASSERT_TRUE(AllocateSourceImage(img, 3, 2, 8));
    EXPECT_EQ(Read32(img.dib + 32), 256u);
    EXPECT_EQ(Read32(img.dib + 20), 8u);
    EXPECT_FALSE(AllocateSourceImage(img, 3, 2, 16));
    EXPECT_EQ(img.dib, nullptr);
    EXPECT_FALSE(img.allocated);
}

TEST(SourceImageTest, SizeLimits)
{
    SourceImage img;
    // 20000 x 3333 at 24 bits is a block of 199,980,054 bytes: accepted.
    EXPECT_TRUE(AllocateSourceImage(img, 20000, 3333, 24));
    ReleaseSourceImage(img);
    EXPECT_FALSE(AllocateSourceImage(img, 20001, 1, 24));
    EXPECT_FALSE(AllocateSourceImage(img, 1, 20001, 24));
    // 20000 x 3334 needs 200,040,054 bytes: refused.
    EXPECT_FALSE(AllocateSourceImage(img, 20000, 3334, 24));
    EXPECT_FALSE(AllocateSourceImage(img, -1, 5, 24));
    EXPECT_FALSE(AllocateSourceImage(img, 5, -1, 24));
    EXPECT_EQ(img.dib, nullptr);
    EXPECT_EQ(img.mask, nullptr);
}

TEST(SourceImageTest, EmptyPictureAndRelease)
{
    SourceImage img;
    ASSERT_TRUE(AllocateSourceImage(img, 0, 0, 24));
    EXPECT_EQ(img.maskSize, 0);
    EXPECT_EQ(Read32(img.dib + 20), 0u);
    ReleaseSourceImage(img);
    EXPECT_EQ(img.dib, nullptr);
    EXPECT_FALSE(img.allocated);
    ReleaseSourceImage(img);  // a second release does nothing

    SourceImage a;
    ASSERT_TRUE(AllocateSourceImage(a, 2, 2, 24));
    SourceImage b = std::move(a);
    EXPECT_EQ(a.dib, nullptr);
    EXPECT_TRUE(b.allocated);
}

TEST(CbrindorDocTest, ThreeSourcesInARow)
{
    CbrindorDoc doc;
    ScriptedChooser chooser;
    doc.SetSlotChooser(&chooser);

    SlotChoice first = doc.ChooseSlotForNewSource();
    EXPECT_EQ(first.slot, 1);
    EXPECT_FALSE(first.replacing);
    SlotChoice second = doc.ChooseSlotForNewSource();
    EXPECT_EQ(second.slot, 2);
    EXPECT_FALSE(second.replacing);
    EXPECT_EQ(chooser.asked, 0);

    chooser.answer = 0;
    SlotChoice third = doc.ChooseSlotForNewSource();
    EXPECT_TRUE(third.Abandoned());
    EXPECT_EQ(doc.sourceCount, 2);
    EXPECT_EQ(chooser.lastText,
              "No more than two source images allowed.\nYou have the choice to replace one of them.");
    doc.AbandonNewSource(third);  // a cancelled choice gives nothing back
    EXPECT_EQ(doc.sourceCount, 2);

    chooser.answer = 2;
    SlotChoice replace = doc.ChooseSlotForNewSource();
    EXPECT_EQ(replace.slot, 2);
    EXPECT_TRUE(replace.replacing);
    doc.AbandonNewSource(replace);  // replacing never lowers the count
    EXPECT_EQ(doc.sourceCount, 2);
    EXPECT_EQ(chooser.asked, 2);
}

TEST(CbrindorDocTest, AbandonedFirstFillGivesItsCountBack)
{
    CbrindorDoc doc;
    SlotChoice first = doc.ChooseSlotForNewSource();
    doc.AbandonNewSource(first);
    EXPECT_EQ(doc.sourceCount, 0);
    EXPECT_EQ(doc.ChooseSlotForNewSource().slot, 1);
}

TEST(CbrindorDocTest, SourceViewReadsTheSlots)
{
    CbrindorDoc doc;
    EXPECT_EQ(doc.Pixels(1), nullptr);
    EXPECT_EQ(doc.Width(2), 1);
    DecodedPicture pic;
    ASSERT_TRUE(AllocateSourceImage(pic.image, 3, 2, 24));
    pic.width = 3;
    pic.height = 2;
    uint8_t* block = pic.image.dib;
    doc.StoreSourcePicture(2, std::move(pic));
    EXPECT_EQ(doc.Pixels(2), block + 40);
    EXPECT_EQ(doc.Stride(2), 12);
    EXPECT_EQ(doc.Width(2), 3);
    EXPECT_EQ(doc.Height(2), 2);
    EXPECT_EQ(doc.Mask(2)[5], 1);
    EXPECT_EQ(doc.Pixels(1), nullptr);
}

TEST(CbrindorDocTest, RefreshComposesOnlyWithTwoSources)
{
    CbrindorDoc doc;
    Engine engine(doc);
    engine.canvasRect = {0, 0, 16, 8};
    doc.SetEngine(&engine);
    RecordingListener listener;
    doc.SetListener(&listener);
    DecodedPicture pic;
    ASSERT_TRUE(AllocateSourceImage(pic.image, 4, 4, 24));
    pic.width = pic.height = 4;
    doc.StoreSourcePicture(doc.ChooseSlotForNewSource().slot, std::move(pic));
    doc.RefreshAfterSourceChange();
    EXPECT_EQ(engine.target.width, 0);
    ASSERT_TRUE(AllocateSourceImage(pic.image, 4, 4, 24));
    doc.StoreSourcePicture(doc.ChooseSlotForNewSource().slot, std::move(pic));
    doc.RefreshAfterSourceChange();
    EXPECT_EQ(listener.startButtons, (std::vector<bool>{true, false}));
    EXPECT_EQ(engine.target.width, 16);
    EXPECT_EQ(engine.target.height, 8);
}

TEST(CbrindorDocTest, SlotTextIsCut)
{
    std::string into;
    CbrindorDoc::CopySlotText(into, std::string(9000, 'x'));
    EXPECT_EQ(into.size(), MaxSlotText);
}

}  // namespace
