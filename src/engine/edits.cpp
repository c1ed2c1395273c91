#include <climits>
#include <cstdio>

#include "effects.h"
#include "engine.h"

int ReadInteger(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        if (value <= INT_MAX)
            value = value * 10 + (text[i] - '0');
    if (negative)
        value = -value;
    return static_cast<int>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
}

std::string FormatRange(const char* pattern, int low, int high)
{
    char text[96];
    std::snprintf(text, sizeof text, pattern, low, high);
    return text;
}

void Engine::Show(PropertyId id, const std::string& text)
{
    std::string& current = shown[static_cast<int>(id)];
    if (current == text)
        return;
    current = text;
    if (listener)
        listener->PropertyShown(id, text);
}

void Engine::Enable(PropertyId id, bool on)
{
    bool& current = enabled[static_cast<int>(id)];
    if (current == on)
        return;
    current = on;
    if (listener)
        listener->PropertyEnabled(id, on);
}

CommitResult Engine::CommitNumber(PropertyId id, const std::string& text)
{
    const PropertyRow& row = Property(id);
    const bool scale = row.kind == PropertyKind::ScalePercent;
    if (!scale && row.kind != PropertyKind::Percent)
        return CommitResult::Refused;
    if (text == Shown(id))
        return CommitResult::Accepted;
    const int v = ReadInteger(text);
    if (v < row.minimum || v > row.maximum) {
        // The message box is modal; a commit that arrives while it is open closes quietly.
        bool& onScreen = messageOnScreen[scale ? 0 : 1];
        if (onScreen)
            return CommitResult::Ended;
        onScreen = true;
        if (prompts)
            prompts->Show(FormatRange(scale ? ScaleRangeMessage : PercentRangeMessage, row.minimum, row.maximum),
                          PromptKind::Plain);
        onScreen = false;
        return CommitResult::Refused;
    }
    ApplyNumber(row, v);
    Show(id, std::to_string(v));
    return CommitResult::Accepted;
}

void Engine::ApplyNumber(const PropertyRow& row, int v)
{
    if (row.kind == PropertyKind::ScalePercent) {
        const SourceIndex s = row.source;
        (row.tag == 0 ? settings.verticalScale : settings.horizontalScale)[s - 1] = v;
        UpdateSourceGeometry(s);
        PlaceAndCompose(s == 1, s == 2);
        if (listener && listener->ScrollSource() == s)
            listener->ScrollSourceRequested(s, false);
        return;
    }
    const std::string text = std::to_string(v);
    switch (row.tag) {
    case 0: settings.sourceBias = BiasFromPercent(v); break;
    case 1: settings.infiniteThreshold = ThresholdFromPercent(v); break;
    case 2:
        for (int ch = 0; ch < 3; ++ch)
            settings.channelContrast[ch] = v;
        Show(PropertyId::RedContrast, text);
        Show(PropertyId::GreenContrast, text);
        Show(PropertyId::BlueContrast, text);
        break;
    case 3: case 4: case 5: settings.channelContrast[row.tag - 3] = v; break;
    case 130:
        for (int ch = 0; ch < 3; ++ch)
            settings.channelBrightness[ch] = v;
        Show(PropertyId::RedBrightness, text);
        Show(PropertyId::GreenBrightness, text);
        Show(PropertyId::BlueBrightness, text);
        break;
    case 131: case 132: case 133: settings.channelBrightness[row.tag - 131] = v; break;
    default: break;
    }
    ComposeTarget();
}

void Engine::CommitListChoice(PropertyId id, const std::string& text)
{
    const PropertyRow& row = Property(id);
    if (row.kind != PropertyKind::List)
        return;
    Show(id, text);
    const int position = FindOption(row, text);
    if (position >= 0) {
        const int code = row.options[position].code;
        if (id == PropertyId::MergeMethod) {
            settings.mergeMethod = code;
        } else if (id == PropertyId::ContrastType) {
            settings.contrastMode = code;
            Enable(PropertyId::InfiniteContrastBias, code == 2 || code == 3);
        } else if (id == PropertyId::Effects) {
            settings.effect = EffectKernelAt(code);
        }
    }
    ComposeTarget();
}

void Engine::CommitFlag(PropertyId id, bool value)
{
    const PropertyRow& row = Property(id);
    if (row.kind != PropertyKind::TrueFalse)
        return;
    const SourceIndex s = row.source;
    Show(id, value ? TrueText : FalseText);
    const bool scaleMethod = id == PropertyId::ScaleToTarget1 || id == PropertyId::ScaleToTarget2;
    (scaleMethod ? settings.scaleToTarget : settings.flipHorizontal)[s - 1] = value;
    UpdateSourceGeometry(s);
    PlaceAndCompose(s == 1, s == 2);
    // The pane's "Scroll source" command, enabled only with both sources loaded.
    if (scaleMethod && listener && TwoSources())
        listener->ScrollSourceRequested(s, true);
}

bool Engine::ResetCommand()
{
    if (!TwoSources() || !prompts || !prompts->Ask(ResetQuestion))
        return false;
    ResetAllParameters();
    return true;
}

void Engine::ResetAllParameters()
{
    const MergeSettings defaults;
    for (PropertyId id : {PropertyId::OverallContrast, PropertyId::RedContrast, PropertyId::GreenContrast,
                          PropertyId::BlueContrast, PropertyId::OverallBrightness, PropertyId::RedBrightness,
                          PropertyId::GreenBrightness, PropertyId::BlueBrightness, PropertyId::SourceBias})
        Show(id, Property(id).shownDefault);
    for (int ch = 0; ch < 3; ++ch) {
        settings.channelContrast[ch] = defaults.channelContrast[ch];
        settings.channelBrightness[ch] = defaults.channelBrightness[ch];
    }
    settings.sourceBias = defaults.sourceBias;
    for (SourceIndex s : {1, 2}) {
        Show(ScaleToTargetRow(s), TrueText);
        placement[s - 1].angle = 0.0;
        settings.scaleToTarget[s - 1] = true;
        Show(FlipRow(s), FalseText);
        settings.flipHorizontal[s - 1] = false;
        for (int axis : {0, 1})
            Show(ScaleRow(axis, s), Property(ScaleRow(axis, s)).shownDefault);
        settings.horizontalScale[s - 1] = settings.verticalScale[s - 1] = 100.0;
    }
    for (PropertyId id : {PropertyId::Effects, PropertyId::MergeMethod, PropertyId::ContrastType})
        Show(id, Property(id).shownDefault);
    settings.effect = EffectKernel{};
    settings.mergeMethod = defaults.mergeMethod;
    settings.contrastMode = defaults.contrastMode;
    // Every placement below reads this geometry; the intermediate placement of the old offsets
    // would be overwritten at once, so only the final one is made.
    for (SourceIndex s : {1, 2}) {
        UpdateSourceGeometry(s);
        const auto [x, y] = CentreOffsets(s);
        placement[s - 1].offsetX = x;
        placement[s - 1].offsetY = y;
    }
    PlaceAndCompose(true, true);
}
