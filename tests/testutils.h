#pragma once
// Shared helpers for the engine tests: fake source slots, picture builders, a recording prompts
// port and listener, and a first-difference printer for target-shaped pictures.
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "canvas.h"
#include "engine.h"
#include "merge_settings.h"
#include "prompts.h"
#include "source_view.h"

namespace testutils {

// One slot's picture as the document stores it: 24-bit rows bottom-up, padded to 4 bytes,
// plus one coverage byte per pixel.
struct FakeSlot {
    SourceKind kind = SourceKind::ImageFile;
    int width = 0;
    int height = 0;
    bool hasBlock = false;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> mask;
    std::vector<uint8_t> alpha;  // opacity per pixel, bottom-up like the mask; empty when opaque

    int Stride() const { return (width * 3 + 3) & ~3; }
    // Pixel at row y counted from the top of the picture, column x.
    uint8_t* At(int yFromTop, int x) { return pixels.data() + size_t(height - 1 - yFromTop) * Stride() + size_t(x) * 3; }
    uint8_t& MaskAt(int yFromTop, int x) { return mask[size_t(height - 1 - yFromTop) * width + x]; }
};

// Two source slots held in memory, as the document presents them to the engine.
class FakeSources : public SourceView {
public:
    FakeSlot slot[2];
    int count = 0;

    int SourceCount() const override { return count; }
    SourceKind Kind(SourceIndex s) const override { return slot[s - 1].kind; }
    int Width(SourceIndex s) const override { return slot[s - 1].width; }
    int Height(SourceIndex s) const override { return slot[s - 1].height; }
    const uint8_t* Pixels(SourceIndex s) const override
    {
        return slot[s - 1].hasBlock ? slot[s - 1].pixels.data() : nullptr;
    }
    int Stride(SourceIndex s) const override { return slot[s - 1].Stride(); }
    const uint8_t* Mask(SourceIndex s) const override
    {
        return slot[s - 1].hasBlock ? slot[s - 1].mask.data() : nullptr;
    }
    const uint8_t* Alpha(SourceIndex s) const override
    {
        return slot[s - 1].hasBlock && !slot[s - 1].alpha.empty() ? slot[s - 1].alpha.data() : nullptr;
    }

    // Fills slot s with a w x h picture whose colour at (row from top, column) comes from paint;
    // the whole picture is covered. Counts the slot as loaded.
    FakeSlot& Fill(SourceIndex s, int w, int h, const std::function<Bgr(int, int)>& paint,
                   SourceKind kind = SourceKind::ImageFile)
    {
        FakeSlot& f = slot[s - 1];
        f.kind = kind;
        f.width = w;
        f.height = h;
        f.hasBlock = true;
        f.pixels.assign(size_t(f.Stride()) * h, 0);
        f.mask.assign(size_t(w) * h, 1);
        f.alpha.clear();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Bgr c = paint(y, x);
                uint8_t* p = f.At(y, x);
                p[0] = c.blue;
                p[1] = c.green;
                p[2] = c.red;
            }
        count = (slot[0].hasBlock ? 1 : 0) + (slot[1].hasBlock ? 1 : 0);
        return f;
    }
    FakeSlot& Solid(SourceIndex s, int w, int h, Bgr c) { return Fill(s, w, h, [c](int, int) { return c; }); }
    FakeSlot& Random(SourceIndex s, int w, int h, std::mt19937& rng)
    {
        return Fill(s, w, h, [&rng](int, int) {
            return Bgr{uint8_t(rng() & 255), uint8_t(rng() & 255), uint8_t(rng() & 255)};
        });
    }
};

// Records every message and answers questions from a script (No once the script runs out).
class FakePrompts : public Prompts {
public:
    std::vector<std::pair<std::string, PromptKind>> shown;
    std::vector<std::string> asked;
    std::deque<bool> answers;

