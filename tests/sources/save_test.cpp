#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "doc_fakes.h"
#include "file_rules.h"
#include "raster_image.h"

namespace {

using namespace docfakes;

constexpr const char* FailedFileSave = "Failed the file save!";

// Gives the engine a small patterned target, as a composition would leave it.
void PaintTarget(Engine& engine, int width, int height)
{
    engine.target.Resize(width, height);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            testutils::SetTargetPixel(engine.target, r, c, Bgr{uint8_t(r * 40), uint8_t(c * 30), uint8_t(r + c)});
}

ImageContainer Sniff(const std::string& path)
{
    const std::vector<uint8_t> head = ReadBytes(path);
    return SniffContainer(head.data(), head.size());
}

// Compares a decoded 24-bit bottom-up picture with the target, pixel by pixel.
std::string CompareWithTarget(const TargetImage& target, int width, int height, size_t stride, const uint8_t* bottom)
{
    if (width != target.width || height != target.height)
        return "size " + std::to_string(width) + "x" + std::to_string(height);
    for (int y = 0; y < height; ++y)
        if (std::memcmp(bottom + y * stride, target.pixels.data() + size_t(y) * width * 3, size_t(width) * 3) != 0)
            return "stored row " + std::to_string(y);
    return {};
}

class SaveTest : public ::testing::Test {
protected:
    SaveTest()
    {
        rig.AddSolidSource(8, 8, {1, 2, 3});
        rig.AddSolidSource(8, 8, {4, 5, 6});
        PaintTarget(*rig.engine, 12, 5);
    }
    TempFolder dir;
    DocRig rig;
};

TEST(SaveNameTest, TypedExtensionWinsOverTheFilter)
{
    EXPECT_EQ(ResolveSaveName("/d/result", 3).path, "/d/result.png");
    EXPECT_EQ(ResolveSaveName("/d/result", 3).extension, "png");
    EXPECT_EQ(ResolveSaveName("/d/result.PNG", 2).path, "/d/result.PNG");
    EXPECT_EQ(ResolveSaveName("/d/result.PNG", 2).extension, "png");
    EXPECT_EQ(ResolveSaveName("/d/result.jpeg", 2).path, "/d/result.jpeg.jpg");
    EXPECT_EQ(ResolveSaveName("/d/result.jpeg", 2).extension, "jpg");
    EXPECT_EQ(ResolveSaveName("/d/my.photos/shot", 6).path, "/d/my.photos/shot.pcx");
    EXPECT_EQ(ResolveSaveName("/d/a.Tga", 1).extension, "tga");
    EXPECT_EQ(ResolveSaveName("/d/a.", 4).path, "/d/a..tif");
}

TEST_F(SaveTest, EveryFormatWritesTheWholeTarget)
{
    const TargetImage& target = rig.engine->target;
    for (const char* ext : {"png", "tif", "bmp", "tga", "pcx"}) {
        const std::string file = dir.Path(std::string("out.") + ext);
        ASSERT_TRUE(rig.doc.SaveTarget(file, ext)) << ext;
        std::string difference;
        if (std::string(ext) == "png" || std::string(ext) == "tif") {
            DecodedImage decoded;
            ASSERT_TRUE(DecodeImageFile(file, decoded)) << ext;
            difference = CompareWithTarget(target, decoded.width, decoded.height, decoded.Stride(), decoded.pixels.data());
        } else {
            RasterImage decoded(file.c_str(), FormatAuto);
            ASSERT_TRUE(decoded.HasImage()) << ext << ": " << decoded.ErrorText();
            ASSERT_EQ(decoded.BitsPerPixel(), 24u);
            difference = CompareWithTarget(target, int(decoded.Width()), int(decoded.Height()), decoded.RowStride(),
                                           decoded.PixelRow(0));
        }
        EXPECT_EQ(difference, "") << ext;
    }
    ASSERT_TRUE(rig.doc.SaveTarget(dir.Path("out.jpg"), "jpg"));
    EXPECT_EQ(Sniff(dir.Path("out.jpg")), ImageContainer::Jpeg);
    EXPECT_TRUE(rig.prompts.shown.empty());
}

TEST_F(SaveTest, FailedWritesAreReportedAndLeaveTheOldFile)
{
    // The message stays the window's; the system's reason is kept for the command line.
    for (const char* ext : {"png", "tga"}) {
        EXPECT_FALSE(rig.doc.SaveTarget(dir.Path(std::string("missing/out.") + ext), ext));
        EXPECT_NE(rig.doc.LastFailureReason().find(std::strerror(ENOENT)), std::string::npos)
            << rig.doc.LastFailureReason();
    }
    EXPECT_EQ(rig.Messages(), (std::vector<std::string>{FailedFileSave, FailedFileSave}));
    EXPECT_FALSE(fs::exists(dir.Path("missing")));

    // A write that fails half-way must not have truncated the file it was to replace.
    const std::vector<uint8_t> old = {1, 2, 3, 4, 5};
    for (const char* ext : {"jpg", "pcx"}) {
        const std::string file = dir.Path(std::string("keep.") + ext);
        WriteBytes(file, old);
        rig.engine->target.width = 0;
        EXPECT_FALSE(rig.doc.SaveTarget(file, ext)) << ext;
        EXPECT_EQ(ReadBytes(file), old) << ext;
    }
    EXPECT_EQ(rig.prompts.shown.size(), 4u);

    // Beyond the TGA and PCX writers' block: refused before any row is read, with a reason.
    const std::vector<uint8_t> row(20000 * 3);
    rig.prompts.shown.clear();
    EXPECT_FALSE(rig.doc.SavePicture(dir.Path("huge.pcx"), "pcx", PixelRows{row.data(), 20000, 1700, 0}));
    EXPECT_EQ(rig.Messages(), std::vector<std::string>{"Failed save ?"});
    EXPECT_FALSE(rig.doc.LastFailureReason().empty());
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().substr(0, 5), "keep.") << "left behind: " << entry.path();
}

