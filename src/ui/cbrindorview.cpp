#include "cbrindorview.h"

#include <cmath>

#include <QFileInfo>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>

#include "canvas_size.h"
#include "cbrindordoc.h"
#include "cmainframe.h"
#include "command_table.h"
#include "cpropertieswnd.h"
#include "dropped_paths.h"
#include "edit_recorder.h"
#include "flying_tips.h"
#include "message_box.h"
#include "ports.h"
#include "start_button.h"
#include "wnd_status_bar.h"

namespace {

constexpr int DefaultCanvasWidth = 1024;
constexpr int DefaultCanvasHeight = 768;

// The view's default scroll steps: a line is a hundredth of the scrollable size.
int LineStep(int total) { return std::max(1, total / 100); }

}  // namespace

CbrindorView::CbrindorView(CbrindorDoc& document, QWidget* parent)
    : QAbstractScrollArea(parent), doc(document), engine(std::make_unique<Engine>(document))
{
    setObjectName("CbrindorView");
    setAccessibleName("Target view");
    engine->SetListener(this);
    engine->SetThreads(InteractiveThreads);
    doc.SetEngine(engine.get());
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setFrameShape(QFrame::NoFrame);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int p) { OnScrollBar(Qt::Horizontal, p); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int p) { OnScrollBar(Qt::Vertical, p); });
}

CbrindorView::~CbrindorView()
{
    if (doc.GetEngine() == engine.get())
        doc.SetEngine(nullptr);
}

bool CbrindorView::TwoSources() const { return doc.SourceCount() == 2; }
// The canvas, the scroll bars and the pointer count device pixels, so the target is shown one
// picture pixel to one screen pixel at any scale of the desktop.
qreal CbrindorView::DeviceRatio() const { return viewport()->devicePixelRatioF(); }
int CbrindorView::ClientWidth() const { return int(std::lround(viewport()->width() * DeviceRatio())); }
int CbrindorView::ClientHeight() const { return int(std::lround(viewport()->height() * DeviceRatio())); }

void CbrindorView::RecomputeAll()
{
    engine->RecomputeAll();
}

void CbrindorView::OnInitialUpdate()
{
    CreateStartButtons();
    if (TwoSources()) {
        RemoveStartButtons();
        engine->UpdateSourceGeometry(1);
        engine->UpdateSourceGeometry(2);
        engine->PlaceSource(1);
        engine->PlaceSource(2);
        engine->ComposeTarget();
    }
    UpdateCursor();
    if (statusBar) {
        statusBar->StartTimer();
        statusBar->PaintSourcePanes(-1);
    }
    if (TwoSources()) {
        const std::optional<QSize> own = CanvasFollowsSource2() ? Source2CanvasSize() : std::nullopt;
        ApplyCanvasSize(own.value_or(StoredCanvasSize()), own.has_value());
        FollowFit();
        SetScrollSizes(TargetScrollSize());
        RecomputeAll();
        viewport()->repaint();
    } else {
        engine->canvasRect = CanvasRect{0, 0, ClientWidth(), ClientHeight()};
        SetScrollSizes(doc.viewExtent.width, doc.viewExtent.height);
        viewport()->update();
    }
    ShowZoom();
}

QSize CbrindorView::StoredCanvasSize() const
{
    int w = DefaultCanvasWidth, h = DefaultCanvasHeight;
    if (settings) {
        w = settings->ReadInt("Configure", "canvas_width", DefaultCanvasWidth);
        h = settings->ReadInt("Configure", "canvas_height", DefaultCanvasHeight);
    }
    // A store edited by hand must not push the canvas past its buffers.
    return {std::clamp(w, 1, MaxCanvasWidth), std::clamp(h, 1, MaxCanvasHeight)};
}

bool CbrindorView::CanvasFollowsSource2() const
{
    return settings && settings->ReadInt("Configure", canvas_size::FollowKey, 0) == 1;
}

std::optional<QSize> CbrindorView::Source2CanvasSize()
{
    if (!TwoSources())
        return std::nullopt;
    const QSize size(doc.Width(2), doc.Height(2));
    if (CanvasWithinBudget(size.width(), size.height())) {
        refusedSize = QSize();
        return size;
    }
    if (size != refusedSize) {
        refusedSize = size;
        const std::string name =
            doc.kind[1] == SourceKind::ImageFile ? QFileInfo(QString::fromStdString(doc.path[1])).fileName().toStdString()
                                                 : std::string("Source 2");
        ShowMessageBox(CanvasTooLargeText(name, size.width(), size.height()), PromptKind::Plain);
    }
    return std::nullopt;
}

