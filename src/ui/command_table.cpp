#include "command_table.h"

#include <cstring>

bool IsEnabled(EnableRule rule, const CommandState& state)
{
    switch (rule) {
    case EnableRule::Always:
        return true;
    case EnableRule::NoHandler:
        return false;
    case EnableRule::SourcesAtLeast2:
        return state.sourceCount > 1;
    case EnableRule::TwoSources:
        return state.sourceCount == 2;
    case EnableRule::TwoSourcesZone:
        return state.sourceCount == 2 && state.zoneReady;
    case EnableRule::CanUndo:
        return state.canUndo;
    case EnableRule::CanRedo:
        return state.canRedo;
    }
    return false;
}

namespace {

using R = EnableRule;
constexpr bool Edits = true;

const std::vector<CommandInfo> Commands = {
    {cmd::FileOpen, "&Open Image...\tCtrl+O", "Open an existing document\nOpen", {"Ctrl+O"},
     R::Always, Edits},
    {cmd::OpenText, "Open &Text...\tT", "Open text", {"T"}, R::Always, Edits},
    {cmd::OpenBlank, "Open Blank Source", "Open blank source", {}, R::Always, Edits},
    {cmd::FileSaveAs, "&Save As...\tCtrl+S", "Save target image\nSave Image As", {"Ctrl+S"}},
    {cmd::LoadPreset, "&Load Preset...", "Load the merge settings and placements of a preset file\nLoad Preset",
     {}, R::Always, Edits},
    {cmd::SavePreset, "Save Pr&eset...", "Save the merge settings and placements as a preset file\nSave Preset",
     {}},
    {cmd::Print, "&Print...\tCtrl+P", "Print the active document\nPrint", {"Ctrl+P"}},
    {cmd::PrintPreview, "Print Preview", "Print preview\nPrint Preview", {}},
    {cmd::PrintSetup, "P&rint Setup...", "Change printing options\nPrint Setup", {}},
    {cmd::AppExit, "E&xit", "Quit the application; prompts to save documents\nExit", {}},
    // The menu shows what undo and redo would take back ("&Undo Vertical scale").
    {cmd::Undo, "&Undo\tCtrl+Z", "Undo the last action\nUndo", {"Ctrl+Z", "Alt+Backspace"}, R::CanUndo, Edits},
    {cmd::Redo, "&Redo\tCtrl+Shift+Z", "Redo the previously undone action\nRedo", {"Ctrl+Shift+Z", "Ctrl+Y"},
     R::CanRedo, Edits},
    {cmd::Copy, "&Copy\tCtrl+C", "Copy the selection and put it on the Clipboard\nCopy",
     {"Ctrl+C", "Ctrl+Ins"}, R::SourcesAtLeast2},
    {cmd::Paste, "&Paste\tCtrl+V", "Insert Clipboard contents\nPaste", {"Ctrl+V", "Shift+Ins"},
     R::Always, Edits},
    {cmd::RotateCmd, "&Rotate...\tCtrl+R", "\nChange rotation of either source 1 or 2", {"Ctrl+R"},
     R::TwoSources, Edits},
    {cmd::BatchMerge, "Batch merge...", "Batch merge", {}, R::TwoSources, Edits},
    {cmd::BaseColour, "Base Color", "\nChange the base color", {}, R::TwoSources, Edits},
    {cmd::TargetSize, "Target Image Size...", "Target image size", {}, R::Always, Edits},
    {cmd::Shove1TopLeft, "Top Left", "\nShove source 1 to the top left of the target image.", {},
     R::TwoSources, Edits},
    {cmd::Shove1TopRight, "Top Right", "\nShove source 1 to the top right of the target image.",
     {}, R::TwoSources, Edits},
    {cmd::Shove1BottomLeft, "Bottom Left",
     "\nShove source 1 to the bottom left of the target image.", {}, R::TwoSources, Edits},
    {cmd::Shove1BottomRight, "Bottom Right",
     "\nShove source 1 to the bottom right of the target image.", {}, R::TwoSources, Edits},
    {cmd::Middle1, "middle", "\nShove source 1 to the middile of the target image.", {},
     R::TwoSources, Edits},
    {cmd::Shove2TopLeft, "Top Left", "\nShove source 2 to the top left of the target image.", {},
     R::TwoSources, Edits},
    {cmd::Shove2TopRight, "Top Right", "\nShove source 2 to the top right of the target image.",
     {}, R::TwoSources, Edits},
    {cmd::Shove2BottomLeft, "Bottom Left",
     "\nShove source 2 to the bottom left of the target image.", {}, R::TwoSources, Edits},
    {cmd::Shove2BottomRight, "Bottom Right",
     "\nShove source 2 to the bottom right of the target image.", {}, R::TwoSources, Edits},
    {cmd::Middle2, "middle", "\nShove source 2 to the middle of the target image.", {},
     R::TwoSources, Edits},
    {cmd::ZoomIn, "Zoom &In\tCtrl++", "Show the target larger\nZoom In", {"Ctrl++", "Ctrl+="}, R::TwoSources},
    {cmd::ZoomOut, "Zoom &Out\tCtrl+-", "Show the target smaller\nZoom Out", {"Ctrl+-"}, R::TwoSources},
    {cmd::ZoomFit, "Zoom to &Fit\tCtrl+0", "Show the whole target in the view\nZoom to Fit", {"Ctrl+0"},
     R::TwoSources},
    {cmd::ZoomActual, "&Actual Size\tCtrl+1", "Show the target one pixel to one screen pixel\nActual Size",
     {"Ctrl+1"}, R::TwoSources},
    {cmd::LookSystem, "&System", "Follow the desktop's light or dark colour scheme\nSystem", {}},
    {cmd::Look2000, "Windows &2000", "", {}},
    {cmd::LookOfficeXP, "Office &XP", "", {}},
    {cmd::LookWindowsXP, "&Windows XP", "", {}},
    {cmd::LookOffice2003, "Office 200&3", "", {}},
    {cmd::LookVS2005, "Visual Studio.NET 200&5", "", {}},
    {cmd::LookBlue, "&Blue Style", "", {}},
    {cmd::LookBlack, "B&lack Style", "", {}},
    {cmd::LookSilver, "&Silver Style", "", {}},
    {cmd::LookAqua, "&Aqua Style", "", {}},
    {cmd::HelpIndex, "&Help Topics", "List Help topics\nHelp Topics", {}},
    {cmd::AppAbout, "&About brindor...",
     "Display program information, version number and copyright\nAbout", {}},
    // Accelerators without a menu item.
    {cmd::FileNew, "", "Create a new document\nNew", {"Ctrl+N"}, R::Always, Edits},
    {cmd::Cut, "", "Cut the selection and put it on the Clipboard\nCut", {"Ctrl+X", "Shift+Del"},
     R::NoHandler},
    {cmd::Help, "", "Display help for current task or command\nHelp", {"F1"}, R::NoHandler},
    {cmd::ContextHelp, "", "Display help for clicked on buttons, menus and windows\nHelp",
     {"Shift+F1"}},
    {cmd::NextPane, "", "Switch to the next window pane\nNext Pane", {"F6"}},
    {cmd::PrevPane, "", "Switch back to the previous window pane\nPrevious Pane", {"Shift+F6"}},
};

MenuEntry Item(int id) { return {MenuEntry::Command, id, "", {}}; }
MenuEntry Separator() { return {MenuEntry::Separator, 0, "", {}}; }
MenuEntry Popup(const char* text, std::vector<MenuEntry> children)
{
    return {MenuEntry::Popup, 0, text, std::move(children)};
}

}  // namespace

