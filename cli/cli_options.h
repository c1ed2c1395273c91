#pragma once
#include <optional>
#include <string>
#include <vector>

#include "merge_settings.h"

// Exit codes of brindor-cli.
enum ExitCode : int {
    ExitOk = 0,
    ExitUsage = 1,
    ExitLoad = 2,
    ExitWrite = 3,
    ExitSkipped = 4,
};

// The placement presets a source may be shoved to.
enum class PlacePreset { TopLeft, TopRight, BottomLeft, BottomRight, Center, CenterTop, CenterBottom,
                         LeftCenter, RightCenter };

// What the command line asks of one source.
struct CliSourceOptions {
    double scaleH = 100;  // a preset may hold any positive percent
    double scaleV = 100;
    bool fit = true;
    bool flip = false;
    double angle = 0;
    double startAngle = 0;  // the angle the offsets are measured at: a preset's, else 0
    int offsetX = 0;
    int offsetY = 0;
    std::optional<PlacePreset> place;
};

// Every option of merge and batch, already range-checked and in the engine's stored forms.
struct CliMergeOptions {
    int canvasWidth = 1024;
    int canvasHeight = 768;
    int mergeMethod = 6;
    int sourceBias = 127;
    int contrastMode = 1;
    int infiniteThreshold = 127;
    int contrast[3] = {50, 50, 50};    // red, green, blue
    int brightness[3] = {50, 50, 50};  // red, green, blue
    int effectPosition = 0;
    CliSourceOptions source[2];
    int juxtapose = 0;  // 0 none, 12 or 21
    Bgr baseColour;
    bool quick = false;
    int quality = 90;
    int jobs = 0;  // 0: one per core
    // --canvas source2: the canvas is source 2's size (each picture's own in a batch).
    bool ownSize = false;
    // Pictures turned by their EXIF orientation on loading; outputs keep source 2's metadata.
    bool autoOrient = true;
    bool stripMetadata = false;
};

enum class CliCommand { None, Help, Version, Merge, Batch, Convert };

struct CliInvocation {
    CliCommand command = CliCommand::None;
    std::vector<std::string> positional;  // SOURCE1 SOURCE2 / SOURCE1 FOLDER / INPUT OUTPUT
    std::string output;                   // merge's -o
    std::string filesFrom;                // batch: the list of inputs, "-" for stdin; then FOLDER is absent
    std::string outputDir;                // batch: where outputs go instead of each input folder's output/
    CliMergeOptions options;
    std::vector<std::string> warnings;  // what --preset skipped, for stderr
};

// Parses argv (without the program name). On failure returns false with a message that names
// the option and its accepted range.
bool ParseCommandLine(const std::vector<std::string>& args, CliInvocation& out, std::string& error);

// Reads the preset file of --preset into the options, which the other options then override.
// Keys it skipped go to `warnings`; false with `error` naming the file and the line.
bool ApplyPresetFile(const std::string& path, CliMergeOptions& options, std::vector<std::string>& warnings,
                     std::string& error);

// The text of --help.
std::string HelpText();

// The output format of a file name: the text after the last dot of its name, lower-cased,
// when it is one of bmp, jpg, png, tif, tga, pcx; empty otherwise.
std::string OutputFormatOf(const std::string& path);
