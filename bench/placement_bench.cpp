// Placement of a fitted source, turned and unturned, at the two canvas sizes, bilinear and nearest-pixel.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine.h"

namespace {

// Two sources in memory: a 1600 x 1200 picture with a deterministic pattern, and a small one.
class BenchSources : public SourceView {
public:
    BenchSources()
    {
        for (int s = 0; s < 2; ++s) {
            const int w = Width(s + 1), h = Height(s + 1), stride = Stride(s + 1);
            pixels[s].resize(size_t(stride) * h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w * 3; ++x)
                    pixels[s][size_t(y) * stride + x] = uint8_t((x * 7 + y * 13) ^ (x >> 4));
            mask[s].assign(size_t(w) * h, 1);
        }
    }
    int SourceCount() const override { return 2; }
    SourceKind Kind(SourceIndex) const override { return SourceKind::ImageFile; }
    int Width(SourceIndex s) const override { return s == 1 ? 1600 : 1200; }
    int Height(SourceIndex s) const override { return s == 1 ? 1200 : 900; }
    const uint8_t* Pixels(SourceIndex s) const override { return pixels[s - 1].data(); }
    int Stride(SourceIndex s) const override { return (Width(s) * 3 + 3) & ~3; }
    const uint8_t* Mask(SourceIndex s) const override { return mask[s - 1].data(); }

private:
    std::vector<uint8_t> pixels[2];
    std::vector<uint8_t> mask[2];
};

// Source s fitted to a w x h canvas, turned by angle degrees and centred, as a full recompute
// places it: source 1 turned by 30 degrees, source 2 unturned.
void PlaceFitted(benchmark::State& state, SourceIndex s, double angle, bool quick)
{
    static BenchSources sources;
    auto engine = std::make_unique<Engine>(sources);
    engine->canvasRect = CanvasRect{0, 0, int(state.range(0)), int(state.range(1))};
    engine->placement[s - 1].angle = angle;
    engine->UpdateSourceGeometry(s);
    const auto [x, y] = engine->CentreOffsets(s);
    engine->placement[s - 1].offsetX = x;
    engine->placement[s - 1].offsetY = y;
    engine->quickPreview = quick;
    for (auto _ : state) {
        engine->PlaceSource(s);
        benchmark::DoNotOptimize(engine->layer[s - 1].memory.data());
    }
}

void BM_PlaceSourceBilinear(benchmark::State& state) { PlaceFitted(state, 1, 30, false); }
void BM_PlaceSourceQuick(benchmark::State& state) { PlaceFitted(state, 1, 30, true); }
void BM_PlaceSourceUnturnedBilinear(benchmark::State& state) { PlaceFitted(state, 2, 0, false); }
void BM_PlaceSourceUnturnedQuick(benchmark::State& state) { PlaceFitted(state, 2, 0, true); }

}  // namespace

BENCHMARK(BM_PlaceSourceBilinear)->Args({1024, 768})->Args({2048, 1536})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaceSourceQuick)->Args({1024, 768})->Args({2048, 1536})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaceSourceUnturnedBilinear)->Args({1024, 768})->Args({2048, 1536})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaceSourceUnturnedQuick)->Args({1024, 768})->Args({2048, 1536})->Unit(benchmark::kMillisecond);
