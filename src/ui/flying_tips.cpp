#include "flying_tips.h"

#include <QPainter>
#include <QTimer>

namespace {

const QColor TipBackground(221, 255, 238);
constexpr int TipPointSize = 8;
constexpr int TipOrigin = 100;

QFont TipFont(const QFont& base)
{
    QFont f(base);
    f.setPointSize(TipPointSize);
    return f;
}

}  // namespace

flying_tips::flying_tips(QWidget* view, const QRect& rect) : QWidget(view)
{
    setObjectName("tips");
    setWindowTitle("tips");
    setProperty("controlId", Id);
    setGeometry(rect);
    setFont(TipFont(font()));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    timer = new QTimer(this);
    timer->setInterval(TickMs);
    connect(timer, &QTimer::timeout, this, &flying_tips::OnTimerTick);
    timer->start();
    show();
}

QStringList flying_tips::SplitLines(const QString& text)
{
    QStringList parts = text.split('\n');
    // The line store holds ten lines; the rest of a longer text is not shown.
    while (parts.size() > MaxLines)
        parts.removeLast();
    return parts;
}

void flying_tips::ShowTipText(const QString& text)
{
    lines = SplitLines(text);
    const QFontMetrics fm(font());
    int widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, fm.horizontalAdvance(line));
    lineHeight = fm.height();
    const int n = int(lines.size());
    setGeometry(TipOrigin, TipOrigin, widest + 10, lineHeight * n + 2);
    raise();
    update();
}

void flying_tips::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int w = width(), h = height();
    p.fillRect(0, 0, w, h, TipBackground);
    p.setPen(Qt::black);
    const QFontMetrics fm(font());
    for (int i = 0; i < lines.size(); ++i)
        p.drawText(5, 1 + i * lineHeight + fm.ascent(), lines[i]);
    p.drawPolyline(QPolygon({QPoint(0, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1),
                             QPoint(w - 1, 0), QPoint(0, 0)}));
}

void flying_tips::OnTimerTick()
{
    if (closed)
        return;
    if (++tipTicks > TicksToClose) {
        closed = true;
        timer->stop();
        hide();
    }
}
