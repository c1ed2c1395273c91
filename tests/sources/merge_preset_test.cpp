// Preset files: written and read back whole, lenient about what they do not know, strict about
// values, and applied to an engine as the window shows them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "doc_fakes.h"
#include "effects.h"
#include "merge_preset.h"

using namespace testutils;

namespace {

MergePreset Unusual()
{
    MergePreset p;
    p.canvasWidth = 640;
    p.canvasHeight = 480;
    MergeSettings& m = p.settings;
    m.mergeMethod = 9;
    m.sourceBias = 127;
    m.contrastMode = 3;
    m.infiniteThreshold = 204;
    m.channelContrast[1] = 17;
    m.channelBrightness[2] = 99;
    m.effect = EffectKernelAt(4);
    m.baseColour = Bgr{0x56, 0x34, 0x12};
    m.horizontalScale[0] = 100.0 / 3.0;  // juxtaposition leaves such scales
    m.verticalScale[1] = 250;
    m.scaleToTarget[1] = false;
    m.flipHorizontal[0] = true;
    p.angle[0] = -30;
    p.angle[1] = 179;
    p.offsetX[0] = -123;
    p.offsetY[1] = 45678;
    return p;
}

void ExpectSame(const MergePreset& a, const MergePreset& b)
{
    EXPECT_EQ(FormatPreset(a), FormatPreset(b));
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(a.settings.horizontalScale[s], b.settings.horizontalScale[s]);
        EXPECT_EQ(a.settings.verticalScale[s], b.settings.verticalScale[s]);
        EXPECT_EQ(a.angle[s], b.angle[s]);
    }
}

TEST(MergePresetTest, WrittenAndReadBackWholeWithCommentsAndMissingKeys)
{
    const MergePreset p = Unusual();
    const std::string text = FormatPreset(p);
    EXPECT_EQ(text.rfind("[brindor-preset]\n", 0), 0u);
    EXPECT_NE(text.find("base_color = 123456\n"), std::string::npos);
    EXPECT_NE(text.find("method = comp_h_12\n"), std::string::npos);
    MergePreset read;
    PresetReport report;
    ASSERT_TRUE(ParsePreset(text, read, report)) << report.error;
    EXPECT_TRUE(report.warnings.empty());
    ExpectSame(read, p);

    // Keys left out keep what the preset had; CR LF endings, comments and blanks are fine.
    MergePreset partial = p;
    ASSERT_TRUE(ParsePreset("\r\n# mine\r\n[brindor-preset]\r\n; tone only\r\n\r\ncontrast = 80\r\neffect = blur\r\n",
                            partial, report))
        << report.error;
    EXPECT_EQ(partial.settings.channelContrast[1], 80);
    EXPECT_EQ(EffectPosition(partial.settings.effect), 1);
    EXPECT_EQ(partial.offsetY[1], 45678);
    EXPECT_EQ(partial.settings.horizontalScale[0], 100.0 / 3.0);
}

TEST(MergePresetTest, UnknownKeysAndSectionsAreReportedNotFatal)
{
    MergePreset p;
    PresetReport report;
    ASSERT_TRUE(ParsePreset("[brindor-preset]\nversion = 1\ncolour = red\n[window]\nx = 1\n[brindor-preset]\nfit2 = no\n",
                            p, report));
    EXPECT_EQ(report.warnings, (std::vector<std::string>{"line 3: unknown key 'colour' skipped",
                                                         "line 4: unknown section [window] skipped"}));
    EXPECT_FALSE(p.settings.scaleToTarget[1]);
}

TEST(MergePresetTest, MalformedValuesFailNamingTheLineAndChangeNothing)
{
    const struct {
        const char* body;
        const char* error;
    } cases[] = {
        {"source_bias = 300", "line 2: source_bias takes whole numbers from 0 to 256, not '300'"},
        {"method = avg", "line 2: method takes one of greatest|average|least|subtract12|subtract21|comp12|"
                         "comp21|comp_h_12|comp_h_21|picture1|picture2, not 'avg'"},
        {"canvas = 4000x100", "line 2: canvas takes WxH, 100..2048 x 100..1536, not '4000x100'"},
        {"contrast = 1,2", "line 2: contrast takes P or R,G,B, each 0..100, not '1,2'"},
        {"scale1 = 0,100", "line 2: scale1 takes two percents H,V above 0 and up to 1000000, not '0,100'"},
        {"angle2 = 180", "line 2: angle2 takes degrees from -180 up to 180, not '180'"},
        {"offset1 = 3", "line 2: offset1 takes two whole numbers A,B from -1000000 to 1000000, not '3'"},
        {"flip1 = maybe", "line 2: flip1 takes yes or no, not 'maybe'"},
        {"base_color = 12345G", "line 2: base_color takes RRGGBB in hexadecimal, not '12345G'"},
        {"version = 2", "line 2: version takes version 1 or older, not '2'"},
        {"just words", "line 2: expected key = value, not 'just words'"},
    };
    for (const auto& c : cases) {
        MergePreset p = Unusual();
        PresetReport report;
        EXPECT_FALSE(ParsePreset(std::string("[brindor-preset]\n") + c.body + "\nfit1 = no\n", p, report));
        EXPECT_EQ(report.error, c.error);
        EXPECT_TRUE(p.settings.scaleToTarget[0]);
    }
    MergePreset p;
    PresetReport report;
    EXPECT_FALSE(ParsePreset("canvas = 200x200\n", p, report));
    EXPECT_EQ(report.error, "line 1: a preset starts with [brindor-preset]");
    EXPECT_FALSE(ParsePreset("", p, report));
}

