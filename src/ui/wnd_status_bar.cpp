#include "wnd_status_bar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolButton>

#include "cbrindordoc.h"
#include "cbrindorview.h"

namespace {

const QColor Pane1Colour(255, 192, 192);
const QColor Pane2Colour(153, 255, 102);
const QColor MarkerColour(0, 0, 255);
constexpr int MarkerWidth = 6, MarkerHeight = 8;
constexpr char IdleText[] = "Brindor is ready";
constexpr int ViewSource1Id = 146, ViewBothId = 148;

struct PaneSpec {
    int id;
    int width;
    const char* text;
};
constexpr PaneSpec PaneSpecs[5] = {{0, 150, IdleText},
                                   {146, 100, "View Source 1"},
                                   {147, 100, "View Source 2"},
                                   {148, 100, "View both src"},
                                   {145, 250, "Batch merge status"}};

// A pane as screen readers find it: the text it shows is its name and value; the marker of
// the view-source panes is their selected state.
class status_pane_accessible : public QAccessibleWidget {
public:
    explicit status_pane_accessible(status_pane* pane) : QAccessibleWidget(pane, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name || t == QAccessible::Value)
            return Pane()->ShownText();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = Pane()->Id() >= ViewSource1Id && Pane()->Id() <= ViewBothId;
        s.selected = Pane()->HasMarker();
        return s;
    }

private:
    const status_pane* Pane() const { return static_cast<const status_pane*>(object()); }
};

QAccessibleInterface* PaneAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("status_pane"))
        return new status_pane_accessible(static_cast<status_pane*>(object));
    return nullptr;
}

}  // namespace

status_pane::status_pane(int id, int width, const QString& t, QWidget* parent)
    : QWidget(parent), paneId(id), text(t)
{
    setObjectName(QString("statusPane%1").arg(id));
    setMinimumWidth(width);
    if (id != 0)
        setFixedWidth(width);
    setFixedHeight(fontMetrics().height() + 6);
    // The status bar itself follows the pointer over its panes.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void status_pane::SetText(const QString& t)
{
    const QString before = ShownText();
    text = t;
    Changed(before, marker);
}

void status_pane::SetPainted(const QString& shown, QColor bg, bool withMarker)
{
    const QString before = ShownText();
    const bool markerBefore = marker;
    painted = true;
    paintedText = shown;
    background = bg;
    marker = withMarker;
    Changed(before, markerBefore);
}

void status_pane::SetPlain()
{
    const QString before = ShownText();
    const bool markerBefore = marker;
    painted = false;
    marker = false;
    Changed(before, markerBefore);
}

void status_pane::Changed(const QString& before, bool markerBefore)
{
    update();
    if (ShownText() != before) {
        QAccessibleEvent named(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&named);
    }
    if (marker != markerBefore) {
        QAccessible::State selected;
        selected.selected = true;
        QAccessibleStateChangeEvent changed(this, selected);
        QAccessible::updateAccessibility(&changed);
    }
}

void status_pane::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    if (painted && background.isValid())
        p.fillRect(r, background);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(painted && background.isValid() ? QColor(Qt::black)
                                             : palette().color(QPalette::WindowText));
    p.drawText(r.adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
               p.fontMetrics().elidedText(ShownText(), Qt::ElideRight, r.width() - 6));
    if (marker)
        p.fillRect(QRect(r.right() + 1 - MarkerWidth, r.bottom() + 1 - MarkerHeight, MarkerWidth,
                         MarkerHeight),
                   MarkerColour);
}

wnd_status_bar::wnd_status_bar(CbrindorDoc& document, QWidget* parent)
    : QStatusBar(parent), doc(document)
{
    setObjectName("wnd_status_bar");
    setAccessibleName("Status bar");
    static const bool accessible = (QAccessible::installFactory(PaneAccessible), true);
    (void)accessible;
    setSizeGripEnabled(true);
    setMouseTracking(true);
    zoom = new QToolButton(this);
    zoom->setObjectName("zoom");
    zoom->setAutoRaise(true);
    zoom->setToolTip("Zoom: click for the whole target or 100 %");
    zoom->hide();
    connect(zoom, &QToolButton::clicked, this, [this] {
        if (view)
            view->ZoomFits() ? view->ZoomActualSize() : view->ZoomToFit();
    });
    for (int i = 0; i < 5; ++i) {
        panes[i] = new status_pane(PaneSpecs[i].id, PaneSpecs[i].width, PaneSpecs[i].text, this);
        if (i == 0) {
            addWidget(panes[i], 1);
            addPermanentWidget(zoom);
        } else {
            addPermanentWidget(panes[i]);
        }
    }
    timer = new QTimer(this);
    timer->setInterval(TickMs);
    connect(timer, &QTimer::timeout, this, &wnd_status_bar::OnTimerTick);
}

void wnd_status_bar::SetMessageText(const QString& text)
{
    panes[0]->SetText(text.isEmpty() ? QString(IdleText) : text);
}

QString wnd_status_bar::MessageText() const { return panes[0]->Text(); }

void wnd_status_bar::SetZoomText(const QString& text)
{
    zoom->setText(text);
    zoom->setVisible(!text.isEmpty());
}

QString wnd_status_bar::ZoomText() const { return zoom->text(); }

void wnd_status_bar::StartTimer() { timer->start(); }
bool wnd_status_bar::TimerActive() const { return timer->isActive(); }

void wnd_status_bar::PaintSourcePanes(int marked)
{
    if (doc.SourceCount() < 2) {
        for (int i = 1; i <= 3; ++i)
            panes[i]->SetPlain();
        return;
    }
    panes[1]->SetPainted("View source 1", Pane1Colour, marked == 1);
    panes[2]->SetPainted("View source 2", Pane2Colour, marked == 2);
    panes[3]->SetPainted("View both srce", QColor(), marked == -1);
}

void wnd_status_bar::OnPointerMove(int x)
{
    if (doc.SourceCount() != 2)
        return;
    idleTicks = 0;
    bool overPane = false;
    for (int i = 1; i <= 3; ++i) {
        const QRect r = panes[i]->geometry();
        const int left = r.left(), right = r.left() + r.width();
        if (!(left < x && x < right))
            continue;
        overPane = true;
        setCursor(Qt::PointingHandCursor);
        if (view) {
            if (i == 3)
                view->PresentTarget();
            else
                view->ShowSourceAlone(i);
        }
        PaintSourcePanes(i == 3 ? -1 : i);
    }
    if (!overPane)
        unsetCursor();
}

void wnd_status_bar::mouseMoveEvent(QMouseEvent* event)
{
    OnPointerMove(event->position().toPoint().x());
    QStatusBar::mouseMoveEvent(event);
}

void wnd_status_bar::OnTimerTick()
{
    if (doc.SourceCount() != 2 || idleTicks >= TicksToReturn)
        return;
    if (++idleTicks == TicksToReturn) {
        if (view)
            view->PresentTarget();
        PaintSourcePanes(-1);
        unsetCursor();
    }
}
