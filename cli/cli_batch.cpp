#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
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
    std::string path;       // as listed
    std::string lowerName;  // the output's name
    std::string earlier;    // the earlier file that writes the same output, if any
};

// The folder's image files, in name order so that reports and results read the same on every
// run. A file whose output name an earlier one already takes (X.PNG and x.png) is marked, so
// that no output of the run is written twice, whatever the number of threads.
std::vector<BatchFile> ListImages(const std::string& folder, std::string& error)
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
            files.push_back({it->path().string(), lower, {}});
    }
    if (ec)
        error = folder + ": " + ec.message();
    std::sort(files.begin(), files.end(), [](const BatchFile& a, const BatchFile& b) { return FolderOrderLess(a.path, b.path); });
    std::map<std::string, std::string> writers;
    for (BatchFile& file : files) {
        const auto [at, first] = writers.emplace(file.lowerName, file.path);
        if (!first)
            file.earlier = at->second;
    }
    return files;
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
    const std::string& folder = invocation.positional[1];
    std::string error;
    std::vector<BatchFile> files = ListImages(folder, error);
    if (!error.empty()) {
        std::fprintf(stderr, "brindor-cli: %s\n", error.c_str());
        return ExitLoad;
    }
    // Source 1 is checked once before anything is created or any thread starts, so a bad
    // watermark stops the run early and leaves the folder as it was.
    {
        MergeSession probe(invocation.options);
        if (!probe.Load(1, source1, error)) {
            std::fprintf(stderr, "brindor-cli: %s\n", error.c_str());
            return ExitLoad;
        }
    }
    const fs::path outputFolder = fs::path(folder) / "output";
    std::error_code ec;
    fs::create_directories(outputFolder, ec);
    if (ec) {
        std::fprintf(stderr, "brindor-cli: %s: %s\n", outputFolder.string().c_str(), ec.message().c_str());
        return ExitWrite;
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
            const std::string output = (outputFolder / file.lowerName).string();
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
