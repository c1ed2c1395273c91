#include "settings_tables.h"

const ListChoice MergeMethodList[11] = {
    {"Greatest", 2},
    {"Average", 6},
    {"Least", 3},
    {"Subtract 1, 2", 4},
    {"Subtract 2, 1", 5},
    {"If 1 > gray then 1 else 2", 7},
    {"If 1 > gray then 2 else 1", 8},
    {"If 2 > gray then 1 else 2", 9},
    {"If 2 > gray then 2 else 1", 10},
    {"Copy srce 1 image only", 0},
    {"Copy srce 2 image only", 1},
};

const ListChoice ContrastTypeList[4] = {
    {"Normal contrast", 1},
    {"Gray scale", 0},
    {"Infinite contrast b/w", 2},
    {"Infinite contrast color", 3},
};

const ListChoice EffectList[6] = {
    {"No effects", 0}, {"Blur", 1}, {"Edge", 2}, {"Emboss", 3}, {"Sharpen", 4}, {"Soften", 5},
};

namespace {

constexpr const char* ScaleClass = "CBoundedNumberSubProp_a";
constexpr const char* PercentClass = "CBoundedNumberSubProp_b";
constexpr const char* Scaling1 = "Scaling: Source 1";
constexpr const char* Scaling2 = "Scaling: Source 2";
constexpr const char* ScaleMethod = "Source Scale Method";
constexpr const char* Merge = "Merge method";
constexpr const char* Contrast = "Contrast / Gray Scale";
constexpr const char* Tone = "Contrast / Brightness";
constexpr const char* RgbContrast = "RGB Contrast";
constexpr const char* RgbBrightness = "RGB brightness";
constexpr const char* Flip = "Horizontal flip";
constexpr const char* Effect = "Special Effects";

constexpr PropertyKind Scale = PropertyKind::ScalePercent;
constexpr PropertyKind Pct = PropertyKind::Percent;
constexpr PropertyKind Flag = PropertyKind::TrueFalse;
constexpr PropertyKind List = PropertyKind::List;

}  // namespace

