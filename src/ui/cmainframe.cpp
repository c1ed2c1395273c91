#include "cmainframe.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QSettings>
#include <QStatusTipEvent>

#include "app_looks.h"
#include "batch_dialogs.h"
#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cpropertieswnd.h"
#include "cpropertieswnd_contents.h"
#include "drawn_icon.h"
#include "edit_recorder.h"
#include "message_box.h"
#include "replace_source.h"
#include "wnd_status_bar.h"

namespace {

constexpr char WorkspaceSection[] = "Workspace";
constexpr char RecentSection[] = "Recent File List";
constexpr int InitialWidth = 1280, InitialHeight = 860;

// A menu text without its shortcut part: Qt shows the shortcut itself.
QString MenuLabel(const char* text)
{
    const QString t = QString::fromUtf8(text);
    const qsizetype tab = t.indexOf('\t');
    return tab < 0 ? t : t.left(tab);
}

}  // namespace

CMainFrame::CMainFrame(CbrindorDoc& document, SettingsStore& store)
    : doc(document), settings(store)
{
    applicationLook = settings.ReadInt(WorkspaceSection, "ApplicationLook", DefaultLook);
    setObjectName("CMainFrame");
    setWindowTitle(Title);
    setWindowIcon(drawn_icon::AppIcon());
}

CMainFrame::~CMainFrame()
{
    if (doc.GetEngine() == (view ? &view->GetEngine() : nullptr))
        doc.SetEngine(nullptr);
    doc.SetListener(nullptr);
}

bool CMainFrame::Create()
{
    OnApplicationLook(applicationLook);
    menuBar()->setObjectName("menuBar");
    menuBar()->setProperty("controlId", MenuBarId);

    statusBarWnd = new wnd_status_bar(doc, this);
    setStatusBar(statusBarWnd);

    view = new CbrindorView(doc, this);
    view->SetFrame(this);
    view->SetStatusBar(statusBarWnd);
    view->SetSettings(&settings);
    statusBarWnd->SetView(view);
    setCentralWidget(view);

    pane = new CPropertiesWnd(this);
    pane->SetFallbackContext(PaneContext{&doc, &view->GetEngine(), view, this, nullptr});
    pane->SetContents(new CPropertiesWndContents(PaneContext{&doc, &view->GetEngine(), view, this, nullptr}));
    addDockWidget(Qt::RightDockWidgetArea, pane);
    view->SetPane(pane);
    edits = std::make_unique<EditRecorder>(*view, pane, settings);
    edits->historyChanged = [this] { UpdateCommandUI(); };

    CreateActions();
    LoadRecentFiles();
    for (const MenuEntry& top : MainMenu()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(top.text));
        menu->setObjectName(MenuLabel(top.text).remove('&'));
        menu->setToolTipsVisible(true);
        BuildMenu(menu, top.children);
        if (QString(top.text) == "&File")
            fileMenu = menu;
        // A closed pane would otherwise stay closed for good, as the layout is restored.
        if (QString(top.text) == "&View") {
            menu->addSeparator();
            QAction* toggle = pane->toggleViewAction();
            toggle->setObjectName("togglePane");
            toggle->setStatusTip("Show or hide the properties pane");
            menu->addAction(toggle);
        }
    }
    RebuildRecentMenu();
    resize(InitialWidth, InitialHeight);
    RestoreWorkspace();
    SetMessageBoxParent(this);
    UpdateCommandUI();
    return true;
}

void CMainFrame::CreateActions()
{
    lookGroup = new QActionGroup(this);
    lookGroup->setExclusive(true);
    for (const CommandInfo& info : CommandTable()) {
        auto* action = new QAction(MenuLabel(info.menuText), this);
        action->setData(info.id);
        action->setObjectName(QString("command%1").arg(info.id));
        action->setProperty("menuText", QString::fromUtf8(info.menuText));
        action->setStatusTip(QString::fromStdString(PromptStatusText(info.prompt)));
        action->setToolTip(QString::fromStdString(PromptTooltip(info.prompt)));
        QList<QKeySequence> keys;
        for (const char* k : info.shortcuts)
            keys << QKeySequence(QString::fromUtf8(k));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        if (IsLookId(info.id)) {
            action->setCheckable(true);
            lookGroup->addAction(action);
        }
        connect(action, &QAction::triggered, this, [this, id = info.id] { RunCommand(id); });
        // Accelerators work whether or not a menu shows the command.
        addAction(action);
        actions[info.id] = action;
    }
}

