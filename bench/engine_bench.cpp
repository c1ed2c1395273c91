// Composition of the target from two filled layers: each merge method, each contrast type,
// each effect, and the quick path, at the default and the largest canvas.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "effects.h"
#include "engine.h"
#include "pixel.h"
#include "tone.h"

namespace {

class TwoLoadedSources : public SourceView {
public:
    int SourceCount() const override { return 2; }
    SourceKind Kind(SourceIndex) const override { return SourceKind::ImageFile; }
    int Width(SourceIndex) const override { return 1; }
    int Height(SourceIndex) const override { return 1; }
    const uint8_t* Pixels(SourceIndex) const override { return nullptr; }
    int Stride(SourceIndex) const override { return 4; }
    const uint8_t* Mask(SourceIndex) const override { return nullptr; }
};

// Layers as two placed photographs leave them: smooth patterns, each source covering most of the
// canvas, with uncovered corners.
std::unique_ptr<Engine> FilledEngine(int w, int h)
{
    static TwoLoadedSources sources;
    auto e = std::make_unique<Engine>(sources);
    e->canvasRect = CanvasRect{0, 0, w, h};
    for (int s = 0; s < 2; ++s) {
        SourceLayer& l = e->layer[s];
        l.Reshape(w, h);
        for (int r = 0; r < h; ++r) {
            uint8_t* px = l.Row(r);
            uint8_t* m = l.MaskRow(r);
            for (int c = 0; c < w; ++c) {
                px[3 * c] = uint8_t(r * (s + 1) + c);
                px[3 * c + 1] = uint8_t((r ^ c) + 40 * s);
                px[3 * c + 2] = uint8_t(c * 3 - r);
                // Source 1 leaves the top-left triangle bare, source 2 the bottom-right one.
                m[c] = s == 0 ? (r + c > h / 4) : (r + c < w + h - h / 4);
            }
        }
        l.width = w;
        l.height = h;
    }
    return e;
}

void Run(benchmark::State& state, Engine& e)
{
    for (auto _ : state) {
        e.ComposeTarget();
        benchmark::DoNotOptimize(e.target.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * e.target.width * e.target.height);
}

void BM_ComposeMethod(benchmark::State& state)
{
    auto e = FilledEngine(int(state.range(1)), int(state.range(2)));
    e->settings.mergeMethod = int(state.range(0));
    e->settings.sourceBias = 128;
    Run(state, *e);
}

void BM_ComposeTone(benchmark::State& state)
{
    auto e = FilledEngine(int(state.range(1)), int(state.range(2)));
    e->settings.contrastMode = int(state.range(0));
    for (int k = 0; k < 3; ++k)
        e->settings.channelContrast[k] = e->settings.channelBrightness[k] = 60;
    Run(state, *e);
}

void BM_ComposeEffect(benchmark::State& state)
{
    auto e = FilledEngine(int(state.range(1)), int(state.range(2)));
    e->settings.effect = EffectKernelAt(int(state.range(0)));
    Run(state, *e);
}

// The composition of a full recompute: "Average" at bias 128, contrast and brightness 60, "Blur".
void BM_ComposeAverageToneBlur(benchmark::State& state)
{
    auto e = FilledEngine(int(state.range(0)), int(state.range(1)));
    e->settings.sourceBias = 128;
    for (int k = 0; k < 3; ++k)
        e->settings.channelContrast[k] = e->settings.channelBrightness[k] = 60;
    e->settings.effect = EffectKernelAt(1);
    Run(state, *e);
}

void BM_ComposeQuick(benchmark::State& state)
{
    auto e = FilledEngine(int(state.range(0)), int(state.range(1)));
    e->quickPreview = true;
    Run(state, *e);
}

void Sizes(benchmark::internal::Benchmark* b, int first, int last)
{
    for (int v = first; v <= last; ++v) {
        b->Args({v, 1024, 768});
        b->Args({v, 2048, 1536});
    }
    b->ArgNames({"code", "w", "h"})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_ComposeMethod)->Apply([](benchmark::internal::Benchmark* b) { Sizes(b, 0, 10); });
BENCHMARK(BM_ComposeTone)->Apply([](benchmark::internal::Benchmark* b) { Sizes(b, 0, 3); });
BENCHMARK(BM_ComposeEffect)->Apply([](benchmark::internal::Benchmark* b) { Sizes(b, 0, EffectCount - 1); });
BENCHMARK(BM_ComposeAverageToneBlur)->Args({1024, 768})->Args({2048, 1536})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposeQuick)->Args({1024, 768})->Args({2048, 1536})->Unit(benchmark::kMillisecond);