TEST(MergePresetTest, FilesAndTheirFolder)
{
    docfakes::TempFolder dir;
    docfakes::HangGuard guard;
    const MergePreset p = Unusual();
    std::string error;
    ASSERT_TRUE(WritePresetFile(dir.Path("a.preset"), p, error)) << error;
    MergePreset read;
    PresetReport report;
    ASSERT_TRUE(ReadPresetFile(dir.Path("a.preset"), read, report)) << report.error;
    ExpectSame(read, p);

    EXPECT_FALSE(ReadPresetFile(dir.Path("none.preset"), read, report));
    EXPECT_EQ(report.error, "No such file or directory");
    ASSERT_EQ(::mkfifo(dir.Path("fifo.preset").c_str(), 0600), 0);
    EXPECT_FALSE(ReadPresetFile(dir.Path("fifo.preset"), read, report));
    EXPECT_EQ(report.error, "not a regular file");
    std::ofstream(dir.Path("big.preset")) << std::string(2 << 20, '#');
    EXPECT_FALSE(ReadPresetFile(dir.Path("big.preset"), read, report));
    EXPECT_EQ(report.error, "too large for a preset");
    EXPECT_FALSE(WritePresetFile(dir.Path("missing/a.preset"), p, error));

    const char* home = std::getenv("HOME");
    ::setenv("XDG_CONFIG_HOME", dir.Path("conf").c_str(), 1);
    EXPECT_EQ(PresetFolder(), dir.Path("conf") + "/brindor/presets");
    EXPECT_TRUE(MakePresetFolder(PresetFolder(), error));
    EXPECT_TRUE(std::filesystem::is_directory(PresetFolder()));
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(PresetFolder(), std::string(home) + "/.config/brindor/presets");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(PresetFolder(), std::string(home) + "/.config/brindor/presets");
}

TEST(MergePresetTest, AppliedAsThePaneShowsItAndGivesTheSameTarget)
{
    FakeSources sources;
    std::mt19937 rng(3);
    sources.Random(1, 130, 90, rng);
    sources.Random(2, 70, 110, rng);
    Engine window(sources);
    window.canvasRect = CanvasRect{0, 0, 400, 300};
    window.RecomputeAll();
    window.CommitNumber(PropertyId::HorizontalScale2, "150");
    window.CommitNumber(PropertyId::OverallBrightness, "65");
    window.CommitNumber(PropertyId::RedBrightness, "20");
    window.CommitListChoice(PropertyId::ContrastType, "Infinite contrast b/w");
    window.RotateSource(1, -40, window.AnchorForRotation(1));
    window.ShoveToCorner(CmdTopLeft1 + 3);
    const MergePreset preset = PresetFromEngine(window);
    EXPECT_EQ(preset.canvasWidth, 400);

    Engine loaded(sources);
    loaded.canvasRect = CanvasRect{50, 50, 450, 350};
    loaded.RecomputeAll();
    ApplyPreset(loaded, preset);
    EXPECT_EQ(FirstDifference(window.target, loaded.target), "");
    for (int i = 0; i < PropertyCount; ++i) {
        if (PropertyId(i) != PropertyId::OverallBrightness) {
            EXPECT_EQ(loaded.Shown(PropertyId(i)), window.Shown(PropertyId(i))) << i;
        }
    }
    // The three brightness channels differ, so the overall row keeps what it showed.
    EXPECT_EQ(loaded.Shown(PropertyId::OverallBrightness), "50");
    EXPECT_TRUE(loaded.Enabled(PropertyId::InfiniteContrastBias));
}

}  // namespace