void CMainFrame::BuildMenu(QMenu* menu, const std::vector<MenuEntry>& entries)
{
    for (const MenuEntry& e : entries) {
        switch (e.kind) {
        case MenuEntry::Command:
            menu->addAction(actions.at(e.id));
            break;
        case MenuEntry::Separator:
            menu->addSeparator();
            break;
        case MenuEntry::Popup: {
            QMenu* sub = menu->addMenu(QString::fromUtf8(e.text));
            sub->setObjectName(MenuLabel(e.text).remove('&'));
            sub->setToolTipsVisible(true);
            BuildMenu(sub, e.children);
            break;
        }
        case MenuEntry::RecentFiles:
            recentAnchor = menu->addAction("Recent File");
            recentAnchor->setData(cmd::RecentFirst);
            recentAnchor->setStatusTip("Open this document");
            recentAnchor->setEnabled(false);
            break;
        }
    }
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
}

QAction* CMainFrame::Action(int id) const
{
    const auto it = actions.find(id);
    return it == actions.end() ? nullptr : it->second;
}

CommandState CMainFrame::State() const
{
    const bool undo = edits && edits->History().CanUndo();
    const bool redo = edits && edits->History().CanRedo();
    return CommandState{doc.SourceCount(), view && view->GetEngine().zone.valid, undo, redo};
}

bool CMainFrame::IsCommandEnabled(int id) const
{
    const CommandInfo* info = FindCommand(id);
    if (!info || !HandlerFor(id) || (batchRunning && info->changesDocument))
        return false;
    return IsEnabled(info->rule, State());
}

bool CMainFrame::RunCommand(int id)
{
    if (!IsCommandEnabled(id))
        return false;
    const int outer = runningCommand;
    runningCommand = id;
    {
        // Every command is one undoable step, if it changes the settings at all.
        const bool history = id == cmd::Undo || id == cmd::Redo;
        const EditRecorder::Scope step(history ? nullptr : edits.get(), EditRecorder::StepLabel(id));
        (this->*HandlerFor(id))();
    }
    runningCommand = outer;
    UpdateCommandUI();
    return true;
}

void CMainFrame::UpdateCommandUI()
{
    for (auto& [id, action] : actions) {
        action->setEnabled(IsCommandEnabled(id));
        if (IsLookId(id))
            action->setChecked(id == applicationLook);
    }
    UpdateUndoTexts();
    for (QAction* a : recentActions)
        a->setEnabled(!batchRunning);
    if (pane && pane->Contents())
        pane->Contents()->UpdateCommandUI();
}

void CMainFrame::OnApplicationLook(int id)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    applicationLook = IsLookId(id) ? id : FallbackLook;
    ApplyLook(applicationLook);
    // Smart docking: animated docking with tabbed and nested drop places.
    const QMainWindow::DockOptions plain = QMainWindow::AllowTabbedDocks;
    setDockOptions(LookFor(applicationLook).smartDocking
                       ? plain | QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks
                       : plain);
    update();
    settings.WriteInt(WorkspaceSection, "ApplicationLook", applicationLook);
    for (auto& [lookId, action] : actions)
        if (IsLookId(lookId))
            action->setChecked(lookId == applicationLook);
    QApplication::restoreOverrideCursor();
}

