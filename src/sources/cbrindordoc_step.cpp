#include <algorithm>
#include <filesystem>

#include "cbrindordoc.h"
#include "engine.h"
#include "file_rules.h"

namespace {

constexpr const char* NoImageFilesMessage = "Image files not found in this directory.";
constexpr const char* LastFileQuestion = "Last file in this directory \nDo you want to go back to the beginning ?";

}  // namespace

bool CbrindorDoc::CanStepSource(SourceIndex s) const
{
    return sourceCount == 2 && kind[s - 1] == SourceKind::ImageFile;
}

void CbrindorDoc::StepSourceInDirectory(SourceIndex s, int step)
{
    for (;;) {
        const std::string current = path[s - 1];
        std::error_code error;
        if (current.empty() || !std::filesystem::exists(current, error))
            return;
        const std::string folder = AbsoluteFolderOf(current);
        const int wanted = std::max(1, dirPosition[s - 1] + step);
        const std::vector<std::string> entries = ListFolderEntries(folder);
        if (entries.empty()) {
            Show(NoImageFilesMessage, PromptKind::Plain);
            return;
        }
        int count = 0;
        std::string reached;
        for (const std::string& name : entries) {
            if (!IsImageFileName(LowerCase(name)))
                continue;
            reached = name;
            if (++count == wanted)
                break;
        }
        if (count == 0) {
            // Nothing to step to: asking to go back to the beginning would only ask again.
            Show(NoImageFilesMessage, PromptKind::Plain);
            return;
        }
        if (count == wanted) {
            dirPosition[s - 1] = wanted;
        } else if (Ask(LastFileQuestion)) {
            dirPosition[s - 1] = 0;
            continue;
        }
        // "No" at the end reloads the last image file reached, whatever entries follow it.
        LoadSourceFileShown(s, folder + reached, folder + LowerCase(reached));
        if (engine) {
            engine->UpdateSourceGeometry(s == 1 ? 2 : 1);
            engine->UpdateSourceGeometry(s);
            engine->PlaceSource(1);
            engine->PlaceSource(2);
            engine->ComposeTarget();
        }
        return;
    }
}
