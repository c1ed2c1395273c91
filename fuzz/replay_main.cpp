// Runs saved fuzz inputs through a target without libFuzzer: each argument is a file or a folder
// of files. Exits non-zero when an argument cannot be read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
bool RunFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}
}  // namespace

int main(int argc, char** argv)
{
    int failures = 0;
    int runs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            for (const auto& entry : std::filesystem::directory_iterator(path, error))
                if (entry.is_regular_file()) {
                    failures += !RunFile(entry.path());
                    ++runs;
                }
        } else {
            failures += !RunFile(path);
            ++runs;
        }
    }
    std::printf("replayed %d inputs, %d unreadable\n", runs, failures);
    return failures == 0 ? 0 : 1;
}
