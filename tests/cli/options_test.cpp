#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli_options.h"

namespace {

struct Parsed {
    bool ok;
    CliInvocation inv;
    std::string error;
};

Parsed Parse(std::vector<std::string> args)
{
    Parsed p;
    p.ok = ParseCommandLine(args, p.inv, p.error);
    return p;
}

TEST(CliOptions, DefaultsAreTheEngineDefaults)
{
    const Parsed p = Parse({"merge", "a.bmp", "b.png", "-o", "out.JPG"});
    ASSERT_TRUE(p.ok) << p.error;
    const CliMergeOptions& o = p.inv.options;
    EXPECT_EQ(p.inv.command, CliCommand::Merge);
    EXPECT_EQ(o.canvasWidth, 1024);
    EXPECT_EQ(o.canvasHeight, 768);
    EXPECT_EQ(o.mergeMethod, 6);
    EXPECT_EQ(o.sourceBias, 127);
    EXPECT_EQ(o.infiniteThreshold, 127);
    EXPECT_EQ(o.contrastMode, 1);
    EXPECT_EQ(o.quality, 90);
    EXPECT_TRUE(o.source[0].fit);
    EXPECT_FALSE(o.source[1].flip);
    EXPECT_EQ(OutputFormatOf(p.inv.output), "jpg");
}

TEST(CliOptions, StoredFormsAndCodes)
{
    const Parsed p = Parse({"merge", "a", "b", "-o", "o.png", "--bias", "50", "--threshold", "50", "--method",
                            "greatest", "--contrast-type", "gray", "--effect", "emboss", "--contrast", "10,20,30",
                            "--brightness", "70", "--base-color", "FF8001"});
    ASSERT_TRUE(p.ok) << p.error;
    const CliMergeOptions& o = p.inv.options;
    EXPECT_EQ(o.sourceBias, 128);
    EXPECT_EQ(o.infiniteThreshold, 127);
    EXPECT_EQ(o.mergeMethod, 2);
    EXPECT_EQ(o.contrastMode, 0);
    EXPECT_EQ(o.effectPosition, 3);
    EXPECT_EQ(o.contrast[0], 10);
    EXPECT_EQ(o.contrast[2], 30);
    EXPECT_EQ(o.brightness[1], 70);
    EXPECT_EQ(o.baseColour, (Bgr{0x01, 0x80, 0xFF}));

    EXPECT_EQ(Parse({"merge", "a", "b", "-o", "o.png", "--bias", "100"}).inv.options.sourceBias, 256);
    EXPECT_EQ(Parse({"merge", "a", "b", "-o", "o.png", "--threshold", "100"}).inv.options.infiniteThreshold, 255);
    EXPECT_EQ(Parse({"merge", "a", "b", "-o", "o.png", "--method", "picture1"}).inv.options.mergeMethod, 0);
    // What the quick composition does use stays allowed.
    const Parsed quick = Parse({"merge", "a", "b", "-o", "o.png", "--quick", "--bias", "25", "--base-color", "FFFFFF"});
    EXPECT_TRUE(quick.ok) << quick.error;
    EXPECT_TRUE(quick.inv.options.quick);
}

TEST(CliOptions, NegativeValuesFollowTheirOption)
{
    const Parsed p = Parse({"merge", "a", "b", "--offset1", "-5,3", "--angle2", "-30", "-o", "x.tga"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.inv.options.source[0].offsetX, -5);
    EXPECT_EQ(p.inv.options.source[0].offsetY, 3);
    EXPECT_EQ(p.inv.options.source[1].angle, -30);
    EXPECT_EQ(p.inv.positional.size(), 2u);
}

TEST(CliOptions, RangeErrorsNameTheOptionAndRange)
{
    const struct {
        std::vector<std::string> args;
        std::string expected;
    } cases[] = {
        {{"merge", "a", "b", "-o", "o.bmp", "--canvas", "99x200"}, "100 to 2048"},
        {{"merge", "a", "b", "-o", "o.bmp", "--canvas", "200x1537"}, "100 to 1536"},
        {{"merge", "a", "b", "-o", "o.bmp", "--bias", "101"}, "--bias takes a whole number from 0 to 100"},
        {{"merge", "a", "b", "-o", "o.bmp", "--angle1", "180"}, "--angle1 takes a whole number from -180 to 179"},
        {{"merge", "a", "b", "-o", "o.bmp", "--scale2", "0,100"}, "--scale2"},
        {{"merge", "a", "b", "-o", "o.bmp", "--scale2", "100"}, "two numbers"},
        {{"merge", "a", "b", "-o", "o.bmp", "--contrast", "1,2"}, "R,G,B"},
        {{"merge", "a", "b", "-o", "o.bmp", "--quality", "0"}, "from 1 to 100"},
        {{"merge", "a", "b", "-o", "o.bmp", "--method", "mean"}, "--method takes one of"},
        {{"merge", "a", "b", "-o", "o.bmp", "--fit1", "maybe"}, "--fit1 takes one of"},
        {{"merge", "a", "b", "-o", "o.bmp", "--base-color", "12345G"}, "RRGGBB"},
        {{"merge", "a", "b", "-o", "o.bmp", "--bias", "5x"}, "'5x'"},
        {{"merge", "a", "b", "-o", "o.gif"}, "bmp, jpg, png, tif, tga, pcx"},
        {{"merge", "a", "b"}, "-o"},
        {{"merge", "a", "-o", "o.bmp"}, "2 paths"},
        {{"merge", "a", "b", "-o", "o.bmp", "--jobs", "2"}, "--jobs belongs to batch"},
        {{"convert", "a.png", "b.bmp", "--bias", "3"}, "only --quality"},
        {{"convert", "a.png", "b.webp"}, "suffix"},
        {{"batch", "a", "dir", "--angle1"}, "needs a value"},
        {{"frobnicate"}, "the command takes one of"},
        {{"merge", "a", "b", "-o", "o.bmp", "--quick", "--method", "greatest"}, "cannot take --method"},
        {{"batch", "a", "dir", "--effect", "blur", "--quick"}, "cannot take --effect"},
        {{"merge", "a", "b", "-o", "o.bmp", "--brightness", "60", "--quick"}, "cannot take --brightness"},
        {{"merge", "a", "b", "-o", "o.bmp", "--quick", "--contrast-type", "gray"}, "cannot take --contrast-type"},
    };
    for (const auto& c : cases) {
        const Parsed p = Parse(c.args);
        EXPECT_FALSE(p.ok) << c.args.back();
        EXPECT_NE(p.error.find(c.expected), std::string::npos) << "'" << p.error << "' lacks '" << c.expected << "'";
    }
}

// A preset file in a fresh temporary folder, removed with it.
struct PresetFile {
    std::string folder;
    std::string path;
    explicit PresetFile(const std::string& text)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "brindor-cli-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        path = folder + "/p.preset";
        std::ofstream(path) << text;
    }
    ~PresetFile() { std::filesystem::remove_all(folder); }
};

TEST(CliOptions, PresetComesFirstAndEveryOtherOptionOverridesIt)
{
    const PresetFile file("[brindor-preset]\ncanvas = 640x480\nmethod = least\nsource_bias = 127\n"
                          "scale2 = 33.5,40\nangle1 = -30\noffset1 = 7,-9\nshade = 3\n");
    // The option before --preset still wins.
    const Parsed p = Parse({"batch", "a", "dir", "--canvas", "300x200", "--preset", file.path, "--offset1", "1,2"});
    ASSERT_TRUE(p.ok) << p.error;
    const CliMergeOptions& o = p.inv.options;
    EXPECT_EQ(o.canvasWidth, 300);
    EXPECT_EQ(o.mergeMethod, 3);
    EXPECT_EQ(o.source[1].scaleH, 33.5);
    EXPECT_EQ(o.source[0].startAngle, -30);
    EXPECT_EQ(o.source[0].angle, -30);
    EXPECT_EQ(o.source[0].offsetX, 1);
    EXPECT_EQ(p.inv.warnings, std::vector<std::string>{"--preset " + file.path + ": line 8: unknown key 'shade' skipped"});
    const Parsed turned = Parse({"merge", "a", "b", "-o", "o.bmp", "--angle1", "10", "--preset", file.path});
    EXPECT_EQ(turned.inv.options.source[0].startAngle, -30);
    EXPECT_EQ(turned.inv.options.source[0].angle, 10);

    const PresetFile bad("[brindor-preset]\n\nsource_bias = 50%\n");
    const struct {
        std::vector<std::string> args;
        std::string expected;
    } refused[] = {
        {{"merge", "a", "b", "-o", "o.bmp", "--preset", bad.path},
         "--preset " + bad.path + ": line 3: source_bias takes whole numbers from 0 to 256, not '50%'"},
        {{"merge", "a", "b", "-o", "o.bmp", "--preset", file.folder + "/none"}, "No such file or directory"},
        {{"merge", "a", "b", "-o", "o.bmp", "--preset", file.path, "--preset", file.path}, "--preset is given twice"},
        {{"merge", "a", "b", "-o", "o.bmp", "--quick", "--preset", file.path}, "cannot take --preset"},
        {{"convert", "a.png", "b.bmp", "--preset", file.path}, "only --quality"},
    };
    for (const auto& c : refused) {
        const Parsed r = Parse(c.args);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(c.expected), std::string::npos) << r.error;
    }
}

