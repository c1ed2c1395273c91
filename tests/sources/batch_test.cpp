#include <gtest/gtest.h>

#include <algorithm>

#include "doc_fakes.h"
#include "file_rules.h"

namespace {

using namespace docfakes;

constexpr const char* Complete = "Batch merging is complete.";
constexpr const char* QuitQuestion = "Do you really want to quit ?";

struct FakeBatchHost : BatchHost {
    bool confirm = true;
    std::vector<std::string> confirmed;
    std::deque<bool> escapes;  // Esc state per poll; up once the script runs out
    int pumps = 0;
    std::vector<std::string> counts;

    bool ConfirmBatch(const std::string& source2Path) override
    {
        confirmed.push_back(source2Path);
        return confirm;
    }
    void PumpEvents() override { ++pumps; }
    bool EscapeDown() override
    {
        if (escapes.empty())
            return false;
        const bool down = escapes.front();
        escapes.pop_front();
        return down;
    }
    void ShowFileCount(const std::string& text) override { counts.push_back(text); }
};

std::vector<std::string> SortedNames(const std::string& folder)
{
    std::vector<std::string> names = ListFolderEntries(folder);
    std::sort(names.begin(), names.end());
    return names;
}

ImageContainer Sniff(const std::string& path)
{
    const std::vector<uint8_t> head = ReadBytes(path);
    return SniffContainer(head.data(), head.size());
}

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WritePicture(dir.Path("A.JPG"), ImageContainer::Jpeg, 40, 30, Solid({200, 100, 50}));
        WritePicture(dir.Path("b.png"), ImageContainer::Png, 32, 24,
                     [](int r, int c) { return Bgr{uint8_t(r * 9), uint8_t(c * 7), 90}; });
        WriteBytes(dir.Path("notes.txt"), {'x'});
        rig.AddSolidSource(30, 10, {255, 255, 255});
        rig.engine->settings.scaleToTarget[0] = false;
        ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("b.png")));
    }

    std::string Output(const std::string& name = "") const { return dir.Path("output/" + name); }

    // The output file holds, pixel for pixel, source 1 merged with this file as source 2.
    void ExpectMergeOf(const std::string& output, const std::string& source)
    {
        ASSERT_TRUE(rig.doc.LoadSourceFile(2, source));
        rig.engine->UpdateSourceGeometry(2);
        rig.engine->PlaceSource(1);
        rig.engine->PlaceSource(2);
        rig.engine->ComposeTarget();
        DecodedImage written;
        ASSERT_TRUE(DecodeImageFile(output, written));
        const TargetImage& target = rig.engine->target;
        ASSERT_EQ(written.width, target.width);
        ASSERT_EQ(written.height, target.height);
        for (int y = 0; y < target.height; ++y)
            ASSERT_EQ(std::memcmp(written.StoredRow(y), target.pixels.data() + size_t(y) * target.width * 3,
                                  size_t(target.width) * 3),
                      0)
                << "stored row " << y;
    }

    TempFolder dir;
    DocRig rig;
    FakeBatchHost host;
};

TEST_F(BatchTest, WritesEachImageFileUnderItsLowerCasedName)
{
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(host.confirmed, std::vector<std::string>{dir.Path("b.png")});
    EXPECT_EQ(SortedNames(Output()), (std::vector<std::string>{"a.jpg", "b.png"}));
    EXPECT_EQ(Sniff(Output("a.jpg")), ImageContainer::Jpeg);
    EXPECT_EQ(Sniff(Output("b.png")), ImageContainer::Png);
    ASSERT_FALSE(host.counts.empty());
    EXPECT_EQ(host.counts.back(), "Current file count = 2");
    ASSERT_EQ(rig.prompts.shown.size(), 1u);
    EXPECT_EQ(rig.prompts.shown[0], (std::pair<std::string, PromptKind>{Complete, PromptKind::Information}));
    EXPECT_EQ(rig.doc.sourceCount, 2);

    // The file written is that file's merge with source 1.
    ExpectMergeOf(Output("b.png"), dir.Path("b.png"));

    // A second run overwrites the first run's files in the folder that now exists.
    fs::resize_file(Output("b.png"), 3);
    rig.prompts.shown.clear();
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(rig.Messages(), std::vector<std::string>{Complete});
    EXPECT_EQ(Sniff(Output("b.png")), ImageContainer::Png);
    EXPECT_EQ(SortedNames(Output()), (std::vector<std::string>{"a.jpg", "b.png"}));
}

