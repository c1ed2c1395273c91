// brindor-bench: the full recompute of two loaded BMP sources, timed run by run.
#include "brindor_bench.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "effects.h"
#include "engine.h"
#include "raster_image.h"

// The codec workload links in only where its file is part of the build.
[[gnu::weak]] int RunCodecBench(int argc, char** argv);

namespace {

constexpr int WarmUps = 2;
constexpr double RotationDegrees = 30.0;
constexpr int Bias = 128;
constexpr int ToneValue = 60;
constexpr int BlurPosition = 1;

const char* const Usage =
    "usage: brindor-bench w1 --canvas WxH --iters N [--quick] [--threads N] [--translucent] SRC1.bmp SRC2.bmp\n"
    "       brindor-bench codec ...\n";

// Two 24-bit pictures decoded by the raster layer, fully covered, as the document holds them.
class LoadedSources : public SourceView {
public:
    bool Load(SourceIndex s, const char* path)
    {
        RasterImage& img = image[s - 1];
        if (!img.LoadFile(path, FormatBmp)) {
            std::fprintf(stderr, "brindor-bench: %s: %s\n", path, img.ErrorText());
            return false;
        }
        if (img.BitsPerPixel() != 24) {
            std::fprintf(stderr, "brindor-bench: %s: not a 24-bit picture\n", path);
            return false;
        }
        mask[s - 1].assign(size_t(img.Width()) * img.Height(), 1);
        return true;
    }
    int SourceCount() const override { return 2; }
    SourceKind Kind(SourceIndex) const override { return SourceKind::ImageFile; }
    int Width(SourceIndex s) const override { return int(image[s - 1].Width()); }
    int Height(SourceIndex s) const override { return int(image[s - 1].Height()); }
    const uint8_t* Pixels(SourceIndex s) const override { return image[s - 1].PixelArea(); }
    int Stride(SourceIndex s) const override { return int(image[s - 1].RowStride()); }
    const uint8_t* Mask(SourceIndex s) const override { return mask[s - 1].data(); }
    const uint8_t* Alpha(SourceIndex s) const override { return alpha[s - 1].empty() ? nullptr : alpha[s - 1].data(); }

    // Source s opaque inside an ellipse, fading to transparent over its outer quarter and
    // transparent beyond, as a logo with a soft edge.
    void SoftEllipse(SourceIndex s)
    {
        const int w = Width(s), h = Height(s);
        alpha[s - 1].resize(size_t(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double dx = (x + 0.5) / w * 2 - 1, dy = (y + 0.5) / h * 2 - 1;
                const double fade = (1 - std::sqrt(dx * dx + dy * dy)) * 4;
                alpha[s - 1][size_t(y) * w + x] = uint8_t(std::clamp(fade, 0.0, 1.0) * 255);
            }
    }

private:
    RasterImage image[2];
    std::vector<uint8_t> mask[2];
    std::vector<uint8_t> alpha[2];
};

struct W1Options {
    int width = 0;
    int height = 0;
    int iters = 0;
    bool quick = false;
    int threads = 1;
    bool translucent = false;
    const char* source[2] = {nullptr, nullptr};
};

bool ParseW1(int argc, char** argv, W1Options& o)
{
    int files = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--canvas" && i + 1 < argc) {
            if (std::sscanf(argv[++i], "%dx%d", &o.width, &o.height) != 2)
                return false;
        } else if (a == "--iters" && i + 1 < argc) {
            o.iters = std::atoi(argv[++i]);
        } else if (a == "--threads" && i + 1 < argc) {
            o.threads = std::atoi(argv[++i]);
        } else if (a == "--quick") {
            o.quick = true;
        } else if (a == "--translucent") {
            o.translucent = true;
        } else if (files < 2 && a.rfind("--", 0) != 0) {
            o.source[files++] = argv[i];
        } else {
            return false;
        }
    }
    return files == 2 && o.iters > 0 && o.threads >= 1 && CanvasWithinBudget(o.width, o.height);
}

// One recompute: source 1 fitted, turned 30 degrees and centred; source 2 fitted and centred;
// both placed; the target composed by "Average" at bias 128 with contrast and brightness 60 and "Blur".
double ProcessCpuMs()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Recompute(Engine& e)
{
    e.placement[0].angle = RotationDegrees;
    for (SourceIndex s = 1; s <= 2; ++s) {
        e.UpdateSourceGeometry(s);
        const auto [x, y] = e.CentreOffsets(s);
        e.placement[s - 1].offsetX = x;
        e.placement[s - 1].offsetY = y;
    }
    e.PlaceAndCompose(true, true);
}

}  // namespace

int RunW1Bench(int argc, char** argv)
{
    W1Options o;
    if (!ParseW1(argc, argv, o)) {
        std::fputs(Usage, stderr);
        return 2;
    }
    auto sources = std::make_unique<LoadedSources>();
    if (!sources->Load(1, o.source[0]) || !sources->Load(2, o.source[1]))
        return 1;
    if (o.translucent)
        sources->SoftEllipse(1);
    auto engine = std::make_unique<Engine>(*sources);
    engine->canvasRect = CanvasRect{0, 0, o.width, o.height};
    // A canvas beyond the specified one is a target at a photo's own size.
    if (o.width > MaxCanvasWidth || o.height > MaxCanvasHeight)
        engine->SetCanvasLimit(MaxOwnCanvasSide, MaxOwnCanvasSide);
    engine->quickPreview = o.quick;
    engine->SetThreads(o.threads);
    MergeSettings& s = engine->settings;
    s.mergeMethod = 6;  // "Average"
    s.sourceBias = Bias;
    for (int k = 0; k < 3; ++k)
        s.channelContrast[k] = s.channelBrightness[k] = ToneValue;
    s.effect = EffectKernelAt(BlurPosition);

    for (int i = 0; i < WarmUps; ++i)
        Recompute(*engine);
    std::vector<double> times, cpu;
    for (int i = 0; i < o.iters; ++i) {
        const double c0 = ProcessCpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        Recompute(*engine);
        const auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(ProcessCpuMs() - c0);
        times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        std::printf("iter_ms %.3f\n", times.back());
    }
    // On a busy machine the processor time shows what the wall clock hides.
    std::fprintf(stderr, "median_ms %.3f cpu_median_ms %.3f target %dx%d threads %d\n", Median(times), Median(cpu),
                 engine->target.width, engine->target.height, o.threads);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "w1") == 0)
        return RunW1Bench(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "codec") == 0) {
        if (RunCodecBench)
            return RunCodecBench(argc, argv);
        std::fputs("brindor-bench: the codec workload is not built in\n", stderr);
        return 2;
    }
    std::fputs(Usage, stderr);
    return 2;
}
