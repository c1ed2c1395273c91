#pragma once
// Undo and redo of the document's settings: snapshots of everything the user edits (merge
// settings, placements, canvas size, what the pane shows, the blend), and a bounded history of them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine.h"

// A picture's bytes as a target holds them: width x height pixels, rows without padding.
struct SavedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;
};

// What a blended target holds beyond its composition: the picture its blending started from,
// and the target's bytes that differ from that picture, as one rectangle of stored rows and
// byte columns (the zones blended since).
struct BlendedPixels {
    std::shared_ptr<const SavedPicture> unblended;
    int width = 0;
    int height = 0;
    int row = 0, rows = 0, column = 0, columns = 0;
    std::vector<uint8_t> changed;
    size_t Bytes() const { return changed.size() + (unblended ? unblended->bytes.size() : 0); }
};

// Everything an undo step puts back. The target itself is not kept: it is composed again from
// these settings, and only blended pixels, which no setting reproduces, are stored.
struct SettingsState {
    MergeSettings settings;
    SourcePlacement placement[2];
    int canvasWidth = 0;
    int canvasHeight = 0;
    int middleCounter[2] = {0, 0};
    std::array<std::string, PropertyCount> shown;
    std::array<bool, PropertyCount> enabled{};
    // Corners relative to the canvas's top left corner, so that a recentred canvas keeps them;
    // a zone without corners keeps -1.
    BlendZone zone;
    bool blendingPresent = false;
    std::shared_ptr<const BlendedPixels> blended;  // set while blendingPresent

    size_t Bytes() const { return blended ? blended->Bytes() : 0; }
};

bool SameState(const SettingsState& a, const SettingsState& b);

// The engine's state now. Blended pixels equal to those of `previous` are shared with it.
SettingsState CaptureSettingsState(const Engine& engine, const SettingsState* previous = nullptr);

// Puts the state back: settings, placements, pane texts, centering counters, then both sources
// placed and the target composed, then the zone and any blended pixels. The canvas must already
// have the state's size (the view centres it). Geometry is measured again, so a state taken before
// a source was replaced fits the new source.
void RestoreSettingsState(Engine& engine, const SettingsState& state);

// The states the document went through by undoable steps, each with the label of the step that
// led to it ("Vertical scale"), and a cursor on the current one. Bounded in steps and in bytes
// of stored pixels; the oldest go first.
class SettingsHistory {
public:
    static constexpr size_t DefaultMaxSteps = 100;
    static constexpr size_t DefaultMaxBytes = size_t(256) << 20;

    explicit SettingsHistory(size_t maxSteps = DefaultMaxSteps, size_t maxBytes = DefaultMaxBytes);

    // The document is now in `state` without an undoable step (start-up, a source loaded): the
    // current entry takes it, so undo and redo lead from and back to it.
    void Rebase(SettingsState state);
    // An undoable step led to `state`; any redo is dropped. A step whose non-empty coalesce key
    // equals the previous step's, with nothing in between, joins that step; a joined step that
    // ends where it started goes away.
    void Record(const std::string& label, SettingsState state, const std::string& coalesceKey = {});

    bool CanUndo() const { return cursor > 0; }
    bool CanRedo() const { return cursor + 1 < entries.size(); }
    // The step undo or redo would take back or again; empty when there is none.
    std::string UndoLabel() const;
    std::string RedoLabel() const;
    // Moves one step and returns the state to restore; null when there is none.
    const SettingsState* Undo();
    const SettingsState* Redo();
    const SettingsState& Current() const { return entries[cursor].state; }

    // The sources changed: blended pixels of the old ones can no longer be put back, so every
    // state keeps its settings and loses its blending.
    void ForgetBlending();

    size_t Steps() const { return entries.size() - 1; }
    size_t Bytes() const;

private:
    struct Entry {
        std::string label;  // the step that led here
        SettingsState state;
        std::string coalesceKey;
    };
    void Trim();

    std::vector<Entry> entries;
    size_t cursor = 0;
    bool open = false;  // the last Record may still absorb the next one
    size_t maxSteps;
    size_t maxBytes;
};