void CbrindorView::ApplyCanvasSize(QSize size, bool ownSize)
{
    // The fixed sizes keep the fixed limit, so their results stay as they always were.
    engine->SetCanvasLimit(ownSize ? std::max(size.width(), MaxCanvasWidth) : MaxCanvasWidth,
                           ownSize ? std::max(size.height(), MaxCanvasHeight) : MaxCanvasHeight);
    PlaceCanvasRect(size.width(), size.height());
    // A photo's own size is seldom the view's: it is shown whole until zoomed.
    if (ownSize)
        zoomFits = true;
}

void CbrindorView::Source2Changed()
{
    if (!TwoSources() || !CanvasFollowsSource2())
        return;
    const std::optional<QSize> own = Source2CanvasSize();
    const QSize size = own.value_or(StoredCanvasSize());
    const CanvasRect& c = engine->canvasRect;
    if (size == QSize(c.Width(), c.Height()))
        return;
    // The document places and composes the new source after this.
    ApplyCanvasSize(size, own.has_value());
    FollowFit();
    if (mode == ScrollMode::Target) {
        SetScrollSizes(TargetScrollSize());
        ScrollToPosition(0, 0);
        targetScrollX = targetScrollY = 0;
    } else {
        EnterSourceScroll(scrollSource);
    }
}

void CbrindorView::PlaceCanvasRect(int w, int h)
{
    engine->canvasRect = view_geometry::PlaceCanvasRect(ClientWidth(), ClientHeight(), w, h);
}

void CbrindorView::SetScrollSizes(int w, int h)
{
    scrollSize = QSize(w, h);
    UpdateScrollBars();
}

void CbrindorView::UpdateScrollBars()
{
    const bool was = adjustingScroll;
    adjustingScroll = true;
    QScrollBar* hb = horizontalScrollBar();
    QScrollBar* vb = verticalScrollBar();
    hb->setRange(0, view_geometry::ScrollMaximum(scrollSize.width(), ClientWidth()));
    hb->setPageStep(std::max(1, ClientWidth()));
    hb->setSingleStep(LineStep(scrollSize.width()));
    vb->setRange(0, view_geometry::ScrollMaximum(scrollSize.height(), ClientHeight()));
    vb->setPageStep(std::max(1, ClientHeight()));
    vb->setSingleStep(LineStep(scrollSize.height()));
    adjustingScroll = was;
}

void CbrindorView::ScrollToPosition(int x, int y)
{
    const bool was = adjustingScroll;
    adjustingScroll = true;
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
    adjustingScroll = was;
}

void CbrindorView::EnterTargetScroll()
{
    mode = ScrollMode::Target;
    SetScrollSizes(TargetScrollSize());
    ScrollToPosition(0, 0);
    targetScrollX = horizontalScrollBar()->value();
    targetScrollY = verticalScrollBar()->value();
    UpdateCursor();
    viewport()->update();
}

void CbrindorView::EnterSourceScroll(SourceIndex s)
{
    mode = s == 1 ? ScrollMode::Source1 : ScrollMode::Source2;
    scrollSource = s;
    engine->UpdateSourceGeometry(s);
    const CanvasRect& c = engine->canvasRect;
    const SourcePlacement& p = engine->placement[s - 1];
    const auto extent = view_geometry::SourceScrollExtent(
        p, engine->settings.horizontalScale[s - 1], engine->settings.verticalScale[s - 1],
        ClientWidth(), ClientHeight(), c.Width(), c.Height());
    SetScrollSizes(extent.width, extent.height);
    ScrollToPosition(p.offsetX + c.Width(), p.offsetY + c.Height());
    UpdateCursor();
    viewport()->repaint();
}

// A cross for drawing zones over the target, a four-way arrow while a source can be dragged.
void CbrindorView::UpdateCursor()
{
    if (!TwoSources())
        viewport()->unsetCursor();
    else
        viewport()->setCursor(mode == ScrollMode::Target ? Qt::CrossCursor : Qt::SizeAllCursor);
}

void CbrindorView::OnScrollBar(Qt::Orientation orientation, int position)
{
    if (adjustingScroll)
        return;
    const bool horizontal = orientation == Qt::Horizontal;
    if (mode == ScrollMode::Target) {
        (horizontal ? targetScrollX : targetScrollY) = position;
        viewport()->update();
        return;
    }
    const SourceIndex s = scrollSource;
    // Moves by the scroll bars and the wheel join into one step until something else happens.
    const EditRecorder::Scope step(frame ? frame->Edits() : nullptr, MoveLabel(s), s == 1 ? "move 1" : "move 2");
    SourcePlacement& p = engine->placement[s - 1];
    if (horizontal)
        p.offsetX = position - engine->canvasRect.Width();
    else
        p.offsetY = position - engine->canvasRect.Height();
    engine->PlaceSource(s);
    engine->ComposeTarget();
}

