#include "merge_preset.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string_view>

#include "atomic_file.h"
#include "effects.h"

const NamedCode MethodNames[11] = {
    {"greatest", 2}, {"average", 6},    {"least", 3},      {"subtract12", 4}, {"subtract21", 5}, {"comp12", 7},
    {"comp21", 8},   {"comp_h_12", 9}, {"comp_h_21", 10}, {"picture1", 0},   {"picture2", 1},
};
const NamedCode ContrastNames[4] = {{"normal", 1}, {"gray", 0}, {"bw", 2}, {"color", 3}};
const NamedCode EffectNames[6] = {{"none", 0},   {"blur", 1},    {"edge", 2},
                                  {"emboss", 3}, {"sharpen", 4}, {"soften", 5}};

namespace {

constexpr size_t MaxPresetBytes = size_t(1) << 20;
constexpr int MinCanvasSide = 100;
constexpr int MaxOffset = 1000000;
// Juxtaposition may leave any positive scale; a bound keeps nonsense out.
constexpr double MaxScale = 1000000.0;

std::string_view Trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string_view> Parts(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t at = text.find(separator);
        parts.push_back(Trimmed(text.substr(0, at)));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

// Whole numbers and reals without the locale: a preset reads the same everywhere.
template <typename T>
bool Number(std::string_view text, T& value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

std::string Real(double v)
{
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return ec == std::errc() ? std::string(text, end) : "0";
}

// One line's value and what a mistake in it reads like.
struct Value {
    int line;
    std::string key;
    std::string_view text;
    std::string& error;

    bool Fail(const std::string& wanted)
    {
        error = "line " + std::to_string(line) + ": " + key + " takes " + wanted + ", not '" + std::string(text) + "'";
        return false;
    }
    bool Whole(std::string_view part, int low, int high, int& v)
    {
        int n = 0;
        if (!Number(part, n) || n < low || n > high)
            return Fail("whole numbers from " + std::to_string(low) + " to " + std::to_string(high));
        v = n;
        return true;
    }
    template <size_t N>
    bool Named(const NamedCode (&names)[N], int& code)
    {
        for (const NamedCode& n : names)
            if (text == n.name) {
                code = n.code;
                return true;
            }
        std::string list = "one of ";
        for (size_t i = 0; i < N; ++i) {
            if (i > 0)
                list += '|';
            list += names[i].name;
        }
        return Fail(list);
    }
    bool YesNo(bool& v)
    {
        if (text != "yes" && text != "no")
            return Fail("yes or no");
        v = text == "yes";
        return true;
    }
    bool Pair(int low, int high, int& a, int& b)
    {
        const auto p = Parts(text, ',');
        if (p.size() != 2)
            return Fail("two whole numbers A,B from " + std::to_string(low) + " to " + std::to_string(high));
        return Whole(p[0], low, high, a) && Whole(p[1], low, high, b);
    }
    bool Channels(int (&rgb)[3])
    {
        const auto p = Parts(text, ',');
        if (p.size() != 1 && p.size() != 3)
            return Fail("P or R,G,B, each 0..100");
        int v[3];
        for (size_t i = 0; i < 3; ++i)
            if (!Whole(p[p.size() == 1 ? 0 : i], 0, 100, v[i]))
                return false;
        std::copy(v, v + 3, rgb);
        return true;
    }
    bool Scales(double& h, double& v)
    {
        const auto p = Parts(text, ',');
        double a = 0, b = 0;
        if (p.size() != 2 || !Number(p[0], a) || !Number(p[1], b) || !(a > 0 && a <= MaxScale) ||
            !(b > 0 && b <= MaxScale))
            return Fail("two percents H,V above 0 and up to 1000000");
        h = a;
        v = b;
        return true;
    }
    bool Angle(double& angle)
    {
        double a = 0;
        if (!Number(text, a) || !(a >= -180.0 && a < 180.0))
            return Fail("degrees from -180 up to 180");
        angle = a;
        return true;
    }
    bool Canvas(int& w, int& h)
    {
        const size_t x = text.find_first_of("xX");
        int a = 0, b = 0;
        if (x == std::string_view::npos || !Number(Trimmed(text.substr(0, x)), a) ||
            !Number(Trimmed(text.substr(x + 1)), b) || a < MinCanvasSide || a > MaxCanvasWidth ||
            b < MinCanvasSide || b > MaxCanvasHeight)
            return Fail("WxH, 100..2048 x 100..1536");
        w = a;
        h = b;
        return true;
    }
    bool Colour(Bgr& c)
    {
        const bool hex = text.size() == 6 && std::all_of(text.begin(), text.end(), [](char ch) {
            return std::isxdigit(static_cast<unsigned char>(ch)) != 0;
        });
        if (!hex)
            return Fail("RRGGBB in hexadecimal");
        const unsigned long rgb = std::strtoul(std::string(text).c_str(), nullptr, 16);
        c = Bgr{uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16)};
        return true;
    }
};

using KeyReader = std::function<bool(Value&, MergePreset&)>;

const std::map<std::string, KeyReader>& KeyReaders()
{
    static const std::map<std::string, KeyReader> readers = [] {
        std::map<std::string, KeyReader> r;
        r["version"] = [](Value& v, MergePreset&) {
            int version = 0;
            if (!Number(v.text, version) || version < 1)
                return v.Fail("a version number");
            if (version > PresetVersion)
                return v.Fail("version " + std::to_string(PresetVersion) + " or older");
            return true;
        };
        r["canvas"] = [](Value& v, MergePreset& p) { return v.Canvas(p.canvasWidth, p.canvasHeight); };
        r["method"] = [](Value& v, MergePreset& p) { return v.Named(MethodNames, p.settings.mergeMethod); };
        r["source_bias"] = [](Value& v, MergePreset& p) { return v.Whole(v.text, 0, 256, p.settings.sourceBias); };
        r["contrast_type"] = [](Value& v, MergePreset& p) { return v.Named(ContrastNames, p.settings.contrastMode); };
        r["infinite_threshold"] = [](Value& v, MergePreset& p) {
            return v.Whole(v.text, 0, 255, p.settings.infiniteThreshold);
        };
        r["contrast"] = [](Value& v, MergePreset& p) { return v.Channels(p.settings.channelContrast); };
        r["brightness"] = [](Value& v, MergePreset& p) { return v.Channels(p.settings.channelBrightness); };
        r["effect"] = [](Value& v, MergePreset& p) {
            int position = 0;
            return v.Named(EffectNames, position) && ((p.settings.effect = EffectKernelAt(position)), true);
        };
        r["base_color"] = [](Value& v, MergePreset& p) { return v.Colour(p.settings.baseColour); };
        for (int s = 0; s < 2; ++s) {
            const std::string n = std::to_string(s + 1);
            r["scale" + n] = [s](Value& v, MergePreset& p) {
                return v.Scales(p.settings.horizontalScale[s], p.settings.verticalScale[s]);
            };
            r["fit" + n] = [s](Value& v, MergePreset& p) { return v.YesNo(p.settings.scaleToTarget[s]); };
            r["flip" + n] = [s](Value& v, MergePreset& p) { return v.YesNo(p.settings.flipHorizontal[s]); };
            r["angle" + n] = [s](Value& v, MergePreset& p) { return v.Angle(p.angle[s]); };
            r["offset" + n] = [s](Value& v, MergePreset& p) {
                return v.Pair(-MaxOffset, MaxOffset, p.offsetX[s], p.offsetY[s]);
            };
        }
        return r;
    }();
    return readers;
}

template <size_t N>
const char* NameOf(const NamedCode (&names)[N], int code)
{
    for (const NamedCode& n : names)
        if (n.code == code)
            return n.name;
    return names[0].name;
}

std::string Triple(const int (&v)[3])
{
    return std::to_string(v[0]) + "," + std::to_string(v[1]) + "," + std::to_string(v[2]);
}

std::string ListText(const ListChoice* list, int count, int code)
{
    for (int i = 0; i < count; ++i)
        if (list[i].code == code)
            return list[i].text;
    return list[0].text;
}

// The percent a row shows for a stored value: the one that stores it, or the nearest.
int PercentFor(int stored, int scale)
{
    for (int p = 0; p <= 100; ++p)
        if (p * scale / 100 == stored)
            return p;
    return std::clamp(static_cast<int>(std::lround(stored * 100.0 / scale)), 0, 100);
}

// What the pane shows after a preset: the values as its rows would show them.
void ShowPreset(Engine& engine, const MergeSettings& m)
{
    for (SourceIndex s : {1, 2}) {
        engine.RestoreShown(ScaleRow(0, s), std::to_string(static_cast<int>(m.verticalScale[s - 1])));
        engine.RestoreShown(ScaleRow(1, s), std::to_string(static_cast<int>(m.horizontalScale[s - 1])));
        engine.RestoreShown(ScaleToTargetRow(s), m.scaleToTarget[s - 1] ? TrueText : FalseText);
        engine.RestoreShown(FlipRow(s), m.flipHorizontal[s - 1] ? TrueText : FalseText);
    }
    engine.RestoreShown(PropertyId::MergeMethod, ListText(MergeMethodList, 11, m.mergeMethod));
    engine.RestoreShown(PropertyId::SourceBias, std::to_string(PercentFor(m.sourceBias, 256)));
    engine.RestoreShown(PropertyId::ContrastType, ListText(ContrastTypeList, 4, m.contrastMode));
    engine.RestoreEnabled(PropertyId::InfiniteContrastBias, m.contrastMode == 2 || m.contrastMode == 3);
    engine.RestoreShown(PropertyId::InfiniteContrastBias, std::to_string(PercentFor(m.infiniteThreshold, 255)));
    const PropertyId contrast[3] = {PropertyId::RedContrast, PropertyId::GreenContrast, PropertyId::BlueContrast};
    const PropertyId bright[3] = {PropertyId::RedBrightness, PropertyId::GreenBrightness, PropertyId::BlueBrightness};
    for (int c = 0; c < 3; ++c) {
        engine.RestoreShown(contrast[c], std::to_string(m.channelContrast[c]));
        engine.RestoreShown(bright[c], std::to_string(m.channelBrightness[c]));
    }
    // The overall rows set all three channels; they show a value only where the three agree.
    const int* cc = m.channelContrast;
    const int* cb = m.channelBrightness;
    if (cc[0] == cc[1] && cc[1] == cc[2])
        engine.RestoreShown(PropertyId::OverallContrast, std::to_string(cc[0]));
    if (cb[0] == cb[1] && cb[1] == cb[2])
        engine.RestoreShown(PropertyId::OverallBrightness, std::to_string(cb[0]));
    engine.RestoreShown(PropertyId::Effects, EffectList[std::max(0, EffectPosition(m.effect))].text);
}

}  // namespace

bool ParsePreset(const std::string& text, MergePreset& preset, PresetReport& report)
{
    report = PresetReport{};
    MergePreset read = preset;
    bool headerSeen = false;
    bool inPreset = false;
    int lineNumber = 0;
    for (std::string_view rest = text; !rest.empty() || lineNumber == 0;) {
        const size_t end = rest.find('\n');
        const std::string_view line = Trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        ++lineNumber;
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (line.empty() || line.front() == '#' || line.front() == ';')
            continue;
        if (line.front() == '[') {
            inPreset = line == PresetHeader;
            if (!headerSeen && !inPreset)
                break;
            headerSeen = true;
            if (!inPreset)
                report.warnings.push_back(where + "unknown section " + std::string(line) + " skipped");
            continue;
        }
        if (!headerSeen)
            break;
        if (!inPreset)
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            report.error = where + "expected key = value, not '" + std::string(line) + "'";
            return false;
        }
        Value value{lineNumber, std::string(Trimmed(line.substr(0, equals))), Trimmed(line.substr(equals + 1)),
                    report.error};
        const auto reader = KeyReaders().find(value.key);
        if (reader == KeyReaders().end()) {
            report.warnings.push_back(where + "unknown key '" + value.key + "' skipped");
            continue;
        }
        if (!reader->second(value, read))
            return false;
    }
    if (!headerSeen) {
        report.error = "line " + std::to_string(lineNumber) + ": a preset starts with " + PresetHeader;
        return false;
    }
    preset = read;
    return true;
}

