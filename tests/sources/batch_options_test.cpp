// The window batch's options on a temporary folder: where and how outputs are written, what
// happens to existing ones, problems held for one summary, the dry run and Cancel.
#include <gtest/gtest.h>

#include <algorithm>

#include "batch_report.h"
#include "doc_fakes.h"
#include "file_rules.h"

namespace {

using namespace docfakes;

// A host that answers the dialog with given options and records what the run reports.
struct OptionsHost : BatchHost {
    BatchOptions options;
    bool approve = true;
    size_t cancelAt = 0;  // Cancel is down once this many files were begun; never when 0
    std::vector<std::string> counts;
    std::vector<std::string> planned;  // "input>output|note" per planned file
    std::vector<BatchProgress> progress;
    std::string summary, log;
    int ended = 0;

    bool ConfirmBatch(const std::string&) override { return true; }
    bool ConfirmBatchOptions(const std::string&, BatchOptions& chosen) override
    {
        chosen = options;
        return true;
    }
    bool ApproveBatchPlan(const BatchPlan& plan) override
    {
        for (const PlannedFile& f : plan.files)
            planned.push_back(f.listedName + ">" + (f.Writes() ? f.outputName : "") + "|" + PlanNote(f));
        return approve;
    }
    void PumpEvents() override {}
    bool EscapeDown() override { return false; }
    void ShowFileCount(const std::string& text) override { counts.push_back(text); }
    void ShowBatchProgress(const BatchProgress& p) override { progress.push_back(p); }
    void EndBatchProgress() override { ++ended; }
    bool CancelRequested() override { return cancelAt > 0 && progress.size() >= cancelAt; }
    bool ShowBatchSummary(const BatchReport& report) override
    {
        summary = report.Summary();
        log = report.Log();
        return true;
    }
};

std::vector<std::string> Sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

ImageContainer Sniff(const std::string& path)
{
    const std::vector<uint8_t> head = ReadBytes(path);
    return SniffContainer(head.data(), head.size());
}

class BatchOptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WritePicture(dir.Path("A.JPG"), ImageContainer::Jpeg, 40, 30,
                     [](int r, int c) { return Bgr{uint8_t(r * 7), uint8_t(c * 5), 90}; });
        WritePicture(dir.Path("b.png"), ImageContainer::Png, 32, 24, Solid({20, 200, 50}));
        rig.AddSolidSource(30, 10, {255, 255, 255});
        ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("b.png")));
    }
    std::string Out(const std::string& name = "") const { return dir.Path("output/" + name); }

    TempFolder dir;
    DocRig rig;
    OptionsHost host;
};

TEST(BatchOptionsStore, NewUserReportsAtEndAndChoicesAreKept)
{
    FakeSettings store;
    BatchOptions expected;
    expected.reportAtEnd = true;
    expected.keepOwnSize = true;
    EXPECT_EQ(LoadBatchOptions(store), expected);
    EXPECT_FALSE(BatchOptions{}.reportAtEnd);

    BatchOptions chosen{"/elsewhere", BatchFormat::Tga, 35, ExistingOutput::NewName, false, true, true};
    chosen.stripMetadata = true;
    SaveBatchOptions(store, chosen);
    EXPECT_EQ(LoadBatchOptions(store), chosen);

    // Values no dialog writes fall back to the defaults.
    store.ints["Batch/Output Format"] = 7;
    store.ints["Batch/JPEG Quality"] = 0;
    store.ints["Batch/When Output Exists"] = -1;
    const BatchOptions read = LoadBatchOptions(store);
    EXPECT_EQ(read.format, BatchFormat::SameAsInput);
    EXPECT_EQ(read.jpegQuality, DefaultJpegQuality);
    EXPECT_EQ(read.whenExists, ExistingOutput::Overwrite);
}

TEST(BatchOptionsNames, FoldersFormatsAndNumberedNames)
{
    EXPECT_EQ(ResolveOutputFolder("/p/", ""), "/p/output/");
    EXPECT_EQ(ResolveOutputFolder("/p/", "out/x"), "/p/out/x/");
    EXPECT_EQ(ResolveOutputFolder("/p/", "/q/r/"), "/q/r/");
    EXPECT_TRUE(IsDefaultOutputFolder("/p/", "/p/output"));
    EXPECT_TRUE(IsDefaultOutputFolder("/p/", "output/"));
    EXPECT_FALSE(IsDefaultOutputFolder("/p/", "/p/output2"));
    EXPECT_EQ(OutputName(BatchFormat::SameAsInput, "a.jpg"), "a.jpg");
    EXPECT_EQ(OutputName(BatchFormat::Tiff, "a.b.jpg"), "a.b.tif");
    EXPECT_EQ(OutputExtension(BatchFormat::SameAsInput, "a.pcx"), "pcx");
    EXPECT_EQ(OutputExtension(BatchFormat::Jpeg, "a.pcx"), "jpg");
    // Long suffixes: kept as named, written in their format, replaced whole.
    EXPECT_EQ(OutputName(BatchFormat::SameAsInput, "a.jpeg"), "a.jpeg");
    EXPECT_EQ(OutputExtension(BatchFormat::SameAsInput, "a.jpeg"), "jpg");
    EXPECT_EQ(OutputExtension(BatchFormat::SameAsInput, "scan.tiff"), "tif");
    EXPECT_EQ(OutputName(BatchFormat::Png, "a.jpeg"), "a.png");
    EXPECT_EQ(NumberedName("x.png", 2), "x (2).png");
    EXPECT_EQ(NumberedName("my.pic.tga", 12), "my.pic (12).tga");
}

