#pragma once
// Helpers for the imaging tests: a scratch folder, a reproducible picture, and writers that
// make test files with the codec libraries directly (not through the service under test).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "imaging_service.h"

namespace imaging_test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
public:
    ScratchDir()
    {
        std::random_device device;
        path_ = fs::temp_directory_path() / ("brindor-imaging-" + std::to_string(device()) + std::to_string(device()));
        fs::create_directories(path_);
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& Path() const { return path_; }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        return names;
    }

private:
    fs::path path_;
};

// A picture as top-down RGB triples, the way most libraries take it.
struct Rgb {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // top row first, red green blue, no padding

    const uint8_t* At(int x, int yFromTop) const { return rgb.data() + (size_t(yFromTop) * width + x) * 3; }
};

// Smooth gradients with a little seeded noise: compressible yet not trivial.
inline Rgb MakePicture(int width, int height, uint32_t seed = 7)
{
    Rgb p{width, height, std::vector<uint8_t>(size_t(width) * height * 3)};
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* px = p.rgb.data() + (size_t(y) * width + x) * 3;
            px[0] = uint8_t(x * 255 / std::max(1, width - 1));
            px[1] = uint8_t(y * 255 / std::max(1, height - 1));
            px[2] = uint8_t((x * 7 + y * 13) ^ (random() & 15));
        }
    return p;
}

// Gentle gradients only, for lossy codecs that thin out colour detail.
inline Rgb MakeSmoothPicture(int width, int height)
{
    Rgb p{width, height, std::vector<uint8_t>(size_t(width) * height * 3)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* px = p.rgb.data() + (size_t(y) * width + x) * 3;
            px[0] = uint8_t(40 + x * 150 / std::max(1, width - 1));
            px[1] = uint8_t(200 - y * 150 / std::max(1, height - 1));
            px[2] = uint8_t(60 + (x + y) * 100 / std::max(1, width + height - 2));
        }
    return p;
}

// The same picture as bottom-up blue-green-red rows padded to 4 bytes.
inline std::vector<uint8_t> ToStored(const Rgb& p)
{
    const size_t stride = ImagingStride(p.width);
    std::vector<uint8_t> out(stride * p.height, 0);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* s = p.At(x, y);
            uint8_t* d = out.data() + size_t(p.height - 1 - y) * stride + size_t(x) * 3;
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    return out;
}

inline PixelRows RowsOf(const std::vector<uint8_t>& stored, int width, int height)
{
    return PixelRows{stored.data(), width, height, ImagingStride(width)};
}

// Blue, green, red of the decoded pixel at (x, y from the top).
inline const uint8_t* PixelAt(const DecodedImage& image, int x, int yFromTop)
{
    return image.StoredRow(image.height - 1 - yFromTop) + size_t(x) * 3;
}

// Largest channel difference between a decoded picture and the original; 256 on a size mismatch.
inline int MaxDifference(const DecodedImage& image, const Rgb& p)
{
    if (image.width != p.width || image.height != p.height)
        return 256;
    int worst = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* d = PixelAt(image, x, y);
            const uint8_t* s = p.At(x, y);
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(int(d[c]) - int(s[2 - c])));
        }
    return worst;
}

// Every padding byte at the end of every stored row is zero.
inline bool PaddingIsZero(const DecodedImage& image)
{
    const size_t used = size_t(image.width) * 3;
    for (int r = 0; r < image.height; ++r)
        for (size_t i = used; i < image.Stride(); ++i)
            if (image.StoredRow(r)[i] != 0)
                return false;
    return true;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// An allocator that records its calls and hands out a zeroed buffer it owns.
struct RecordingAllocator {
    int calls = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> buffer;
    bool refuse = false;

    PixelAllocator Get()
    {
        return [this](int w, int h, bool) -> uint8_t* {
            ++calls;
            width = w;
            height = h;
            if (refuse)
                return nullptr;
            buffer.assign(ImagingStride(w) * size_t(h), 0);
            return buffer.data();
        };
    }
};

}  // namespace imaging_test
