#include <filesystem>
#include <set>

#include "cbrindordoc.h"
#include "engine.h"
#include "file_rules.h"

namespace {

constexpr const char* NeedFileSourceMessage =
    "Batch Merging requires that the source 2 image is loaded from a file directory on your hard disk.\n"
    "The watermark: Source 1 can be loaded from anywhere, clipboard, text entry or file.";
constexpr const char* SourceRemovedMessage = "Can't continue as the source image file has been removed?";
constexpr const char* NoImageFilesMessage = "Image files not found in this directory.";
constexpr const char* CannotCreateMessage = "Cannot create batch directory ?";
constexpr const char* CompleteMessage = "Batch merging is complete.";
constexpr const char* QuitQuestion = "Do you really want to quit ?";
constexpr const char* FileCountText = "Current file count = ";
constexpr const char* OutputFolderName = "output";

// Names listed after the completion message at most; the rest are counted.
constexpr size_t MaxListedCollisions = 20;

// The completion message, naming the files skipped because an earlier file of the run took
// their output name (X.PNG after x.png, on a file system that tells them apart).
std::string CompletionMessage(const std::vector<std::string>& collisions)
{
    std::string text = CompleteMessage;
    if (collisions.empty())
        return text;
    text += "\n\nNot merged, as an earlier file of this run has the same output name:";
    for (size_t i = 0; i < collisions.size() && i < MaxListedCollisions; ++i)
        text += "\n" + collisions[i];
    if (collisions.size() > MaxListedCollisions)
        text += "\n... and " + std::to_string(collisions.size() - MaxListedCollisions) + " more";
    return text;
}

bool MakeOutputFolder(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directory(folder, error);
    return !error && std::filesystem::is_directory(folder, error);
}

}  // namespace

bool CbrindorDoc::EscapeRequested(BatchHost& host)
{
    host.PumpEvents();
    return host.EscapeDown() && Ask(QuitQuestion);
}

void CbrindorDoc::RunBatchMerge(BatchHost& host)
{
    const std::string source2 = path[1];
    if (source2.empty() || kind[1] != SourceKind::ImageFile) {
        Show(NeedFileSourceMessage, PromptKind::Plain);
        return;
    }
    if (!host.ConfirmBatch(source2))
        return;
    std::error_code error;
    if (!std::filesystem::exists(source2, error)) {
        Show(SourceRemovedMessage, PromptKind::Plain);
        return;
    }
    const std::string folder = AbsoluteFolderOf(source2);
    const std::vector<std::string> entries = ListFolderEntries(folder);
    if (entries.empty()) {
        Show(NoImageFilesMessage, PromptKind::Plain);
        return;
    }
    const std::string outputFolder = folder + OutputFolderName + "/";
    if (!MakeOutputFolder(outputFolder)) {
        Show(CannotCreateMessage, PromptKind::Plain);
        return;
    }
    int written = 0;
    std::set<std::string> outputNames;
    std::vector<std::string> collisions;
    for (const std::string& name : entries) {
        const std::string lower = LowerCase(name);
        if (!IsImageFileName(lower))
            continue;
        // An output this run has written, or was to write, is never written again.
        if (!outputNames.insert(lower).second) {
            collisions.push_back(name);
            continue;
        }
        // A file that cannot be opened or decoded is reported by the loader and writes nothing.
        if (LoadSourceFileShown(2, folder + name, folder + lower)) {
            if (engine) {
                engine->UpdateSourceGeometry(2);
                engine->PlaceSource(1);
                engine->PlaceSource(2);
                engine->ComposeTarget();
            }
            if (SaveTarget(outputFolder + lower, lower.substr(lower.size() - 3)))
                ++written;
        }
        if (EscapeRequested(host))
            return;
        host.ShowFileCount(FileCountText + std::to_string(written));
    }
    Show(CompletionMessage(collisions), PromptKind::Information);
}
