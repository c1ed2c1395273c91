#pragma once
#include <string>
#include <vector>

#include "batch_plan.h"

// Why a file of a batch wrote nothing.
enum class BatchProblemKind { Load, Write, SkipExists, Collision };

struct BatchProblem {
    BatchProblemKind kind;
    std::string file;    // the listed name
    std::string output;  // the output's full path
    std::string detail;  // the message the user would have seen, and its reason; may be empty
};

// The files of one batch run that wrote nothing, for the end message and the log.
class BatchReport {
public:
    explicit BatchReport(const BatchPlan& batchPlan) : plan(batchPlan) {}

    void Add(BatchProblemKind kind, const PlannedFile& file, const std::string& detail = "");
    void CountWritten() { ++written; }
    void MarkStopped() { stopped = true; }

    bool Stopped() const { return stopped; }
    bool HasProblems() const { return !problems.empty(); }
    const std::vector<BatchProblem>& Problems() const { return problems; }
    int Written() const { return written; }
    const BatchPlan& Plan() const { return plan; }

    // The end message: complete (or stopped) with the files that wrote nothing, grouped by why.
    std::string Summary() const;
    // Everything in plain text lines, each problem with its detail, for saving.
    std::string Log() const;

private:
    const BatchPlan& plan;
    std::vector<BatchProblem> problems;
    int written = 0;
    bool stopped = false;
};

// Where a run stands before one of its files, for the progress dialog.
struct BatchProgress {
    int index = 0;  // 1-based
    int total = 0;
    std::string name;
    double secondsLeft = -1;  // negative until a file has been done
};

// The time left from the time taken so far over `done` of `total` files; negative when unknown.
double EstimateSecondsLeft(double elapsedSeconds, int done, int total);
// "Merging b.png" and "File 2 of 5, about 12 s left" on two lines.
std::string ProgressText(const BatchProgress& progress);

// Writes a text file whole or not at all; false with the reason in `why`.
bool WriteTextFile(const std::string& path, const std::string& text, std::string& why);
