#pragma once
#include <string>

#include "merge_settings.h"

// Every row of the properties pane, in pane order. The pane builds its grid from PropertyTable
// and the engine names rows by these ids when it tells the pane what to show.
enum class PropertyId : int {
    VerticalScale1,
    HorizontalScale1,
    VerticalScale2,
    HorizontalScale2,
    ScaleToTarget1,
    ScaleToTarget2,
    MergeMethod,
    SourceBias,
    ContrastType,
    InfiniteContrastBias,
    OverallContrast,
    RedContrast,
    GreenContrast,
    BlueContrast,
    OverallBrightness,
    RedBrightness,
    GreenBrightness,
    BlueBrightness,
    FlipSource1,
    FlipSource2,
    Effects,
};
constexpr int PropertyCount = 21;

// How a row is edited and which commit rule applies to it.
enum class PropertyKind {
    ScalePercent,  // integer 1..500, class CBoundedNumberSubProp_a
    Percent,       // integer 0..100, class CBoundedNumberSubProp_b
    TrueFalse,     // a true/false choice
    List,          // a drop-down list, not editable as text
};

// The texts a true/false row shows.
inline constexpr const char* TrueText = "True";
inline constexpr const char* FalseText = "False";

// One choice of a list with the code it stores.
struct ListChoice {
    const char* text;
    int code;
};

// One pane row as data.
struct PropertyRow {
    PropertyId id;
    const char* group;     // heading the row sits under
    const char* subGroup;  // nested heading inside the group, or "" for none
    const char* label;
    const char* className;
    PropertyKind kind;
    const char* shownDefault;  // what the row shows when the pane is created
    int minimum;               // bounds and spin range of numeric rows; 0 for the others
    int maximum;
    int tag;            // percent rows: the tag; scale rows: the axis (0 vertical, 1 horizontal); else -1
    SourceIndex source; // 1 or 2 for the per-source rows, 0 for the others
    const char* description;
    bool enabledAtStart;
    const ListChoice* options;  // list rows only, else null
    int optionCount;
};

extern const PropertyRow PropertyTable[PropertyCount];
inline const PropertyRow& Property(PropertyId id) { return PropertyTable[static_cast<int>(id)]; }

// The three lists in list order. The merge method and contrast codes are not the positions.
extern const ListChoice MergeMethodList[11];
extern const ListChoice ContrastTypeList[4];
// Effect list: the code is the list position, which selects the kernel.
extern const ListChoice EffectList[6];

// Position of the first option whose text equals text exactly, or -1.
int FindOption(const PropertyRow& row, const std::string& text);

// The numeric row that carries a percent tag (0..5, 130..133), or the scale row of an axis and source.
bool PercentRowForTag(int tag, PropertyId& id);
PropertyId ScaleRow(int axis, SourceIndex s);
PropertyId ScaleToTargetRow(SourceIndex s);
PropertyId FlipRow(SourceIndex s);

// Percent as entered to stored value, truncating: bias 50 -> 128, threshold 50 -> 127.
inline int BiasFromPercent(int v) { return v * 256 / 100; }
inline int ThresholdFromPercent(int v) { return v * 255 / 100; }