std::string FormatPreset(const MergePreset& p)
{
    const MergeSettings& m = p.settings;
    char colour[8];
    std::snprintf(colour, sizeof colour, "%02X%02X%02X", m.baseColour.red, m.baseColour.green, m.baseColour.blue);
    std::string text = std::string(PresetHeader) + "\n" +
                       "# brindor merge preset: the canvas, every merge setting and where both sources sit.\n" +
                       "version = " + std::to_string(PresetVersion) + "\n" +
                       "canvas = " + std::to_string(p.canvasWidth) + "x" + std::to_string(p.canvasHeight) + "\n" +
                       "method = " + NameOf(MethodNames, m.mergeMethod) + "\n" +
                       "# stored 0..256 (the pane's percent P stores P*256/100; a fresh window holds 127)\n" +
                       "source_bias = " + std::to_string(m.sourceBias) + "\n" +
                       "contrast_type = " + NameOf(ContrastNames, m.contrastMode) + "\n" +
                       "# stored 0..255 (the pane's percent P stores P*255/100)\n" +
                       "infinite_threshold = " + std::to_string(m.infiniteThreshold) + "\n" +
                       "contrast = " + Triple(m.channelContrast) + "\n" +
                       "brightness = " + Triple(m.channelBrightness) + "\n" +
                       "effect = " + NameOf(EffectNames, std::max(0, EffectPosition(m.effect))) + "\n" +
                       "base_color = " + colour + "\n";
    for (int s = 0; s < 2; ++s) {
        const std::string n = std::to_string(s + 1);
        text += "# source " + n + ": scale H,V in percent; offsets X,Y move the source left and up\n";
        text += "scale" + n + " = " + Real(m.horizontalScale[s]) + "," + Real(m.verticalScale[s]) + "\n";
        text += "fit" + n + " = " + (m.scaleToTarget[s] ? "yes" : "no") + "\n";
        text += "flip" + n + " = " + (m.flipHorizontal[s] ? "yes" : "no") + "\n";
        text += "angle" + n + " = " + Real(p.angle[s]) + "\n";
        text += "offset" + n + " = " + std::to_string(p.offsetX[s]) + "," + std::to_string(p.offsetY[s]) + "\n";
    }
    return text;
}

