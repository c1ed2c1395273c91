#include "batch_report.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "atomic_file.h"

namespace {

constexpr const char* CompleteText = "Batch merging is complete.";
constexpr const char* StoppedText = "Batch merging was stopped.";
// Names listed per group in the end message at most; the rest are counted. The log has them all.
constexpr size_t MaxListed = 20;
constexpr int SecondsPerMinute = 60;

struct Group {
    BatchProblemKind kind;
    const char* heading;  // in the end message
    const char* label;    // on each line of the log
};

// The name collisions come last, as they always ended the completion message.
constexpr Group Groups[] = {
    {BatchProblemKind::Load, "Not merged, as the file could not be loaded:", "Not loaded"},
    {BatchProblemKind::Write, "Merged but not written, as the output could not be saved:", "Not written"},
    {BatchProblemKind::SkipExists, "Not merged, as the output exists:", "Skipped, output exists"},
    {BatchProblemKind::Collision, "Not merged, as an earlier file of this run has the same output name:",
     "Skipped, same output name as an earlier file"},
};

}  // namespace

void BatchReport::Add(BatchProblemKind kind, const PlannedFile& file, const std::string& detail)
{
    problems.push_back({kind, file.listedName, plan.outputFolder + file.outputName, detail});
}

std::string BatchReport::Summary() const
{
    std::string text = stopped ? StoppedText : CompleteText;
    for (const Group& group : Groups) {
        size_t listed = 0, unlisted = 0;
        for (const BatchProblem& p : problems) {
            if (p.kind != group.kind)
                continue;
            if (listed == 0)
                text += std::string("\n\n") + group.heading;
            if (listed < MaxListed) {
                text += "\n" + p.file;
                ++listed;
            } else {
                ++unlisted;
            }
        }
        if (unlisted)
            text += "\n... and " + std::to_string(unlisted) + " more";
    }
    return text;
}

std::string BatchReport::Log() const
{
    std::string text = std::string(stopped ? StoppedText : CompleteText) + "\n";
    text += "Source folder: " + plan.sourceFolder + "\n";
    text += "Output folder: " + plan.outputFolder + "\n";
    text += "Files written: " + std::to_string(written) + " of " + std::to_string(plan.files.size()) + "\n";
    if (!problems.empty())
        text += "\n";
    for (const Group& group : Groups)
        for (const BatchProblem& p : problems) {
            if (p.kind != group.kind)
                continue;
            text += std::string(group.label) + ": " + p.file;
            if (p.kind != BatchProblemKind::Load)
                text += " -> " + p.output;
            if (!p.detail.empty())
                text += ": " + p.detail;
            text += "\n";
        }
    return text;
}

double EstimateSecondsLeft(double elapsedSeconds, int done, int total)
{
    if (done <= 0 || total < done || elapsedSeconds < 0)
        return -1;
    return elapsedSeconds / done * (total - done);
}

std::string ProgressText(const BatchProgress& progress)
{
    std::string text = "Merging " + progress.name + "\nFile " + std::to_string(progress.index) + " of " +
                       std::to_string(progress.total);
    if (progress.secondsLeft < 0)
        return text;
    const long seconds = std::lround(std::ceil(progress.secondsLeft));
    if (seconds < SecondsPerMinute)
        return text + ", about " + std::to_string(seconds) + " s left";
    return text + ", about " + std::to_string(seconds / SecondsPerMinute) + " min " +
           std::to_string(seconds % SecondsPerMinute) + " s left";
}

bool WriteTextFile(const std::string& path, const std::string& text, std::string& why)
{
    return WriteFileAtomically(path, [&](std::FILE* out, std::string& reason) {
        if (std::fwrite(text.data(), 1, text.size(), out) == text.size())
            return true;
        reason = std::string("writing: ") + std::strerror(errno);
        return false;
    }, why);
}
