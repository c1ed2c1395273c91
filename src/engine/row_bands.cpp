#include "row_bands.h"

#include <algorithm>

namespace {
// Two bands of layer, pre-effect and target rows of the widest canvas stay within a core's
// second-level cache; placement walks its bands in tiles of 8 rows.
constexpr int BandRows = 16;
}  // namespace

RowBands::~RowBands() { Stop(); }

void RowBands::SetThreads(int n)
{
    n = std::max(n, 1);
    if (n == threads)
        return;
    Stop();
    threads = n;
}

int RowBands::BandsFor(int rows) { return std::max(rows / BandRows, 1); }

void RowBands::TakeBands(Call c, void* j, int rows, int count)
{
    for (int b = nextBand.fetch_add(1); b < count; b = nextBand.fetch_add(1))
        c(j, BandStart(rows, count, b), BandStart(rows, count, b + 1));
}

void RowBands::Dispatch(int rows, int count, Call c, void* j)
{
    if (workers.empty()) {
        stopping = false;
        for (int t = 1; t < threads; ++t)
            workers.emplace_back([this, g = generation] { Work(g); });
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        runCall = c;
        runJob = j;
        runRows = rows;
        runBands = count;
        nextBand.store(0);
        ++generation;
    }
    wake.notify_all();
    TakeBands(c, j, rows, count);
    // Every band is taken; wait for those still in other threads' hands, then close the run so
    // that a thread waking late does not join it.
    std::unique_lock<std::mutex> hold(lock);
    idle.wait(hold, [this] { return busy == 0; });
    runJob = nullptr;
}

void RowBands::Work(unsigned long long seen)
{
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
        wake.wait(hold, [&] { return stopping || generation != seen; });
        if (stopping)
            return;
        seen = generation;
        if (!runJob)
            continue;
        const Call c = runCall;
        void* const j = runJob;
        const int rows = runRows, count = runBands;
        ++busy;
        hold.unlock();
        TakeBands(c, j, rows, count);
        hold.lock();
        if (--busy == 0)
            idle.notify_one();
    }
}

void RowBands::Stop()
{
    {
        std::lock_guard<std::mutex> hold(lock);
        stopping = true;
    }
    wake.notify_all();
    for (std::thread& t : workers)
        t.join();
    workers.clear();
}
