#include "tone.h"

uint8_t ContrastBrightness(int value, int contrast, int brightness)
{
    const double h = contrast * contrast / 2500.0;
    double y = h * value - (h - 1) * 255 * 0.5 + (brightness - 50);
    y = y < 0.0 ? 0.0 : y > 255.0 ? 255.0 : y;
    return uint8_t(static_cast<int>(y));
}

ToneCurve::ToneCurve(const MergeSettings& s) : mode(s.contrastMode), threshold(s.infiniteThreshold)
{
    // Stored pixel order is blue, green, red; the settings are indexed red, green, blue.
    const int channelOf[3] = {Blue, Green, Red};
    identity = mode != ContrastGray && mode != ContrastInfiniteBw && mode != ContrastInfiniteColour;
    for (int k = 0; k < 3; ++k) {
        const int c = s.channelContrast[channelOf[k]];
        const int b = s.channelBrightness[channelOf[k]];
        for (int v = 0; v < 256; ++v) {
            const int in = mode == ContrastInfiniteColour ? (v > threshold ? 255 : 0) : v;
            curve[k][v] = ContrastBrightness(in, c, b);
            identity = identity && curve[k][v] == v;
        }
    }
    for (int v = 0; v < 256; ++v) {
        grayRed[v] = v * 19.2;
        grayGreen[v] = v * 37.76;
        grayBlue[v] = v * 7.04;
    }
}

void ToneCurve::ApplyRow(uint8_t* row, int count) const
{
    if (identity)
        return;
    if (mode == ContrastGray || mode == ContrastInfiniteBw) {
        for (int i = 0; i < count; ++i)
            Apply(row + 3 * i);
        return;
    }
    const uint8_t* b = curve[0];
    const uint8_t* g = curve[1];
    const uint8_t* r = curve[2];
    for (int i = 0; i < count; ++i, row += 3) {
        row[0] = b[row[0]];
        row[1] = g[row[1]];
        row[2] = r[row[2]];
    }
}

Bgr ToneAdjust(const MergeSettings& s, Bgr p)
{
    uint8_t px[3] = {p.blue, p.green, p.red};
    ToneCurve(s).Apply(px);
    return Bgr{px[0], px[1], px[2]};
}
