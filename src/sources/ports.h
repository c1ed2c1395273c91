#pragma once
#include <string>
#include <vector>

#include "merge_settings.h"

class BatchReport;
struct BatchOptions;
struct BatchPlan;
struct BatchProgress;

// The per-user settings store: a section and a key to an int or a string.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual int ReadInt(const std::string& section, const std::string& key, int fallback) = 0;
    virtual std::string ReadString(const std::string& section, const std::string& key,
                                   const std::string& fallback) = 0;
    virtual void WriteInt(const std::string& section, const std::string& key, int value) = 0;
    virtual void WriteString(const std::string& section, const std::string& key,
                             const std::string& value) = 0;
};

// One entry of a file dialog's type list: "Png Files (*.png)" and "*.png".
struct FileFilter {
    std::string description;
    std::string pattern;
    bool operator==(const FileFilter&) const = default;
};

// Splits "Desc|pattern|Desc|pattern||" into its entries.
std::vector<FileFilter> ParseFilterText(const std::string& text);

struct FileDialogRequest {
    std::vector<FileFilter> filters;
    std::string initialFolder;  // empty: the dialog's own choice
    int filterIndex = 0;        // 1-based; 0: the first filter
    std::string title;          // empty: "Open" or "Save As"
    std::string defaultSuffix;  // added to a saved name without one; empty: none
};

struct FileDialogResult {
    bool accepted = false;
    std::string path;     // full path as the user chose or typed it
    int filterIndex = 0;  // 1-based filter in use when the dialog closed
};

// The platform's file choosers. The open dialog hides read-only files; the save dialog asks
// before overwriting the name exactly as typed. Neither adds a default extension.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual FileDialogResult OpenFile(const FileDialogRequest& request) = 0;
    virtual FileDialogResult SaveFile(const FileDialogRequest& request) = 0;
};

// The "Replace Source Image" choice: 1 or 2 for the source to replace, 0 for cancel.
class SlotChooser {
public:
    virtual ~SlotChooser() = default;
    virtual SourceIndex ChooseSlotToReplace(const std::string& text) = 0;
};

// What the windows learn from the document; every hook is optional.
class DocumentListener {
public:
    virtual ~DocumentListener() = default;
    // The three start buttons are wanted (fewer than two sources) or not.
    virtual void StartButtonsNeeded(bool /*needed*/) {}
    // The slot's file-name line gets a new text (a path, or "TEXT Source 1" and the like).
    virtual void SourceNameChanged(SourceIndex, const std::string& /*text*/) {}
    // A slot changed outside the open-file route: the views redraw.
    virtual void ViewsNeedUpdate() {}
    // The open-file route opened a file: add it to the recent files and re-initialise the view.
    virtual void DocumentOpened(const std::string& /*path*/) {}
    // The document's title becomes the empty text.
    virtual void TitleCleared() {}
};

// What a batch run needs from the windows.
class BatchHost {
public:
    virtual ~BatchHost() = default;
    // The "Batch Merging" dialog for source 2's file; true for OK.
    virtual bool ConfirmBatch(const std::string& source2Path) = 0;
    // Handles pending messages once, discarding keystrokes, so the window stays responsive.
    virtual void PumpEvents() = 0;
    virtual bool EscapeDown() = 0;
    // Draws the text into the status bar's batch pane.
    virtual void ShowFileCount(const std::string& text) = 0;

    // The dialog with its options part: `options` comes as the plain batch and leaves as chosen.
    virtual bool ConfirmBatchOptions(const std::string& source2Path, BatchOptions& /*options*/)
    {
        return ConfirmBatch(source2Path);
    }
    // The dry run's listing, before anything is written; true to go ahead.
    virtual bool ApproveBatchPlan(const BatchPlan& /*plan*/) { return true; }
    // The run is about to merge a file; EndBatchProgress once it stops, before its end message.
    virtual void ShowBatchProgress(const BatchProgress& /*progress*/) {}
    virtual void EndBatchProgress() {}
    // The progress dialog's Cancel: the run stops after the current file, without asking.
    virtual bool CancelRequested() { return false; }
    // The end message of a run that collected its problems, with its log for saving; false
    // when the host has no such box and the summary is to be shown as a plain message.
    virtual bool ShowBatchSummary(const BatchReport& /*report*/) { return false; }
};