bool ReadPresetFile(const std::string& path, MergePreset& preset, PresetReport& report)
{
    report = PresetReport{};
    // Not blocking: a FIFO named as a preset is refused rather than waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        report.error = std::strerror(errno);
        return false;
    }
    struct stat info {};
    std::string text;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        report.error = "not a regular file";
    else if (size_t(info.st_size) > MaxPresetBytes)
        report.error = "too large for a preset";
    else {
        text.resize(size_t(info.st_size));
        size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n <= 0) {
                report.error = n < 0 ? std::strerror(errno) : "the file ended early";
                break;
            }
            got += size_t(n);
        }
    }
    ::close(fd);
    return report.error.empty() && ParsePreset(text, preset, report);
}

bool WritePresetFile(const std::string& path, const MergePreset& preset, std::string& error)
{
    const std::string text = FormatPreset(preset);
    AtomicFile file(path);
    if (!file.Open() || std::fwrite(text.data(), 1, text.size(), file.Stream()) != text.size() || !file.Commit()) {
        error = file.Error().empty() ? std::string(std::strerror(errno)) : file.Error();
        return false;
    }
    return true;
}

std::string PresetFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return base + "/brindor/presets";
}

bool MakePresetFolder(const std::string& folder, std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        error = ec.message();
    return !ec;
}

