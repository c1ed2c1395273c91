// Places and composes two small sources with per-pixel opacity under settings read from the input:
// sizes, opacities, holes, scales, turns, offsets, merge method, quick path. The same input on one
// and on two threads must give the same layers and target, and an opacity of 255 everywhere must
// give exactly what no opacity gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "effects.h"
#include "engine.h"
#include "source_view.h"

namespace {

// Reads the input front to back; zeros once it runs out.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    int Range(int lo, int hi)
    {
        const unsigned low = Byte();
        const unsigned v = low | unsigned(Byte()) << 8;
        return lo + int(v % unsigned(hi - lo + 1));
    }
};

struct Slot {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels, mask, alpha;
    bool translucent = false;
    int Stride() const { return (width * 3 + 3) & ~3; }
};

class Sources : public SourceView {
public:
    Slot slot[2];
    bool withAlpha = true;
    int SourceCount() const override { return 2; }
    SourceKind Kind(SourceIndex) const override { return SourceKind::ImageFile; }
    int Width(SourceIndex s) const override { return slot[s - 1].width; }
    int Height(SourceIndex s) const override { return slot[s - 1].height; }
    const uint8_t* Pixels(SourceIndex s) const override { return slot[s - 1].pixels.data(); }
    int Stride(SourceIndex s) const override { return slot[s - 1].Stride(); }
    const uint8_t* Mask(SourceIndex s) const override { return slot[s - 1].mask.data(); }
    const uint8_t* Alpha(SourceIndex s) const override
    {
        return withAlpha && slot[s - 1].translucent ? slot[s - 1].alpha.data() : nullptr;
    }
};

void Fill(Reader& in, Slot& slot)
{
    slot.width = in.Range(1, 64);
    slot.height = in.Range(1, 64);
    const size_t n = size_t(slot.width) * slot.height;
    // Unpadded, so that reads past the last pixel are caught.
    slot.pixels.assign(size_t(slot.Stride()) * (slot.height - 1) + size_t(slot.width) * 3, 0);
    for (uint8_t& p : slot.pixels)
        p = in.Byte();
    slot.mask.assign(n, 1);
    for (int holes = in.Range(0, 8); holes > 0; --holes)
        slot.mask[size_t(in.Range(0, int(n) - 1))] = 0;
    slot.translucent = in.Byte() & 1;
    slot.alpha.resize(n);
    const int style = in.Byte() % 3;  // bytes of the input, transparent or opaque, or opaque only
    for (uint8_t& a : slot.alpha)
        a = style == 0 ? in.Byte() : style == 1 ? (in.Byte() & 1 ? 255 : 0) : 255;
}

void Configure(Reader& in, Engine& e)
{
    e.canvasRect = CanvasRect{0, 0, in.Range(1, 160), in.Range(1, 120)};
    MergeSettings& m = e.settings;
    m.mergeMethod = in.Range(0, 10);
    m.sourceBias = in.Range(0, 256);
    m.effect = EffectKernelAt(in.Range(0, EffectCount - 1));
    m.baseColour = Bgr{in.Byte(), in.Byte(), in.Byte()};
    for (int s = 0; s < 2; ++s) {
        m.scaleToTarget[s] = in.Byte() & 1;
        m.flipHorizontal[s] = in.Byte() & 1;
        m.horizontalScale[s] = in.Range(1, 400);
        m.verticalScale[s] = in.Range(1, 400);
        e.placement[s].angle = in.Range(-180, 180);
    }
    e.quickPreview = in.Byte() & 1;
    e.UpdateSourceGeometry(2);
    e.UpdateSourceGeometry(1);
    for (int s = 0; s < 2; ++s) {
        e.placement[s].offsetX = in.Range(-200, 200);
        e.placement[s].offsetY = in.Range(-200, 200);
    }
}

bool SameLayers(const Engine& a, const Engine& b)
{
    const int w = a.CanvasWidth(), h = a.CanvasHeight();
    for (int s = 0; s < 2; ++s)
        for (int r = 0; r < h; ++r)
            if (std::memcmp(a.layer[s].Row(r), b.layer[s].Row(r), size_t(w) * 3) != 0 ||
                std::memcmp(a.layer[s].MaskRow(r), b.layer[s].MaskRow(r), size_t(w)) != 0)
                return false;
    return true;
}

bool SameTarget(const Engine& a, const Engine& b)
{
    const size_t bytes = size_t(a.target.width) * a.target.height * 3;
    return a.target.width == b.target.width && a.target.height == b.target.height &&
           (bytes == 0 || std::memcmp(a.target.pixels.data(), b.target.pixels.data(), bytes) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Sources sources;
    static Engine one(sources), two(sources);
    two.SetThreads(2);
    Reader in{data, size};
    Fill(in, sources.slot[0]);
    Fill(in, sources.slot[1]);
    sources.withAlpha = true;
    const size_t settingsAt = in.at;
    for (Engine* e : {&one, &two}) {
        in.at = settingsAt;
        Configure(in, *e);
        e->PlaceAndCompose(true, true);
    }
    if (!SameLayers(one, two) || !SameTarget(one, two))
        std::abort();
    // Opaque everywhere: the opacity changes nothing.
    bool opaque = true;
    for (const Slot& s : sources.slot)
        for (uint8_t a : s.alpha)
            opaque = opaque && (!s.translucent || a == 255);
    if (opaque) {
        sources.withAlpha = false;
        two.PlaceAndCompose(true, true);
        if (!SameLayers(one, two) || !SameTarget(one, two))
            std::abort();
    }
    return 0;
}
