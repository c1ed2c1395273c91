#pragma once
#include <string>
#include <vector>

#include "batch_options.h"

// What a batch does with one image file of the folder.
enum class PlannedAction {
    Write,      // a new output
    Overwrite,  // an output that was there before the run is replaced
    NewName,    // written under a numbered name, its own being taken
    SkipExists, // left alone: its output is there and is to be kept
    Collision,  // left alone: an earlier file of this run has its output name
};

struct PlannedFile {
    std::string listedName;  // as the folder lists it
    std::string lowerName;
    std::string outputName;  // inside the output folder
    std::string extension;   // the output's format
    PlannedAction action = PlannedAction::Write;

    bool Writes() const { return action != PlannedAction::SkipExists && action != PlannedAction::Collision; }
};

// Every image file of a batch in listing order, with the output each one gets.
struct BatchPlan {
    std::string sourceFolder;  // ends with the separator
    std::string outputFolder;  // ends with the separator
    std::vector<PlannedFile> files;
    bool keepOwnSize = false;  // each target at its picture's own size

    int Count(PlannedAction action) const;
    int WriteCount() const;
};

// Names the outputs of the listed entries. Files already in the output folder count as existing;
// a name once given in the run is never given again.
BatchPlan PlanBatch(const std::string& sourceFolder, const std::vector<std::string>& entries,
                    const BatchOptions& options);

// A short note on a planned file for the dry run's listing; empty for a plain new output.
std::string PlanNote(const PlannedFile& file);
