#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cbrindordoc.h"
#include "doc_fakes.h"
#include "text_fake_font.h"
#include "text_source.h"

namespace {

// The text dialog as a script: records how it was opened and plays the given buttons.
struct ScriptedDialog : TextEntryRunner {
    std::vector<std::pair<SourceIndex, bool>> runs;
    std::function<bool(SourceIndex, bool)> play = [](SourceIndex, bool) { return false; };
    bool RunTextEntry(SourceIndex s, bool replacing) override
    {
        runs.emplace_back(s, replacing);
        return play(s, replacing);
    }
};

class TextEntryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.SetListener(&listener);
        doc.SetSlotChooser(&chooser);
        dialog.play = [this](SourceIndex s, bool replacing) {
            TextEntryState entry{s, replacing};
            OpenTextEntry(doc, s);
            CommitTextEntry(doc, fonts, entry, "typed", false);
            return true;
        };
    }
    CbrindorDoc doc;
    FakeFontEngine fonts;
    docfakes::NameLogListener listener;
    docfakes::FakeChooser chooser;
    ScriptedDialog dialog;
};

TEST_F(TextEntryTest, CommitStoresCrLfLinesAndAnEmptyBoxSaysSo)
{
    TextEntryState entry{1, false};
    CommitTextEntry(doc, fonts, entry, "AB\nABCD", false);
    EXPECT_EQ(doc.text[0], "AB\r\nABCD\r\n");
    EXPECT_TRUE(entry.replacing);
    EXPECT_EQ(doc.kind[0], SourceKind::Text);
    EXPECT_EQ(doc.sourceWidth[0], 48);

    CommitTextEntry(doc, fonts, entry, "", false);
    EXPECT_EQ(doc.text[0], "Empty text box\r\n");
    EXPECT_EQ(fonts.measured.back(), "Empty text box");
    // Line ends already in CR LF form stay single.
    CommitTextEntry(doc, fonts, entry, "a\r\nb", false);
    EXPECT_EQ(doc.text[0], "a\r\nb\r\n");
}

TEST_F(TextEntryTest, CommitKeepsAtMost8187CharactersWithoutSplittingALineEnd)
{
    TextEntryState entry{2, false};
    CommitTextEntry(doc, fonts, entry, std::string(9000, 'x'), false);
    EXPECT_EQ(doc.text[1].size(), 8189u);
    EXPECT_EQ(doc.text[1].substr(8187), "\r\n");

    // A line break that would straddle the limit is dropped whole.
    CommitTextEntry(doc, fonts, entry, std::string(8186, 'y') + "\nz", false);
    EXPECT_EQ(doc.text[1], std::string(8186, 'y') + "\r\n");
    // A character of several bytes is never cut in half.
    CommitTextEntry(doc, fonts, entry, std::string(8186, 'y') + "\xC3\xA9", false);
    EXPECT_EQ(doc.text[1], std::string(8186, 'y') + "\r\n");
}

TEST_F(TextEntryTest, FailedRenderingLeavesABlackSquare)
{
    fonts.failMake = true;
    TextEntryState entry{1, false};
    CommitTextEntry(doc, fonts, entry, "x", true);
    EXPECT_EQ(doc.sourceWidth[0], 120);
    EXPECT_EQ(doc.sourceHeight[0], 120);
    EXPECT_EQ(doc.kind[0], SourceKind::Text);
    const uint8_t* px = doc.Pixels(1);
    ASSERT_NE(px, nullptr);
    for (int i = 0; i < 120 * 360; ++i)
        ASSERT_EQ(px[i], 0);
    for (int i = 0; i < 120 * 120; ++i)
        ASSERT_EQ(doc.Mask(1)[i], 1);
}

TEST_F(TextEntryTest, ReopeningShowsTheTextWithoutAnExtraLastLine)
{
    doc.text[0] = "AB\r\nCD\r\n";
    EXPECT_EQ(OpenTextEntry(doc, 1), "AB\nCD");
    EXPECT_EQ(doc.text[0], "AB\r\nCD");
    // Opening again removes nothing more.
    EXPECT_EQ(OpenTextEntry(doc, 1), "AB\nCD");
}

