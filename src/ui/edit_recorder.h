#pragma once
#include <functional>
#include <string>

#include "settings_history.h"

class CbrindorView;
class CPropertiesWnd;
class SettingsStore;
struct MergePreset;

// The window's undo and redo. Every user action that may change the settings runs inside a
// Scope (a command, a pane button, a grid commit, a source moved); when the outermost scope ends
// and the state differs, that is one step, labelled after the action. Changes made outside any
// scope, such as a drawn zone or a loaded source, are taken over at the next action without a
// step, so the history of settings outlives new sources.
class EditRecorder {
public:
    EditRecorder(CbrindorView& view, CPropertiesWnd* pane, SettingsStore& settings);

    // One user action; nested scopes belong to the outermost. Actions whose key equals the
    // previous action's, with nothing in between (scroll-bar moves of one source), join it.
    class Scope {
    public:
        Scope(EditRecorder* recorder, std::string label, std::string coalesceKey = {});
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        EditRecorder* recorder;
        std::string label;
        std::string key;
    };

    // The two ends of one action, for callers that cannot hold a Scope across it.
    void Begin();
    void End(const std::string& label, const std::string& coalesceKey = {});

    bool Undo();
    bool Redo();
    // A slot was filled: the blend of the old sources can no longer be put back, and the
    // action under way is a new source rather than an undoable step.
    void SourcesChanged();
    // Puts a preset's canvas, settings and placements into the window (inside the caller's scope).
    void ApplyPreset(const MergePreset& preset);

    const SettingsHistory& History() const { return history; }
    // The label a command or pane button's step carries ("Rotate", "Blend towards Source 1").
    static std::string StepLabel(int commandId);

    // Told when undo or redo becomes possible or changes label.
    std::function<void()> historyChanged;

private:
    SettingsState Capture() const;
    // Takes over changes made outside any action.
    void Settle();
    bool Move(const SettingsState* (SettingsHistory::*step)());
    void Restore(const SettingsState& state);
    void SetCanvas(int width, int height);
    void RefreshWindow(bool canvasChanged);
    void Changed();

    CbrindorView& view;
    CPropertiesWnd* pane;
    SettingsStore& settings;
    SettingsHistory history;
    int depth = 0;
    bool sourcesChanged = false;
    bool restoring = false;
};
