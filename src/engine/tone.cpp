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
    const uint8_t* __restrict b = curve[0];
    const uint8_t* __restrict g = curve[1];
    const uint8_t* __restrict r = curve[2];
    uint8_t* __restrict px = row;
    // Four pixels at a time, all lookups before the stores: the tables cannot change under them.
    int i = 0;
    for (; i + 4 <= count; i += 4, px += 12) {
        const uint8_t v0 = b[px[0]], v1 = g[px[1]], v2 = r[px[2]], v3 = b[px[3]];
        const uint8_t v4 = g[px[4]], v5 = r[px[5]], v6 = b[px[6]], v7 = g[px[7]];
        const uint8_t v8 = r[px[8]], v9 = b[px[9]], v10 = g[px[10]], v11 = r[px[11]];
        px[0] = v0, px[1] = v1, px[2] = v2, px[3] = v3, px[4] = v4, px[5] = v5;
        px[6] = v6, px[7] = v7, px[8] = v8, px[9] = v9, px[10] = v10, px[11] = v11;
    }
    for (; i < count; ++i, px += 3) {
        px[0] = b[px[0]];
        px[1] = g[px[1]];
        px[2] = r[px[2]];
    }
}

Bgr ToneAdjust(const MergeSettings& s, Bgr p)
{
    uint8_t px[3] = {p.blue, p.green, p.red};
    ToneCurve(s).Apply(px);
    return Bgr{px[0], px[1], px[2]};
}
