// Placement of one fitted, rotated source at the two canvas sizes, bilinear and nearest-pixel.
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

// Source 1 fitted to a w x h canvas, rotated 30 degrees and centred, as a full recompute places it.
void PlaceRotated(benchmark::State& state, bool quick)
{
    static BenchSources sources;
    auto engine = std::make_unique<Engine>(sources);
    engine->canvasRect = CanvasRect{0, 0, int(state.range(0)), int(state.range(1))};
    engine->placement[0].angle = 30;
    engine->UpdateSourceGeometry(1);
    const auto [x, y] = engine->CentreOffsets(1);
    engine->placement[0].offsetX = x;
    engine->placement[0].offsetY = y;
    engine->quickPreview = quick;
    for (auto _ : state) {
        engine->PlaceSource(1);
        benchmark::DoNotOptimize(engine->layer[0].pixels.data());
    }
}

void BM_PlaceSourceBilinear(benchmark::State& state) { PlaceRotated(state, false); }
void BM_PlaceSourceQuick(benchmark::State& state) { PlaceRotated(state, true); }

}  // namespace

BENCHMARK(BM_PlaceSourceBilinear)->Args({1024, 768})->Args({2048, 1536})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaceSourceQuick)->Args({1024, 768})->Args({2048, 1536})->Unit(benchmark::kMillisecond);
