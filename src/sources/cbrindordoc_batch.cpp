#include <chrono>
#include <filesystem>
#include <optional>
#include <utility>

#include "batch_compose.h"
#include "batch_own_size.h"
#include "batch_report.h"
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
constexpr const char* QuitQuestion = "Do you really want to quit ?";
constexpr const char* FileCountText = "Current file count = ";
constexpr const char* SameFolderMessage =
    "The output folder is source 2's own folder. Choose another one in the batch options.";

// The default folder is made alone, as it always was; a chosen one with the folders above it.
bool MakeOutputFolder(const std::string& folder, bool withParents)
{
    std::error_code error;
    if (withParents)
        std::filesystem::create_directories(folder, error);
    else
        std::filesystem::create_directory(folder, error);
    return !error && std::filesystem::is_directory(folder, error);
}

bool SameFolder(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

// Holds the messages of loading and saving while a run reports at its end; questions pass.
class HeldMessages : public Prompts {
public:
    explicit HeldMessages(Prompts* shown) : next(shown) {}
    void Show(const std::string& text, PromptKind) override
    {
        held += held.empty() ? text : "; " + text;
    }
    bool Ask(const std::string& text) override { return next && next->Ask(text); }
    // The messages since the last call, with the reason behind them.
    std::string Take(const std::string& reason)
    {
        std::string text = std::exchange(held, {});
        if (!reason.empty())
            text += text.empty() ? reason : " (" + reason + ")";
        return text;
    }

private:
    Prompts* next;
    std::string held;
};

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
    BatchOptions options;
    if (!host.ConfirmBatchOptions(source2, options))
        return;
    std::error_code error;
    if (!std::filesystem::exists(source2, error)) {
        Show(SourceRemovedMessage, PromptKind::Plain);
        return;
    }
    const std::string folder =
        options.inputFolder.empty() ? AbsoluteFolderOf(source2) : AbsoluteFolderOf(options.inputFolder + "/.");
    const std::vector<std::string> entries = ListFolderEntries(folder);
    if (entries.empty()) {
        Show(NoImageFilesMessage, PromptKind::Plain);
        return;
    }
    const BatchPlan plan = PlanBatch(folder, entries, options);
    if (options.dryRun && !host.ApproveBatchPlan(plan))
        return;
    if (!MakeOutputFolder(plan.outputFolder, !IsDefaultOutputFolder(folder, options.outputFolder))) {
        Show(CannotCreateMessage, PromptKind::Plain);
        return;
    }
    if (SameFolder(folder, plan.outputFolder)) {
        Show(SameFolderMessage, PromptKind::Plain);
        return;
    }
    const int savedQuality = std::exchange(jpegQuality, options.jpegQuality);
    const bool savedStrip = std::exchange(stripMetadata, options.stripMetadata);
    BatchReport report(plan);
    RunBatchPlan(host, plan, options.reportAtEnd, report);
    jpegQuality = savedQuality;
    stripMetadata = savedStrip;
    host.EndBatchProgress();
    if (!options.reportAtEnd) {
        // Loading and saving have spoken for themselves; a stopped run ends silently.
        if (!report.Stopped())
            Show(report.Summary(), PromptKind::Information);
    } else if (!report.Stopped() || report.HasProblems()) {
        if (!report.HasProblems() || !host.ShowBatchSummary(report))
            Show(report.Summary(), PromptKind::Information);
    }
}

void CbrindorDoc::RunBatchPlan(BatchHost& host, const BatchPlan& plan, bool holdMessages, BatchReport& report)
{
    HeldMessages held(prompts);
    Prompts* const shown = prompts;
    if (holdMessages)
        prompts = &held;
    const auto started = std::chrono::steady_clock::now();
    const int total = int(plan.files.size());
    std::optional<BatchComposer> composer;
    if (engine)
        composer.emplace(*engine);
    // At each picture's own size the canvas changes per file; the view's is put back at the end.
    const bool ownSize = engine && plan.keepOwnSize;
    const CanvasRect viewCanvas = engine ? engine->canvasRect : CanvasRect{};
    const int limitWidth = engine ? engine->CanvasLimitWidth() : 0, limitHeight = engine ? engine->CanvasLimitHeight() : 0;
    const SourcePlacement viewPlacement = engine ? engine->placement[0] : SourcePlacement{};
    const MarkAnchor anchor = ownSize ? FindMarkAnchor(*engine, 1) : MarkAnchor{};
    for (int i = 0; i < total; ++i) {
        const PlannedFile& file = plan.files[size_t(i)];
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
        host.ShowBatchProgress({i + 1, total, file.listedName, EstimateSecondsLeft(elapsed.count(), i, total)});
        if (!file.Writes()) {
            report.Add(file.action == PlannedAction::Collision ? BatchProblemKind::Collision
                                                                : BatchProblemKind::SkipExists,
                       file);
            continue;
        }
        // A file that cannot be opened or decoded is reported by the loader and writes nothing.
        if (!LoadSourceFileShown(2, plan.sourceFolder + file.listedName, plan.sourceFolder + file.lowerName)) {
            if (holdMessages)
                report.Add(BatchProblemKind::Load, file, held.Take(failureReason));
        } else {
            std::string tooLarge;
            if (ownSize && !FitCanvasToSource2(*engine, file.listedName, tooLarge)) {
                if (holdMessages)
                    report.Add(BatchProblemKind::Load, file, tooLarge);
                else
                    Show(tooLarge, PromptKind::Plain);
            } else if (engine) {
                if (ownSize)
                    ApplyMarkAnchor(*engine, 1, anchor);
                else
                    engine->UpdateSourceGeometry(2);
                composer->Compose();
            }
            if (tooLarge.empty()) {
                if (SaveTarget(plan.outputFolder + file.outputName, file.extension))
                    report.CountWritten();
                else if (holdMessages)
                    report.Add(BatchProblemKind::Write, file, held.Take(failureReason));
            }
        }
        if (EscapeRequested(host) || host.CancelRequested()) {
            report.MarkStopped();
            break;
        }
        host.ShowFileCount(FileCountText + std::to_string(report.Written()));
    }
    // The view shows and blends from the layers after the run.
    if (composer)
        composer->SettleLayers();
    if (ownSize) {
        engine->canvasRect = viewCanvas;
        engine->SetCanvasLimit(limitWidth, limitHeight);
        engine->placement[0] = viewPlacement;
        engine->RecomputeAll();
    }
    prompts = shown;
}
