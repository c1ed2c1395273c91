#pragma once
#include <QDockWidget>

#include "engine.h"

class CbrindorView;
class CMainFrame;
class Engine;
class CbrindorDoc;
class Prompts;

// Everything the pane's contents reach: the document, the engine, the view and the frame.
struct PaneContext {
    CbrindorDoc* doc = nullptr;
    Engine* engine = nullptr;
    CbrindorView* view = nullptr;
    CMainFrame* frame = nullptr;
    Prompts* prompts = nullptr;
};

// The contents of the properties pane. The shell routes commands here; the view forwards the
// engine's notifications (TargetChanged, PropertyShown, PropertyEnabled, MiddleImageChanged).
class PaneContents : public QWidget, public EngineListener {
public:
    using QWidget::QWidget;
    // Whether the pane's command (scroll modes, blend buttons, toolbars...) is enabled now.
    virtual bool IsCommandEnabled(int id) const = 0;
    // Runs a pane command; false when the id is not one of the pane's.
    virtual bool RunCommand(int id) = 0;
    // Sets the scroll-mode selector's entry without running its selection handler.
    virtual void SetScrollSelector(int entry) = 0;
    // A slot's file-name line (1 or 2) takes a new text.
    virtual void SetFileName(int line, const QString& text) { (void)line, (void)text; }
    // The slot's scale values changed outside the grid: show them again.
    virtual void RefreshScaleValues(int source) { (void)source; }
    // The pane's enable states may have changed (sources loaded, zone drawn).
    virtual void UpdateCommandUI() {}
};

// The dockable properties pane: a dock at the left or right edge, titled
// "Properties (Dockable)", holding the pane's contents.
class CPropertiesWnd : public QDockWidget {
    Q_OBJECT
public:
    static constexpr int PaneId = 155;

    explicit CPropertiesWnd(QWidget* parent = nullptr);

    // Puts the contents in place; the pane takes ownership.
    void SetContents(PaneContents* contents);
    PaneContents* Contents() const { return contents; }

    // Sends a command to the pane as the keyboard shortcuts do. Returns false when the
    // command is disabled or unknown; a disabled command does nothing.
    bool SendCommand(int id);
    bool IsCommandEnabled(int id) const;
    void SetScrollSelector(int entry);
    int ScrollSelector() const { return selectorEntry; }

    // Without contents the shell itself serves the scroll-mode and blend commands.
    void SetFallbackContext(const PaneContext& context) { fallback = context; }

private:
    bool FallbackEnabled(int id) const;
    bool RunFallback(int id);

    PaneContents* contents = nullptr;
    PaneContext fallback;
    int selectorEntry = 0;
};
