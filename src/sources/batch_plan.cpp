#include "batch_plan.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "file_rules.h"

namespace {

// Numbered names tried before a file is given up as a collision.
constexpr int MaxNumberedName = 9999;

bool OnDisk(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

// The first numbered form of `name` that is neither on disk nor given in this run; empty if none.
std::string FreeName(const std::string& folder, const std::string& name, const std::set<std::string>& given)
{
    for (int n = 2; n <= MaxNumberedName; ++n) {
        const std::string candidate = NumberedName(name, n);
        if (!given.count(candidate) && !OnDisk(folder + candidate))
            return candidate;
    }
    return {};
}

}  // namespace

int BatchPlan::Count(PlannedAction action) const
{
    return int(std::count_if(files.begin(), files.end(), [action](const PlannedFile& f) { return f.action == action; }));
}

int BatchPlan::WriteCount() const
{
    return int(std::count_if(files.begin(), files.end(), [](const PlannedFile& f) { return f.Writes(); }));
}

BatchPlan PlanBatch(const std::string& sourceFolder, const std::vector<std::string>& entries,
                    const BatchOptions& options)
{
    BatchPlan plan{sourceFolder, ResolveOutputFolder(sourceFolder, options.outputFolder), {}, options.keepOwnSize};
    const bool renames = options.whenExists == ExistingOutput::NewName;
    std::set<std::string> given;
    for (const std::string& name : entries) {
        PlannedFile file;
        file.listedName = name;
        file.lowerName = LowerCase(name);
        if (!IsImageFileName(file.lowerName))
            continue;
        file.outputName = OutputName(options.format, file.lowerName);
        file.extension = OutputExtension(options.format, file.lowerName);
        const bool taken = given.count(file.outputName) > 0;
        const bool exists = !taken && OnDisk(plan.outputFolder + file.outputName);
        if ((taken || exists) && renames) {
            const std::string free = FreeName(plan.outputFolder, file.outputName, given);
            file.action = free.empty() ? PlannedAction::Collision : PlannedAction::NewName;
            if (!free.empty())
                file.outputName = free;
        } else if (taken) {
            file.action = PlannedAction::Collision;
        } else if (exists) {
            file.action = options.whenExists == ExistingOutput::Skip ? PlannedAction::SkipExists : PlannedAction::Overwrite;
        }
        if (file.Writes())
            given.insert(file.outputName);
        plan.files.push_back(std::move(file));
    }
    return plan;
}

std::string PlanNote(const PlannedFile& file)
{
    switch (file.action) {
    case PlannedAction::Write:
        break;
    case PlannedAction::Overwrite:
        return "exists: overwritten";
    case PlannedAction::NewName:
        return "name taken: new name";
    case PlannedAction::SkipExists:
        return "exists: skipped";
    case PlannedAction::Collision:
        return "same output as an earlier file: skipped";
    }
    return {};
}
