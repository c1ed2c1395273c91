#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "doc_fakes.h"
#include "file_rules.h"
#include "raster_image.h"

namespace {

using namespace docfakes;

constexpr const char* UnableToLoad = "Unable to load this image file";

// A colour-mapped, uncompressed, bottom-up TGA of 8 bits with the given 3-byte entries.
std::vector<uint8_t> ColourMappedTga(int width, int height, const std::vector<Bgr>& map,
                                     const std::vector<uint8_t>& indexes)
{
    std::vector<uint8_t> b(18, 0);
    b[1] = 1;  // colour map present
    b[2] = 1;  // colour-mapped
    b[5] = uint8_t(map.size());
    b[7] = 24;
    b[12] = uint8_t(width);
    b[14] = uint8_t(height);
    b[16] = 8;
    for (const Bgr& c : map) {
        b.push_back(c.blue);
        b.push_back(c.green);
        b.push_back(c.red);
    }
    b.insert(b.end(), indexes.begin(), indexes.end());
    return b;
}

// A 16-colour PCX of one bit in four planes, top line first, every byte written as a count of 1.
std::vector<uint8_t> SixteenColourPcx(int width, int height, const std::vector<Bgr>& palette,
                                      const std::function<int(int, int)>& index)
{
    std::vector<uint8_t> b(128, 0);
    b[0] = 10;
    b[1] = 5;
    b[2] = 1;
    b[3] = 1;
    b[8] = uint8_t(width - 1);
    b[10] = uint8_t(height - 1);
    for (size_t i = 0; i < palette.size() && i < 16; ++i) {
        b[16 + 3 * i] = palette[i].red;
        b[17 + 3 * i] = palette[i].green;
        b[18 + 3 * i] = palette[i].blue;
    }
    b[65] = 4;
    const int bytesPerLine = ((width + 7) / 8 + 1) & ~1;
    b[66] = uint8_t(bytesPerLine);
    for (int y = 0; y < height; ++y)
        for (int plane = 0; plane < 4; ++plane)
            for (int byte = 0; byte < bytesPerLine; ++byte) {
                uint8_t v = 0;
                for (int bit = 0; bit < 8; ++bit) {
                    const int x = byte * 8 + bit;
                    if (x < width && (index(y, x) >> plane & 1))
                        v |= uint8_t(0x80 >> bit);
                }
                b.push_back(0xC1);
                b.push_back(v);
            }
    return b;
}

class FileInputTest : public ::testing::Test {
protected:
    TempFolder dir;
    DocRig rig;
};

TEST_F(FileInputTest, ExtensionChoosesTheDecoderWhateverItsCase)
{
    WritePicture(dir.Path("HOLIDAY.JPG"), ImageContainer::Jpeg, 17, 9);
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("HOLIDAY.JPG")));
    EXPECT_EQ(rig.doc.kind[0], SourceKind::ImageFile);
    EXPECT_EQ(rig.doc.Width(1), 17);
    EXPECT_EQ(rig.doc.Height(1), 9);
    EXPECT_EQ(rig.doc.path[0], dir.Path("HOLIDAY.JPG"));
    EXPECT_EQ(rig.listener.names[1], dir.Path("HOLIDAY.JPG"));

    // "gif" names no decoder, however good the content.
    WritePicture(dir.Path("photo.gif"), ImageContainer::Jpeg, 8, 8);
    EXPECT_FALSE(rig.doc.OpenSourceFile(dir.Path("photo.gif")));
    EXPECT_EQ(rig.Messages(), std::vector<std::string>{UnableToLoad});
    EXPECT_EQ(rig.doc.sourceCount, 1);  // the abandoned first fill of slot 2 gave its count back

    // The content decides the decoder: a PNG named .tif loads.
    WritePicture(dir.Path("readme.tif"), ImageContainer::Png, 5, 4);
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("readme.tif")));
    EXPECT_EQ(rig.doc.Width(2), 5);
    EXPECT_EQ(rig.doc.sourceCount, 2);
}

TEST_F(FileInputTest, LongSuffixesOpenLikeTheirShortForms)
{
    WritePicture(dir.Path("photo.Jpeg"), ImageContainer::Jpeg, 8, 6);
    WritePicture(dir.Path("scan.TIFF"), ImageContainer::Tiff, 5, 4);
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("photo.Jpeg")));
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("scan.TIFF")));
    EXPECT_EQ(rig.doc.Width(1), 8);
    EXPECT_EQ(rig.doc.Width(2), 5);
    EXPECT_TRUE(rig.Messages().empty());
}