    void Show(const std::string& text, PromptKind kind) override { shown.emplace_back(text, kind); }
    bool Ask(const std::string& text) override
    {
        asked.push_back(text);
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
};

// Counts what the engine tells the windows.
class CountingListener : public EngineListener {
public:
    int targetChanged = 0;
    void TargetChanged() override { ++targetChanged; }
};

inline Bgr RandomBgr(std::mt19937& rng)
{
    return Bgr{uint8_t(rng() & 255), uint8_t(rng() & 255), uint8_t(rng() & 255)};
}

// Fills a layer's w x h canvas extent with random pixels; each pixel is covered with
// probability coverPercent / 100 (mask 1), else uncovered (mask 0).
inline void FillLayerRandom(SourceLayer& layer, int w, int h, std::mt19937& rng, int coverPercent = 80)
{
    layer.Reshape(w, h);
    for (int r = 0; r < h; ++r) {
        uint8_t* px = layer.Row(r);
        uint8_t* m = layer.MaskRow(r);
        for (int c = 0; c < w; ++c) {
            px[3 * c] = uint8_t(rng());
            px[3 * c + 1] = uint8_t(rng());
            px[3 * c + 2] = uint8_t(rng());
            m[c] = int(rng() % 100) < coverPercent ? 1 : 0;
        }
    }
    layer.width = w;
    layer.height = h;
}

inline void SetLayerPixel(SourceLayer& layer, int r, int c, Bgr p, uint8_t covered = 1)
{
    uint8_t* px = layer.Row(r) + 3 * c;
    px[0] = p.blue;
    px[1] = p.green;
    px[2] = p.red;
    layer.MaskRow(r)[c] = covered;
}

inline Bgr LayerPixel(const SourceLayer& layer, int r, int c)
{
    const uint8_t* px = layer.Row(r) + 3 * c;
    return Bgr{px[0], px[1], px[2]};
}

// Pixel at canvas row r (from the top), column c of a target-shaped picture.
inline Bgr TargetPixel(const TargetImage& t, int r, int c)
{
    const uint8_t* px = t.CanvasRow(r) + 3 * c;
    return Bgr{px[0], px[1], px[2]};
}

inline void SetTargetPixel(TargetImage& t, int r, int c, Bgr p)
{
    uint8_t* px = t.CanvasRow(r) + 3 * c;
    px[0] = p.blue;
    px[1] = p.green;
    px[2] = p.red;
}

inline std::string Describe(Bgr p)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "(b %d, g %d, r %d)", p.blue, p.green, p.red);
    return buf;
}

// Empty when both layers agree over w x h, else the first difference.
inline std::string LayerDifference(const SourceLayer& a, const SourceLayer& b, int w, int h)
{
    if (a.width != b.width || a.height != b.height)
        return "layer size differs";
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            if (!(LayerPixel(a, r, c) == LayerPixel(b, r, c)) || a.MaskRow(r)[c] != b.MaskRow(r)[c])
                return "row " + std::to_string(r) + " column " + std::to_string(c) + ": expected " +
                       Describe(LayerPixel(a, r, c)) + " mask " + std::to_string(a.MaskRow(r)[c]) + ", got " +
                       Describe(LayerPixel(b, r, c)) + " mask " + std::to_string(b.MaskRow(r)[c]);
    return {};
}

// Empty when both pictures have the same size and pixels, else where and how they first differ.
inline std::string FirstDifference(const TargetImage& expected, const TargetImage& actual)
{
    if (expected.width != actual.width || expected.height != actual.height)
        return "size " + std::to_string(expected.width) + "x" + std::to_string(expected.height) + " expected, got " +
               std::to_string(actual.width) + "x" + std::to_string(actual.height);
    for (int r = 0; r < expected.height; ++r)
        for (int c = 0; c < expected.width; ++c) {
            const Bgr e = TargetPixel(expected, r, c);
            const Bgr a = TargetPixel(actual, r, c);
            if (!(e == a))
                return "row " + std::to_string(r) + " column " + std::to_string(c) + ": expected " + Describe(e) +
                       ", got " + Describe(a);
        }
    return {};
}

}  // namespace testutils
