// The main frame's undo, redo and preset commands.
#include <QAction>

#include "cbrindorview.h"
#include "cmainframe.h"
#include "edit_recorder.h"
#include "merge_preset.h"
#include "message_box.h"
#include "qt_file_dialogs.h"

namespace {

const std::vector<FileFilter> PresetFilters = {{"Brindor presets (*.preset)", "*.preset"}, {"All files (*)", "*"}};

// "&Undo Vertical scale": the verb, then the step it would take back, its '&' kept literal.
QString HistoryText(const char* menuText, const std::string& label)
{
    const QString table = QString::fromUtf8(menuText);
    const qsizetype tab = table.indexOf('\t');
    QString text = table.left(tab);
    if (!label.empty())
        text += ' ' + QString::fromStdString(label).replace('&', "&&");
    return tab < 0 ? text : text + table.mid(tab);
}

// The preset dialogs start in the presets' folder.
FileDialogRequest PresetRequest(const char* title)
{
    FileDialogRequest request;
    request.title = title;
    request.filters = PresetFilters;
    request.initialFolder = PresetFolder();
    return request;
}

}  // namespace

void CMainFrame::OnUndo() { edits->Undo(); }
void CMainFrame::OnRedo() { edits->Redo(); }

void CMainFrame::UpdateUndoTexts()
{
    if (!edits)
        return;
    const SettingsHistory& history = edits->History();
    for (const auto& [id, label] : {std::pair{cmd::Undo, history.UndoLabel()}, std::pair{cmd::Redo, history.RedoLabel()}}) {
        QAction* action = Action(id);
        if (!action)
            continue;
        const QString text = HistoryText(FindCommand(id)->menuText, label);
        action->setProperty("menuText", text);
        action->setText(text.left(text.indexOf('\t')));
    }
}

void CMainFrame::OnSavePreset()
{
    if (!presetDialogs)
        presetDialogs = std::make_unique<QtFileDialogs>(this);
    FileDialogRequest request = PresetRequest("Save Preset");
    request.defaultSuffix = PresetSuffix + 1;
    std::string error;
    // A folder that cannot be made leaves the dialog where it would start anyway.
    MakePresetFolder(request.initialFolder, error);
    const FileDialogResult chosen = presetDialogs->SaveFile(request);
    if (!chosen.accepted)
        return;
    if (!WritePresetFile(chosen.path, PresetFromEngine(view->GetEngine()), error))
        ShowMessageBox("The preset cannot be saved to " + chosen.path + ":\n" + error, PromptKind::Stop);
}

void CMainFrame::OnLoadPreset()
{
    if (!presetDialogs)
        presetDialogs = std::make_unique<QtFileDialogs>(this);
    const FileDialogResult chosen = presetDialogs->OpenFile(PresetRequest("Load Preset"));
    if (!chosen.accepted)
        return;
    // Keys the file leaves out keep the window's values.
    MergePreset preset = PresetFromEngine(view->GetEngine());
    PresetReport report;
    if (!ReadPresetFile(chosen.path, preset, report)) {
        ShowMessageBox("The preset " + chosen.path + " cannot be loaded:\n" + report.error, PromptKind::Stop);
        return;
    }
    edits->ApplyPreset(preset);
    if (report.warnings.empty())
        return;
    std::string skipped;
    for (const std::string& w : report.warnings)
        skipped += "\n" + w;
    ShowMessageBox("The preset " + chosen.path + " was loaded; these lines were skipped:" + skipped,
                   PromptKind::Information);
}
