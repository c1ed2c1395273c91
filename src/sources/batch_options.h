#pragma once
#include <string>

#include "imaging_service.h"

class SettingsStore;

// The format batch outputs are written in: the input's own, or one of the six for all.
enum class BatchFormat { SameAsInput, Bmp, Jpeg, Png, Tiff, Tga, Pcx };
constexpr int BatchFormatCount = 7;

// What a batch does when a file of the output's name is already there before the run.
enum class ExistingOutput { Overwrite, Skip, NewName };
constexpr int ExistingOutputCount = 3;

// The window batch's choices beyond the confirmation. Value-initialised, they are the plain
// batch: "output" below source 2's folder, each file in its own format, existing files
// overwritten, every bad file reported as it happens.
struct BatchOptions {
    // Empty: "output" in source 2's folder. A relative folder is taken from source 2's folder.
    std::string outputFolder;
    BatchFormat format = BatchFormat::SameAsInput;
    int jpegQuality = DefaultJpegQuality;
    ExistingOutput whenExists = ExistingOutput::Overwrite;
    // Collect load, write and name problems into one summary instead of a message each.
    bool reportAtEnd = false;
    // List what would be written, for approval, before writing anything.
    bool dryRun = false;
    // The dialog's options part was open when it was last confirmed.
    bool optionsShown = false;
    // Each target at its picture's own size, the mark kept at its preset position.
    bool keepOwnSize = false;
    // Outputs carry none of the picture's metadata.
    bool stripMetadata = false;
    // The folder whose pictures are merged, for this run only; empty: source 2's folder.
    std::string inputFolder{};

    bool operator==(const BatchOptions&) const = default;
};

// The stored choices; a key never written gives what a new user starts with, which differs
// from the plain batch only in reporting problems at the end.
BatchOptions LoadBatchOptions(SettingsStore& store);
void SaveBatchOptions(SettingsStore& store, const BatchOptions& options);

// The folder outputs go to, ending with the separator; `sourceFolder` ends with it too.
std::string ResolveOutputFolder(const std::string& sourceFolder, const std::string& chosen);
// Whether the chosen folder is the default one, "output" below the source folder.
bool IsDefaultOutputFolder(const std::string& sourceFolder, const std::string& chosen);

// The output extension for an input's lower-cased name: its own suffix, or the format's.
std::string OutputExtension(BatchFormat format, const std::string& lowerName);
// The output name for an input's lower-cased name: the same name, or its stem with the new suffix.
std::string OutputName(BatchFormat format, const std::string& lowerName);
// "x.png", 2 → "x (2).png": the name a file gets when its own is taken.
std::string NumberedName(const std::string& name, int number);
