#include "reference.h"

#include <algorithm>
#include <cmath>

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

// Whether output row r is asked for, or (reach 2) read by a row that is.
bool Wanted(const std::vector<int>& rows, int r, int reach = 0)
{
    return rows.empty() || std::any_of(rows.begin(), rows.end(), [&](int y) { return r <= y && y - reach <= r; });
}

// Opacity 0..255 of a layer's coverage byte.
int Opacity(const SourceLayer& l, uint8_t m) { return l.opacity ? m : m == 1 ? 255 : 0; }

void EffectRows(const EffectKernel& k, const TargetImage& pre, TargetImage& out, const std::vector<int>& rows)
{
    const int tw = pre.width, th = pre.height;
    out.width = tw;
    out.height = th;
    for (int r = 0; r < th; ++r)
        for (int c = 0; c < tw && Wanted(rows, r); ++c)
            Put(out, r, c, Sample(pre, r, c));
    if (k.size != 3)
        return;
    const int half = k.size / 2, rest = k.size - half;
    for (int r = 0; r <= th - rest - 1; ++r)
        for (int c = 0; c <= tw - rest - 1 && Wanted(rows, r + rest - 1); ++c) {
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

void Effect(const EffectKernel& k, const TargetImage& pre, TargetImage& out) { EffectRows(k, pre, out, {}); }

void Compose(const MergeSettings& s, bool quick, const SourceLayer& l1, const SourceLayer& l2, TargetImage& pre,
             TargetImage& out, const Extent& extent)
{
    int tw = std::min({extent.limitWidth, l1.width, l2.width});
    const int th = std::min({extent.limitHeight, l1.height, l2.height});
    const int widthBeforeRounding = tw;
    // Only the specified limit rounds the width.
    if (extent.limitWidth == 2048 && extent.limitHeight == 1536)
        tw = (tw + 1) / 4 * 4;
    if (size_t(tw) * th * 3 > out.pixels.size())
        out.pixels = PixelMemory(size_t(tw) * th * 3);
    if (size_t(tw) * th * 3 > pre.pixels.size())
        pre.pixels = PixelMemory(size_t(tw) * th * 3);
    out.width = pre.width = tw;
    out.height = pre.height = th;
    for (int r = 0; r < th; ++r)
        for (int c = 0; c < tw && Wanted(extent.rows, r, 2); ++c) {
            // The column added by rounding up holds no placed pixels.
            const bool placed = c < widthBeforeRounding;
            const uint8_t m1 = placed ? l1.MaskRow(r)[c] : 0;
            const uint8_t m2 = placed ? l2.MaskRow(r)[c] : 0;
            const uint8_t* a = l1.Row(r) + 3 * c;
            const uint8_t* b = l2.Row(r) + 3 * c;
            const Bgr p1{a[0], a[1], a[2]}, p2{b[0], b[1], b[2]};
            const int a1 = Opacity(l1, m1), a2 = Opacity(l2, m2);
            if ((l1.opacity || l2.opacity) && a1 % 255 + a2 % 255 != 0) {
                // Some opacity between 0 and 255: the four cases weighted by the opacities.
                Bgr r11, r10, r01, r00;
                if (quick) {
                    r11 = Formula(6, s.sourceBias, p1, p2), r10 = p1, r01 = p2, r00 = s.baseColour;
                } else {
                    r11 = Combine(s.mergeMethod, s.sourceBias, s.baseColour, 1, 1, p1, p2);
                    r10 = Combine(s.mergeMethod, s.sourceBias, s.baseColour, 1, 0, p1, p2);
                    r01 = Combine(s.mergeMethod, s.sourceBias, s.baseColour, 0, 1, p1, p2);
                    r00 = Combine(s.mergeMethod, s.sourceBias, s.baseColour, 0, 0, p1, p2);
                }
                int v[3];
                for (int k = 0; k < 3; ++k)
                    v[k] = (a1 * a2 * Channel(r11, k) + a1 * (255 - a2) * Channel(r10, k) +
                            (255 - a1) * a2 * Channel(r01, k) + (255 - a1) * (255 - a2) * Channel(r00, k) + 32512) /
                           65025;
                const Bgr mixed = Make(v[0], v[1], v[2]);
                Put(quick ? out : pre, r, c, quick ? mixed : Tone(s, mixed));
                continue;
            }
            const uint8_t c1 = l1.opacity ? uint8_t(a1 / 255) : m1, c2 = l2.opacity ? uint8_t(a2 / 255) : m2;
            if (quick) {
                Bgr v = s.baseColour;
                if (c1 == 1 && c2 == 1)
                    v = Formula(6, s.sourceBias, p1, p2);
                else if (c1 == 1)
                    v = p1;
                else if (c2 == 1)
                    v = p2;
                Put(out, r, c, v);
            } else {
                Put(pre, r, c, Tone(s, Combine(s.mergeMethod, s.sourceBias, s.baseColour, c1, c2, p1, p2)));
            }
        }
    if (!quick)
        EffectRows(s.effect, pre, out, extent.rows);
}

// Straight from the mapping: every pixel evaluated on its own, nothing hoisted.
void Place(const Engine& e, const SourceView& view, SourceIndex s, SourceLayer& out, const Extent& extent)
{
    const int W = std::min(e.canvasRect.Width(), extent.limitWidth);
    const int H = std::min(e.canvasRect.Height(), extent.limitHeight);
    out.Grow(W, H);
    for (int r = 0; r < H; ++r)
        for (int c = 0; c < W && Wanted(extent.rows, r); ++c) {
            std::fill_n(out.Row(r) + 3 * c, 3, 0);
            out.MaskRow(r)[c] = 0;
        }
    const uint8_t* block = view.Pixels(s);
    if (!block)
        return;
    const int srcW = view.Width(s), srcH = view.Height(s), stride = view.Stride(s);
    const uint8_t* mask = view.Mask(s);
    const uint8_t* alpha = view.Alpha(s);
    if (alpha && std::all_of(alpha, alpha + size_t(srcW) * srcH, [](uint8_t a) { return a == 255; }))
        alpha = nullptr;
    out.opacity = alpha != nullptr;
    const SourcePlacement& p = e.placement[s - 1];
    const bool flip = e.settings.flipHorizontal[s - 1];
    const double theta = (flip ? -p.angle : p.angle) * 0.017453277777777776;
    const double k = 2 * std::sin(theta / 2);
    const double eps = k * k / 2;
    const double sigma = k * std::sqrt(4 - k * k) / 2;
    const double SW = p.fitFactorH * e.settings.horizontalScale[s - 1] * srcW / 100;
    const double SH = p.fitFactorV * e.settings.verticalScale[s - 1] * srcH / 100;
    const double kx = srcW / SW, ky = srcH / SH;
    const double S = std::fabs(std::sin(theta)), C = std::fabs(std::cos(theta));
    const double gx = 0.5 * SW * ((srcH * S + srcW * C) / srcW - 1);
    const double gy = 0.5 * SH * ((srcW * S + srcH * C) / srcH - 1);
    const int tgx = int(gx), tgy = int(gy);
    const int hx = srcW / 2, hy = srcH / 2;
    auto at = [&](int row, int col, int ch) { return int(block[size_t(row) * stride + col * 3 + ch]); };
    auto opacity = [&](int row, int col) { return alpha ? int(alpha[size_t(row) * srcW + col]) : 255; };
    for (int r = std::max(0, -p.offsetY); r < H; ++r)
        for (int c = std::max(0, -p.offsetX) + 1; c < W && Wanted(extent.rows, r); ++c) {
            const int u = c + p.offsetX - tgx;
            const int v = r + p.offsetY - tgy;
            double Xc = u * kx - hx;
            if (flip)
                Xc = -Xc;
            const double Yc = (srcH - 1) - v * ky - hy;
            const double X = hx + Xc - Xc * eps - Yc * sigma;
            const double Y = hy + Yc - Yc * eps + Xc * sigma;
            if (!(0 <= X && X < srcW && 0 <= Y && Y < srcH))
                continue;
            const int tx = int(X), ty = int(Y);
            if (mask[size_t(ty) * srcW + tx] == 0)
                continue;
            const int ty1 = std::min(ty + 1, srcH - 1), tx1 = std::min(tx + 1, srcW - 1);
            const double fx = X - tx, fy = Y - ty;
            const long long w[4] = {int((1 - fy) * 65536 * (1 - fx)), int(fy * 65536 * (1 - fx)),
                                    int(fx * 65536 * (1 - fy)), int(fx * 65536 * fy)};
            const int rows[4] = {ty, ty1, ty, ty1}, cols[4] = {tx, tx, tx1, tx1};
            long long weight = 0;
            bool even = true;
            for (int i = 0; i < 4; ++i) {
                weight += w[i] * opacity(rows[i], cols[i]);
                even = even && opacity(rows[i], cols[i]) == opacity(ty, tx);
            }
            int a = e.quickPreview ? opacity(ty, tx) : int((weight + 32768) / 65536);
            if (a == 0)
                continue;
            uint8_t px[3];
            for (int ch = 0; ch < 3; ++ch) {
                long long sum = 0;
                for (int i = 0; i < 4; ++i)
                    sum += w[i] * (even ? 1 : opacity(rows[i], cols[i])) * at(rows[i], cols[i], ch);
                px[ch] = uint8_t(e.quickPreview ? at(ty, tx, ch) : even ? sum >> 16 : (sum + weight / 2) / weight);
            }
            uint8_t* q = out.Row(r) + 3 * c;
            q[0] = px[0], q[1] = px[1], q[2] = px[2];
            out.MaskRow(r)[c] = alpha ? uint8_t(a) : 1;
        }
    out.width = W;
    out.height = H;
}

}  // namespace reference