TEST_F(BatchTest, BadFilesAreReportedSkippedAndNotCounted)
{
    HangGuard guard;
    WriteBytes(dir.Path("bad.jpg"), {0xFF, 0xD8, 0xFF, 0xDB, 0, 0});
    WriteTga(dir.Path("c.tga"), 12, 12, {0, 0, 255});
    fs::create_directory(dir.Path("old.png"));
    ASSERT_EQ(::mkfifo(dir.Path("fifo.png").c_str(), 0600), 0);
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(SortedNames(Output()), (std::vector<std::string>{"a.jpg", "b.png", "c.tga"}));
    EXPECT_EQ(host.counts.back(), "Current file count = 3");
    const std::vector<std::string> messages = rig.Messages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "Unable to load this image file"), 1);
    EXPECT_EQ(messages.back(), Complete);
    EXPECT_EQ(std::count_if(rig.prompts.shown.begin(), rig.prompts.shown.end(),
                            [](const auto& m) { return m.second == PromptKind::Stop; }),
              2);  // neither the folder old.png nor the FIFO can be opened
}

TEST_F(BatchTest, NamesDifferingInCaseWriteOnceAndTheLaterIsNamed)
{
    WritePicture(dir.Path("B.PNG"), ImageContainer::Png, 16, 12, Solid({0, 0, 255}));
    std::vector<std::string> listed;
    for (const std::string& name : ListFolderEntries(dir.Path()))
        if (LowerCase(name) == "b.png")
            listed.push_back(name);
    ASSERT_EQ(listed.size(), 2u);
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(host.counts.back(), "Current file count = 2");
    const std::vector<std::string> messages = rig.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind(Complete, 0), 0u);
    EXPECT_NE(messages[0].find("\n" + listed[1]), std::string::npos) << messages[0];
    EXPECT_EQ(messages[0].find("\n" + listed[0]), std::string::npos) << messages[0];
    ExpectMergeOf(Output("b.png"), dir.Path(listed[0]));
}

TEST_F(BatchTest, EscapeAsksAndYesStops)
{
    WritePicture(dir.Path("c.png"), ImageContainer::Png, 8, 8);
    // Esc is down after the first and the second file: No, then Yes.
    host.escapes = {true, true};
    rig.prompts.answers = {false, true};
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(rig.prompts.asked, (std::vector<std::string>{QuitQuestion, QuitQuestion}));
    EXPECT_EQ(ListFolderEntries(Output()).size(), 2u);
    EXPECT_EQ(host.counts, std::vector<std::string>{"Current file count = 1"});
    EXPECT_TRUE(rig.prompts.shown.empty());  // no completion message
    EXPECT_GE(host.pumps, 2);
}

TEST_F(BatchTest, RefusesWhatItCannotRun)
{
    host.confirm = false;
    rig.doc.RunBatchMerge(host);
    EXPECT_FALSE(fs::exists(Output()));
    EXPECT_TRUE(rig.prompts.shown.empty());

    // The output name taken by a file.
    host.confirm = true;
    WriteBytes(dir.Path("output"), {1});
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(rig.Messages(), std::vector<std::string>{"Cannot create batch directory ?"});
    fs::remove(dir.Path("output"));

    // Source 2's file removed.
    rig.prompts.shown.clear();
    fs::remove(dir.Path("b.png"));
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(rig.Messages(), std::vector<std::string>{"Can't continue as the source image file has been removed?"});
    EXPECT_FALSE(fs::exists(Output()));
}

TEST(BatchSourceTest, SourceTwoMustComeFromAFile)
{
    DocRig rig;
    FakeBatchHost host;
    rig.AddSolidSource(4, 4, {});
    rig.AddSolidSource(4, 4, {});
    rig.doc.RunBatchMerge(host);
    ASSERT_EQ(rig.prompts.shown.size(), 1u);
    EXPECT_EQ(rig.prompts.shown[0].first.substr(0, 42), "Batch Merging requires that the source 2 i");
    EXPECT_TRUE(host.confirmed.empty());
}

}  // namespace
