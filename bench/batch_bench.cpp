// A batch merge on one thread: 40 photographs of 1024 x 768 as source 2, a 300 x 100 watermark
// as source 1 at the bottom right, half and half, written as JPEG at quality 90.
// BRINDOR_BATCH_DIR names a folder of inputs to use instead, and BRINDOR_BATCH_MARK a watermark
// file (the ImageMagick comparison script hands its own); the folder's "output" is written.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cbrindordoc.h"
#include "engine.h"
#include "file_rules.h"
#include "imaging_service.h"

namespace {

namespace fs = std::filesystem;

constexpr int PhotoWidth = 1024;
constexpr int PhotoHeight = 768;
constexpr int PhotoCount = 40;
constexpr int MarkWidth = 300;
constexpr int MarkHeight = 100;
constexpr int HalfAndHalf = 128;
constexpr int AverageMethod = 6;

// A host that confirms, never sees Esc and draws nothing.
struct SilentHost : BatchHost {
    bool ConfirmBatch(const std::string&) override { return true; }
    void PumpEvents() override {}
    bool EscapeDown() override { return false; }
    void ShowFileCount(const std::string&) override {}
};

// Smooth gradients with some texture, so the JPEG coder has real work.
void WritePhoto(const std::string& path, int seed)
{
    const size_t stride = ImagingStride(PhotoWidth);
    std::vector<uint8_t> rows(stride * PhotoHeight);
    for (int y = 0; y < PhotoHeight; ++y)
        for (int x = 0; x < PhotoWidth; ++x) {
            uint8_t* p = rows.data() + y * stride + 3 * x;
            p[0] = uint8_t(x / 4 + seed * 5);
            p[1] = uint8_t(y / 3 + ((x * y + seed) >> 7));
            p[2] = uint8_t((x ^ y) + seed * 11);
        }
    EncodeImageFile(path, ImageContainer::Jpeg, PixelRows{rows.data(), PhotoWidth, PhotoHeight, stride});
}

std::string PrepareInputs()
{
    if (const char* given = std::getenv("BRINDOR_BATCH_DIR"))
        return std::string(given) + "/";
    const std::string folder = (fs::temp_directory_path() / "brindor-batch-bench/").string();
    fs::create_directories(folder);
    for (int i = 0; i < PhotoCount; ++i) {
        const std::string name = folder + "photo" + std::to_string(100 + i) + ".jpg";
        if (!fs::exists(name))
            WritePhoto(name, i);
    }
    return folder;
}

void FillWatermark(CbrindorDoc& doc)
{
    if (const char* given = std::getenv("BRINDOR_BATCH_MARK")) {
        doc.OpenSourceFile(given);
        return;
    }
    const SlotChoice choice = doc.ChooseSlotForNewSource();
    DecodedPicture mark;
    AllocateSourceImage(mark.image, MarkWidth, MarkHeight, 24);
    mark.width = MarkWidth;
    mark.height = MarkHeight;
    const size_t stride = SourceRowSize(MarkWidth, 24);
    for (int y = 0; y < MarkHeight; ++y)
        for (int x = 0; x < MarkWidth; ++x) {
            uint8_t* p = mark.image.dib + SourceHeaderSize + y * stride + 3 * x;
            p[0] = p[1] = p[2] = uint8_t((x / 10 + y / 10) % 2 ? 255 : 40);
        }
    doc.StoreSourcePicture(choice.slot, std::move(mark));
    doc.kind[choice.slot - 1] = SourceKind::PastedOrBlank;
}

void BM_BatchMerge(benchmark::State& state)
{
    const std::string folder = PrepareInputs();
    std::string first;
    int count = 0;
    for (const std::string& name : ListFolderEntries(folder))
        if (IsImageFileName(LowerCase(name))) {
            ++count;
            if (first.empty())
                first = folder + name;
        }
    CbrindorDoc doc;
    auto engine = std::make_unique<Engine>(doc);
    engine->canvasRect = {0, 0, PhotoWidth, PhotoHeight};
    engine->settings.mergeMethod = AverageMethod;
    engine->settings.sourceBias = HalfAndHalf;
    engine->settings.scaleToTarget[0] = false;
    engine->placement[0].offsetX = -(PhotoWidth - MarkWidth);
    engine->placement[0].offsetY = -(PhotoHeight - MarkHeight);
    doc.SetEngine(engine.get());
    FillWatermark(doc);
    if (first.empty() || !doc.OpenSourceFile(first)) {
        state.SkipWithError("no input pictures");
        return;
    }
    SilentHost host;
    for (auto _ : state)
        doc.RunBatchMerge(host);
    state.SetItemsProcessed(int64_t(state.iterations()) * count);
    state.counters["files_per_second"] =
        benchmark::Counter(double(state.iterations()) * count, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BatchMerge)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

// The floor under the batch: each of the same files decoded and encoded again at quality 90 in
// memory, nothing composed or written, so what is left above it is the batch's own work.
void BM_BatchCodecFloor(benchmark::State& state)
{
    const std::string folder = PrepareInputs();
    std::vector<std::string> files;
    for (const std::string& name : ListFolderEntries(folder))
        if (IsImageFileName(LowerCase(name)))
            files.push_back(folder + name);
    EncodeOptions options;
    options.jpegQuality = 90;
    std::vector<uint8_t> encoded;
    for (auto _ : state)
        for (const std::string& file : files) {
            DecodedImage picture;
            if (!DecodeImageFile(file, picture)) {
                state.SkipWithError("an input does not decode");
                return;
            }
            EncodeImageMemory(encoded, ImageContainer::Jpeg,
                              PixelRows{picture.pixels.data(), picture.width, picture.height, picture.Stride()}, options);
            benchmark::DoNotOptimize(encoded.data());
        }
    state.counters["files_per_second"] =
        benchmark::Counter(double(state.iterations()) * double(files.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BatchCodecFloor)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

}  // namespace
