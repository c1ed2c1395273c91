#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

// Runs work on canvas rows in bands of a few rows, small enough that what one step of the work
// writes is still in cache for the next. The bands are shared among a few threads, the calling
// thread among them: each takes the next undone band until none is left, so a thread the system
// does not run costs nothing but its share going to the others. The bands depend on the rows
// alone and each row is computed by the same code whichever thread holds it, so results never
// depend on the number of threads. Threads start on first use and sleep between runs.
class RowBands {
public:
    RowBands() = default;
    RowBands(const RowBands&) = delete;
    RowBands& operator=(const RowBands&) = delete;
    ~RowBands();

    // 1 (the default) runs every band on the calling thread.
    void SetThreads(int n);
    int Threads() const { return threads; }
    // Bands that rows [0, rows) split into.
    static int BandsFor(int rows);
    // First row of band b of count bands over rows; band count starts at rows.
    static int BandStart(int rows, int count, int b) { return int(static_cast<long long>(rows) * b / count); }
    // Calls job(from, to) once per band of [0, rows) and returns when every band is done.
    template <class Job>
    void Run(int rows, Job&& job)
    {
        const int count = BandsFor(rows);
        if (count <= 1 || threads <= 1) {
            for (int b = 0; b < count; ++b)
                job(BandStart(rows, count, b), BandStart(rows, count, b + 1));
            return;
        }
        using J = std::remove_reference_t<Job>;
        Dispatch(rows, count, [](void* j, int from, int to) { (*static_cast<J*>(j))(from, to); },
                 const_cast<void*>(static_cast<const void*>(&job)));
    }

private:
    using Call = void (*)(void*, int, int);
    void Dispatch(int rows, int count, Call call, void* job);
    void TakeBands(Call call, void* job, int rows, int count);
    void Work(unsigned long long seen);
    void Stop();

    int threads = 1;
    std::vector<std::thread> workers;
    std::mutex lock;
    std::condition_variable wake;
    std::condition_variable idle;
    unsigned long long generation = 0;
    bool stopping = false;
    // The run in progress: its job (null between runs), its bands, the next band to take and the
    // workers inside it.
    Call runCall = nullptr;
    void* runJob = nullptr;
    int runRows = 0;
    int runBands = 0;
    std::atomic<int> nextBand{0};
    int busy = 0;
};