// clang-format off
const PropertyRow PropertyTable[PropertyCount] = {
    {PropertyId::VerticalScale1, Scaling1, "", "Vertical scale", ScaleClass, Scale, "100", 1, 500, 0, 1,
     "Change percent vertical scale of source 1", true, nullptr, 0},
    {PropertyId::HorizontalScale1, Scaling1, "", "Horizontal scale", ScaleClass, Scale, "100", 1, 500, 1, 1,
     "Change percent horizontal scale of source 1", true, nullptr, 0},
    {PropertyId::VerticalScale2, Scaling2, "", "Vertical scale", ScaleClass, Scale, "100", 1, 500, 0, 2,
     "Change percent vertical scale of source 2", true, nullptr, 0},
    {PropertyId::HorizontalScale2, Scaling2, "", "Horizontal scale", ScaleClass, Scale, "100", 1, 500, 1, 2,
     "Change percent horizontal scale of source 2", true, nullptr, 0},
    {PropertyId::ScaleToTarget1, ScaleMethod, "", "Scale Srce 1 to Target", "choose_scale_method", Flag, TrueText,
     0, 0, -1, 1,
     "Scaling you set are relative to target size set in edit menu (TRUE)\n -or- relative to original source 1 size (FALSE)",
     true, nullptr, 0},
    {PropertyId::ScaleToTarget2, ScaleMethod, "", "Scale Srce 2 to Target", "choose_scale_method", Flag, TrueText,
     0, 0, -1, 2,
     "Scaling you set are relative to target size set in edit menu (TRUE)\n -or- relative to original source 2 size (FALSE)",
     true, nullptr, 0},
    {PropertyId::MergeMethod, Merge, "", "Per pixel src 1 & 2", "merge_method", List, "Average", 0, 0, -1, 0,
     "Select a merging method between\nthe two source images.", true, MergeMethodList, 11},
    {PropertyId::SourceBias, Merge, "", "Source 1/2 Bias", PercentClass, Pct, "50", 0, 100, 0, 0,
     "Adjust overlay source bias where \n0% = source 1 only up to 100% = source 2 only.", true, nullptr, 0},
    {PropertyId::ContrastType, Contrast, "", "Contrast type:", "contrast_type", List, "Normal contrast", 0, 0, -1, 0,
     "Select a Contrast type for the target image.\nAlso can set gray scale.", true, ContrastTypeList, 4},
    {PropertyId::InfiniteContrastBias, Contrast, "", "Infinite Contrast Bias", PercentClass, Pct, "50", 0, 100, 1, 0,
     "Infinite here means black or white\nSet the threshold B<>W with this command.", false, nullptr, 0},
    {PropertyId::OverallContrast, Tone, "", "Overall Contrast %", PercentClass, Pct, "50", 0, 100, 2, 0,
     "Set percent overall contrast of the target image.\nIndividual RGB contrast changes automatically.", true,
     nullptr, 0},
    {PropertyId::RedContrast, Tone, RgbContrast, "Red Contrast %", PercentClass, Pct, "50", 0, 100, 3, 0,
     "Set percent contrast for the red\ncomponent of the target image.", true, nullptr, 0},
    {PropertyId::GreenContrast, Tone, RgbContrast, "Green Contrast %", PercentClass, Pct, "50", 0, 100, 4, 0,
     "Set percent contrast for the green\ncomponent of the target image.", true, nullptr, 0},
    {PropertyId::BlueContrast, Tone, RgbContrast, "Blue Contrast %", PercentClass, Pct, "50", 0, 100, 5, 0,
     "Set percent contrast for the blue\ncomponent of the target image.", true, nullptr, 0},
    {PropertyId::OverallBrightness, Tone, "", "Overall Brightness", PercentClass, Pct, "50", 0, 100, 130, 0,
     "Set percent overall brightness of the target image.\nIndividual RGB brightess change automatically.", true,
     nullptr, 0},
    {PropertyId::RedBrightness, Tone, RgbBrightness, "Red Brightness %", PercentClass, Pct, "50", 0, 100, 131, 0,
     "Set percent brightness for the red\ncomponent of the target image.", true, nullptr, 0},
    {PropertyId::GreenBrightness, Tone, RgbBrightness, "Green Brightness %", PercentClass, Pct, "50", 0, 100, 132, 0,
     "Set percent brightness for the green\ncomponent of the target image.", true, nullptr, 0},
    {PropertyId::BlueBrightness, Tone, RgbBrightness, "Blue Brightness %", PercentClass, Pct, "50", 0, 100, 133, 0,
     "Set percent brightness for the blue\ncomponent of the target image.", true, nullptr, 0},
    {PropertyId::FlipSource1, Flip, "", "Flip Source 1", "choose_flip_side", Flag, FalseText, 0, 0, -1, 1,
     "Horizontally flip source 1", true, nullptr, 0},
    {PropertyId::FlipSource2, Flip, "", "Flip Source 2", "choose_flip_side", Flag, FalseText, 0, 0, -1, 2,
     "Horizontally flip source 2", true, nullptr, 0},
    {PropertyId::Effects, Effect, "", "Effects:", "effects_type", List, "No effects", 0, 0, -1, 0,
     "Select a 'surreal' effect\non the target image.", true, EffectList, 6},
};
// clang-format on

int FindOption(const PropertyRow& row, const std::string& text)
{
    for (int i = 0; i < row.optionCount; ++i)
        if (text == row.options[i].text)
            return i;
    return -1;
}

bool PercentRowForTag(int tag, PropertyId& id)
{
    for (const PropertyRow& row : PropertyTable)
        if (row.kind == PropertyKind::Percent && row.tag == tag) {
            id = row.id;
            return true;
        }
    return false;
}

PropertyId ScaleRow(int axis, SourceIndex s)
{
    if (s == 1)
        return axis == 0 ? PropertyId::VerticalScale1 : PropertyId::HorizontalScale1;
    return axis == 0 ? PropertyId::VerticalScale2 : PropertyId::HorizontalScale2;
}

PropertyId ScaleToTargetRow(SourceIndex s) { return s == 1 ? PropertyId::ScaleToTarget1 : PropertyId::ScaleToTarget2; }

PropertyId FlipRow(SourceIndex s) { return s == 1 ? PropertyId::FlipSource1 : PropertyId::FlipSource2; }
