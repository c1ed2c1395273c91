#pragma once
// Presets: every merge setting, the canvas size and where both sources sit, kept in a small
// text file that the window and brindor-cli both read.
//
//   [brindor-preset]
//   version = 1
//   canvas = 1024x768
//   method = average
//   source_bias = 127
//   ...
//   offset2 = -12,40
//
// One `key = value` per line; blank lines and lines starting with '#' or ';' are skipped. The
// keys and their values are listed by FormatPreset, which writes every one of them. A key the
// file leaves out keeps the value the preset had before it was read; a key this program does not
// know is reported and skipped; a value it cannot take stops the reading, naming the line.
#include <string>
#include <vector>

#include "engine.h"

constexpr const char* PresetHeader = "[brindor-preset]";
constexpr int PresetVersion = 1;
constexpr const char* PresetSuffix = ".preset";

// The settings and placements a preset holds. The effect is one of the effects list's kernels.
struct MergePreset {
    MergeSettings settings;
    double angle[2] = {0.0, 0.0};
    int offsetX[2] = {0, 0};
    int offsetY[2] = {0, 0};
    int canvasWidth = 1024;
    int canvasHeight = 768;
};

// A named choice of the preset and command-line vocabulary ("average" for merge method code 6).
struct NamedCode {
    const char* name;
    int code;
};
extern const NamedCode MethodNames[11];
extern const NamedCode ContrastNames[4];
extern const NamedCode EffectNames[6];  // code: the effects list position

// What reading a preset found: the problem that stopped it, or the lines it skipped.
struct PresetReport {
    std::string error;                  // "line 7: source_bias takes ..."; empty when read
    std::vector<std::string> warnings;  // "line 3: unknown key 'colour' skipped"
};

// Reads preset text over `preset`. False, with report.error, when the text is not a preset or
// a value is wrong; `preset` is then unchanged.
bool ParsePreset(const std::string& text, MergePreset& preset, PresetReport& report);
// The whole preset as text, every key in a fixed order.
std::string FormatPreset(const MergePreset& preset);

// Reads a preset file; report.error also tells why a file cannot be read.
bool ReadPresetFile(const std::string& path, MergePreset& preset, PresetReport& report);
// Writes the file whole (through a temporary file and a rename); false with a reason.
bool WritePresetFile(const std::string& path, const MergePreset& preset, std::string& error);

// Where presets live: $XDG_CONFIG_HOME/brindor/presets, or ~/.config/brindor/presets when the
// variable is unset or not an absolute path.
std::string PresetFolder();
// Creates the folder and its parents; false with a reason.
bool MakePresetFolder(const std::string& folder, std::string& error);

// The engine's settings, canvas size and placements as a preset. The canvas is limited to the
// sizes a preset takes.
MergePreset PresetFromEngine(const Engine& engine);
// Sets the engine from the preset, as the pane would show it, then places both sources and
// composes. The canvas must already have the preset's size.
void ApplyPreset(Engine& engine, const MergePreset& preset);