TEST_F(SaveTest, SaveCommandNamesTheFileAndRemembersTheFilter)
{
    rig.dialogs.results.push_back({true, dir.Path("result"), 3});
    rig.dialogs.results.push_back({true, dir.Path("result.PNG"), 2});
    rig.dialogs.results.push_back({true, dir.Path("result.jpeg"), 2});
    rig.dialogs.results.push_back({true, dir.Path("shot.bmp"), 5});
    for (int i = 0; i < 4; ++i)
        rig.doc.SaveTargetAs();
    EXPECT_EQ(Sniff(dir.Path("result.png")), ImageContainer::Png);
    EXPECT_EQ(Sniff(dir.Path("result.PNG")), ImageContainer::Png);
    EXPECT_EQ(Sniff(dir.Path("result.jpeg.jpg")), ImageContainer::Jpeg);
    EXPECT_FALSE(fs::exists(dir.Path("result.jpeg")));
    RasterImage bmp(dir.Path("shot.bmp").c_str(), FormatBmp);
    EXPECT_TRUE(bmp.HasImage());

    // The Tga filter was in use last: the next dialog starts there, whatever name was typed.
    rig.doc.SaveTargetAs();
    ASSERT_EQ(rig.dialogs.saveRequests.size(), 5u);
    const FileDialogRequest& next = rig.dialogs.saveRequests.back();
    EXPECT_EQ(next.filterIndex, 5);
    EXPECT_EQ(next.initialFolder, dir.Path());
    EXPECT_EQ(next.filters.size(), 6u);
    EXPECT_EQ(rig.dialogs.saveRequests.front().filterIndex, 0);
    EXPECT_EQ(rig.dialogs.saveRequests.front().initialFolder, "");
}

TEST(SaveCommandTest, NeedsTwoSourcesAndNoDialogOtherwise)
{
    DocRig rig;
    rig.AddSolidSource(4, 4, {});
    rig.doc.SaveTargetAs();
    ASSERT_EQ(rig.prompts.shown.size(), 1u);
    EXPECT_EQ(rig.prompts.shown[0].first, "There must be two source images present before anything can be saved.");
    EXPECT_EQ(rig.prompts.shown[0].second, PromptKind::Stop);
    EXPECT_TRUE(rig.dialogs.saveRequests.empty());

    // Cancelling the dialog leaves the settings alone.
    rig.AddSolidSource(4, 4, {});
    rig.doc.SaveTargetAs();
    EXPECT_EQ(rig.dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(rig.settings.writes, 0);
}

TEST(BatchLabelTest, LongFoldersAreCutAtSeparators)
{
    EXPECT_EQ(BatchOutputLabel("/home/someone/Documents/Pictures/2012/Holiday in Spain/x.jpg"),
              ".../Documents/Pictures/2012/Holiday in Spain/output");
    EXPECT_EQ(BatchOutputLabel("/pics/x.jpg"), "/pics/output");
    // An over-long folder name goes whole.
    EXPECT_EQ(BatchOutputLabel("/" + std::string(60, 'n') + "/x.jpg"), ".../output");
}

}  // namespace
