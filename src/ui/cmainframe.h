#pragma once
#include <map>
#include <memory>

#include <QMainWindow>
#include <QStringList>

#include "command_table.h"
#include "ports.h"

class CbrindorDoc;
class CbrindorView;
class CPropertiesWnd;
class EditRecorder;
class QActionGroup;
class QMenu;
class batch_progress;
class wnd_status_bar;

// The main window: menu bar built from the command table, the target view, the status bar and
// the properties pane. It runs the commands of the table, keeps the recent-file list and the
// application look, and answers the document's and the batch run's requests.
class CMainFrame : public QMainWindow, public DocumentListener, public BatchHost,
                   public SlotChooser {
    Q_OBJECT
public:
    static constexpr int MenuBarId = 59398;
    static constexpr char Title[] = "Brindor";

    CMainFrame(CbrindorDoc& doc, SettingsStore& settings);
    ~CMainFrame() override;
    // Creates the menu bar, status bar, view and pane; false when a part cannot be made.
    bool Create();

    CbrindorView* View() const { return view; }
    wnd_status_bar* StatusBar() const { return statusBarWnd; }
    CPropertiesWnd* Pane() const { return pane; }
    CbrindorDoc& Document() { return doc; }
    // Undo and redo of the settings; null before Create.
    EditRecorder* Edits() const { return edits.get(); }

    // The command table at work: the action of an id, its enabling, running it.
    QAction* Action(int id) const;
    bool IsCommandEnabled(int id) const;
    // Runs a command as its menu item would; false when disabled or unknown.
    bool RunCommand(int id);
    // Applies the enable rules to every action.
    void UpdateCommandUI();
    // A batch run is under way: the commands that change the document wait for its end.
    bool BatchRunning() const { return batchRunning; }

    int ApplicationLook() const { return applicationLook; }
    void OnApplicationLook(int id);

    QStringList RecentFiles() const { return recentFiles; }
    void AddRecentFile(const QString& path);
    void OpenRecentFile(int index);

    // Saves the window and pane layout under "Workspace" (also done when the window closes).
    void SaveWorkspace();

    // DocumentListener.
    void StartButtonsNeeded(bool needed) override;
    void SourceNameChanged(SourceIndex s, const std::string& text) override;
    void ViewsNeedUpdate() override;
    void DocumentOpened(const std::string& path) override;
    void TitleCleared() override;
    // BatchHost.
    bool ConfirmBatch(const std::string& source2Path) override;
    void PumpEvents() override;
    bool EscapeDown() override;
    void ShowFileCount(const std::string& text) override;
    bool ConfirmBatchOptions(const std::string& source2Path, BatchOptions& options) override;
    bool ApproveBatchPlan(const BatchPlan& plan) override;
    void ShowBatchProgress(const BatchProgress& progress) override;
    void EndBatchProgress() override;
    bool CancelRequested() override;
    bool ShowBatchSummary(const BatchReport& report) override;
    batch_progress* BatchProgressDialog() const { return progress; }
    // SlotChooser.
    SourceIndex ChooseSlotToReplace(const std::string& text) override;

    // File Open: the open dialog, then the open-file route.
    void OnFileOpen();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Handler = void (CMainFrame::*)();
    struct Binding {
        int id;
        Handler handler;
    };
    static const Binding Bindings[];
    Handler HandlerFor(int id) const;

    void CreateActions();
    void BuildMenu(QMenu* menu, const std::vector<MenuEntry>& entries);
    void RebuildRecentMenu();
    void LoadRecentFiles();
    void SaveRecentFiles();
    void RestoreWorkspace();
    CommandState State() const;
    // The view and the pane take no input while a batch runs; keys reach only its own dialogs.
    void SetBatchRunning(bool running);

    // Handlers.
    void OnOpenText();
    void OnOpenBlank();
    void OnSaveAs();
    void OnPrint();
    void OnPrintPreview();
    void OnPrintSetup();
    void OnExit();
    void OnCopy();
    void OnPaste();
    void OnRotate();
    void OnBatchMerge();
    void OnBaseColour();
    void OnTargetSize();
    void OnPositioning();
    void OnZoom();
    void OnHelpTopics();
    void OnAbout();
    void OnFileNew();
    void OnContextHelp();
    void OnLook();
    void OnNothing();
    void OnUndo();
    void OnRedo();
    void OnSavePreset();
    void OnLoadPreset();
    void UpdateUndoTexts();

    CbrindorDoc& doc;
    SettingsStore& settings;
    CbrindorView* view = nullptr;
    wnd_status_bar* statusBarWnd = nullptr;
    CPropertiesWnd* pane = nullptr;
    std::unique_ptr<EditRecorder> edits;
    std::unique_ptr<FileDialogs> presetDialogs;
    std::map<int, QAction*> actions;
    QActionGroup* lookGroup = nullptr;
    int applicationLook = DefaultLook;
    int runningCommand = 0;

    QMenu* fileMenu = nullptr;
    QAction* recentAnchor = nullptr;
    std::vector<QAction*> recentActions;
    QStringList recentFiles;

    bool batchRunning = false;
    bool escapePressed = false;
    batch_progress* progress = nullptr;
};
