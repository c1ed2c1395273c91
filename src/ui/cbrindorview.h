#pragma once
#include <functional>
#include <memory>
#include <optional>

#include <QAbstractScrollArea>
#include <QColor>
#include <QPointer>

#include "engine.h"
#include "view_geometry.h"
#include "view_zoom.h"

class CbrindorDoc;
class CMainFrame;
class CPropertiesWnd;
class QImage;
class QPainter;
class QPrinter;
class QPushButton;
class SettingsStore;
class TextEntryRunner;
class flying_tips;
class wnd_status_bar;

// What the scroll bars and the right mouse button move.
enum class ScrollMode { Target, Source1, Source2 };

// The target view: the composed target 1:1 on a hatched margin, or, while fewer than two
// sources are loaded, a textured page with prompts and three start buttons. It owns the
// engine (settings, placements, buffers) and turns mouse, keys and scroll bars into its work.
class CbrindorView : public QAbstractScrollArea, public EngineListener {
    Q_OBJECT
public:
    static constexpr int StartButtonWidth = 80, StartButtonHeight = 48;
    static constexpr int TipId = 149;
    // Threads of the interactive recompute; its results do not depend on the count.
    static constexpr int InteractiveThreads = 2;

    CbrindorView(CbrindorDoc& doc, QWidget* parent = nullptr);
    ~CbrindorView() override;

    void SetFrame(CMainFrame* f) { frame = f; }
    void SetPane(CPropertiesWnd* p) { pane = p; }
    void SetStatusBar(wnd_status_bar* s) { statusBar = s; }
    void SetSettings(SettingsStore* s) { settings = s; }

    Engine& GetEngine() { return *engine; }
    CbrindorDoc& GetDocument() { return doc; }

    // The view's initialisation after the document was (re)opened.
    void OnInitialUpdate();
    void EnterTargetScroll();
    void EnterSourceScroll(SourceIndex s);
    void PresentTarget();
    void ShowSourceAlone(int s);
    void PlaceCanvasRect(int w, int h);
    // A picture dropped on a source's file-name line replaces that source (an empty slot fills
    // by the usual rule); false when nothing was loaded.
    bool ReplaceSourceWith(SourceIndex s, const QString& path);
    // Source 2 is another picture: a canvas that follows its size takes the new size.
    void Source2Changed();
    // Whether the stored choice makes the canvas follow source 2's size.
    bool CanvasFollowsSource2() const;
    // The empty-state buttons, ids 133, 134 and 57637.
    void CreateStartButtons();
    void RemoveStartButtons();
    bool HasStartButtons() const { return !startButtons.empty(); }
    QPushButton* StartButton(int id) const;

    // Commands handled here.
    void OnCopy();
    void OnPaste();
    void OnOpenText();
    void OnOpenBlank();
    void OnBaseColour();
    void OnTargetSize();
    void OnRotate();
    void OnPrint();
    void OnPrintPreview();
    void OnPrintSetup();
    // Draws the target for a printer or the preview, fitted to the page width; the rectangle used.
    QRect PrintTarget(QPainter& painter, int pageWidth, int logicalDpiX, int logicalDpiY);
    QPrinter& Printer();
    // Prints the target on one page of `printer`; the rectangle it took.
    QRect PrintOn(QPrinter& printer);
    // The text dialog that "Open text" and "Load text" run.
    void SetTextEntryRunner(TextEntryRunner* r) { textEntryRunner = r; }

    // The colour chooser of the base colour command; tests replace it. Invalid means cancelled.
    std::function<QColor()> chooseColour;
    // The target size dialog; true for OK (the dialog has then applied the size).
    std::function<bool()> runTargetSizeDialog;
    // The rotate dialog; true for OK.
    std::function<bool()> runRotateDialog;

    ScrollMode Mode() const { return mode; }
    int TargetScrollX() const { return targetScrollX; }
    int TargetScrollY() const { return targetScrollY; }
    // Which picture is on screen: -1 the target, 1 or 2 a source alone.
    int DisplayedSource() const { return displayedSource; }
    QSize ScrollSize() const { return scrollSize; }
    view_geometry::Point DragStart() const { return dragStart; }

