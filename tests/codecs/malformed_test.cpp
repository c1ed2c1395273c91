// Bad inputs: the saved cases, each failing with its exact message or decoding safely, and sweeps
// that flip every byte of small valid files and cut them short at every length.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "codec_builders.h"
#include "raster_image.h"

using namespace codectest;

namespace {

const std::string DataDir = BRINDOR_TEST_DATA;
const std::string CrasherDir = BRINDOR_TEST_CRASHERS;

struct SavedCase {
    std::string file;
    ImageFormatId format;
    std::string expected;  // the message, or "decodes"
};

ImageFormatId FormatNamed(const std::string& name)
{
    if (name == "bmp")
        return FormatBmp;
    if (name == "tga")
        return FormatTga;
    if (name == "pcx")
        return FormatPcx;
    return FormatAuto;
}

std::vector<SavedCase> LoadCases()
{
    std::vector<SavedCase> cases;
    std::ifstream in(CrasherDir + "/codec_cases.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        SavedCase c;
        std::string format;
        std::getline(fields, c.file, '\t');
        std::getline(fields, format, '\t');
        std::getline(fields, c.expected);
        c.format = FormatNamed(format);
        cases.push_back(c);
    }
    return cases;
}

// What must hold for any picture a decoder hands out.
void ExpectConsistent(const RasterImage& image)
{
    ASSERT_TRUE(image.HasImage());
    const BITMAPINFOHEADER& h = image.Header();
    EXPECT_EQ(0, std::memcmp(image.DibBlock(), &h, sizeof h));
    EXPECT_TRUE(h.biBitCount == 1 || h.biBitCount == 4 || h.biBitCount == 8 || h.biBitCount == 24);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(uint64_t{image.RowStride()} % 4, 0u);
    EXPECT_EQ(uint64_t{h.biSizeImage}, uint64_t{image.RowStride()} * image.Height());
    EXPECT_EQ(image.DibSize(), 40u + 4 * h.biClrUsed + h.biSizeImage);
    EXPECT_EQ(image.PixelArea(), image.DibBlock() + 40 + 4 * h.biClrUsed);
}

class SavedInputs : public ::testing::TestWithParam<SavedCase> {};

TEST_P(SavedInputs, FailWithTheirMessageOrDecode)
{
    const SavedCase& c = GetParam();
    Bytes bytes = ReadFile(CrasherDir + "/" + c.file);
    RasterImage image;
    const bool decoded = DecodeBytes(image, bytes, c.format);
    if (c.expected == "decodes") {
        EXPECT_TRUE(decoded) << image.ErrorText();
        if (decoded)
            ExpectConsistent(image);
    } else {
        EXPECT_FALSE(decoded);
        EXPECT_EQ(std::string(image.ErrorText()), c.expected);
        EXPECT_FALSE(image.HasImage());
    }
}

std::string CaseName(const ::testing::TestParamInfo<SavedCase>& info)
{
    std::string name = info.param.file;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Crashers, SavedInputs, ::testing::ValuesIn(LoadCases()), CaseName);

TEST(SavedInputsList, IsPresent)
{
    EXPECT_GE(LoadCases().size(), 20u);
}

const char* const SweepFiles[] = {
    "codec_sweep_rle8.bmp", "codec_sweep_rle4.bmp", "codec_sweep_16.bmp", "codec_sweep_32.bmp",
    "codec_sweep_os2.bmp",  "codec_sweep_v5.bmp",   "codec_sweep_10.tga", "codec_sweep_9.tga",
    "codec_sweep_16.tga",   "codec_sweep_24.pcx",   "codec_sweep_8.pcx",  "codec_sweep_4planes.pcx",
};

ImageFormatId FormatOfName(const std::string& name)
{
    const std::string ext = name.substr(name.size() - 3);
    return ext == "bmp" ? FormatBmp : ext == "tga" ? FormatTga : FormatPcx;
}

// One decode of damaged bytes: a failure leaves a message and no picture; a success leaves a
// consistent picture, and decoding the same bytes again gives the same block.
void CheckDamaged(const Bytes& bytes, ImageFormatId id)
{
    RasterImage first;
    if (!DecodeBytes(first, bytes, id)) {
        EXPECT_FALSE(first.HasImage());
        EXPECT_STRNE(first.ErrorText(), "");
        return;
    }
    ExpectConsistent(first);
    RasterImage second;
    ASSERT_TRUE(DecodeBytes(second, bytes, id));
    ASSERT_EQ(first.DibSize(), second.DibSize());
    EXPECT_EQ(0, std::memcmp(first.DibBlock(), second.DibBlock(), first.DibSize()));
}

class Sweep : public ::testing::TestWithParam<const char*> {};

TEST_P(Sweep, ValidFileDecodes)
{
    const std::string name = GetParam();
    RasterImage image;
    ASSERT_TRUE(DecodeBytes(image, ReadFile(DataDir + "/" + name), FormatOfName(name))) << image.ErrorText();
    ExpectConsistent(image);
}

TEST_P(Sweep, EveryByteFlipped)
{
    const std::string name = GetParam();
    const Bytes valid = ReadFile(DataDir + "/" + name);
    ASSERT_FALSE(valid.empty());
    for (size_t i = 0; i < valid.size(); ++i) {
        for (uint8_t value : {static_cast<uint8_t>(valid[i] ^ 0xFF), uint8_t{0}, uint8_t{0x80}}) {
            SCOPED_TRACE("byte " + std::to_string(i) + " = " + std::to_string(value));
            Bytes damaged = valid;
            damaged[i] = value;
            CheckDamaged(damaged, FormatOfName(name));
            CheckDamaged(damaged, FormatAuto);
            if (::testing::Test::HasFailure())
                return;
        }
    }
}

TEST_P(Sweep, TruncatedAtEveryLength)
{
    const std::string name = GetParam();
    const Bytes valid = ReadFile(DataDir + "/" + name);
    for (size_t n = 0; n < valid.size(); ++n) {
        SCOPED_TRACE("length " + std::to_string(n));
        const Bytes cut(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(n));
        CheckDamaged(cut, FormatOfName(name));
        CheckDamaged(cut, FormatAuto);
        if (::testing::Test::HasFailure())
            return;
    }
}

std::string SweepName(const ::testing::TestParamInfo<const char*>& info)
{
    std::string name = info.param;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Files, Sweep, ::testing::ValuesIn(SweepFiles), SweepName);

}  // namespace
