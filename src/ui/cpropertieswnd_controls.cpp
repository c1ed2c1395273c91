#include "cpropertieswnd_controls.h"

#include <QDropEvent>
#include <QLayout>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include "dialog_exchange.h"
#include "dropped_paths.h"

namespace {
const QColor LineOneColour(255, 192, 192);
const QColor LineTwoColour(153, 255, 102);
const QColor HatchColour(112, 128, 79);
// Red, a little deeper than pure red so the warning reads at 4.5:1 on white.
const QColor WarningColour(230, 0, 0);
constexpr char WarningText[] = "Beware any changes will remove blending";
constexpr int WarningY = 15;
constexpr int ToolButtonSide = 20;
}  // namespace

QFont SmallFont()
{
    QFont f;
    f.setPointSize(8);
    return f;
}

blend_buttons::blend_buttons(int id, const QString& text, QWidget* parent) : QPushButton(parent)
{
    setAccessibleName(text);
    setWindowTitle(text);
    dialog_exchange::SetControlId(this, id);
    setAutoRepeat(true);
    setAutoRepeatDelay(RepeatMs);
    setAutoRepeatInterval(RepeatMs);
    setMouseTracking(true);
}

void blend_buttons::mouseMoveEvent(QMouseEvent* event)
{
    if (hovered)
        hovered();
    QPushButton::mouseMoveEvent(event);
}

middle_button::middle_button(int id, QWidget* parent) : QPushButton(parent)
{
    dialog_exchange::SetControlId(this, id);
    setMouseTracking(true);
    setIconSize(QSize(24, 24));
    setFlat(true);
    setAutoFillBackground(true);
    setStyleSheet("QPushButton { background: white; border: 1px solid #b0b0b0; }"
                  "QPushButton:pressed { background: #e0e8ff; }");
}

void middle_button::SetImage(int id, const QIcon& picture)
{
    imageId = id;
    setIcon(picture);
}

void middle_button::mouseMoveEvent(QMouseEvent* event)
{
    if (hovered)
        hovered();
    QPushButton::mouseMoveEvent(event);
}

void middle_button::mousePressEvent(QMouseEvent* event)
{
    if (pressed)
        pressed();
    QPushButton::mousePressEvent(event);
}

file_names::file_names(int id, int l, const QString& t, QWidget* parent) : QWidget(parent), line(l), text(t)
{
    dialog_exchange::SetControlId(this, id);
    setWindowTitle(line == 1 ? "source_file 1" : "source_file 2");
    setFont(SmallFont());
    setAccessibleName(text);
    setAccessibleDescription(QString("Source %1 file").arg(line));
    setAcceptDrops(true);
}

void file_names::dragEnterEvent(QDragEnterEvent* event)
{
    if (DroppedPaths(event->mimeData(), DroppedKind::Files).size() == 1)
        event->acceptProposedAction();
}

void file_names::dropEvent(QDropEvent* event)
{
    const QStringList paths = DroppedPaths(event->mimeData(), DroppedKind::Files);
    if (paths.size() != 1)
        return;
    event->acceptProposedAction();
    emit pictureDropped(line, paths.first());
}

QString file_names::Shorten(const QString& t)
{
    QString s = t.size() > Limit ? t.right(Limit) : t;
    const int at = s.indexOf('/');
    if (t.size() > Limit && at >= 0)
        s = ".." + s.mid(at);
    return s.left(Stored);
}

void file_names::SetText(int l, const QString& t)
{
    line = l;
    text = Shorten(t);
    setAccessibleName(text);
    update();
}

QColor file_names::Background() const { return line == 1 ? LineOneColour : LineTwoColour; }

void file_names::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Background());
    p.setPen(Qt::black);
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

stats::stats(std::function<QString()> s, std::function<bool()> b, QWidget* parent)
    : QWidget(parent), sizeText(std::move(s)), blending(std::move(b))
{
    dialog_exchange::SetControlId(this, Id);
    setWindowTitle("Status");
    setFont(SmallFont());
    setMouseTracking(true);
}

void stats::Refresh()
{
    const QString size = sizeText();
    setAccessibleName(!size.isEmpty() && blending() ? size + "\n" + WarningText : size);
    update();
}

void stats::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QString size = sizeText();
    if (size.isEmpty()) {
        p.fillRect(rect(), Qt::white);
        p.fillRect(rect(), QBrush(HatchColour, Qt::DiagCrossPattern));
        return;
    }
    p.fillRect(rect(), Qt::white);
    p.setClipRect(rect());
    p.setPen(Qt::black);
    p.drawText(QRect(0, 0, width(), WarningY), Qt::AlignLeft | Qt::AlignTop, size);
    if (blending()) {
        p.setPen(WarningColour);
        p.drawText(QRect(0, WarningY, width(), height() - WarningY), Qt::AlignLeft | Qt::AlignTop, WarningText);
    }
}

void stats::mouseMoveEvent(QMouseEvent* event)
{
    if (hovered)
        hovered();
    QWidget::mouseMoveEvent(event);
}

CClassToolBar::CClassToolBar(int id, QWidget* parent) : QToolBar(parent)
{
    dialog_exchange::SetControlId(this, id);
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(ToolButtonSide, ToolButtonSide));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setStyleSheet("QToolBar { border: none; padding: 0px; spacing: 0px; }"
                  "QToolButton { padding: 1px; margin: 0px; }");
    toggleViewAction()->setVisible(false);
    layout()->setContentsMargins(0, 0, 0, 0);
    layout()->setSpacing(0);
}

QAction* CClassToolBar::AddCommand(int id, const QIcon& picture, const QString& tip)
{
    QAction* action = addAction(picture, tip);
    action->setData(id);
    action->setToolTip(tip);
    action->setStatusTip(tip);
    action->setObjectName(QString("cmd%1").arg(id));
    // Eight buttons share the 215 pixels of the second toolbar. Each is a Tab stop, so the
    // keyboard reaches every command; its tip is its accessible name.
    if (QWidget* button = widgetForAction(action)) {
        button->setFixedSize(ToolButtonSide + 6, ToolButtonSide + 6);
        button->setFocusPolicy(Qt::TabFocus);
    }
    return action;
}

QAction* CClassToolBar::Action(int id) const
{
    for (QAction* a : actions())
        if (a->data().toInt() == id)
            return a;
    return nullptr;
}
