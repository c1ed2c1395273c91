#include "cli_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <functional>
#include <map>

#include "file_rules.h"
#include "merge_preset.h"

namespace {

constexpr const char* VersionText = "brindor-cli 0.1.0";

// A whole decimal number, optionally signed, nothing else.
bool ParseInt(const std::string& text, int& value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+')
        ++first;
    auto [end, ec] = std::from_chars(first, last, value);
    return first != last && ec == std::errc() && end == last;
}

std::vector<std::string> SplitCommas(const std::string& text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos)
            return parts;
        start = comma + 1;
    }
}

// Collects the first error; the parser stops at it.
struct Parser {
    std::string error;

    bool Fail(const std::string& text)
    {
        if (error.empty())
            error = text;
        return false;
    }

    bool Ranged(const std::string& option, const std::string& text, int low, int high, int& value)
    {
        int v = 0;
        if (!ParseInt(text, v) || v < low || v > high)
            return Fail(option + " takes a whole number from " + std::to_string(low) + " to " +
                        std::to_string(high) + ", not '" + text + "'");
        value = v;
        return true;
    }

    // "H,V" or "X,Y": two numbers in [low, high].
    bool Pair(const std::string& option, const std::string& text, int low, int high, int& a, int& b)
    {
        const auto parts = SplitCommas(text);
        const std::string range = std::to_string(low) + ".." + std::to_string(high);
        if (parts.size() != 2)
            return Fail(option + " takes two numbers A,B, each " + range + ", not '" + text + "'");
        return Ranged(option, parts[0], low, high, a) && Ranged(option, parts[1], low, high, b);
    }

    // "P" for all three channels, or "R,G,B".
    bool Channels(const std::string& option, const std::string& text, int (&rgb)[3])
    {
        const auto parts = SplitCommas(text);
        if (parts.size() == 1) {
            int v = 0;
            if (!Ranged(option, parts[0], 0, 100, v))
                return false;
            rgb[0] = rgb[1] = rgb[2] = v;
            return true;
        }
        if (parts.size() != 3)
            return Fail(option + " takes P or R,G,B, each 0..100, not '" + text + "'");
        for (int i = 0; i < 3; ++i)
            if (!Ranged(option, parts[i], 0, 100, rgb[i]))
                return false;
        return true;
    }

    template <typename T>
    bool Choice(const std::string& option, const std::string& text, const std::map<std::string, T>& names, T& value)
    {
        const auto it = names.find(text);
        if (it == names.end()) {
            std::string list;
            for (const auto& [name, code] : names)
                list += (list.empty() ? "" : "|") + name;
            return Fail(option + " takes one of " + list + ", not '" + text + "'");
        }
        value = it->second;
        return true;
    }

    bool YesNo(const std::string& option, const std::string& text, bool& value)
    {
        return Choice<bool>(option, text, {{"yes", true}, {"no", false}}, value);
    }
};

// The names presets use too, so that a name means the same in both.
template <size_t N>
std::map<std::string, int> Codes(const NamedCode (&names)[N])
{
    std::map<std::string, int> codes;
    for (const NamedCode& n : names)
        codes[n.name] = n.code;
    return codes;
}

const std::map<std::string, int> MethodCodes = Codes(MethodNames);
const std::map<std::string, int> ContrastCodes = Codes(ContrastNames);
const std::map<std::string, int> EffectPositions = Codes(EffectNames);
const std::map<std::string, PlacePreset> PlaceNames = {
    {"topleft", PlacePreset::TopLeft},         {"topright", PlacePreset::TopRight},
    {"bottomleft", PlacePreset::BottomLeft},   {"bottomright", PlacePreset::BottomRight},
    {"center", PlacePreset::Center},           {"centertop", PlacePreset::CenterTop},
    {"centerbottom", PlacePreset::CenterBottom}, {"leftcenter", PlacePreset::LeftCenter},
    {"rightcenter", PlacePreset::RightCenter},
};

// Batch's input list and output folder, and the canvas at each picture's own size.
constexpr const char* OwnSizeCanvas = "source2";

bool IsBatchPathOption(const std::string& name) { return name == "--files-from" || name == "--output-dir"; }

bool ParseBatchPathOption(Parser& p, const std::string& name, const std::string& value, CliInvocation& out)
{
    if (out.command != CliCommand::Batch)
        return p.Fail(name + " belongs to batch");
    if (value.empty())
        return p.Fail(name + " needs a file or folder name");
    (name == "--files-from" ? out.filesFrom : out.outputDir) = value;
    return true;
}

