// The window batch with each target at its picture's own size.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "batch_options.h"
#include "batch_own_size.h"
#include "doc_fakes.h"

namespace {

using namespace docfakes;

struct OwnSizeHost : BatchHost {
    bool ConfirmBatch(const std::string&) override { return true; }
    bool ConfirmBatchOptions(const std::string&, BatchOptions& options) override
    {
        options.keepOwnSize = true;
        return true;
    }
    void PumpEvents() override {}
    bool EscapeDown() override { return false; }
    void ShowFileCount(const std::string&) override {}
};

Bgr PixelAt(const DecodedImage& image, int rowFromTop, int column)
{
    const uint8_t* p = image.StoredRow(image.height - 1 - rowFromTop) + 3 * column;
    return Bgr{p[0], p[1], p[2]};
}

TEST(BatchOwnSize, EachPictureKeepsItsSizeAndTheMarkItsCorner)
{
    TempFolder dir;
    const Bgr photo{10, 120, 200};
    WritePicture(dir.Path("a.png"), ImageContainer::Png, 45, 30, Solid(photo));
    WritePicture(dir.Path("b.png"), ImageContainer::Png, 71, 53, Solid(photo));
    WritePicture(dir.Path("huge.png"), ImageContainer::Png, MaxOwnCanvasSide + 1, 1, Solid(photo));
    DocRig rig(64, 48);
    rig.AddSolidSource(10, 5, {255, 255, 255});
    rig.engine->settings.scaleToTarget[0] = false;
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("a.png")));
    rig.engine->ShoveToCorner(CmdTopLeft1 + 3);  // source 1 to the bottom right
    const CanvasRect viewCanvas = rig.engine->canvasRect;
    OwnSizeHost host;
    rig.doc.RunBatchMerge(host);

    // Half white, half the photo (the default bias of 127) where the mark lies.
    const auto mixed = [](uint8_t c) { return uint8_t((255 * (256 - 127) + c * 127) >> 8); };
    const Bgr marked{mixed(photo.blue), mixed(photo.green), mixed(photo.red)};
    for (const auto& [name, w, h] : {std::tuple{"a.png", 45, 30}, std::tuple{"b.png", 71, 53}}) {
        DecodedImage out;
        ASSERT_TRUE(DecodeImageFile(dir.Path(std::string("output/") + name), out)) << name;
        EXPECT_EQ(out.width, w) << "the exact width, not rounded to 4";
        EXPECT_EQ(out.height, h);
        EXPECT_EQ(PixelAt(out, h - 1, w - 1), marked) << name;
        EXPECT_EQ(PixelAt(out, h - 5, w - 9), marked) << name;  // its first column is never placed
        EXPECT_EQ(PixelAt(out, h - 6, w - 9), photo) << name;
        EXPECT_EQ(PixelAt(out, 1, 1), photo) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path("output/huge.png")));
    const std::vector<std::string> messages = rig.Messages();
    EXPECT_TRUE(std::any_of(messages.begin(), messages.end(), [](const std::string& m) {
        return m.find("huge.png is 16385 \u00d7 1; the largest target") != std::string::npos;
    }));
    // The view's canvas comes back.
    EXPECT_EQ(rig.engine->canvasRect, viewCanvas);
    EXPECT_EQ(rig.engine->CanvasLimitWidth(), MaxCanvasWidth);
    EXPECT_EQ(rig.engine->target.width, 64);
}

TEST(BatchOwnSize, AnchorsAreFoundOnlyAtPresetPositions)
{
    DocRig rig(64, 48);
    rig.AddSolidSource(10, 5, {255, 255, 255});
    rig.AddSolidSource(64, 48, {1, 2, 3});
    rig.engine->settings.scaleToTarget[0] = false;
    rig.engine->RecomputeAll();
    rig.engine->ShoveToCorner(CmdTopLeft1 + 1);
    EXPECT_EQ(FindMarkAnchor(*rig.engine, 1).corner, 1);
    rig.engine->MiddlePreset(1);
    EXPECT_EQ(FindMarkAnchor(*rig.engine, 1).middle, 0);
    rig.engine->MoveSource(1, -3, -7);
    EXPECT_FALSE(FindMarkAnchor(*rig.engine, 1).Any());
}

}  // namespace