void CbrindorView::scrollContentsBy(int, int)
{
    // Every paint draws the whole client area, so nothing is moved here.
    viewport()->update();
}

void CbrindorView::resizeEvent(QResizeEvent* event)
{
    // At 100 % a new client size starts the target from its corner and drops the zone, whose
    // corners are client points; a zoomed view keeps its place and moves the zone along.
    const bool plain = zoom == 1;
    if (TwoSources()) {
        // Centred first: a source mode's scroll sizes repaint at once, and must show the new place.
        const CanvasRect c = engine->canvasRect;
        PlaceCanvasRect(c.Width(), c.Height());
        if (!plain) {
            const CanvasRect& moved = engine->canvasRect;
            view_geometry::MoveZone(engine->zone, moved.left - c.left, moved.top - c.top);
        }
        FollowFit();
        if (mode == ScrollMode::Target)
            SetScrollSizes(TargetScrollSize());
        else
            EnterSourceScroll(scrollSource);
        if (plain) {
            targetScrollX = targetScrollY = 0;
            if (mode == ScrollMode::Target)
                ScrollToPosition(0, 0);
        } else if (mode == ScrollMode::Target) {
            targetScrollX = horizontalScrollBar()->value();
            targetScrollY = verticalScrollBar()->value();
        }
    } else {
        UpdateScrollBars();
    }
    if (plain) {
        engine->zone.valid = false;
        zoneOutlineShown = false;
    }
    viewport()->update();
    QAbstractScrollArea::resizeEvent(event);
}

QSize CbrindorView::TargetScrollSize() const
{
    const CanvasRect& c = engine->canvasRect;
    if (zoom == 1)
        return {c.Width(), c.Height()};
    return {view_zoom::Scaled(c.Width(), zoom), view_zoom::Scaled(c.Height(), zoom)};
}

void CbrindorView::FollowFit()
{
    if (zoomFits) {
        const CanvasRect& c = engine->canvasRect;
        zoom = view_zoom::FitZoom(c.Width(), c.Height(), ClientWidth(), ClientHeight());
    }
    ShowZoom();
}

void CbrindorView::ShowZoom()
{
    if (statusBar)
        statusBar->SetZoomText(TwoSources() ? QString::fromStdString(view_zoom::PercentText(zoom)) : QString());
}

void CbrindorView::ZoomAround(double z, QPointF anchor)
{
    zoomFits = false;
    z = std::clamp(z, view_zoom::MinZoom, view_zoom::MaxZoom);
    if (!TwoSources() || z == zoom) {
        ShowZoom();
        return;
    }
    const view_geometry::Point kept = Logical(anchor);
    zoom = z;
    if (mode == ScrollMode::Target) {
        SetScrollSizes(TargetScrollSize());
        const qreal r = DeviceRatio();
        const view_geometry::Point at =
            Mapping().ScrollToShow(kept, int(std::floor(anchor.x() * r)), int(std::floor(anchor.y() * r)));
        ScrollToPosition(at.x, at.y);
        targetScrollX = horizontalScrollBar()->value();
        targetScrollY = verticalScrollBar()->value();
    }
    ShowZoom();
    viewport()->update();
}

void CbrindorView::ZoomIn() { ZoomAround(view_zoom::StepIn(zoom), QRectF(viewport()->rect()).center()); }
void CbrindorView::ZoomOut() { ZoomAround(view_zoom::StepOut(zoom), QRectF(viewport()->rect()).center()); }
void CbrindorView::ZoomActualSize() { ZoomAround(1, QRectF(viewport()->rect()).center()); }

void CbrindorView::ZoomToFit()
{
    zoomFits = true;
    FollowFit();
    if (mode == ScrollMode::Target) {
        SetScrollSizes(TargetScrollSize());
        ScrollToPosition(0, 0);
        targetScrollX = targetScrollY = 0;
    }
    viewport()->update();
}

void CbrindorView::PresentTarget()
{
    displayedSource = -1;
    viewport()->update();
}

void CbrindorView::ShowSourceAlone(int s)
{
    if (!TwoSources())
        return;
    if (s != 1 && s != 2) {
        PresentTarget();
        return;
    }
    displayedSource = s;
    viewport()->update();
}