bool CMainFrame::event(QEvent* e)
{
    // The desktop changed its theme or colours: the System look follows.
    const QEvent::Type t = e->type();
    if (applicationLook == cmd::LookSystem &&
        (t == QEvent::ThemeChange || t == QEvent::ApplicationPaletteChange || t == QEvent::PaletteChange))
        FollowDesktopScheme(t == QEvent::ThemeChange);
    if (e->type() == QEvent::StatusTip) {
        if (statusBarWnd)
            statusBarWnd->SetMessageText(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

void CMainFrame::closeEvent(QCloseEvent* e)
{
    SaveWorkspace();
    SaveRecentFiles();
    QMainWindow::closeEvent(e);
}

void CMainFrame::SaveWorkspace()
{
    QSettings s;
    s.setValue(QString(WorkspaceSection) + "/WindowGeometry", saveGeometry());
    s.setValue(QString(WorkspaceSection) + "/PaneLayout", saveState());
}

void CMainFrame::RestoreWorkspace()
{
    QSettings s;
    restoreGeometry(s.value(QString(WorkspaceSection) + "/WindowGeometry").toByteArray());
    restoreState(s.value(QString(WorkspaceSection) + "/PaneLayout").toByteArray());
}

void CMainFrame::LoadRecentFiles()
{
    recentFiles.clear();
    for (int i = 1; i <= cmd::MaxRecentFiles; ++i) {
        const std::string path = settings.ReadString(RecentSection, "File" + std::to_string(i), "");
        if (!path.empty())
            recentFiles << QString::fromStdString(path);
    }
}

void CMainFrame::SaveRecentFiles()
{
    for (int i = 1; i <= cmd::MaxRecentFiles; ++i) {
        const QString path = i <= recentFiles.size() ? recentFiles[i - 1] : QString();
        settings.WriteString(RecentSection, "File" + std::to_string(i), path.toStdString());
    }
}

void CMainFrame::AddRecentFile(const QString& path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    for (qsizetype i = recentFiles.size() - 1; i >= 0; --i)
        if (recentFiles[i].compare(full, Qt::CaseInsensitive) == 0)
            recentFiles.removeAt(i);
    recentFiles.prepend(full);
    while (recentFiles.size() > cmd::MaxRecentFiles)
        recentFiles.removeLast();
    SaveRecentFiles();
    RebuildRecentMenu();
}

void CMainFrame::RebuildRecentMenu()
{
    if (!fileMenu || !recentAnchor)
        return;
    for (QAction* a : recentActions) {
        fileMenu->removeAction(a);
        a->deleteLater();
    }
    recentActions.clear();
    recentAnchor->setVisible(recentFiles.isEmpty());
    for (int i = 0; i < recentFiles.size(); ++i) {
        const QString shown = QFileInfo(recentFiles[i]).fileName();
        auto* a = new QAction(QString("&%1 %2").arg(i + 1).arg(shown), fileMenu);
        a->setData(cmd::RecentFirst + i);
        a->setObjectName(QString("command%1").arg(cmd::RecentFirst + i));
        a->setStatusTip("Open this document");
        a->setToolTip(recentFiles[i]);
        connect(a, &QAction::triggered, this, [this, i] { OpenRecentFile(i); });
        fileMenu->insertAction(recentAnchor, a);
        recentActions.push_back(a);
    }
}

void CMainFrame::OpenRecentFile(int index)
{
    if (batchRunning || index < 0 || index >= recentFiles.size())
        return;
    const QString path = recentFiles[index];
    // A file that is gone leaves the list, as it can never open again.
    if (!QFileInfo::exists(path)) {
        ShowMessageBox("Cannot open the file " + path.toStdString() + ": it no longer exists.",
                       PromptKind::Stop);
        recentFiles.removeAt(index);
        SaveRecentFiles();
        RebuildRecentMenu();
        return;
    }
    doc.OpenDocument(path.toStdString());
    UpdateCommandUI();
}

// DocumentListener.

void CMainFrame::StartButtonsNeeded(bool needed)
{
    if (!view)
        return;
    if (needed)
        view->CreateStartButtons();
    else
        view->RemoveStartButtons();
    if (statusBarWnd)
        statusBarWnd->PaintSourcePanes(-1);
}

void CMainFrame::SourceNameChanged(SourceIndex s, const std::string& text)
{
    if (edits)
        edits->SourcesChanged();
    if (pane && pane->Contents())
        pane->Contents()->SetFileName(s, QString::fromStdString(text));
    // A batch keeps the canvas it started with; its own-size choice is its own.
    if (s == 2 && view && !batchRunning)
        view->Source2Changed();
}

void CMainFrame::ViewsNeedUpdate()
{
    if (view)
        view->viewport()->update();
    UpdateCommandUI();
}

void CMainFrame::DocumentOpened(const std::string& path)
{
    AddRecentFile(QString::fromStdString(path));
    if (view)
        view->OnInitialUpdate();
    UpdateCommandUI();
}

void CMainFrame::TitleCleared() { setWindowTitle(Title); }

// BatchHost.

void CMainFrame::SetBatchRunning(bool running)
{
    if (running == batchRunning)
        return;
    batchRunning = running;
    escapePressed = false;
    if (running)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
    if (!running)
        EndBatchProgress();
    view->setEnabled(!running);
    // The window batch keeps to one thread; the view shares its recomputes between the cores.
    view->GetEngine().SetThreads(running ? 1 : CbrindorView::InteractiveThreads);
    if (pane->widget())
        pane->widget()->setEnabled(!running);
    if (!running)
        view->setFocus();
    UpdateCommandUI();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* e)
{
    // While a batch runs, keystrokes to the windows are swallowed and Esc is remembered for the
    // next check. The dialogs the run opens (its messages, the quit question) and open menus take
    // their keys as usual.
    const bool key = e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease ||
                     e->type() == QEvent::ShortcutOverride;
    if (!batchRunning || !key || QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return QMainWindow::eventFilter(watched, e);
    const bool escape = static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape;
    if (e->type() == QEvent::KeyPress && escape)
        escapePressed = true;
    // The progress dialog's Cancel is reachable by keyboard; its Esc asks like the window's.
    if (!escape && progress && watched->isWidgetType() &&
        (watched == progress || progress->isAncestorOf(static_cast<QWidget*>(watched))))
        return QMainWindow::eventFilter(watched, e);
    return true;
}

void CMainFrame::PumpEvents() { QCoreApplication::processEvents(); }

bool CMainFrame::EscapeDown()
{
    const bool pressed = escapePressed;
    escapePressed = false;
    return pressed;
}

void CMainFrame::ShowFileCount(const std::string& text)
{
    if (statusBarWnd)
        statusBarWnd->Pane(4)->SetText(QString::fromStdString(text));
}

SourceIndex CMainFrame::ChooseSlotToReplace(const std::string&)
{
    return replace_source::ChooseSource(this);
}
