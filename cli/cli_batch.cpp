#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "cli_run.h"
#include "file_rules.h"

namespace fs = std::filesystem;

namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) { interrupted.store(true); }

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool IsImageName(const std::string& lowerName) { return IsImageFileName(lowerName); }

struct BatchFile {
    std::string path;     // as listed
    std::string output;   // where its output goes
    std::string earlier;  // the earlier file that writes the same output, if any
    std::string refused;  // why it is not merged, when that is known before the run
};

// Every output path taken once: a later file whose output an earlier one already takes (X.PNG
// and x.png) is marked, so that no output of the run is written twice, whatever the number of
// threads.
void MarkSharedOutputs(std::vector<BatchFile>& files)
{
    std::map<std::string, std::string> writers;
    for (BatchFile& file : files) {
        if (!file.refused.empty())
            continue;
        const auto [at, first] = writers.emplace(file.output, file.path);
        if (!first)
            file.earlier = at->second;
    }
}

// The folder's image files, in name order so that reports and results read the same on every run.
std::vector<BatchFile> ListImages(const std::string& folder, const fs::path& outputFolder, std::string& error)
{
    std::vector<BatchFile> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        // output/ and every other folder stay unvisited; a FIFO or a device is refused by the loader.
        if (it->is_directory(typeError))
            continue;
        const std::string lower = Lower(name);
        if (IsImageName(lower))
            files.push_back({it->path().string(), (outputFolder / lower).string(), {}, {}});
    }
    if (ec)
        error = folder + ": " + ec.message();
    std::sort(files.begin(), files.end(), [](const BatchFile& a, const BatchFile& b) { return FolderOrderLess(a.path, b.path); });
    MarkSharedOutputs(files);
    return files;
}

// The files of a list, one path a line, in the list's order. Each output goes to `outputFolder`,
// or when that is empty to output/ beside its input, under the lower-cased name as in a folder run.
std::vector<BatchFile> ReadFileList(std::istream& in, const fs::path& outputFolder)
{
    std::vector<BatchFile> files;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();  // lists written on other systems
        if (line.empty())
            continue;
        const fs::path path(line);
        const std::string lower = Lower(path.filename().string());
        const fs::path folder = outputFolder.empty() ? path.parent_path() / "output" : outputFolder;
        BatchFile file{line, (folder / lower).string(), {}, {}};
        if (!IsImageName(lower))
            file.refused = line + ": not a picture file name";
        files.push_back(std::move(file));
    }
    MarkSharedOutputs(files);
    return files;
}

