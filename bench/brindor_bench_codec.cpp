// brindor-bench codec decode|encode tga|tga_rle|pcx IN OUT --iters N
// decode: reads IN N times after one warm-up and writes the last picture to OUT as a BMP.
// encode: loads the BMP picture IN once, untimed, then writes it to OUT N times after one warm-up,
// removing OUT before each run, untimed.
// Each timed run prints "iter_ms <milliseconds>".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "brindor_bench.h"
#include "raster_image.h"

namespace {

constexpr const char* CodecUsage =
    "usage: brindor-bench codec decode|encode tga|tga_rle|pcx IN OUT --iters N\n";

struct CodecArgs {
    bool encode = false;
    std::string kind;
    std::string in;
    std::string out;
    int iters = 10;
};

bool ParseCodecArgs(int argc, char** argv, CodecArgs& args)
{
    std::vector<std::string> plain;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--iters" && i + 1 < argc)
            args.iters = std::atoi(argv[++i]);
        else
            plain.push_back(a);
    }
    // Accept the words from "decode"/"encode" on, whatever precedes them.
    size_t at = 0;
    while (at < plain.size() && plain[at] != "decode" && plain[at] != "encode")
        ++at;
    if (plain.size() - at != 4 || args.iters < 1)
        return false;
    args.encode = plain[at] == "encode";
    args.kind = plain[at + 1];
    args.in = plain[at + 2];
    args.out = plain[at + 3];
    return args.kind == "tga" || args.kind == "tga_rle" || args.kind == "pcx";
}

double Milliseconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// The picture as a BMP file: a file header in front of the block.
bool WriteBmp(const RasterImage& image, const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const uint32_t size = image.DibSize();
    const uint32_t offBits = 14 + 40 + 4 * image.PaletteEntries();
    uint8_t header[14] = {'B', 'M'};
    const uint32_t fileSize = 14 + size;
    std::memcpy(header + 2, &fileSize, 4);
    std::memcpy(header + 10, &offBits, 4);
    const bool ok = std::fwrite(header, 14, 1, f) == 1 && std::fwrite(image.DibBlock(), size, 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

int Decode(const CodecArgs& args, ImageFormatId id)
{
    RasterImage last;
    for (int i = 0; i <= args.iters; ++i) {
        const auto start = std::chrono::steady_clock::now();
        RasterImage image(args.in.c_str(), id);
        const double ms = Milliseconds(start);
        if (!image.HasImage()) {
            std::fprintf(stderr, "brindor-bench: cannot read %s: %s\n", args.in.c_str(), image.ErrorText());
            return 1;
        }
        if (i > 0)
            std::printf("iter_ms %.3f\n", ms);
        if (i == args.iters)
            last.TakeOver(image);
    }
    if (!WriteBmp(last, args.out)) {
        std::fprintf(stderr, "brindor-bench: cannot write %s\n", args.out.c_str());
        return 1;
    }
    return 0;
}

int Encode(const CodecArgs& args, ImageFormatId id)
{
    if (args.kind == "tga_rle") {
        std::fputs("brindor-bench: the TGA writer writes uncompressed files only\n", stderr);
        return 2;
    }
    RasterImage image(args.in.c_str(), FormatBmp);
    if (!image.HasImage()) {
        std::fprintf(stderr, "brindor-bench: cannot read %s: %s\n", args.in.c_str(), image.ErrorText());
        return 1;
    }
    for (int i = 0; i <= args.iters; ++i) {
        // Each run writes a fresh file, as a save does: truncating the last run's file would time
        // the wait for the kernel's flush of it (ext4 flushes a file truncated and rewritten).
        std::remove(args.out.c_str());
        const auto start = std::chrono::steady_clock::now();
        const bool saved = image.SaveFile(args.out.c_str(), id);
        const double ms = Milliseconds(start);
        if (!saved) {
            std::fprintf(stderr, "brindor-bench: cannot write %s: %s\n", args.out.c_str(), image.ErrorText());
            return 1;
        }
        if (i > 0)
            std::printf("iter_ms %.3f\n", ms);
    }
    return 0;
}

}  // namespace

int RunCodecBench(int argc, char** argv)
{
    CodecArgs args;
    if (!ParseCodecArgs(argc, argv, args)) {
        std::fputs(CodecUsage, stderr);
        return 2;
    }
    const ImageFormatId id = args.kind == "pcx" ? FormatPcx : FormatTga;
    return args.encode ? Encode(args, id) : Decode(args, id);
}