std::vector<uint8_t> TrueColourTgaHeader(uint16_t w, uint16_t h, uint8_t depth)
{
    std::vector<uint8_t> b(18, 0);
    b[2] = 2;
    b[12] = uint8_t(w);
    b[13] = uint8_t(w >> 8);
    b[14] = uint8_t(h);
    b[15] = uint8_t(h >> 8);
    b[16] = depth;
    b[17] = depth == 32 ? 8 : 0;
    return b;
}

// A 32-bit TGA of w x h, bottom row first, eight attribute bits; pixel i is (i, 2i, 3i) with
// opacity alpha(i).
std::vector<uint8_t> AlphaTga(uint16_t w, uint16_t h, uint8_t (*alpha)(int))
{
    std::vector<uint8_t> b = TrueColourTgaHeader(w, h, 32);
    for (int i = 0; i < w * h; ++i)
        b.insert(b.end(), {uint8_t(i), uint8_t(2 * i), uint8_t(3 * i), alpha(i)});
    return b;
}

TEST_F(FileInputTest, OpacityReachesTheEngineBesideTheColour)
{
    // Both decoding routes: the raster layer's TGA and the imaging service's BMP.
    WriteBytes(dir.Path("logo.tga"), AlphaTga(3, 2, [](int i) { return uint8_t(i * 40); }));
    std::vector<uint8_t> v5 = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 138, 0, 0, 0, 124, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 32, 0, 3};
    v5.resize(138, 0);
    const uint32_t masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    std::memcpy(v5.data() + 54, masks, sizeof masks);
    v5.insert(v5.end(), {1, 2, 3, 0x10, 4, 5, 6, 0xFF});
    WriteBytes(dir.Path("mark.bmp"), v5);
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("logo.tga")));
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("mark.bmp")));
    ASSERT_NE(rig.doc.Alpha(1), nullptr);
    // Laid out as the mask: bottom-up rows of width bytes.
    EXPECT_EQ(std::vector<uint8_t>(rig.doc.Alpha(1), rig.doc.Alpha(1) + 6), (std::vector<uint8_t>{0, 40, 80, 120, 160, 200}));
    EXPECT_EQ(rig.doc.Pixels(1)[12], 3);  // blue of pixel 3, the top row's first
    ASSERT_NE(rig.doc.Alpha(2), nullptr);
    EXPECT_EQ(rig.doc.Alpha(2)[0], 0x10);
    EXPECT_EQ(rig.doc.Alpha(2)[1], 0xFF);

    // Opaque files keep no plane, and a replaced picture takes its plane with it.
    WriteBytes(dir.Path("opaque.tga"), AlphaTga(3, 2, [](int) { return uint8_t(255); }));
    ASSERT_TRUE(rig.doc.LoadSourceFile(1, dir.Path("opaque.tga")));
    EXPECT_EQ(rig.doc.Alpha(1), nullptr);
    WritePicture(dir.Path("plain.png"), ImageContainer::Png, 4, 4);
    ASSERT_TRUE(rig.doc.LoadSourceFile(2, dir.Path("plain.png")));
    EXPECT_EQ(rig.doc.Alpha(2), nullptr);
}

TEST_F(FileInputTest, HugeTgaHeaderIsRefusedBeforeItsPixelsAreRead)
{
    // 9000 x 9000: within the raster layer's own limit, beyond what a slot takes. The header
    // alone is refused from its size, not read as a corrupted picture.
    WriteBytes(dir.Path("huge.tga"), TrueColourTgaHeader(9000, 9000, 24));
    EXPECT_FALSE(rig.doc.OpenSourceFile(dir.Path("huge.tga")));
    EXPECT_EQ(rig.Messages(), std::vector<std::string>{UnableToLoad});
    EXPECT_NE(rig.doc.LastFailureReason().find("9000 x 9000 pixels is beyond the source limits"), std::string::npos)
        << rig.doc.LastFailureReason();
}