void CbrindorView::TargetChanged()
{
    PresentTarget();
    if (pane && pane->Contents())
        pane->Contents()->TargetChanged();
    if (frame)
        frame->UpdateCommandUI();
}

void CbrindorView::ScrollSourceRequested(SourceIndex s, bool selectEntry)
{
    EnterSourceScroll(s);
    if (selectEntry)
        SetSelector(s);
}

void CbrindorView::PropertyShown(PropertyId id, const std::string& text)
{
    if (pane && pane->Contents())
        pane->Contents()->PropertyShown(id, text);
}

void CbrindorView::PropertyEnabled(PropertyId id, bool enabled)
{
    if (pane && pane->Contents())
        pane->Contents()->PropertyEnabled(id, enabled);
}

void CbrindorView::MiddleImageChanged(SourceIndex s, int imageId)
{
    if (pane && pane->Contents())
        pane->Contents()->MiddleImageChanged(s, imageId);
}

void CbrindorView::SetSelector(int entry)
{
    if (pane)
        pane->SetScrollSelector(entry);
}

int CbrindorView::CommandForCharacter(QChar c)
{
    switch (c.unicode()) {
    case 'b':
        return cmd::ScrollTarget;
    case '1':
        return cmd::ScrollSource1;
    case '2':
        return cmd::ScrollSource2;
    case ',':
    case '<':
        return cmd::BlendButton1;
    case '.':
    case '>':
        return cmd::BlendButton2;
    default:
        return 0;
    }
}

void CbrindorView::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    const int id = text.size() == 1 ? CommandForCharacter(text.at(0)) : 0;
    if (id == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (pane)
        pane->SendCommand(id);
    event->accept();
}

void CbrindorView::CreateStartButtons()
{
    if (HasStartButtons())
        return;
    const struct {
        int id;
        int x;
        StartButtonFace face;
    } buttons[] = {{cmd::LoadImageButton, 100, StartButtonFace::LoadImage},
                   {cmd::LoadTextButton, 200, StartButtonFace::LoadText},
                   {cmd::Paste, 300, StartButtonFace::PasteImage}};
    for (const auto& b : buttons) {
        auto* button = new start_button(b.face, viewport());
        button->setObjectName(QString("startButton%1").arg(b.id));
        button->setProperty("commandId", b.id);
        button->setGeometry(b.x, 90, StartButtonWidth, StartButtonHeight);
        connect(button, &QPushButton::clicked, this, [this, id = b.id] {
            if (id == cmd::LoadImageButton && frame)
                frame->RunCommand(cmd::FileOpen);
            else if (id == cmd::LoadTextButton)
                OnOpenText();
            else if (id == cmd::Paste)
                OnPaste();
        });
        button->show();
        startButtons.push_back(button);
    }
}

void CbrindorView::RemoveStartButtons()
{
    for (QPushButton* b : startButtons)
        b->deleteLater();
    for (QPushButton* b : startButtons)
        b->hide();
    startButtons.clear();
}

QPushButton* CbrindorView::StartButton(int id) const
{
    for (QPushButton* b : startButtons)
        if (b->property("commandId").toInt() == id)
            return b;
    return nullptr;
}

flying_tips* CbrindorView::OpenTip(const QRect& rect, const QString& text)
{
    if (tip)
        return nullptr;
    tip = std::make_unique<flying_tips>(viewport(), rect);
    tip->ShowTipText(text);
    return tip.get();
}

void CbrindorView::CloseTip() { tip.reset(); }

void CbrindorView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedPaths(event->mimeData(), DroppedKind::Files).isEmpty())
        event->acceptProposedAction();
}

void CbrindorView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!DroppedPaths(event->mimeData(), DroppedKind::Files).isEmpty())
        event->acceptProposedAction();
}

// Each dropped picture opens as File Open would open it, at most one per slot.
void CbrindorView::dropEvent(QDropEvent* event)
{
    const QStringList paths = DroppedPaths(event->mimeData(), DroppedKind::Files);
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    for (const QString& path : paths.mid(0, 2))
        doc.OpenDocument(path.toStdString());
}

bool CbrindorView::ReplaceSourceWith(SourceIndex s, const QString& path)
{
    // Slots fill in order: a line of an empty slot takes the picture by the usual rule.
    if (doc.SourceCount() < s)
        return doc.OpenDocument(path.toStdString());
    if (!doc.LoadSourceFile(s, path.toStdString()))
        return false;
    doc.RefreshAfterSourceChange();
    return true;
}
