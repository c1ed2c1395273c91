// --preset: a preset file saved by the window, as command-line options.
#include <algorithm>

#include "cli_options.h"
#include "effects.h"
#include "merge_preset.h"

bool ApplyPresetFile(const std::string& path, CliMergeOptions& o, std::vector<std::string>& warnings,
                     std::string& error)
{
    MergePreset preset;
    PresetReport report;
    if (!ReadPresetFile(path, preset, report)) {
        error = "--preset " + path + ": " + report.error;
        return false;
    }
    for (const std::string& w : report.warnings)
        warnings.push_back("--preset " + path + ": " + w);
    const MergeSettings& m = preset.settings;
    o.canvasWidth = preset.canvasWidth;
    o.canvasHeight = preset.canvasHeight;
    o.mergeMethod = m.mergeMethod;
    o.sourceBias = m.sourceBias;
    o.contrastMode = m.contrastMode;
    o.infiniteThreshold = m.infiniteThreshold;
    std::copy(m.channelContrast, m.channelContrast + 3, o.contrast);
    std::copy(m.channelBrightness, m.channelBrightness + 3, o.brightness);
    o.effectPosition = std::max(0, EffectPosition(m.effect));
    o.baseColour = m.baseColour;
    for (int s = 0; s < 2; ++s) {
        CliSourceOptions& source = o.source[s];
        source.scaleH = m.horizontalScale[s];
        source.scaleV = m.verticalScale[s];
        source.fit = m.scaleToTarget[s];
        source.flip = m.flipHorizontal[s];
        // The offsets hold at the preset's angle; --angleN turns from there.
        source.startAngle = source.angle = preset.angle[s];
        source.offsetX = preset.offsetX[s];
        source.offsetY = preset.offsetY[s];
    }
    return true;
}
