#include "edit_recorder.h"

#include <map>

#include <QString>

#include "cbrindorview.h"
#include "command_table.h"
#include "cpropertieswnd.h"
#include "merge_preset.h"
#include "ports.h"

namespace {

constexpr int MinCanvasSide = 100;

// Pane buttons without a menu item, and the placement commands named with their source.
const std::map<int, const char*> PaneLabels = {
    {328, "Blend towards Source 1"},
    {330, "Blend towards Source 2"},
    {344, "Blend Options"},
    {CmdJuxtapose12, "Juxtapose 1 and 2"},
    {CmdJuxtapose21, "Juxtapose 2 and 1"},
    {CmdResetAll, "Reset All Parameters"},
    {32798, "Remove Any Blending"},
    {CmdMiddle1, "Middle of Source 1"},
    {CmdMiddle2, "Middle of Source 2"},
};

// A menu text as a step's name: no mnemonic, no shortcut, no dots.
std::string Plain(const char* menuText)
{
    QString text = QString::fromUtf8(menuText);
    text = text.left(text.indexOf('\t')).remove('&');
    if (text.endsWith("..."))
        text.chop(3);
    return text.toStdString();
}

}  // namespace

EditRecorder::Scope::Scope(EditRecorder* r, std::string text, std::string coalesceKey)
    : recorder(r), label(std::move(text)), key(std::move(coalesceKey))
{
    if (recorder)
        recorder->Begin();
}

EditRecorder::Scope::~Scope()
{
    if (recorder)
        recorder->End(label, key);
}

EditRecorder::EditRecorder(CbrindorView& v, CPropertiesWnd* p, SettingsStore& store)
    : view(v), pane(p), settings(store)
{
    history.Rebase(Capture());
}

std::string EditRecorder::StepLabel(int id)
{
    const auto known = PaneLabels.find(id);
    if (known != PaneLabels.end())
        return known->second;
    const CommandInfo* info = FindCommand(id);
    if (!info)
        return "Edit";
    // Accelerators without a menu item are named by their tooltip ("New").
    std::string label = *info->menuText ? Plain(info->menuText) : PromptTooltip(info->prompt);
    if (id >= CmdTopLeft1 && id <= CmdBottomRight2)
        label += id < CmdTopLeft1 + 4 ? " of Source 1" : " of Source 2";
    return label;
}

SettingsState EditRecorder::Capture() const { return CaptureSettingsState(view.GetEngine(), &history.Current()); }

void EditRecorder::Settle()
{
    SettingsState now = Capture();
    if (!SameState(now, history.Current()))
        history.Rebase(std::move(now));
}

void EditRecorder::Begin()
{
    if (restoring || depth++ > 0)
        return;
    sourcesChanged = false;
    Settle();
}

void EditRecorder::End(const std::string& label, const std::string& coalesceKey)
{
    if (restoring || --depth > 0)
        return;
    SettingsState now = Capture();
    if (sourcesChanged)
        history.Rebase(std::move(now));
    else if (!SameState(now, history.Current()))
        history.Record(label, std::move(now), coalesceKey);
    Changed();
}

void EditRecorder::SourcesChanged()
{
    history.ForgetBlending();
    sourcesChanged = true;
}

bool EditRecorder::Undo() { return Move(&SettingsHistory::Undo); }
bool EditRecorder::Redo() { return Move(&SettingsHistory::Redo); }

bool EditRecorder::Move(const SettingsState* (SettingsHistory::*step)())
{
    // Undo leads back from the window as it is now, changes outside any step included.
    Settle();
    const SettingsState* state = (history.*step)();
    if (state)
        Restore(*state);
    Changed();
    return state != nullptr;
}

void EditRecorder::Restore(const SettingsState& state)
{
    restoring = true;
    const CanvasRect& c = view.GetEngine().canvasRect;
    const bool canvasChanged = state.canvasWidth != c.Width() || state.canvasHeight != c.Height();
    if (canvasChanged)
        SetCanvas(state.canvasWidth, state.canvasHeight);
    RestoreSettingsState(view.GetEngine(), state);
    RefreshWindow(canvasChanged);
    restoring = false;
}

void EditRecorder::ApplyPreset(const MergePreset& preset)
{
    const CanvasRect& c = view.GetEngine().canvasRect;
    const bool canvasChanged = preset.canvasWidth != c.Width() || preset.canvasHeight != c.Height();
    if (canvasChanged)
        SetCanvas(preset.canvasWidth, preset.canvasHeight);
    ::ApplyPreset(view.GetEngine(), preset);
    RefreshWindow(canvasChanged);
}

// As the target size dialog does: centred, and stored for the next picture opened when it is a
// size the dialog accepts (a canvas of the whole client area may be none).
void EditRecorder::SetCanvas(int width, int height)
{
    view.PlaceCanvasRect(width, height);
    if (width >= MinCanvasSide && width <= MaxCanvasWidth && height >= MinCanvasSide && height <= MaxCanvasHeight) {
        settings.WriteInt("Configure", "canvas_width", width);
        settings.WriteInt("Configure", "canvas_height", height);
    }
}

void EditRecorder::RefreshWindow(bool canvasChanged)
{
    if (canvasChanged) {
        if (pane)
            pane->SetScrollSelector(0);
        view.EnterTargetScroll();
    } else if (view.Mode() != ScrollMode::Target) {
        // The scroll bars follow the source's restored place.
        view.EnterSourceScroll(view.ScrollSource());
    }
    view.ShowZoneOutline();
    if (pane && pane->Contents())
        pane->Contents()->RefreshScaleValues(0);
}

void EditRecorder::Changed()
{
    if (historyChanged)
        historyChanged();
}