bool ParseColour(Parser& p, const std::string& text, Bgr& colour)
{
    const bool hex = text.size() == 6 && std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return std::isxdigit(c) != 0;
    });
    if (!hex)
        return p.Fail("--base-color takes RRGGBB in hexadecimal, 000000..FFFFFF, not '" + text + "'");
    const unsigned long rgb = std::strtoul(text.c_str(), nullptr, 16);
    colour.red = uint8_t(rgb >> 16);
    colour.green = uint8_t(rgb >> 8);
    colour.blue = uint8_t(rgb);
    return true;
}

bool ParseCanvas(Parser& p, const std::string& text, CliMergeOptions& o)
{
    o.ownSize = text == OwnSizeCanvas;
    if (o.ownSize)
        return true;
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos)
        return p.Fail("--canvas takes WxH, 100..2048 x 100..1536, or source2, not '" + text + "'");
    return p.Ranged("--canvas width", text.substr(0, x), 100, 2048, o.canvasWidth) &&
           p.Ranged("--canvas height", text.substr(x + 1), 100, 1536, o.canvasHeight);
}

// One option of merge or batch with its value; false when it is not one, or is wrong.
bool ParseMergeOption(Parser& p, const std::string& name, const std::string& value, CliMergeOptions& o)
{
    int v = 0;
    if (name == "--canvas")
        return ParseCanvas(p, value, o);
    if (name == "--method")
        return p.Choice("--method", value, MethodCodes, o.mergeMethod);
    if (name == "--bias")
        return p.Ranged(name, value, 0, 100, v) && ((o.sourceBias = v * 256 / 100), true);
    if (name == "--contrast-type")
        return p.Choice(name, value, ContrastCodes, o.contrastMode);
    if (name == "--threshold")
        return p.Ranged(name, value, 0, 100, v) && ((o.infiniteThreshold = v * 255 / 100), true);
    if (name == "--contrast")
        return p.Channels(name, value, o.contrast);
    if (name == "--brightness")
        return p.Channels(name, value, o.brightness);
    if (name == "--effect")
        return p.Choice(name, value, EffectPositions, o.effectPosition);
    if (name == "--juxtapose")
        return p.Choice<int>(name, value, {{"12", 12}, {"21", 21}}, o.juxtapose);
    if (name == "--base-color")
        return ParseColour(p, value, o.baseColour);
    if (name == "--quality")
        return p.Ranged(name, value, 1, 100, o.quality);
    if (name == "--jobs")
        return p.Ranged(name, value, 1, 256, o.jobs);
    if (name.size() > 2 && (name.back() == '1' || name.back() == '2')) {
        CliSourceOptions& s = o.source[name.back() - '1'];
        const std::string base = name.substr(0, name.size() - 1);
        int a = 0, b = 0;
        if (base == "--scale")
            return p.Pair(name, value, 1, 500, a, b) && ((s.scaleH = a), (s.scaleV = b), true);
        if (base == "--fit")
            return p.YesNo(name, value, s.fit);
        if (base == "--angle")
            return p.Ranged(name, value, -180, 179, a) && ((s.angle = a), true);
        if (base == "--offset")
            return p.Pair(name, value, -1000000, 1000000, s.offsetX, s.offsetY);
        if (base == "--place") {
            PlacePreset preset{};
            return p.Choice(name, value, PlaceNames, preset) && ((s.place = preset), true);
        }
    }
    return p.Fail("unknown option " + name);
}

// Options the quick composition has no use for: it takes the bias average, without tone or effect.
bool QuickIgnores(const std::string& name)
{
    for (const char* option : {"--method", "--contrast-type", "--threshold", "--contrast", "--brightness", "--effect"})
        if (name == option)
            return true;
    return false;
}

// The orientation and metadata switches; convert takes them too.
bool ParseMetadataFlag(const std::string& name, CliMergeOptions& o)
{
    if (name == "--no-auto-orient")
        o.autoOrient = false;
    else if (name == "--strip-metadata")
        o.stripMetadata = true;
    else
        return false;
    return true;
}

bool IsFlag(const std::string& name)
{
    return name == "--flip1" || name == "--flip2" || name == "--quick" || name == "--no-auto-orient" ||
           name == "--strip-metadata";
}

// The preset comes first wherever --preset stands, so that every other option overrides it.
bool ReadPresetOption(Parser& p, const std::vector<std::string>& args, CliInvocation& out)
{
    std::string path;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-' || IsFlag(a))
            continue;
        if (i + 1 >= args.size())
            break;  // the option loop reports the missing value
        if (a == "--preset" && !path.empty())
            return p.Fail("--preset is given twice");
        if (a == "--preset")
            path = args[i + 1];
        ++i;
    }
    std::string error;
    if (!path.empty() && !ApplyPresetFile(path, out.options, out.warnings, error))
        return p.Fail(error);
    return true;
}