TEST(CliOptions, OutputFormatTakesTheLastDotOfTheName)
{
    EXPECT_EQ(OutputFormatOf("dir.png/out.TIF"), "tif");
    EXPECT_EQ(OutputFormatOf("archive.tar.pcx"), "pcx");
    EXPECT_EQ(OutputFormatOf("dir.png/noext"), "");
    EXPECT_EQ(OutputFormatOf("picture.jpeg"), "jpg");
    EXPECT_EQ(OutputFormatOf("scan.Tiff"), "tif");
    EXPECT_EQ(OutputFormatOf("picture.gif"), "");
}

TEST(CliOptions, OrientationAndMetadataSwitches)
{
    const Parsed plain = Parse({"batch", "logo.png", "photos"});
    EXPECT_TRUE(plain.inv.options.autoOrient);
    EXPECT_FALSE(plain.inv.options.stripMetadata);
    // Switches take no value: the path after them is still a path.
    const Parsed off = Parse({"merge", "a", "--no-auto-orient", "b", "--strip-metadata", "-o", "o.jpg"});
    ASSERT_TRUE(off.ok) << off.error;
    EXPECT_FALSE(off.inv.options.autoOrient);
    EXPECT_TRUE(off.inv.options.stripMetadata);
    EXPECT_EQ(off.inv.positional, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(Parse({"convert", "a.jpg", "b.png", "--no-auto-orient"}).ok);
    const std::string help = HelpText();
    EXPECT_NE(help.find("--no-auto-orient"), std::string::npos);
    EXPECT_NE(help.find("--strip-metadata"), std::string::npos);
}

TEST(CliOptions, HelpDocumentsEveryOption)
{
    const std::string help = HelpText();
    for (const char* option : {"--canvas", "--method", "--bias", "--contrast-type", "--threshold", "--contrast",
                               "--brightness", "--effect", "--scale1", "--fit2", "--flip1", "--angle2", "--offset1",
                               "--place2", "--juxtapose", "--base-color", "--quick", "--quality", "--jobs", "--preset"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_NE(help.find("left and up"), std::string::npos) << "what an offset means";
    EXPECT_EQ(Parse({"batch", "--help"}).inv.command, CliCommand::Help);
}

}  // namespace
