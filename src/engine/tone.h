#pragma once
// Tone adjustment of merged pixels: the contrast type, then contrast and brightness per channel.
#include <cstdint>

#include "merge_settings.h"

// contrastMode codes.
enum ContrastCode : int { ContrastGray = 0, ContrastNormal = 1, ContrastInfiniteBw = 2, ContrastInfiniteColour = 3 };

// Contrast and brightness of one channel value, straight from the formula.
uint8_t ContrastBrightness(int value, int contrast, int brightness);

// The tone adjustment prepared once per composition: the contrast/brightness curve of each
// channel tabulated by its own formula, so applying it costs a lookup per channel.
class ToneCurve {
public:
    explicit ToneCurve(const MergeSettings& s);

    // Adjusts one blue-green-red pixel in place.
    void Apply(uint8_t* px) const
    {
        switch (mode) {
        case ContrastGray: {
            const int g = Gray(px);
            px[0] = curve[0][g];
            px[1] = curve[1][g];
            px[2] = curve[2][g];
            break;
        }
        case ContrastInfiniteBw: {
            const int v = px[0] + px[1] + px[2] > 3 * threshold ? 255 : 0;
            px[0] = curve[0][v];
            px[1] = curve[1][v];
            px[2] = curve[2][v];
            break;
        }
        default:  // normal and infinite colour: the decision is folded into the table
            px[0] = curve[0][px[0]];
            px[1] = curve[1][px[1]];
            px[2] = curve[2][px[2]];
        }
    }
    // Adjusts count pixels of a row in place.
    void ApplyRow(uint8_t* row, int count) const;
    // True when every pixel passes unchanged.
    bool Identity() const { return identity; }

private:
    int Gray(const uint8_t* px) const
    {
        // Real products summed red, green, blue in that order and truncated once.
        const int g = static_cast<int>(grayRed[px[2]] + grayGreen[px[1]] + grayBlue[px[0]]) >> 6;
        return g < 0 ? 0 : g > 255 ? 255 : g;
    }

    bool FindLines(const int contrast[3]);

    int mode;
    int threshold;
    bool identity;
    // Where each channel's curve is exactly clamp((v * mul + add) >> 16) for every v, the row
    // routine computes it eight bytes at a time: per lane constants for the three ways channels
    // fall on eight consecutive bytes.
    bool lines = false;
    alignas(32) int32_t laneMul[3][8];
    alignas(32) int32_t laneAdd[3][8];
    uint8_t curve[3][256];  // blue, green, red
    double grayRed[256];
    double grayGreen[256];
    double grayBlue[256];
};

// Tone adjustment of one pixel, as the composition applies it.
Bgr ToneAdjust(const MergeSettings& s, Bgr p);