size_t PositionalCount(const CliInvocation& in)
{
    const CliCommand command = in.command;
    if (command == CliCommand::Batch && !in.filesFrom.empty())
        return 1;  // the list stands for FOLDER
    return command == CliCommand::Merge || command == CliCommand::Batch || command == CliCommand::Convert ? 2 : 0;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CliInvocation& out, std::string& error)
{
    Parser p;
    out = CliInvocation{};
    if (args.empty()) {
        error = "no command given; try brindor-cli --help";
        return false;
    }
    const std::string& verb = args[0];
    if (verb == "--help" || verb == "-h" || verb == "help") {
        out.command = CliCommand::Help;
        return true;
    }
    if (verb == "--version") {
        out.command = CliCommand::Version;
        return true;
    }
    const std::map<std::string, CliCommand> verbs = {
        {"merge", CliCommand::Merge}, {"batch", CliCommand::Batch}, {"convert", CliCommand::Convert}};
    if (!p.Choice("the command", verb, verbs, out.command)) {
        error = p.error;
        return false;
    }
    const bool merges = out.command == CliCommand::Merge || out.command == CliCommand::Batch;
    if (merges && !ReadPresetOption(p, args, out)) {
        error = p.error;
        return false;
    }
    std::string ignoredByQuick;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out.command = CliCommand::Help;
            return true;
        }
        const bool isOption = a.size() > 1 && a[0] == '-';
        if (!isOption) {
            out.positional.push_back(a);
            continue;
        }
        if (ParseMetadataFlag(a, out.options))
            continue;
        if (out.command == CliCommand::Convert && a != "--quality") {
            p.Fail("convert takes only --quality and --no-auto-orient, not " + a);
            break;
        }
        if (out.command != CliCommand::Batch && a == "--jobs") {
            p.Fail("--jobs belongs to batch");
            break;
        }
        if (IsFlag(a)) {
            if (a == "--quick")
                out.options.quick = true;
            else
                out.options.source[a.back() - '1'].flip = true;
            continue;
        }
        // Every other option takes the next word as its value, even one that starts with '-'.
        if (i + 1 >= args.size()) {
            p.Fail(a + " needs a value");
            break;
        }
        const std::string& value = args[++i];
        if (a == "--preset") {
            if (ignoredByQuick.empty())
                ignoredByQuick = a;
            continue;
        }
        if (IsBatchPathOption(a)) {
            if (!ParseBatchPathOption(p, a, value, out))
                break;
            continue;
        }
        if (a == "-o" || a == "--output") {
            if (out.command != CliCommand::Merge) {
                p.Fail(a + " belongs to merge");
                break;
            }
            out.output = value;
            continue;
        }
        if (!ParseMergeOption(p, a, value, out.options))
            break;
        if (ignoredByQuick.empty() && QuickIgnores(a))
            ignoredByQuick = a;
    }
    // Refused rather than dropped, so a script never writes a picture it did not ask for.
    if (p.error.empty() && out.options.quick && !ignoredByQuick.empty())
        p.Fail("--quick composes the bias average without tone or effect and cannot take " + ignoredByQuick +
               "; drop one of them");
    if (p.error.empty() && out.positional.size() != PositionalCount(out))
        p.Fail(verb + " takes " + std::to_string(PositionalCount(out)) + " paths, " +
               std::to_string(out.positional.size()) + " given; try brindor-cli --help");
    if (p.error.empty() && out.command == CliCommand::Merge && out.output.empty())
        p.Fail("merge needs -o OUTPUT");
    if (p.error.empty() && out.command == CliCommand::Merge && OutputFormatOf(out.output).empty())
        p.Fail("-o " + out.output + ": the output's suffix must be one of bmp, jpg, png, tif, tga, pcx");
    if (p.error.empty() && out.command == CliCommand::Convert && OutputFormatOf(out.positional[1]).empty())
        p.Fail(out.positional[1] + ": the output's suffix must be one of bmp, jpg, png, tif, tga, pcx");
    error = p.error;
    return error.empty();
}

std::string OutputFormatOf(const std::string& path)
{
    return ImageFormatOfName(FileNameOf(path));
}

