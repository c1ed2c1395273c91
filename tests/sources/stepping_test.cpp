#include <gtest/gtest.h>

#include "doc_fakes.h"
#include "file_rules.h"

namespace {

using namespace docfakes;

constexpr const char* LastFileQuestion = "Last file in this directory \nDo you want to go back to the beginning ?";
constexpr const char* NoImageFiles = "Image files not found in this directory.";

class SteppingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WritePicture(dir.Path("a.jpg"), ImageContainer::Jpeg, 8, 6);
        WritePicture(dir.Path("b.png"), ImageContainer::Png, 9, 6);
        WriteBytes(dir.Path("notes.txt"), {'h', 'i'});
        WriteTga(dir.Path("c.tga"), 10, 6, {7, 7, 7});
        for (const std::string& name : ListFolderEntries(dir.Path()))
            if (IsImageFileName(name))
                images.push_back(name);
        ASSERT_EQ(images, (std::vector<std::string>{"a.jpg", "b.png", "c.tga"}));
        ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("b.png")));
        rig.AddSolidSource(4, 4, {9, 9, 9});
    }

    std::string Slot1Name() const { return FileNameOf(rig.doc.path[0]); }

    TempFolder dir;
    DocRig rig;
    std::vector<std::string> images;
};

TEST_F(SteppingTest, NextWalksTheImageFilesThenAsksAtTheEnd)
{
    for (int i = 0; i < 3; ++i) {
        rig.doc.StepSourceInDirectory(1, +1);
        EXPECT_EQ(Slot1Name(), images[i]);
        EXPECT_EQ(rig.doc.dirPosition[0], i + 1);
    }
    EXPECT_TRUE(rig.prompts.asked.empty());
    EXPECT_GT(rig.engine->target.width, 0);  // the step recomputed the target

    // No: the last image file reached comes again, never the text file.
    rig.prompts.answers = {false};
    WriteTga(dir.Path(images[2]), 3, 3, {7, 7, 7});  // changed on disk meanwhile
    rig.doc.StepSourceInDirectory(1, +1);
    EXPECT_EQ(rig.prompts.asked, std::vector<std::string>{LastFileQuestion});
    EXPECT_EQ(Slot1Name(), images[2]);
    EXPECT_EQ(rig.doc.Width(1), 3);
    EXPECT_EQ(rig.doc.dirPosition[0], 3);

    // Yes: back to the first image file.
    rig.prompts.answers = {true};
    rig.doc.StepSourceInDirectory(1, +1);
    EXPECT_EQ(Slot1Name(), images[0]);
    EXPECT_EQ(rig.doc.dirPosition[0], 1);
    EXPECT_TRUE(rig.prompts.shown.empty());
}

TEST_F(SteppingTest, PreviousStopsAtTheFirstFile)
{
    // With position 0 both directions reach the first image file.
    rig.doc.StepSourceInDirectory(1, -1);
    EXPECT_EQ(Slot1Name(), images[0]);
    EXPECT_EQ(rig.doc.dirPosition[0], 1);
    rig.doc.StepSourceInDirectory(1, +1);
    rig.doc.StepSourceInDirectory(1, -1);
    EXPECT_EQ(Slot1Name(), images[0]);
    rig.doc.StepSourceInDirectory(1, -1);
    EXPECT_EQ(Slot1Name(), images[0]);
    EXPECT_EQ(rig.doc.dirPosition[0], 1);
    EXPECT_EQ(rig.doc.dirPosition[1], 0);
}

TEST_F(SteppingTest, EntriesOpenByTheirNameAndShowLowerCase)
{
    fs::remove(dir.Path("a.jpg"));
    fs::remove(dir.Path("c.tga"));
    WritePicture(dir.Path("PHOTO.JPG"), ImageContainer::Jpeg, 5, 5);
    int position = 0;
    for (const std::string& name : ListFolderEntries(dir.Path()))
        if (IsImageFileName(LowerCase(name)) && (++position, name == "PHOTO.JPG"))
            break;
    rig.doc.dirPosition[0] = position - 1;
    rig.doc.StepSourceInDirectory(1, +1);
    EXPECT_EQ(Slot1Name(), "PHOTO.JPG");
    EXPECT_EQ(rig.listener.names[1], dir.Path("photo.jpg"));
    EXPECT_EQ(rig.doc.Width(1), 5);
}

