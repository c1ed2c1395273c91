#include "reference.h"

#include <algorithm>

namespace reference {
namespace {

int Channel(Bgr p, int k) { return k == 0 ? p.blue : k == 1 ? p.green : p.red; }
Bgr Make(int b, int g, int r) { return Bgr{uint8_t(b), uint8_t(g), uint8_t(r)}; }
int Limit(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
int Luma(Bgr p)
{
    return int(19.2 * p.red) + int(37.76 * p.green) + int(7.04 * p.blue);
}

Bgr Formula(int code, int f, Bgr p1, Bgr p2)
{
    int out[3];
    for (int k = 0; k < 3; ++k) {
        const int c1 = Channel(p1, k), c2 = Channel(p2, k);
        const int w1 = f <= 127 ? 127 : 255 - f;
        const int w2 = f <= 127 ? f : 127;
        switch (code) {
        case 6: out[k] = (c1 * (256 - f) + c2 * f) >> 8; break;
        case 4: out[k] = Limit(f + ((w1 * c1 - w2 * c2) >> 7)); break;
        case 5: out[k] = Limit(255 - f + ((w2 * c2 - w1 * c1) >> 7)); break;
        case 3: {
            const double d = 128 * (127 - f) - (Luma(p1) - Luma(p2));
            const double w = std::clamp(d * 0.1, 0.0, 255.0);
            out[k] = int((w * c1 + (255 - w) * c2) / 256);
            break;
        }
        case 2: {
            const double d = 128 * (127 - f) + (Luma(p1) - Luma(p2));
            const double w = std::clamp(d * 0.1, 0.0, 256.0);
            out[k] = int((w * c1 + (256 - w) * c2) / 256);
            break;
        }
        default: out[k] = 0;
        }
    }
    if (code >= 7) {
        bool pass1 = true, pass2 = true;
        for (int k = 0; k < 3; ++k) {
            pass1 = pass1 && Channel(p1, k) - f + 256 > 255;
            pass2 = pass2 && Channel(p2, k) + f > 255;
        }
        switch (code) {
        case 7: return pass1 ? p1 : p2;
        case 8: return pass1 ? p2 : p1;
        case 9: return pass2 ? p1 : p2;
        default: return pass2 ? p2 : p1;
        }
    }
    return Make(out[0], out[1], out[2]);
}

int ToneChannel(int x, int c, int b)
{
    const double h = double(c * c) / 2500;
    const double y = std::clamp(h * x - (h - 1) * 255 * 0.5 + (b - 50), 0.0, 255.0);
    return int(y);
}

Bgr Sample(const TargetImage& pre, int r, int c)
{
    const uint8_t* p = pre.CanvasRow(std::max(r, 0)) + 3 * std::max(c, 0);
    return Bgr{p[0], p[1], p[2]};
}

void Put(TargetImage& t, int r, int c, Bgr p)
{
    uint8_t* q = t.CanvasRow(r) + 3 * c;
    q[0] = p.blue;
    q[1] = p.green;
    q[2] = p.red;
}

}  // namespace

Bgr Combine(int code, int bias, Bgr base, uint8_t m1, uint8_t m2, Bgr p1, Bgr p2)
{
    if (code == 0)
        return m1 == 1 ? p1 : base;
    if (code == 1)
        return m2 == 1 ? p2 : base;
    if (m1 == 1 && m2 == 1)
        return Formula(code, bias, p1, p2);
    if (m1 == 1)
        return p1;
    if (m1 == 0 && m2 == 0)
        return base;
    return p2;
}

Bgr Tone(const MergeSettings& s, Bgr p)
{
    int b = p.blue, g = p.green, r = p.red;
    switch (s.contrastMode) {
    case 0: {
        const int v = std::clamp(int(r * 19.2 + g * 37.76 + b * 7.04) >> 6, 0, 255);
        r = g = b = v;
        break;
    }
    case 3:
        r = r > s.infiniteThreshold ? 255 : 0;
        g = g > s.infiniteThreshold ? 255 : 0;
        b = b > s.infiniteThreshold ? 255 : 0;
        break;
    case 2:
        r = g = b = r + g + b > 3 * s.infiniteThreshold ? 255 : 0;
        break;
    default: break;
    }
    return Make(ToneChannel(b, s.channelContrast[Blue], s.channelBrightness[Blue]),
                ToneChannel(g, s.channelContrast[Green], s.channelBrightness[Green]),
                ToneChannel(r, s.channelContrast[Red], s.channelBrightness[Red]));
}

void Effect(const EffectKernel& k, const TargetImage& pre, TargetImage& out)
{
    const int tw = pre.width, th = pre.height;
    out.width = tw;
    out.height = th;
    for (int r = 0; r < th; ++r)
        for (int c = 0; c < tw; ++c)
            Put(out, r, c, Sample(pre, r, c));
    if (k.size != 3)
        return;
    const int half = k.size / 2, rest = k.size - half;
    for (int r = 0; r <= th - rest - 1; ++r)
        for (int c = 0; c <= tw - rest - 1; ++c) {
            int v[3];
            for (int ch = 0; ch < 3; ++ch) {
                long long sum = 0;
                for (int j = -half; j <= rest - 1; ++j)
                    for (int i = -half; i <= rest - 1; ++i)
                        sum += (long long)k.weights[(j + half) * k.size + (i + half)] * Channel(Sample(pre, r + j, c + i), ch);
                const long long q = k.divisor == 0 ? sum : sum / k.divisor;
                v[ch] = int(std::clamp<long long>(k.offset + q, 0, 255));
            }
            Put(out, r + rest - 1, c + rest - 1, Make(v[0], v[1], v[2]));
        }
}

void Compose(const MergeSettings& s, bool quick, const SourceLayer& l1, const SourceLayer& l2, TargetImage& pre,
             TargetImage& out)
{
    int tw = std::min({2048, l1.width, l2.width});
    const int th = std::min({1536, l1.height, l2.height});
    const int widthBeforeRounding = tw;
    tw = (tw + 1) / 4 * 4;
    out.width = pre.width = tw;
    out.height = pre.height = th;
    for (int r = 0; r < th; ++r)
        for (int c = 0; c < tw; ++c) {
            // The column added by rounding up holds no placed pixels.
            const bool placed = c < widthBeforeRounding;
            const uint8_t m1 = placed ? l1.MaskRow(r)[c] : 0;
            const uint8_t m2 = placed ? l2.MaskRow(r)[c] : 0;
            const uint8_t* a = l1.Row(r) + 3 * c;
            const uint8_t* b = l2.Row(r) + 3 * c;
            const Bgr p1{a[0], a[1], a[2]}, p2{b[0], b[1], b[2]};
            if (quick) {
                Bgr v = s.baseColour;
                if (m1 == 1 && m2 == 1)
                    v = Formula(6, s.sourceBias, p1, p2);
                else if (m1 == 1)
                    v = p1;
                else if (m2 == 1)
                    v = p2;
                Put(out, r, c, v);
            } else {
                Put(pre, r, c, Tone(s, Combine(s.mergeMethod, s.sourceBias, s.baseColour, m1, m2, p1, p2)));
            }
        }
    if (!quick)
        Effect(s.effect, pre, out);
}

}  // namespace reference