MergePreset PresetFromEngine(const Engine& engine)
{
    MergePreset p;
    p.settings = engine.settings;
    p.settings.effect = EffectKernelAt(std::max(0, EffectPosition(engine.settings.effect)));
    for (int s = 0; s < 2; ++s) {
        p.angle[s] = engine.placement[s].angle;
        p.offsetX[s] = engine.placement[s].offsetX;
        p.offsetY[s] = engine.placement[s].offsetY;
    }
    p.canvasWidth = std::clamp(engine.canvasRect.Width(), MinCanvasSide, MaxCanvasWidth);
    p.canvasHeight = std::clamp(engine.canvasRect.Height(), MinCanvasSide, MaxCanvasHeight);
    return p;
}

void ApplyPreset(Engine& engine, const MergePreset& preset)
{
    engine.settings = preset.settings;
    for (SourceIndex s : {1, 2})
        engine.placement[s - 1].angle = preset.angle[s - 1];
    engine.UpdateSourceGeometry(1);
    engine.UpdateSourceGeometry(2);
    for (SourceIndex s : {1, 2}) {
        engine.placement[s - 1].offsetX = preset.offsetX[s - 1];
        engine.placement[s - 1].offsetY = preset.offsetY[s - 1];
    }
    ShowPreset(engine, preset.settings);
    engine.quickPreview = false;
    engine.PlaceSource(1);
    engine.PlaceSource(2);
    engine.ComposeTarget();
}
