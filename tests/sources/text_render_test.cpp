#include <gtest/gtest.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cbrindordoc.h"
#include "text_fake_font.h"
#include "text_font_engine_qt.h"
#include "text_source.h"

namespace {

struct RecordingPrompts : Prompts {
    std::vector<std::pair<std::string, PromptKind>> shown;
    void Show(const std::string& text, PromptKind kind) override { shown.emplace_back(text, kind); }
    bool Ask(const std::string&) override { return true; }
};

// Reads a rendered slot: pixels as 0x00BBGGRR colours and mask bytes, rows from the top.
struct SlotReader {
    const CbrindorDoc& doc;
    SourceIndex s;
    int W() const { return doc.sourceWidth[s - 1]; }
    int H() const { return doc.sourceHeight[s - 1]; }
    uint32_t Colour(int y, int x) const
    {
        const uint8_t* p = doc.image[s - 1].dib + 40 + size_t(H() - 1 - y) * SourceRowSize(W(), 24) + size_t(x) * 3;
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    uint8_t Mask(int y, int x) const { return doc.image[s - 1].mask[size_t(H() - 1 - y) * W() + x]; }
    // Leftmost column with the colour in row y, or -1.
    int FirstColumn(int y, uint32_t colour) const
    {
        for (int x = 0; x < W(); ++x)
            if (Colour(y, x) == colour)
                return x;
        return -1;
    }
};

class TextRenderTest : public ::testing::Test {
protected:
    void SetUp() override { doc.SetPrompts(&prompts); }
    bool Render(const std::string& text, bool transparent = false, SourceIndex s = 1)
    {
        doc.text[s - 1] = text;
        return RenderTextSource(doc, fonts, s, transparent);
    }
    CbrindorDoc doc;
    FakeFontEngine fonts;
    RecordingPrompts prompts;
};

TEST_F(TextRenderTest, TwoLinesSizeFromTheWiderLineAndShareTheLeftEdge)
{
    doc.textStyle.textColour = 0x0000FF;        // red
    doc.textStyle.backgroundColour = 0x00FF00;  // green
    ASSERT_TRUE(Render("AB\r\nABCD\r\n"));
    // Characters 9 wide, lines 31 high: maxWidth 36, W = 52 rounded down to 48, H = 62 -> 60.
    const SlotReader r{doc, 1};
    EXPECT_EQ(r.W(), 48);
    EXPECT_EQ(r.H(), 60);
    EXPECT_EQ(doc.kind[0], SourceKind::Text);
    EXPECT_EQ(fonts.measured, (std::vector<std::string>{"AB", "ABCD"}));
    // X = (48 - 36) / 2 = 6; text drawn from (1, 1) and each box inset by 1: first glyph column 8.
    const int line1 = r.FirstColumn(2, 0x0000FF);
    const int line2 = r.FirstColumn(2 + 31, 0x0000FF);
    EXPECT_EQ(line1, 8);
    EXPECT_EQ(line2, 8);
    EXPECT_EQ(r.Colour(0, 0), 0x00FF00u);
    EXPECT_EQ(r.Colour(59, 47), 0x00FF00u);
    // Without transparency every pixel covers the canvas.
    for (int y = 0; y < r.H(); ++y)
        for (int x = 0; x < r.W(); ++x)
            ASSERT_EQ(r.Mask(y, x), 1);
}

TEST_F(TextRenderTest, TransparentBackgroundCoversOnlyGlyphPixels)
{
    ASSERT_TRUE(Render("A B\r\n", true));
    const SlotReader r{doc, 1};
    int covered = 0;
    for (int y = 0; y < r.H(); ++y)
        for (int x = 0; x < r.W(); ++x) {
            const bool glyph = r.Colour(y, x) == 0xFFFFFF;
            ASSERT_EQ(r.Mask(y, x), glyph ? 1 : 0) << y << "," << x;
            covered += glyph;
        }
    // Two boxes 7 wide from row 2, cut at the picture's height 31 / 4 * 4 = 28; the space draws nothing.
    EXPECT_EQ(covered, 2 * 7 * 26);
}

TEST_F(TextRenderTest, LineWalkStopsAtOneHundredLinesAndAtTheLastLineFeed)
{
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += "line\r\n";
    ASSERT_TRUE(Render(text));
    EXPECT_EQ(fonts.measured.size(), 100u);
    EXPECT_EQ(doc.sourceHeight[0], 100 * 31 / 4 * 4);

    // Text after the last line feed is neither measured nor counted, however long.
    fonts.measured.clear();
    ASSERT_TRUE(Render("ab\r\nabcdefghijklmnop"));
    EXPECT_EQ(fonts.measured, std::vector<std::string>{"ab"});
    EXPECT_EQ(doc.sourceWidth[0], 32);
    EXPECT_EQ(doc.sourceHeight[0], 28);
    // A text without any line feed measures to no height: failure, no message.
    EXPECT_FALSE(Render("no line end"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(TextRenderTest, OversizedTextHalvesTheFontAndKeepsTheSmallerHeight)
{
    doc.textStyle.font.height = -2700;
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += std::string(20, 'W') + "\r\n";
    ASSERT_TRUE(Render(text));
    EXPECT_EQ(fonts.madeHeights, (std::vector<int>{-2700, -1350, -675, -337}));
    EXPECT_EQ(doc.textStyle.font.height, -337);
    const int64_t pixels = int64_t(doc.sourceWidth[0]) * doc.sourceHeight[0];
    EXPECT_LE(pixels, int64_t(1) << 24);
    EXPECT_EQ(doc.sourceWidth[0], (20 * 112 + 16) / 16 * 16);
    // The next text source starts from the halved height.
    fonts.madeHeights.clear();
    ASSERT_TRUE(Render("W\r\n"));
    EXPECT_EQ(fonts.madeHeights, std::vector<int>{-337});
}

TEST_F(TextRenderTest, HalvingStopsWhenTheFontCannotShrinkFurther)
{
    // A 40000-character line under 99 short ones overflows even at a one-pixel font.
    doc.textStyle.font.height = -3;
    std::string text;
    for (int i = 0; i < 99; ++i)
        text += "x\r\n";
    text += std::string(40000, 'x') + "\r\n";
    EXPECT_FALSE(Render(text));
    EXPECT_EQ(fonts.madeHeights, (std::vector<int>{-3, -1}));
    EXPECT_EQ(doc.textStyle.font.height, -1);
}

TEST_F(TextRenderTest, FailuresShowTheirMessages)
{
    fonts.failMake = true;
    EXPECT_FALSE(Render("x\r\n"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].first, "Problem with font generation ?");
    EXPECT_EQ(prompts.shown[0].second, PromptKind::Stop);

    // Wider than a slot may be: 3000 characters of 9 pixels.
    fonts.failMake = false;
    EXPECT_FALSE(Render(std::string(3000, 'x') + "\r\n"));
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].first, "Out of memory");

    fonts.zeroHeight = true;
    EXPECT_FALSE(Render("x\r\n"));
    EXPECT_EQ(prompts.shown.size(), 2u);
}

// Fonts need a GUI application; the first test that needs one makes it (offscreen under ctest).
// It closes after the last test, which releases the font configuration it loaded.
class GuiApplicationEnvironment : public ::testing::Environment {
public:
    void TearDown() override { application.reset(); }
    std::unique_ptr<QGuiApplication> application;
};
GuiApplicationEnvironment* const guiEnvironment =
    static_cast<GuiApplicationEnvironment*>(::testing::AddGlobalTestEnvironment(new GuiApplicationEnvironment));

bool EnsureGuiApplication()
{
    if (QCoreApplication::instance())
        return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    static int argc = 1;
    static char name[] = "sources_tests";
    static char* argv[] = {name, nullptr};
    guiEnvironment->application = std::make_unique<QGuiApplication>(argc, argv);
    return true;
}

// One rendering through the real font engine: the picture has the shape the line walk gives
// and the glyphs land inside it, offset by X.
TEST(QtFontEngineTest, RendersTextIntoTheSlot)
{
    if (!EnsureGuiApplication())
        GTEST_SKIP() << "another test made a non-GUI application";

    QtFontEngine fonts;
    LOGFONT font;
    std::strcpy(font.faceName, "DejaVu Sans");
    ASSERT_TRUE(fonts.MakeFont(font));
    const TextExtent wide = fonts.MeasureLine("Hello, world");
    const TextExtent narrow = fonts.MeasureLine("Hi");
    EXPECT_GT(wide.width, narrow.width);
    EXPECT_GE(wide.height, 27);
    EXPECT_EQ(wide.height, narrow.height);

    CbrindorDoc doc;
    doc.textStyle.font = font;
    doc.textStyle.textColour = 0x0000FF;
    doc.text[0] = "Hi\r\nHello, world\r\n";
    ASSERT_TRUE(RenderTextSource(doc, fonts, 1, true));
    const SlotReader r{doc, 1};
    EXPECT_EQ(r.W(), (wide.width + 16) / 16 * 16);
    EXPECT_EQ(r.H(), 2 * wide.height / 4 * 4);
    const int offsetX = (r.W() - wide.width) / 2;
    int glyphs = 0;
    int left = r.W();
    int right = -1;
    for (int y = 0; y < r.H(); ++y)
        for (int x = 0; x < r.W(); ++x)
            if (r.Mask(y, x)) {
                ++glyphs;
                ASSERT_EQ(r.Colour(y, x), 0x0000FFu);
                left = std::min(left, x);
                right = std::max(right, x);
            } else {
                ASSERT_EQ(r.Colour(y, x), 0x000000u);
            }
    EXPECT_GT(glyphs, 200);
    EXPECT_GE(left, offsetX + 1);
    EXPECT_LE(right, offsetX + 1 + wide.width);
    // Antialiasing is off: nothing but the two colours appeared above.
}

TEST(QtFontEngineTest, DescriptionsRoundTripAndAbsurdSizesAreRefused)
{
    if (!EnsureGuiApplication())
        GTEST_SKIP() << "another test made a non-GUI application";
    LOGFONT font;
    font.height = -40;
    font.weight = 700;
    font.italic = 1;
    font.strikeOut = 1;
    std::strcpy(font.faceName, "DejaVu Serif");
    QFont q;
    ASSERT_TRUE(QtFontEngine::ToQFont(font, q));
    EXPECT_EQ(q.pixelSize(), 40);
    const LOGFONT back = QtFontEngine::FromQFont(q);
    EXPECT_EQ(back.height, -40);
    EXPECT_EQ(back.weight, 700);
    EXPECT_EQ(back.italic, 1);
    EXPECT_EQ(back.underline, 0);
    EXPECT_EQ(back.strikeOut, 1);
    EXPECT_STREQ(back.faceName, "DejaVu Serif");
    // A chooser's point size becomes pixels at 96 dpi.
    QFont points("DejaVu Sans");
    points.setPointSize(12);
    EXPECT_EQ(QtFontEngine::FromQFont(points).height, -16);

    font.height = -100000;
    EXPECT_FALSE(QtFontEngine::ToQFont(font, q));
    QtFontEngine engine;
    EXPECT_FALSE(engine.MakeFont(font));
}

}  // namespace