TEST_F(FileInputTest, OddWidthRowsArePaddedAndBottomUp)
{
    // Top row red, the rest blue; 3 pixels wide gives 12-byte rows with 3 zero padding bytes.
    WritePicture(dir.Path("odd.png"), ImageContainer::Png, 3, 2,
                 [](int row, int) { return row == 0 ? Bgr{0, 0, 255} : Bgr{255, 0, 0}; });
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("odd.png")));
    EXPECT_EQ(rig.doc.Stride(1), 12);
    const uint8_t* bottom = rig.doc.Pixels(1);
    EXPECT_EQ(bottom[0], 255);   // the stored first row is the picture's bottom row: blue
    EXPECT_EQ(bottom[12 + 2], 255);  // the top row, red
    EXPECT_EQ(bottom[9] | bottom[10] | bottom[11], 0);
    EXPECT_EQ(rig.doc.image[0].maskSize, 6);
    WritePicture(dir.Path("odd.jpg"), ImageContainer::Jpeg, 3, 5);
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("odd.jpg")));
    EXPECT_EQ(rig.doc.Stride(2), 12);
    // A JPEG's rows go into an uncleared block: every byte, padding included, is as a decode
    // into cleared memory gives it.
    WritePicture(dir.Path("wide.jpg"), ImageContainer::Jpeg, 1037, 29);
    ASSERT_TRUE(rig.doc.LoadSourceFile(2, dir.Path("wide.jpg")));
    DecodedImage plain;
    ASSERT_TRUE(DecodeImageFile(dir.Path("wide.jpg"), plain));
    ASSERT_EQ(size_t(rig.doc.Stride(2)), plain.Stride());
    EXPECT_EQ(0, std::memcmp(rig.doc.Pixels(2), plain.pixels.data(), plain.pixels.size()));
}

TEST_F(FileInputTest, FailedLoadKeepsWhatTheSlotHeld)
{
    WritePicture(dir.Path("good.png"), ImageContainer::Png, 6, 4, Solid({1, 2, 3}));
    WriteBytes(dir.Path("broken.jpg"), {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F'});
    WriteBytes(dir.Path("broken.tga"), {1, 2, 3});
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("good.png")));
    const uint8_t* block = rig.doc.image[0].dib;

    EXPECT_FALSE(rig.doc.LoadSourceFile(1, dir.Path("broken.jpg")));
    EXPECT_FALSE(rig.doc.LoadSourceFile(1, dir.Path("missing.png")));
    EXPECT_FALSE(rig.doc.LoadSourceFile(1, ""));
    EXPECT_EQ(rig.doc.image[0].dib, block);
    EXPECT_EQ(rig.doc.path[0], dir.Path("good.png"));
    EXPECT_EQ(rig.doc.kind[0], SourceKind::ImageFile);
    EXPECT_EQ(SlotPixel(rig.doc, 1, 0, 0), (Bgr{1, 2, 3}));
    ASSERT_EQ(rig.prompts.shown.size(), 2u);
    EXPECT_EQ(rig.prompts.shown[0].first, UnableToLoad);
    EXPECT_EQ(rig.prompts.shown[1].second, PromptKind::Stop);  // the open failure

    // A bad TGA shows the raster layer's text, then the loader's.
    rig.prompts.shown.clear();
    EXPECT_FALSE(rig.doc.LoadSourceFile(1, dir.Path("broken.tga")));
    ASSERT_EQ(rig.prompts.shown.size(), 2u);
    EXPECT_FALSE(rig.prompts.shown[0].first.empty());
    EXPECT_EQ(rig.prompts.shown[1].first, UnableToLoad);
    EXPECT_EQ(rig.doc.image[0].dib, block);
}

TEST_F(FileInputTest, NonRegularFilesAreRefusedWithoutBlocking)
{
    HangGuard guard;
    WritePicture(dir.Path("good.png"), ImageContainer::Png, 6, 4);
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("good.png")));
    const uint8_t* block = rig.doc.image[0].dib;
    // Both decoder families: the platform's and the raster layer's.
    for (const char* name : {"fifo.png", "fifo.tga"}) {
        ASSERT_EQ(::mkfifo(dir.Path(name).c_str(), 0600), 0);
        rig.prompts.shown.clear();
        EXPECT_FALSE(rig.doc.LoadSourceFile(1, dir.Path(name)));
        ASSERT_EQ(rig.prompts.shown.size(), 1u) << name;
        EXPECT_EQ(rig.prompts.shown[0].second, PromptKind::Stop);  // the open failure, as for a folder
        EXPECT_FALSE(rig.doc.LastFailureReason().empty());
    }
    DecodedImage image;
    EXPECT_FALSE(DecodeImageFile(dir.Path("fifo.png"), image));
    EXPECT_EQ(rig.doc.image[0].dib, block);
}