bool SameFolder(const fs::path& a, const fs::path& b)
{
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

// The inputs of the run, or a message and the exit code when there are none to be had.
struct BatchInputs {
    std::vector<BatchFile> files;
    std::vector<fs::path> outputFolders;  // to be made before the run
    std::string error;
    int exitCode = ExitOk;
};

BatchInputs GatherInputs(const CliInvocation& invocation)
{
    BatchInputs in;
    const fs::path chosen = invocation.outputDir;
    if (invocation.filesFrom.empty()) {
        const std::string& folder = invocation.positional[1];
        const fs::path outputFolder = chosen.empty() ? fs::path(folder) / "output" : chosen;
        in.files = ListImages(folder, outputFolder, in.error);
        in.outputFolders.push_back(outputFolder);
        if (!in.error.empty())
            in.exitCode = ExitLoad;
    } else if (invocation.filesFrom == "-") {
        in.files = ReadFileList(std::cin, chosen);
    } else {
        std::ifstream list(invocation.filesFrom);
        if (!list) {
            in.error = invocation.filesFrom + ": cannot be read";
            in.exitCode = ExitLoad;
            return in;
        }
        in.files = ReadFileList(list, chosen);
    }
    std::set<fs::path> inputFolders;
    for (const BatchFile& file : in.files) {
        const fs::path parent = fs::path(file.path).parent_path();
        inputFolders.insert(parent.empty() ? fs::path(".") : parent);
        if (chosen.empty() && !invocation.filesFrom.empty() && file.refused.empty())
            in.outputFolders.push_back(fs::path(file.output).parent_path());
    }
    if (!invocation.filesFrom.empty() && !chosen.empty())
        in.outputFolders.push_back(chosen);
    // Outputs keep the inputs' lower-cased names, so they would replace inputs there.
    for (const fs::path& folder : inputFolders)
        if (!chosen.empty() && SameFolder(folder, chosen)) {
            in.error = "--output-dir " + chosen.string() + " holds inputs of the run; choose another folder";
            in.exitCode = ExitUsage;
            break;
        }
    std::sort(in.outputFolders.begin(), in.outputFolders.end());
    in.outputFolders.erase(std::unique(in.outputFolders.begin(), in.outputFolders.end()), in.outputFolders.end());
    return in;
}

// What the run reports on stderr: a bar on a terminal, a line per file elsewhere.
class Progress {
public:
    explicit Progress(size_t fileCount) : total(fileCount), terminal(isatty(STDERR_FILENO) != 0) {}

    void FileDone(const std::string& line, bool failed)
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++done;
        if (terminal) {
            if (failed)
                std::fprintf(stderr, "\r\033[K%s\n", line.c_str());
            DrawBar();
        } else {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
    }

    void Finish()
    {
        if (terminal)
            std::fprintf(stderr, "\n");
    }

    double Seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

private:
    void DrawBar()
    {
        constexpr int BarWidth = 30;
        const double elapsed = Seconds();
        const double rate = elapsed > 0 ? double(done) / elapsed : 0.0;
        const double left = rate > 0 ? double(total - done) / rate : 0.0;
        const int filled = total ? int(BarWidth * done / total) : BarWidth;
        std::string bar(size_t(filled), '#');
        bar.resize(BarWidth, '.');
        std::fprintf(stderr, "\r\033[K[%s] %zu/%zu  %.1f files/s  %.0f s left", bar.c_str(), done, total, rate, left);
        std::fflush(stderr);
    }

    std::mutex mutex;
    size_t total;
    size_t done = 0;
    bool terminal;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

}  // namespace

int RunBatch(const CliInvocation& invocation)
{
    const std::string& source1 = invocation.positional[0];
    BatchInputs inputs = GatherInputs(invocation);
    if (!inputs.error.empty()) {
        std::fprintf(stderr, "brindor-cli: %s\n", inputs.error.c_str());
        return inputs.exitCode;
    }
    const std::vector<BatchFile>& files = inputs.files;
    std::string error;
    // Source 1 is checked once before anything is created or any thread starts, so a bad
    // watermark stops the run early and leaves the folder as it was.
    {
        MergeSession probe(invocation.options);
        if (!probe.Load(1, source1, error)) {
            std::fprintf(stderr, "brindor-cli: %s\n", error.c_str());
            return ExitLoad;
        }
    }
    // A folder of a list that cannot be made fails its files one by one as they are written.
    const bool listed = !invocation.filesFrom.empty();
    for (const fs::path& outputFolder : inputs.outputFolders) {
        std::error_code ec;
        fs::create_directories(outputFolder, ec);
        if (ec && (!listed || outputFolder == fs::path(invocation.outputDir))) {
            std::fprintf(stderr, "brindor-cli: %s: %s\n", outputFolder.string().c_str(), ec.message().c_str());
            return ExitWrite;
        }
    }
    unsigned jobs = invocation.options.jobs > 0 ? unsigned(invocation.options.jobs)
                                                : std::max(1u, std::thread::hardware_concurrency());
    jobs = std::min<unsigned>(jobs, std::max<size_t>(files.size(), 1));

    interrupted.store(false);
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    struct sigaction previous = {};
    sigaction(SIGINT, &action, &previous);

    Progress progress(files.size());
    std::atomic<size_t> next{0};
    std::atomic<size_t> skipped{0};
    std::atomic<size_t> merged{0};
    std::atomic<bool> writeFailed{false};
    auto worker = [&] {
        MergeSession session(invocation.options);
        std::string why;
        if (!session.Load(1, source1, why))
            return;
        for (;;) {
            if (interrupted.load())
                return;
            const size_t i = next.fetch_add(1);
            if (i >= files.size())
                return;
            const BatchFile& file = files[i];
            const std::string& output = file.output;
            if (!file.refused.empty()) {
                ++skipped;
                progress.FileDone("skipped " + file.refused, true);
                continue;
            }
            if (!file.earlier.empty()) {
                ++skipped;
                progress.FileDone("skipped " + file.path + ": " + file.earlier + " writes " + output, true);
                continue;
            }
            if (!session.Load(2, file.path, why)) {
                ++skipped;
                progress.FileDone("skipped " + why, true);
                continue;
            }
            if (!session.FitCanvas(file.path, why)) {
                ++skipped;
                progress.FileDone("skipped " + why, true);
                continue;
            }
            session.Merge();
            if (!session.Write(output, why)) {
                writeFailed.store(true);
                progress.FileDone("failed " + why, true);
                continue;
            }
            ++merged;
            progress.FileDone("merged " + file.path + " -> " + output, false);
        }
    };
    std::vector<std::thread> threads;
    for (unsigned j = 0; j < jobs; ++j)
        threads.emplace_back(worker);
    for (std::thread& t : threads)
        t.join();
    progress.Finish();
    sigaction(SIGINT, &previous, nullptr);

    std::fprintf(stderr, "%zu merged, %zu skipped in %.2f s\n", merged.load(), skipped.load(), progress.Seconds());
    if (interrupted.load()) {
        std::fprintf(stderr, "brindor-cli: interrupted; files in flight were finished\n");
        return 128 + SIGINT;
    }
    if (writeFailed.load())
        return ExitWrite;
    return skipped.load() ? ExitSkipped : ExitOk;
}