TEST_F(TextEntryTest, ZapThenPasteShowsExactlyThePastedText)
{
    doc.text[0] = "old\r\n";
    ZapTextEntry(doc, 1);
    EXPECT_TRUE(doc.text[0].empty());
    EXPECT_EQ(PasteTextEntry(doc, 1, "ab"), "ab");
    EXPECT_EQ(doc.text[0], "ab");

    // Tabs become four spaces; nothing starts at or beyond character 8188.
    EXPECT_EQ(PasteTextEntry(doc, 1, "a\tb\nc"), "a    b\nc");
    EXPECT_EQ(doc.text[0], "a    b\r\nc");
    const std::string shown = PasteTextEntry(doc, 1, std::string(8180, 'x') + "\t\t");
    EXPECT_EQ(shown, std::string(8180, 'x') + "       ");
    EXPECT_EQ(doc.text[0].size(), 8187u);
}

TEST_F(TextEntryTest, FontAndBackgroundChoosers)
{
    TextSourceStyle style;
    LOGFONT chosen;
    chosen.height = -40;
    chosen.italic = 1;
    ApplyFontChoice(style, &chosen, 0x00FF00);
    EXPECT_EQ(style.font.height, -40);
    EXPECT_EQ(style.font.italic, 1);
    EXPECT_EQ(style.textColour, 0x00FF00u);
    ApplyFontChoice(style, nullptr, 0x123456);
    EXPECT_EQ(style.font.height, -40);
    EXPECT_EQ(style.textColour, 0x123456u);

    ApplyBackgroundChoice(style, true, 0x0000FF);
    EXPECT_EQ(style.backgroundColour, 0x0000FFu);
    // Cancelling keeps the previous colour.
    ApplyBackgroundChoice(style, false, 0x808080);
    EXPECT_EQ(style.backgroundColour, 0x0000FFu);
}

TEST_F(TextEntryTest, NewTextSourcesFillSlotsAndCancelGivesTheCountBack)
{
    doc.path[0] = "/old/name.png";
    OpenTextSource(doc, dialog);
    EXPECT_EQ(doc.sourceCount, 1);
    EXPECT_EQ(dialog.runs.back(), (std::pair<SourceIndex, bool>{1, false}));
    EXPECT_EQ(listener.names.back(), (std::pair<SourceIndex, std::string>{1, "TEXT Source 1"}));
    EXPECT_TRUE(doc.path[0].empty());
    EXPECT_EQ(listener.viewUpdates, 1);

    // Closed without OK on a first fill: slot 2 stays empty.
    dialog.play = [](SourceIndex, bool) { return false; };
    OpenTextSource(doc, dialog);
    EXPECT_EQ(doc.sourceCount, 1);
    EXPECT_EQ(dialog.runs.back(), (std::pair<SourceIndex, bool>{2, false}));

    dialog.play = [this](SourceIndex s, bool replacing) {
        TextEntryState entry{s, replacing};
        CommitTextEntry(doc, fonts, entry, "two", false);
        return true;
    };
    OpenTextSource(doc, dialog);
    EXPECT_EQ(doc.sourceCount, 2);

    // Full: the replace choice gives the dialog a replacing slot; Cancel there runs nothing.
    chooser.answer = 0;
    const size_t runs = dialog.runs.size();
    OpenTextSource(doc, dialog);
    EXPECT_EQ(dialog.runs.size(), runs);
    chooser.answer = 2;
    dialog.play = [](SourceIndex, bool) { return false; };
    OpenTextSource(doc, dialog);
    EXPECT_EQ(dialog.runs.back(), (std::pair<SourceIndex, bool>{2, true}));
    EXPECT_EQ(doc.sourceCount, 2);
}

TEST_F(TextEntryTest, ChangeTextNamesTheSlotWithoutTellingTheViews)
{
    OpenTextSource(doc, dialog);
    OpenTextSource(doc, dialog);
    const int updates = listener.viewUpdates;
    ChangeTextSource(doc, dialog, 2);
    EXPECT_EQ(dialog.runs.back(), (std::pair<SourceIndex, bool>{2, true}));
    EXPECT_EQ(listener.names.back(), (std::pair<SourceIndex, std::string>{2, "TEXT Source 2"}));
    EXPECT_EQ(listener.viewUpdates, updates);
}

}  // namespace