std::string HelpText()
{
    return std::string(VersionText) + R"( - merge two pictures into one, from scripts

Usage:
  brindor-cli merge SOURCE1 SOURCE2 -o OUTPUT [options]
  brindor-cli batch SOURCE1 FOLDER [options] [--jobs N] [--output-dir DIR]
  brindor-cli batch SOURCE1 --files-from LIST|- [options] [--jobs N] [--output-dir DIR]
  brindor-cli convert INPUT OUTPUT [--quality Q] [--no-auto-orient]
  brindor-cli --help | --version

SOURCE is an image file (its suffix, in any letter case, chooses the decoder: bmp, jpg, jpeg,
jpe, png, tif, tiff are read by content; tga, pcx by the raster codecs) or the word 'blank', a
black picture of the canvas size. OUTPUT's format is the text after the last dot of its name:
bmp, jpg, jpeg, png, tif, tiff, tga or pcx. merge writes the whole target (its width a multiple
of 4, or source 2's own with --canvas source2); convert writes the
decoded picture at its own size. Files are written through a temporary file and a rename.

batch merges every FOLDER entry ending in .bmp, .jpg, .jpeg, .jpe, .png, .tif, .tiff, .tga or
.pcx (as source 2), in natural name order (img2 before img10), with SOURCE1 and writes
FOLDER/output/<lower-cased name> in that format; output/ itself is never
visited, unreadable files are reported and skipped, and so is a file whose lower-cased name an
earlier one (in name order) already takes. Files run on N threads (default: one per core) and
the bytes written do not depend on N. Ctrl+C stops after the files in flight.
--files-from takes the inputs from a list instead, one path a line ('-': standard input), in
the list's order; each output goes to the output/ folder beside its input. --output-dir DIR
puts every output in DIR instead (made when missing); it may not be a folder an input is in.
The bytes written are those of a FOLDER run over the same files, so a folder too large for
one machine can be shared out: see the README's recipe with GNU parallel.

Options of merge and batch:
  --canvas WxH | source2       100..2048 x 100..1536, default 1024x768; source2: the canvas is
                               source 2's size (each picture's own in a batch, its exact
                               width), up to 16384 x 16384 within the working memory; --placeN
                               then holds on every picture; a larger picture is refused
  --method NAME                greatest|average|least|subtract12|subtract21|comp12|comp21|
                               comp_h_12|comp_h_21|picture1|picture2, default average
  --bias P                     source 1/2 bias in percent 0..100 (stored P*256/100);
                               default: stored 127
  --contrast-type T            normal|gray|bw|color, default normal
  --threshold P                infinite contrast threshold in percent 0..100 (stored P*255/100);
                               default: stored 127
  --contrast P | R,G,B         0..100 each, default 50
  --brightness P | R,G,B       0..100 each, default 50
  --effect E                   none|blur|edge|emboss|sharpen|soften, default none
  --scale1 H,V  --scale2 H,V   1..500 each, default 100,100
  --fit1 yes|no --fit2 yes|no  scale to the target, default yes
  --flip1       --flip2        mirror the source
  --angle1 A    --angle2 A     whole degrees -180..179, positive clockwise, default 0; the
                               source turns about the canvas point where its centre was
                               after --offset and --place, as in the window's rotate dialog
  --offset1 X,Y --offset2 X,Y  the source's box starts X pixels left of and Y pixels above
                               the canvas's top left corner: positive values move the source
                               left and up, negative ones right and down; default 0,0
  --place1 P    --place2 P     topleft|topright|bottomleft|bottomright|center|centertop|
                               centerbottom|leftcenter|rightcenter (overrides --offset)
  --juxtapose 12|21            put the sources side by side (applied last)
  --base-color RRGGBB          colour where no source covers, hex, red first, default 000000
  --quick                      nearest-pixel placement and the fast composition: the bias
                               average where both sources cover, no tone, no effect; refused
                               together with --method, --contrast-type, --threshold,
                               --contrast, --brightness, --effect or --preset
  --preset FILE                start from a preset saved by the window (File > Save Preset...):
                               its canvas, settings, scales, angles and offsets, applied first
                               wherever the option stands; every other option overrides it
                               (--angleN then turns from the preset's angle); keys the file does
                               not know are named on stderr and skipped
  --quality Q                  JPEG quality 1..100, default 90
  --jobs N                     batch only: threads, default the number of cores
  --files-from LIST|-          batch only: the inputs, one path a line, instead of FOLDER
  --output-dir DIR             batch only: write every output in DIR
  --no-auto-orient             keep JPEG and TIFF pictures as stored instead of turning them
                               upright by their EXIF orientation
  --strip-metadata             write no metadata; by default JPEG, PNG and TIFF outputs keep
                               source 2's EXIF (orientation 1, the output's size), XMP, IPTC
                               and colour profile. A picture whose metadata is damaged still
                               loads, without it, with a warning on stderr
Values may be negative: in --offset1 -5,3 the value follows its option.

Exit codes:
  0 success   1 usage error or value out of range   2 an input cannot be loaded
  3 the output cannot be written   4 (batch) some files were skipped, each named on stderr

Examples:
  brindor-cli merge photo.jpg logo.png -o out.jpg --method greatest --fit2 no --place2 bottomright
  brindor-cli batch logo.png holiday/ --fit1 no --place1 bottomright --bias 50
)";
}