TEST_F(FileInputTest, FirstFillThatFailsGivesItsCountBack)
{
    fs::create_directory(dir.Path("old.png"));
    EXPECT_FALSE(rig.doc.OpenSourceFile(dir.Path("old.png")));
    EXPECT_EQ(rig.doc.sourceCount, 0);
    EXPECT_EQ(rig.prompts.shown.at(0).second, PromptKind::Stop);
    WriteBytes(dir.Path("junk.bmp"), {'B', 'M', 0, 0});
    EXPECT_FALSE(rig.doc.OpenSourceFile(dir.Path("junk.bmp")));
    EXPECT_EQ(rig.doc.sourceCount, 0);
    EXPECT_EQ(rig.doc.Pixels(1), nullptr);
}

TEST_F(FileInputTest, ReplacingTouchesOnlyTheChosenSlot)
{
    WritePicture(dir.Path("a.png"), ImageContainer::Png, 4, 4, Solid({1, 1, 1}));
    WritePicture(dir.Path("b.png"), ImageContainer::Png, 5, 5, Solid({2, 2, 2}));
    WritePicture(dir.Path("c.tif"), ImageContainer::Tiff, 6, 6, Solid({3, 3, 3}));
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("a.png")));
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("b.png")));
    const uint8_t* first = rig.doc.image[0].dib;

    rig.chooser.answer = 0;
    EXPECT_FALSE(rig.doc.OpenSourceFile(dir.Path("c.tif")));
    EXPECT_EQ(rig.doc.path[1], dir.Path("b.png"));

    rig.chooser.answer = 2;
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("c.tif"))) << ::testing::PrintToString(rig.Messages());
    EXPECT_EQ(rig.doc.sourceCount, 2);
    EXPECT_EQ(rig.doc.image[0].dib, first);
    EXPECT_EQ(rig.doc.path[0], dir.Path("a.png"));
    EXPECT_EQ(rig.doc.Width(2), 6);
    EXPECT_EQ(SlotPixel(rig.doc, 2, 5, 5), (Bgr{3, 3, 3}));
}

TEST_F(FileInputTest, OpenRouteIgnoresTheSamePathAgain)
{
    WritePicture(dir.Path("a.png"), ImageContainer::Png, 4, 4);
    WritePicture(dir.Path("b.png"), ImageContainer::Png, 4, 4);
    ASSERT_TRUE(rig.doc.OpenDocument(dir.Path("a.png")));
    EXPECT_EQ(rig.listener.opened.size(), 1u);
    // Letter case is ignored in the comparison.
    EXPECT_FALSE(rig.doc.OpenDocument(dir.Path("A.PNG")));
    EXPECT_EQ(rig.doc.sourceCount, 1);
    EXPECT_TRUE(rig.prompts.shown.empty());

    ASSERT_TRUE(rig.doc.OpenDocument(dir.Path("b.png")));
    EXPECT_EQ(rig.doc.path[1], dir.Path("b.png"));
    // Opened again after another file, it takes a slot again: here the replace choice.
    rig.chooser.answer = 1;
    ASSERT_TRUE(rig.doc.OpenDocument(dir.Path("a.png")));
    EXPECT_EQ(rig.chooser.asked, 1);
    EXPECT_EQ(rig.doc.sourceCount, 2);

    // After the new-document command the same file opens again.
    EXPECT_FALSE(rig.doc.OpenDocument(dir.Path("a.png")));
    rig.doc.NewDocument();
    EXPECT_TRUE(rig.doc.OpenDocument(dir.Path("a.png")));
    EXPECT_EQ(rig.chooser.asked, 2);
    EXPECT_EQ(rig.listener.opened.size(), 4u);
}

