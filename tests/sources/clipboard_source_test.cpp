#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cbrindordoc.h"
#include "clipboard_dib.h"
#include "clipboard_source.h"
#include "doc_fakes.h"
#include "engine.h"
#include "settings_tables.h"

namespace {

// The system clipboard as a test controls it.
struct FakeClipboard : Clipboard {
    bool openable = true;
    bool isOpen = false;
    bool hasBitmap = true;
    std::vector<uint8_t> dib;
    int emptied = 0;
    int busyChanges = 0;
    bool Open() override
    {
        if (!openable)
            return false;
        EXPECT_FALSE(isOpen);
        isOpen = true;
        return true;
    }
    void Close() override { isOpen = false; }
    void Empty() override
    {
        EXPECT_TRUE(isOpen);
        ++emptied;
        dib.clear();
        hasBitmap = false;
    }
    bool HasDib() override { return hasBitmap; }
    bool GetDib(std::vector<uint8_t>& block) override
    {
        EXPECT_TRUE(isOpen);
        if (!hasBitmap)
            return false;
        block = dib;
        return true;
    }
    bool SetDib(std::vector<uint8_t>&& block) override
    {
        EXPECT_TRUE(isOpen);
        dib = std::move(block);
        hasBitmap = true;
        return true;
    }
    void SetBusy(bool) override { ++busyChanges; }
};

struct RecordingPrompts : Prompts {
    std::vector<std::string> shown;
    void Show(const std::string& text, PromptKind) override { shown.push_back(text); }
    bool Ask(const std::string&) override { return true; }
};

// A w x h 24-bit CF_DIB whose every pixel is (blue, green, red).
std::vector<uint8_t> SolidDib(int w, int h, uint8_t blue, uint8_t green, uint8_t red)
{
    const size_t row = (size_t(w) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> b(40 + row * h, 0);
    b[0] = 40;
    std::memcpy(&b[4], &w, 4);
    std::memcpy(&b[8], &h, 4);
    b[12] = 1;
    b[14] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &b[40 + y * row + x * 3];
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
    return b;
}

class FillerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.SetPrompts(&prompts);
        doc.SetListener(&listener);
        doc.SetSlotChooser(&chooser);
        doc.SetEngine(&engine);
        engine.canvasRect = CanvasRect{0, 0, 640, 480};
        clipboard.dib = SolidDib(7, 5, 1, 2, 3);
    }
    CbrindorDoc doc;
    Engine engine{doc};
    RecordingPrompts prompts;
    docfakes::NameLogListener listener;
    docfakes::FakeChooser chooser;
    FakeClipboard clipboard;
};

TEST_F(FillerTest, PasteFillsSlotsInArrivalOrderAndAsksWhenFull)
{
    PasteCommand(doc, clipboard);
    EXPECT_EQ(doc.sourceCount, 1);
    EXPECT_EQ(doc.kind[0], SourceKind::PastedOrBlank);
    EXPECT_EQ(doc.sourceWidth[0], 7);
    EXPECT_EQ(doc.sourceHeight[0], 5);
    ASSERT_NE(doc.Pixels(1), nullptr);
    EXPECT_EQ(doc.Pixels(1)[2], 3);
    EXPECT_FALSE(clipboard.isOpen);

    doc.path[1] = "/pictures/old.png";
    clipboard.dib = SolidDib(3, 2, 9, 9, 9);
    PasteCommand(doc, clipboard);
    EXPECT_EQ(doc.sourceCount, 2);
    EXPECT_EQ(doc.sourceWidth[1], 3);
    EXPECT_TRUE(doc.path[1].empty());
    EXPECT_EQ(listener.names.back(), (std::pair<SourceIndex, std::string>{2, "Pasted image Source 2"}));
    EXPECT_GE(listener.viewUpdates, 2);

    // Full: the replace choice decides; Cancel changes nothing.
    chooser.answer = 0;
    clipboard.dib = SolidDib(11, 11, 0, 0, 0);
    PasteCommand(doc, clipboard);
    EXPECT_EQ(doc.sourceCount, 2);
    EXPECT_EQ(doc.sourceWidth[0], 7);
    EXPECT_EQ(doc.sourceWidth[1], 3);
    chooser.answer = 1;
    PasteCommand(doc, clipboard);
    EXPECT_EQ(doc.sourceWidth[0], 11);
    EXPECT_EQ(doc.sourceWidth[1], 3);
    EXPECT_EQ(doc.sourceCount, 2);
}

TEST_F(FillerTest, PasteWithoutABitmapShowsTheMessage)
{
    clipboard.hasBitmap = false;
    PasteCommand(doc, clipboard);
    EXPECT_EQ(prompts.shown, std::vector<std::string>{"No image in the clipboard to retrieve?"});
    EXPECT_EQ(doc.sourceCount, 0);
    EXPECT_FALSE(clipboard.isOpen);
}

