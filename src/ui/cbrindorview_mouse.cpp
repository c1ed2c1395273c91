#include <cmath>

#include <QMouseEvent>
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

view_geometry::Point CbrindorView::Logical(const QPointF& client) const
{
    const qreal r = DeviceRatio();
    return {int(std::floor(client.x() * r)) + horizontalScrollBar()->value(),
            int(std::floor(client.y() * r)) + verticalScrollBar()->value()};
}

QPoint CbrindorView::Client(view_geometry::Point logical) const
{
    return {logical.x - horizontalScrollBar()->value(), logical.y - verticalScrollBar()->value()};
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