TEST(BatchProgressText, CountAndTimeLeft)
{
    EXPECT_LT(EstimateSecondsLeft(3.0, 0, 5), 0);
    EXPECT_DOUBLE_EQ(EstimateSecondsLeft(3.0, 2, 5), 4.5);
    EXPECT_EQ(ProgressText({1, 5, "a.png", -1}), "Merging a.png\nFile 1 of 5");
    EXPECT_EQ(ProgressText({3, 5, "a.png", 4.5}), "Merging a.png\nFile 3 of 5, about 5 s left");
    EXPECT_EQ(ProgressText({3, 500, "a.png", 130}), "Merging a.png\nFile 3 of 500, about 2 min 10 s left");
}

TEST_F(BatchOptionsTest, FolderFormatAndQuality)
{
    host.options.outputFolder = "made/below";
    host.options.format = BatchFormat::Jpeg;
    host.options.jpegQuality = 10;
    rig.doc.RunBatchMerge(host);
    const std::string low = dir.Path("made/below/");
    EXPECT_EQ(Sorted(ListFolderEntries(low)), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_EQ(Sniff(low + "b.jpg"), ImageContainer::Jpeg);
    EXPECT_FALSE(fs::exists(Out()));
    EXPECT_EQ(rig.doc.jpegQuality, DefaultJpegQuality);

    host.options.jpegQuality = 95;
    host.options.outputFolder = dir.Path("high");
    rig.doc.RunBatchMerge(host);
    EXPECT_LT(fs::file_size(low + "a.jpg"), fs::file_size(dir.Path("high/a.jpg")));

    host.options = {};
    host.options.format = BatchFormat::Tga;
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(Sorted(ListFolderEntries(Out())), (std::vector<std::string>{"a.tga", "b.tga"}));
    EXPECT_EQ(host.counts.back(), "Current file count = 2");
    EXPECT_EQ(rig.Messages().back(), "Batch merging is complete.");

    // Outputs over the inputs are refused before anything is written.
    rig.prompts.shown.clear();
    host.options.outputFolder = dir.Path();
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(rig.Messages().size(), 1u);
    EXPECT_EQ(Sorted(ListFolderEntries(dir.Path())),
              (std::vector<std::string>{"A.JPG", "b.png", "high", "made", "output"}));
}

TEST_F(BatchOptionsTest, ExistingOutputsKeptRenamedOrOverwritten)
{
    fs::create_directory(Out());
    WriteBytes(Out("b.png"), {7, 7, 7});
    WriteBytes(Out("b (2).png"), {8});

    host.options.whenExists = ExistingOutput::Skip;
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(ReadBytes(Out("b.png")), (std::vector<uint8_t>{7, 7, 7}));
    EXPECT_EQ(rig.Messages().back(), "Batch merging is complete.\n\nNot merged, as the output exists:\nb.png");
    EXPECT_EQ(host.counts.back(), "Current file count = 1");

    host.options.whenExists = ExistingOutput::NewName;
    host.options.dryRun = true;
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(Sniff(Out("b (3).png")), ImageContainer::Png);
    EXPECT_EQ(ReadBytes(Out("b (2).png")), std::vector<uint8_t>{8});
    EXPECT_EQ(Sniff(Out("a (2).jpg")), ImageContainer::Jpeg);  // a.jpg was written by the first run

    host.options = {};
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(Sniff(Out("b.png")), ImageContainer::Png);
    EXPECT_EQ(Sorted(ListFolderEntries(Out())),
              (std::vector<std::string>{"a (2).jpg", "a.jpg", "b (2).png", "b (3).png", "b.png"}));
}

TEST_F(BatchOptionsTest, DryRunListsBeforeWritingAndCancelWritesNothing)
{
    WritePicture(dir.Path("a.png"), ImageContainer::Png, 8, 8);
    fs::create_directory(Out());
    WriteBytes(Out("b.png"), {1});
    host.options.format = BatchFormat::Png;
    host.options.dryRun = true;
    host.approve = false;
    rig.doc.RunBatchMerge(host);
    // Which of A.JPG and a.png comes first is the listing's choice; the later one is skipped.
    const std::vector<std::string> planned = Sorted(host.planned);
    ASSERT_EQ(planned.size(), 3u);
    EXPECT_EQ(planned[0].substr(0, 6), "A.JPG>");
    EXPECT_EQ(planned[1].substr(0, 6), "a.png>");
    EXPECT_NE(planned[0].ends_with(">a.png|"), planned[1].ends_with(">a.png|"));
    for (size_t i : {0, 1})
        EXPECT_TRUE(planned[i].ends_with(">a.png|") || planned[i].ends_with(">|same output as an earlier file: skipped"))
            << planned[i];
    EXPECT_EQ(planned[2], "b.png>b.png|exists: overwritten");
    EXPECT_EQ(ListFolderEntries(Out()), std::vector<std::string>{"b.png"});
    EXPECT_TRUE(rig.prompts.shown.empty());
    EXPECT_TRUE(host.progress.empty());

    // The plain batch asks nothing before it writes.
    host.planned.clear();
    host.options.dryRun = false;
    rig.doc.RunBatchMerge(host);
    EXPECT_TRUE(host.planned.empty());
    EXPECT_EQ(Sniff(Out("b.png")), ImageContainer::Png);
}

TEST_F(BatchOptionsTest, ProblemsHeldForOneSummaryWithTheirLog)
{
    HangGuard guard;
    WriteBytes(dir.Path("bad.jpg"), {0xFF, 0xD8, 0xFF, 0xDB, 0, 0});
    fs::create_directory(dir.Path("old.png"));
    fs::create_directories(Out("b.png"));  // the output name taken by a folder: the write fails
    WritePicture(dir.Path("B.PNG"), ImageContainer::Png, 8, 8);
    host.options.reportAtEnd = true;
    rig.doc.RunBatchMerge(host);
    EXPECT_TRUE(rig.prompts.shown.empty());
    EXPECT_EQ(host.counts.back(), "Current file count = 1");
    EXPECT_EQ(host.summary.rfind("Batch merging is complete.\n\nNot merged, as the file could not be loaded:\n", 0), 0u)
        << host.summary;
    for (const char* name : {"\nbad.jpg\n", "\nold.png\n"})
        EXPECT_NE(host.summary.find(name), std::string::npos) << host.summary;
    EXPECT_NE(host.log.find("Not loaded: bad.jpg: Unable to load this image file"), std::string::npos) << host.log;
    EXPECT_NE(host.log.find("Not loaded: old.png: Cannot open"), std::string::npos) << host.log;
    EXPECT_NE(host.log.find(" -> " + Out("b.png") + ": Failed the file save!"), std::string::npos) << host.log;
    EXPECT_NE(host.log.find("Files written: 1 of 5"), std::string::npos) << host.log;
    EXPECT_NE(host.log.find("same output name as an earlier file: "), std::string::npos) << host.log;
    EXPECT_EQ(host.progress.size(), 5u);
    EXPECT_EQ(host.progress.back().index, 5);
    EXPECT_EQ(host.ended, 1);

    // Reported as they happen, the same problems each get their message.
    host.options.reportAtEnd = false;
    host.summary.clear();
    rig.doc.RunBatchMerge(host);
    EXPECT_TRUE(host.summary.empty());
    const std::vector<std::string> messages = rig.Messages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "Failed the file save!"), 1);
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "Unable to load this image file"), 1);
}

TEST_F(BatchOptionsTest, CancelStopsAfterTheCurrentFileWithoutAsking)
{
    WritePicture(dir.Path("c.png"), ImageContainer::Png, 8, 8);
    host.cancelAt = 1;
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(ListFolderEntries(Out()).size(), 1u);
    EXPECT_TRUE(rig.prompts.asked.empty());
    EXPECT_TRUE(rig.prompts.shown.empty());
    EXPECT_TRUE(host.counts.empty());
    EXPECT_EQ(host.ended, 1);

    // A stopped run that held problems still shows them.
    WriteBytes(dir.Path("bad.png"), {1, 2, 3});
    host.options.reportAtEnd = true;
    host.progress.clear();
    host.cancelAt = 4;
    rig.doc.RunBatchMerge(host);
    EXPECT_EQ(host.summary, "Batch merging was stopped.\n\nNot merged, as the file could not be loaded:\nbad.png");
    EXPECT_TRUE(rig.prompts.shown.empty());
}

}  // namespace