TEST_F(SteppingTest, StepsGoInNaturalOrderAndOpenEverySuffixUsersHave)
{
    fs::remove(dir.Path("a.jpg"));
    fs::remove(dir.Path("c.tga"));
    WritePicture(dir.Path("img10.JPEG"), ImageContainer::Jpeg, 5, 5);
    WritePicture(dir.Path("IMG9.tiff"), ImageContainer::Tiff, 4, 4);
    WritePicture(dir.Path("img9.jpe"), ImageContainer::Jpeg, 3, 3);
    const std::vector<std::string> order = {"b.png", "img9.jpe", "IMG9.tiff", "img10.JPEG"};
    EXPECT_EQ(ListFolderEntries(dir.Path()), (std::vector<std::string>{"b.png", "img9.jpe", "IMG9.tiff", "img10.JPEG", "notes.txt"}));
    rig.doc.dirPosition[0] = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        rig.doc.StepSourceInDirectory(1, +1);
        EXPECT_EQ(Slot1Name(), order[i]);
    }
    EXPECT_EQ(rig.doc.Width(1), 5);
    EXPECT_TRUE(rig.prompts.shown.empty());
}

TEST_F(SteppingTest, FolderNamedLikeAPictureFailsToOpenAndKeepsTheSlot)
{
    fs::remove(dir.Path("a.jpg"));
    fs::remove(dir.Path("c.tga"));
    fs::create_directory(dir.Path("old.png"));
    // In folder order b.png comes first, then the folder.
    rig.doc.StepSourceInDirectory(1, +1);
    const uint8_t* block = rig.doc.image[0].dib;
    rig.doc.StepSourceInDirectory(1, +1);
    ASSERT_EQ(rig.prompts.shown.size(), 1u);
    EXPECT_EQ(rig.prompts.shown[0].second, PromptKind::Stop);
    EXPECT_EQ(Slot1Name(), "b.png");
    EXPECT_EQ(rig.doc.image[0].dib, block);
    EXPECT_EQ(rig.doc.dirPosition[0], 2);
}

TEST_F(SteppingTest, NothingToStepTo)
{
    rig.doc.StepSourceInDirectory(2, +1);  // a source from no file
    fs::remove(dir.Path("b.png"));
    rig.doc.StepSourceInDirectory(1, +1);  // its file is gone
    EXPECT_TRUE(rig.prompts.shown.empty());
    EXPECT_EQ(rig.doc.dirPosition[0], 0);

    // A folder whose names end in no image suffix: a message, not an endless question.
    TempFolder other;
    WriteBytes(other.Path("scan.xbmp"), {1});
    rig.doc.path[0] = other.Path("scan.xbmp");
    rig.doc.StepSourceInDirectory(1, +1);
    EXPECT_EQ(rig.Messages(), std::vector<std::string>{NoImageFiles});
    EXPECT_TRUE(rig.prompts.asked.empty());
}

TEST_F(SteppingTest, EnabledOnlyForFilesWithTwoSources)
{
    EXPECT_TRUE(rig.doc.CanStepSource(1));
    EXPECT_FALSE(rig.doc.CanStepSource(2));
    rig.doc.sourceCount = 1;
    EXPECT_FALSE(rig.doc.CanStepSource(1));
}

TEST(SteppingFifoTest, AFifoIsRefusedLikeAFolder)
{
    HangGuard guard;
    TempFolder dir;
    DocRig rig;
    WritePicture(dir.Path("a.png"), ImageContainer::Png, 5, 5);
    ASSERT_EQ(::mkfifo(dir.Path("fifo.png").c_str(), 0600), 0);
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("a.png")));
    rig.AddSolidSource(4, 4, {});
    // Two steps reach both entries, in whichever order the folder lists them.
    rig.doc.StepSourceInDirectory(1, +1);
    rig.doc.StepSourceInDirectory(1, +1);
    ASSERT_EQ(rig.prompts.shown.size(), 1u);
    EXPECT_EQ(rig.prompts.shown[0].second, PromptKind::Stop);
    EXPECT_EQ(rig.doc.Width(1), 5);
}

}  // namespace