    // Zoom of what is shown; 1 is one target pixel to one device pixel.
    double Zoom() const { return zoom; }
    // Whether the zoom follows the client so the whole target shows.
    bool ZoomFits() const { return zoomFits; }
    void ZoomIn();
    void ZoomOut();
    void ZoomToFit();
    void ZoomActualSize();
    // A fixed zoom keeping the canvas point under `anchor` (client position) in place.
    void ZoomAround(double z, QPointF anchor);
    // The client position of a canvas point as shown now (device pixels), and the reverse.
    QPoint ClientOf(view_geometry::Point p) const { return Client(p); }
    view_geometry::Point CanvasPointAt(const QPointF& client) const { return Logical(client); }

    // The flying tip over the view, at most one; the pane's centering tip arming.
    flying_tips* Tip() const { return tip.get(); }
    // Opens a tip at rect (view client coordinates) with text, unless one is open.
    flying_tips* OpenTip(const QRect& rect, const QString& text);
    void CloseTip();
    bool centeringTipArmed = true;
    // Draws the zone outline again (the blend buttons ask when the pointer is over them).
    void ShowZoneOutline();

    // Engine notifications.
    void TargetChanged() override;
    void ScrollSourceRequested(SourceIndex s, bool selectEntry) override;
    SourceIndex ScrollSource() const override { return scrollSource; }
    void PropertyShown(PropertyId id, const std::string& text) override;
    void PropertyEnabled(PropertyId id, bool enabled) override;
    void MiddleImageChanged(SourceIndex s, int imageId) override;

    // A typed character as the view maps it to a pane command; 0 for none.
    static int CommandForCharacter(QChar c);
    // The undo step of moving source s by the scroll bars or the right button.
    static std::string MoveLabel(SourceIndex s) { return s == 1 ? "Move Source 1" : "Move Source 2"; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void SetScrollSizes(int w, int h);
    void SetScrollSizes(QSize size) { SetScrollSizes(size.width(), size.height()); }
    // The target mode's scrollable size: the canvas as shown at the zoom.
    QSize TargetScrollSize() const;
    view_zoom::Mapping Mapping() const;
    // The fitted zoom follows a new canvas or client size; the status bar shows the zoom.
    void FollowFit();
    void ShowZoom();
    void ScrollToPosition(int x, int y);
    void UpdateScrollBars();
    void OnScrollBar(Qt::Orientation orientation, int position);
    // A pointer position in the viewport as a canvas point, and back, both in device pixels.
    view_geometry::Point Logical(const QPointF& client) const;
    QPoint Client(view_geometry::Point logical) const;
    qreal DeviceRatio() const;
    int ClientWidth() const;
    int ClientHeight() const;
    bool TwoSources() const;
    void RecomputeAll();
    void SetSelector(int entry);
    void UpdateCursor();
    bool RunTargetSizeDialogDefault();
    // The stored fixed canvas size, held within the fixed buffers' limits.
    QSize StoredCanvasSize() const;
    // Source 2's size when it can be the canvas; a refused size is told once.
    std::optional<QSize> Source2CanvasSize();
    // Sets the canvas size and the engine's limit: raised for source 2's own size only.
    void ApplyCanvasSize(QSize size, bool ownSize);

    void PaintEmptyState(QPainter& p);
    void PaintMargin(QPainter& p);
    void PaintTarget(QPainter& p);
    // A w x h picture of canvas pixels drawn through the zoom.
    void PaintScaled(QPainter& p, const QImage& picture, int w, int h);
    void PaintSourceAlone(QPainter& p, int s);
    void PaintOverlay(QPainter& p);
    void OnLeftRelease(view_geometry::Point p);
    void OnRightRelease(view_geometry::Point p);

    CbrindorDoc& doc;
    std::unique_ptr<Engine> engine;
    CMainFrame* frame = nullptr;
    CPropertiesWnd* pane = nullptr;
    wnd_status_bar* statusBar = nullptr;
    SettingsStore* settings = nullptr;
    TextEntryRunner* textEntryRunner = nullptr;

    ScrollMode mode = ScrollMode::Target;
    SourceIndex scrollSource = 1;
    int targetScrollX = 0;
    int targetScrollY = 0;
    int displayedSource = -1;
    QSize scrollSize{1, 1};
    double zoom = 1;
    bool zoomFits = false;
    QSize refusedSize;
    bool adjustingScroll = false;

    bool zoneDrag = false;   // left button captured
    bool moveDrag = false;   // right button captured
    bool rightDragArmed = false;  // the right press happened in a source mode
    bool zoneOutlineShown = false;
    view_geometry::Point dragStart;
    view_geometry::Point dragEnd;
    view_geometry::Point pointer;

    std::vector<QPushButton*> startButtons;
    std::unique_ptr<flying_tips> tip;
    std::unique_ptr<QPrinter> printer;
};
