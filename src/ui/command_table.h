#pragma once
#include <span>
#include <string>
#include <vector>

// Command ids of the main menu, the accelerators and the view.
namespace cmd {
constexpr int Look2000 = 210, LookOfficeXP = 211, LookWindowsXP = 212, LookOffice2003 = 213,
              LookVS2005 = 214, LookBlue = 215, LookBlack = 216, LookSilver = 217, LookAqua = 218,
              LookSystem = 219;
constexpr int LoadImageButton = 133, LoadTextButton = 134;
constexpr int BlendButton1 = 328, BlendButton2 = 330;
constexpr int OpenText = 32791, RotateCmd = 32800, BatchMerge = 32801, OpenBlank = 32803;
constexpr int ScrollSource1 = 32804, ScrollSource2 = 32805, ScrollTarget = 32806;
constexpr int BaseColour = 32829, TargetSize = 32830;
constexpr int Shove1TopLeft = 32833, Shove1TopRight = 32834, Shove1BottomLeft = 32835,
              Shove1BottomRight = 32836;
constexpr int Shove2TopLeft = 32837, Shove2TopRight = 32838, Shove2BottomLeft = 32839,
              Shove2BottomRight = 32840;
constexpr int Middle1 = 32841, Middle2 = 32846;
constexpr int FileNew = 57600, FileOpen = 57601, FileSaveAs = 57604, PrintSetup = 57606,
              Print = 57607, PrintDirect = 57608, PrintPreview = 57609;
constexpr int RecentFirst = 57616, RecentLast = 57631, MaxRecentFiles = 16;
constexpr int Copy = 57634, Cut = 57635, Paste = 57637, Undo = 57643;
// Beyond the classic table: redo and the preset files (undo keeps the classic 57643).
constexpr int Redo = 33100, SavePreset = 33101, LoadPreset = 33102;
// The view's zoom; it changes only what is shown.
constexpr int ZoomIn = 33110, ZoomOut = 33111, ZoomFit = 33112, ZoomActual = 33113;
constexpr int AppAbout = 57664, AppExit = 57665, HelpIndex = 57667, HelpFinder = 57671,
              ContextHelp = 57669, Help = 57670, NextPane = 57680, PrevPane = 57681;
}  // namespace cmd

// When a command may run; a disabled command does nothing, also from its shortcut.
enum class EnableRule {
    Always,
    NoHandler,        // no handler: its menu item is disabled
    SourcesAtLeast2,  // sourceCount > 1
    TwoSources,       // sourceCount == 2
    TwoSourcesZone,   // sourceCount == 2 and the blend zone is ready
    CanUndo,          // an edit to undo
    CanRedo,          // an undone edit to redo
};

// What the enable rules look at.
struct CommandState {
    int sourceCount = 0;
    bool zoneReady = false;
    bool canUndo = false;
    bool canRedo = false;
};

bool IsEnabled(EnableRule rule, const CommandState& state);

// One command: its id, menu text ("&" mnemonic, "\t" before the shortcut shown), prompt
// (status text, then "\n" and the tooltip), shortcuts and enable rule. A command that changes
// the document (its sources, settings or placement) or starts a batch waits while a batch runs.
struct CommandInfo {
    int id = 0;
    const char* menuText = "";
    const char* prompt = "";
    std::vector<const char*> shortcuts;
    EnableRule rule = EnableRule::Always;
    bool changesDocument = false;
};

// Every command of the main menu and the accelerator table, in menu order.
std::span<const CommandInfo> CommandTable();
const CommandInfo* FindCommand(int id);

// The status-bar text of a prompt: the part before "\n", or the tooltip part when that is empty.
std::string PromptStatusText(const char* prompt);
// The tooltip part of a prompt: after "\n", or the whole prompt when it has none.
std::string PromptTooltip(const char* prompt);

// The main menu: a tree of pop-ups, separators and commands by id.
struct MenuEntry {
    enum Kind { Command, Separator, Popup, RecentFiles } kind = Command;
    int id = 0;
    const char* text = "";
    std::vector<MenuEntry> children;
};
const std::vector<MenuEntry>& MainMenu();

// The application looks, 210..219, with their menu texts. A new user gets the System look, which
// follows the desktop's light or dark scheme; a stored id outside the range gets Blue Style.
constexpr int DefaultLook = cmd::LookSystem;
constexpr int FallbackLook = cmd::LookBlue;
bool IsLookId(int id);