std::span<const CommandInfo> CommandTable() { return Commands; }

const CommandInfo* FindCommand(int id)
{
    for (const CommandInfo& c : Commands)
        if (c.id == id)
            return &c;
    return nullptr;
}

std::string PromptStatusText(const char* prompt)
{
    const char* nl = std::strchr(prompt, '\n');
    if (!nl)
        return prompt;
    if (nl == prompt)
        return nl + 1;
    return std::string(prompt, nl);
}

std::string PromptTooltip(const char* prompt)
{
    const char* nl = std::strchr(prompt, '\n');
    return nl ? nl + 1 : prompt;
}

const std::vector<MenuEntry>& MainMenu()
{
    static const std::vector<MenuEntry> menu = {
        Popup("&File", {Item(cmd::FileOpen), Item(cmd::OpenText), Item(cmd::OpenBlank),
                        Item(cmd::FileSaveAs), Item(cmd::LoadPreset), Item(cmd::SavePreset), Separator(),
                        Item(cmd::Print),
                        Item(cmd::PrintPreview), Item(cmd::PrintSetup), Separator(),
                        {MenuEntry::RecentFiles, cmd::RecentFirst, "Recent File", {}}, Separator(),
                        Item(cmd::AppExit)}),
        Popup("&Edit",
              {Item(cmd::Undo), Item(cmd::Redo), Separator(), Item(cmd::Copy), Item(cmd::Paste), Item(cmd::RotateCmd), Item(cmd::BatchMerge),
               Item(cmd::BaseColour), Item(cmd::TargetSize),
               Popup("Positioning...",
                     {Popup("source 1", {Item(cmd::Shove1TopLeft), Item(cmd::Shove1TopRight),
                                         Item(cmd::Shove1BottomLeft), Item(cmd::Shove1BottomRight),
                                         Item(cmd::Middle1)}),
                      Popup("Source 2", {Item(cmd::Shove2TopLeft), Item(cmd::Shove2TopRight),
                                         Item(cmd::Shove2BottomLeft), Item(cmd::Shove2BottomRight),
                                         Item(cmd::Middle2)})})}),
        Popup("&View", {Popup("&Application Look",
                              {Item(cmd::LookSystem), Separator(), Item(cmd::Look2000), Item(cmd::LookOfficeXP),
                               Item(cmd::LookWindowsXP), Item(cmd::LookOffice2003),
                               Item(cmd::LookVS2005),
                               Popup("Office 200&7", {Item(cmd::LookBlue), Item(cmd::LookBlack),
                                                      Item(cmd::LookSilver),
                                                      Item(cmd::LookAqua)})}),
                        Separator(), Item(cmd::ZoomIn), Item(cmd::ZoomOut), Item(cmd::ZoomFit),
                        Item(cmd::ZoomActual)}),
        Popup("&Help", {Item(cmd::HelpIndex), Separator(), Item(cmd::AppAbout)}),
    };
    return menu;
}

bool IsLookId(int id) { return id >= cmd::Look2000 && id <= cmd::LookSystem; }
