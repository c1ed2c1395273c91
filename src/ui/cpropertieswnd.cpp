#include "cpropertieswnd.h"

#include <QLabel>

#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "command_table.h"

namespace {

constexpr char PaneTitle[] = "Properties (Dockable)";
constexpr int InitialWidth = 310;

}  // namespace

CPropertiesWnd::CPropertiesWnd(QWidget* parent) : QDockWidget(PaneTitle, parent)
{
    setObjectName("CPropertiesWnd");
    setProperty("controlId", PaneId);
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    auto* empty = new QWidget(this);
    empty->setMinimumWidth(InitialWidth);
    setWidget(empty);
}

void CPropertiesWnd::SetContents(PaneContents* c)
{
    contents = c;
    setWidget(c);
}

bool CPropertiesWnd::IsCommandEnabled(int id) const
{
    // Contents disabled as a whole (while a batch runs) run no command, shortcuts included.
    if (widget() && !widget()->isEnabled())
        return false;
    if (contents)
        return contents->IsCommandEnabled(id);
    return FallbackEnabled(id);
}

bool CPropertiesWnd::SendCommand(int id)
{
    if (!IsCommandEnabled(id))
        return false;
    if (contents)
        return contents->RunCommand(id);
    return RunFallback(id);
}

void CPropertiesWnd::SetScrollSelector(int entry)
{
    selectorEntry = entry;
    if (contents)
        contents->SetScrollSelector(entry);
}

bool CPropertiesWnd::FallbackEnabled(int id) const
{
    const CommandState state{fallback.doc ? fallback.doc->SourceCount() : 0,
                             fallback.engine && fallback.engine->zone.valid};
    switch (id) {
    case cmd::ScrollTarget:
        return true;
    case cmd::ScrollSource1:
    case cmd::ScrollSource2:
        return IsEnabled(EnableRule::TwoSources, state);
    default:
        return false;
    }
}

bool CPropertiesWnd::RunFallback(int id)
{
    if (!fallback.view)
        return false;
    switch (id) {
    case cmd::ScrollTarget:
        SetScrollSelector(0);
        fallback.view->EnterTargetScroll();
        return true;
    case cmd::ScrollSource1:
    case cmd::ScrollSource2: {
        const SourceIndex s = id == cmd::ScrollSource1 ? 1 : 2;
        SetScrollSelector(s);
        fallback.view->EnterSourceScroll(s);
        return true;
    }
    default:
        return false;
    }
}