TEST_F(FillerTest, RefusedPasteGivesTheCountBackOrKeepsTheReplacedPicture)
{
    // An 8-bit run-length picture is refused silently; the first fill is given back.
    auto rle = SolidDib(4, 4, 0, 0, 0);
    rle[14] = 8;
    rle[16] = 1;
    clipboard.dib = rle;
    PasteCommand(doc, clipboard);
    EXPECT_EQ(doc.sourceCount, 0);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(doc.image[0].dib, nullptr);

    // Replacing: the slot keeps the picture it had.
    clipboard.dib = SolidDib(7, 5, 1, 2, 3);
    PasteCommand(doc, clipboard);
    PasteCommand(doc, clipboard);
    ASSERT_EQ(doc.sourceCount, 2);
    const uint8_t* kept = doc.image[1].dib;
    clipboard.dib = rle;
    EXPECT_FALSE(PasteSource(doc, clipboard, 2, true));
    EXPECT_EQ(doc.image[1].dib, kept);
    EXPECT_EQ(doc.sourceWidth[1], 7);
    EXPECT_EQ(doc.sourceCount, 2);

    // A clipboard another program holds behaves the same way.
    clipboard.openable = false;
    EXPECT_FALSE(PasteSource(doc, clipboard, 2, true));
    EXPECT_EQ(doc.image[1].dib, kept);
}

TEST_F(FillerTest, PasteResetsTheSlotsScalesAndBothRotations)
{
    PasteCommand(doc, clipboard);
    PasteCommand(doc, clipboard);
    ASSERT_EQ(engine.CommitNumber(ScaleRow(0, 2), "250"), CommitResult::Accepted);
    ASSERT_EQ(engine.CommitNumber(ScaleRow(1, 2), "40"), CommitResult::Accepted);
    ASSERT_EQ(engine.CommitNumber(ScaleRow(0, 1), "70"), CommitResult::Accepted);
    engine.placement[0].angle = 30;
    engine.placement[1].angle = 45;
    chooser.answer = 2;
    PasteCommand(doc, clipboard);
    EXPECT_EQ(engine.settings.verticalScale[1], 100);
    EXPECT_EQ(engine.settings.horizontalScale[1], 100);
    EXPECT_EQ(engine.Shown(ScaleRow(0, 2)), "100");
    EXPECT_EQ(engine.Shown(ScaleRow(1, 2)), "100");
    EXPECT_EQ(engine.settings.verticalScale[0], 70);
    EXPECT_EQ(engine.placement[0].angle, 0.0);
    EXPECT_EQ(engine.placement[1].angle, 0.0);
}

TEST_F(FillerTest, BlankSourceTakesTheCanvasSizeAndKeepsRotations)
{
    engine.placement[0].angle = 12;
    OpenBlankSource(doc);
    EXPECT_EQ(doc.sourceCount, 1);
    EXPECT_EQ(doc.sourceWidth[0], 640);
    EXPECT_EQ(doc.sourceHeight[0], 480);
    EXPECT_EQ(doc.kind[0], SourceKind::PastedOrBlank);
    EXPECT_EQ(listener.names.back(), (std::pair<SourceIndex, std::string>{1, "Blank Source 1"}));
    const uint8_t* px = doc.Pixels(1);
    ASSERT_NE(px, nullptr);
    for (size_t i = 0; i < size_t(640) * 3 * 480; i += 997)
        ASSERT_EQ(px[i], 0);
    for (int i = 0; i < 640 * 480; ++i)
        ASSERT_EQ(doc.image[0].mask[i], 1);
    EXPECT_EQ(engine.placement[0].angle, 12.0);

    // Full and cancelled: nothing changes.
    engine.canvasRect = CanvasRect{0, 0, 1024, 768};
    OpenBlankSource(doc);
    chooser.answer = 0;
    OpenBlankSource(doc);
    EXPECT_EQ(doc.sourceCount, 2);
    EXPECT_EQ(doc.sourceWidth[0], 640);
    EXPECT_EQ(doc.sourceWidth[1], 1024);
    EXPECT_EQ(doc.sourceHeight[1], 768);
}

TEST_F(FillerTest, CopyPutsTheTargetOnTheClipboard)
{
    TargetImage target;
    target.width = 8;
    target.height = 2;
    for (int i = 0; i < 48; ++i)
        target.pixels[i] = uint8_t(100 + i);
    CopyTargetToClipboard(doc, clipboard, target);
    EXPECT_EQ(clipboard.emptied, 1);
    EXPECT_FALSE(clipboard.isOpen);
    EXPECT_EQ(clipboard.busyChanges, 2);
    ASSERT_EQ(clipboard.dib.size(), 40u + 48);
    EXPECT_EQ(std::memcmp(clipboard.dib.data() + 40, target.pixels.data(), 48), 0);

    // What Copy puts there, Paste takes back unchanged.
    PasteCommand(doc, clipboard);
    ASSERT_EQ(doc.sourceWidth[0], 8);
    EXPECT_EQ(std::memcmp(doc.Pixels(1), target.pixels.data(), 48), 0);

    // A clipboard that cannot be opened: nothing happens.
    clipboard.openable = false;
    clipboard.dib.clear();
    CopyTargetToClipboard(doc, clipboard, target);
    EXPECT_TRUE(clipboard.dib.empty());
    EXPECT_TRUE(prompts.shown.empty());
}

}  // namespace
