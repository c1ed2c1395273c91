#include <cmath>

#include <QMouseEvent>
#include <QWheelEvent>
#include <QScrollBar>

#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cmainframe.h"
#include "cpropertieswnd.h"
#include "edit_recorder.h"
#include "message_box.h"

namespace {

constexpr char ZoneInSourceModeText[] =
    "Looks like you are selecting a box to allow blending with one of the big '1' or '2' "
    "buttons.\n\n"
    "Brindor will switch to 'Scroll Target' mode as later scrolling of individual sources will "
    "destroy blend settings you are about to make.\n\n"
    "Please set up your rectangular zone for blending now.";
constexpr char MoveInTargetModeText[] =
    "Please select 'scroll source 1 or 2' before trying to move it by this method.";

}  // namespace

view_zoom::Mapping CbrindorView::Mapping() const
{
    view_zoom::Mapping m = view_zoom::Mapping::For(zoom, engine->canvasRect, ClientWidth(), ClientHeight());
    // The target's bars scroll what is shown; a source mode's bars move the source instead.
    const view_geometry::Point bars{horizontalScrollBar()->value(), verticalScrollBar()->value()};
    (mode == ScrollMode::Target ? m.scroll : m.offset) = bars;
    return m;
}

view_geometry::Point CbrindorView::Logical(const QPointF& client) const
{
    const qreal r = DeviceRatio();
    return Mapping().ToCanvas(std::floor(client.x() * r), std::floor(client.y() * r));
}

QPoint CbrindorView::Client(view_geometry::Point logical) const
{
    const view_geometry::Point p = Mapping().ToClient(logical);
    return {p.x, p.y};
}

void CbrindorView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier) || !TwoSources()) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta != 0)
        ZoomAround(delta > 0 ? view_zoom::StepIn(zoom) : view_zoom::StepOut(zoom), event->position());
    event->accept();
}

void CbrindorView::mousePressEvent(QMouseEvent* event)
{
    const view_geometry::Point p = Logical(event->position());
    pointer = p;
    if (event->button() == Qt::LeftButton) {
        zoneDrag = true;
        if (mode == ScrollMode::Target)
            view_geometry::StartZone(engine->zone, p, engine->canvasRect);
    } else if (event->button() == Qt::RightButton) {
        moveDrag = true;
        rightDragArmed = mode != ScrollMode::Target;
        if (rightDragArmed)
            dragStart = dragEnd = p;
        else if (TwoSources())
            ShowMessageBox(MoveInTargetModeText, PromptKind::Plain);
    }
}

void CbrindorView::mouseMoveEvent(QMouseEvent* event)
{
    CloseTip();
    centeringTipArmed = true;
    pointer = Logical(event->position());
    const bool onlyRight = event->buttons() == Qt::RightButton;
    if (zoneDrag && TwoSources() && !onlyRight)
        viewport()->update();
    else if (moveDrag && onlyRight && TwoSources() && mode != ScrollMode::Target)
        viewport()->update();
}

void CbrindorView::mouseReleaseEvent(QMouseEvent* event)
{
    const view_geometry::Point p = Logical(event->position());
    pointer = p;
    if (event->button() == Qt::LeftButton && zoneDrag) {
        zoneDrag = false;
        OnLeftRelease(p);
    } else if (event->button() == Qt::RightButton && moveDrag) {
        moveDrag = false;
        OnRightRelease(p);
    }
}

void CbrindorView::OnLeftRelease(view_geometry::Point p)
{
    viewport()->update();
    if (!TwoSources())
        return;
    if (mode != ScrollMode::Target) {
        EnterTargetScroll();
        SetSelector(0);
        ShowMessageBox(ZoneInSourceModeText, PromptKind::Plain);
        return;
    }
    zoneOutlineShown = view_geometry::FinishZone(engine->zone, p, engine->canvasRect);
    if (frame)
        frame->UpdateCommandUI();
}

void CbrindorView::OnRightRelease(view_geometry::Point p)
{
    viewport()->update();
    if (mode == ScrollMode::Target || !rightDragArmed)
        return;
    rightDragArmed = false;
    dragEnd = p;
    const SourceIndex s = scrollSource;
    const EditRecorder::Scope step(frame ? frame->Edits() : nullptr, MoveLabel(s));
    SourcePlacement& placement = engine->placement[s - 1];
    const auto moved = view_geometry::ApplyRightDrag(
        {placement.offsetX, placement.offsetY}, dragStart.x, dragStart.y, dragEnd.x, dragEnd.y,
        engine->canvasRect.Width(), engine->canvasRect.Height());
    placement.offsetX = moved.x;
    placement.offsetY = moved.y;
    EnterSourceScroll(s);
    engine->PlaceSource(s);
    engine->ComposeTarget();
}

void CbrindorView::ShowZoneOutline()
{
    zoneOutlineShown = view_geometry::ZoneHasCorners(engine->zone);
    viewport()->update();
}