TEST_F(FileInputTest, PalettePicturesOfTheRasterLayerAreExpanded)
{
    // 3 x 2, bottom-up: the first file row is the bottom row.
    WriteBytes(dir.Path("map.tga"),
               ColourMappedTga(3, 2, {{0, 0, 200}, {0, 150, 0}, {90, 0, 0}}, {0, 1, 2, 2, 1, 0}));
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("map.tga")));
    EXPECT_EQ(DibBitCount(rig.doc.image[0].dib), 24);
    EXPECT_EQ(SlotPixel(rig.doc, 1, 1, 0), (Bgr{0, 0, 200}));
    EXPECT_EQ(SlotPixel(rig.doc, 1, 1, 2), (Bgr{90, 0, 0}));
    EXPECT_EQ(SlotPixel(rig.doc, 1, 0, 0), (Bgr{90, 0, 0}));

    std::vector<Bgr> palette(16);
    for (int i = 0; i < 16; ++i)
        palette[i] = Bgr{uint8_t(i * 16), uint8_t(255 - i), uint8_t(i)};
    const auto index = [](int y, int x) { return (y * 5 + x) % 16; };
    WriteBytes(dir.Path("COLOURS.PCX"), SixteenColourPcx(11, 3, palette, index));
    ASSERT_TRUE(rig.doc.OpenSourceFile(dir.Path("COLOURS.PCX")));
    EXPECT_EQ(rig.doc.Width(2), 11);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 11; ++x)
            ASSERT_EQ(SlotPixel(rig.doc, 2, y, x), palette[index(y, x)]) << y << "," << x;
}

TEST_F(FileInputTest, OpenDialogRemembersFolderAndFilter)
{
    EXPECT_EQ(rig.doc.ShowOpenImageDialog(), "");  // cancelled
    EXPECT_EQ(rig.settings.writes, 0);
    ASSERT_EQ(rig.dialogs.openRequests.size(), 1u);
    const FileDialogRequest& first = rig.dialogs.openRequests[0];
    ASSERT_EQ(first.filters.size(), 7u);
    EXPECT_EQ(first.filters[6], (FileFilter{"All Files (*.*)", "*.*"}));
    EXPECT_EQ(first.filterIndex, 0);
    EXPECT_EQ(first.initialFolder, "");

    rig.dialogs.results.push_back({true, "/pictures/2012/x.tga", 5});
    EXPECT_EQ(rig.doc.ShowOpenImageDialog(), "/pictures/2012/x.tga");
    rig.doc.ShowOpenImageDialog();
    EXPECT_EQ(rig.dialogs.openRequests[2].initialFolder, "/pictures/2012/");
    EXPECT_EQ(rig.dialogs.openRequests[2].filterIndex, 5);
}

TEST(FileRulesTest, LowerCaseAndImageNames)
{
    EXPECT_EQ(LowerCase("PHOTO.JPG"), "photo.jpg");
    EXPECT_EQ(LowerCase("ÉTÉ.PNG"), "été.png");
    EXPECT_EQ(LowerCase(std::string("A\xff.BMP")), std::string("a\xff.bmp"));
    EXPECT_TRUE(IsImageFileName("a.tga"));
    EXPECT_TRUE(IsImageFileName(".pcx"));
    EXPECT_FALSE(IsImageFileName("a.jpg2"));
    EXPECT_FALSE(IsImageFileName("abmp"));
    EXPECT_FALSE(IsImageFileName("output"));
    EXPECT_EQ(FolderOf("/a/b/c.png"), "/a/b/");
    EXPECT_EQ(FileNameOf("/a/b/c.png"), "c.png");
}

TEST(FileRulesTest, SuffixesUsersHaveNameTheirFormat)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a.jpg", "jpg"}, {"a.JPEG", "jpg"}, {"a.Jpe", "jpg"}, {"b.TIFF", "tif"}, {"b.tif", "tif"},
        {"c.BMP", "bmp"}, {"d.Png", "png"}, {"e.TGA", "tga"}, {"f.pcx", "pcx"}, {"x.tar.gz", ""},
        {"jpeg", ""}, {"a.jpegs", ""}, {"dir.tiff/name", ""}, {"a.", ""}};
    for (const auto& [name, format] : cases) {
        EXPECT_EQ(ImageFormatOfName(name), format) << name;
        EXPECT_EQ(IsImageFileName(name), *format != '\0') << name;
    }
}

TEST(FileRulesTest, FolderOrderIsNaturalAndIgnoresLetterCase)
{
    std::vector<std::string> names = {"img10.jpg", "IMG2.png", "img1.tif", "Img02.bmp", "b.jpg", "A.jpg",
                                      "a.jpg",     "img2.png", "x9y10", "x9y9", "10", "9"};
    std::sort(names.begin(), names.end(), FolderOrderLess);
    EXPECT_EQ(names, (std::vector<std::string>{"9", "10", "A.jpg", "a.jpg", "b.jpg", "img1.tif", "Img02.bmp",
                                               "IMG2.png", "img2.png", "img10.jpg", "x9y9", "x9y10"}));
    for (const std::string& a : names)
        EXPECT_FALSE(FolderOrderLess(a, a)) << a;
}

}  // namespace
