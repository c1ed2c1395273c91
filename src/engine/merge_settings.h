#pragma once
#include <cstdint>

// Which source: 1 or 2. Arrays indexed by source use s - 1.
using SourceIndex = int;

// What a filled slot holds.
enum class SourceKind : int { Text = 0, ImageFile = 2, PastedOrBlank = 4 };

// Channel order of the per-channel tone settings.
enum Channel : int { Red = 0, Green = 1, Blue = 2 };

// One pixel as stored everywhere in the program: blue, green, red.
struct Bgr {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    bool operator==(const Bgr&) const = default;
};

// A 3 x 3 convolution with divisor and offset; size 0 means no effect.
struct EffectKernel {
    int size = 0;
    int weights[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    int divisor = 0;
    int offset = 0;
    bool operator==(const EffectKernel&) const = default;
};

// Every merge parameter the user edits, with the defaults a new view starts from.
struct MergeSettings {
    double horizontalScale[2] = {100.0, 100.0};
    double verticalScale[2] = {100.0, 100.0};
    bool scaleToTarget[2] = {true, true};
    bool flipHorizontal[2] = {false, false};
    int mergeMethod = 6;          // "Average"
    int sourceBias = 127;         // 0..256
    int contrastMode = 1;         // normal
    int infiniteThreshold = 127;  // 0..255
    int channelContrast[3] = {50, 50, 50};    // red, green, blue
    int channelBrightness[3] = {50, 50, 50};  // red, green, blue
    EffectKernel effect;
    Bgr baseColour;
};
