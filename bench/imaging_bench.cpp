// Decoding and encoding a full-size canvas picture through the imaging service, in MB/s of
// 24-bit pixels, with real files in a temporary folder.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "imaging_service.h"

namespace {

constexpr int Width = 2048;
constexpr int Height = 1536;

// A photograph-like picture: smooth shading, a few hard edges and fine noise.
const std::vector<uint8_t>& Picture()
{
    static const std::vector<uint8_t> pixels = [] {
        std::vector<uint8_t> p(ImagingStride(Width) * Height);
        std::mt19937 random(2048);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                uint8_t* px = p.data() + size_t(y) * ImagingStride(Width) + size_t(x) * 3;
                const double shade = 0.5 + 0.5 * std::sin(x * 0.004) * std::cos(y * 0.006);
                const int edge = ((x / 256 + y / 192) & 1) * 40;
                const int noise = int(random() % 9) - 4;
                px[0] = uint8_t(std::clamp(int(shade * 180) + edge + noise, 0, 255));
                px[1] = uint8_t(std::clamp(int(x * 200 / Width) + noise, 0, 255));
                px[2] = uint8_t(std::clamp(int(y * 220 / Height) - edge / 2 + noise, 0, 255));
            }
        return p;
    }();
    return pixels;
}

PixelRows Rows() { return PixelRows{Picture().data(), Width, Height, ImagingStride(Width)}; }

// A scratch folder for the files, removed when the program ends.
struct BenchFolder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("brindor-imaging-bench-" + std::to_string(::getpid()));
    BenchFolder() { std::filesystem::create_directories(path); }
    ~BenchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

std::string Folder()
{
    static const BenchFolder folder;
    return folder.path.string();
}

std::string FileFor(ImageContainer container)
{
    static const char* names[] = {"", "b.bmp", "b.jpg", "b.png", "b.tif"};
    return Folder() + "/" + names[int(container)];
}

void Decode(benchmark::State& state, ImageContainer container)
{
    const std::string path = FileFor(container);
    if (!EncodeImageFile(path, container, Rows())) {
        state.SkipWithError("could not write the input file");
        return;
    }
    state.counters["file_kB"] = double(std::filesystem::file_size(path)) / 1024.0;
    DecodedImage image;
    for (auto _ : state) {
        if (!DecodeImageFile(path, image))
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * Width * Height * 3);
}

void Encode(benchmark::State& state, ImageContainer container)
{
    const std::string path = FileFor(container);
    for (auto _ : state)
        if (!EncodeImageFile(path, container, Rows()))
            state.SkipWithError("encode failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * Width * Height * 3);
}

BENCHMARK_CAPTURE(Decode, jpeg, ImageContainer::Jpeg)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, png, ImageContainer::Png)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, tiff, ImageContainer::Tiff)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, bmp, ImageContainer::Bmp)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, jpeg, ImageContainer::Jpeg)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, png, ImageContainer::Png)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, tiff, ImageContainer::Tiff)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, bmp, ImageContainer::Bmp)->Unit(benchmark::kMillisecond);

}  // namespace
