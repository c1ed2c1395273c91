#pragma once
#include <QStringList>
#include <QWidget>

class QTimer;

// A small explanatory text window over the view, opened by the pane's controls; it closes
// itself ten seconds after it opened. The view deletes the object on the next mouse movement.
class flying_tips : public QWidget {
    Q_OBJECT
public:
    static constexpr int Id = 149;
    static constexpr int TimerId = 2;
    static constexpr int TickMs = 1000;
    static constexpr int MaxLines = 10;
    static constexpr int TicksToClose = 9;  // closes when the count exceeds this

    // Created visible at rect; ShowTipText moves it to its own place.
    flying_tips(QWidget* view, const QRect& rect);

    void ShowTipText(const QString& text);
    QStringList Lines() const { return lines; }
    int LineHeight() const { return lineHeight; }
    // One tick of the one-second timer (tests call it directly).
    void OnTimerTick();
    int TipTicks() const { return tipTicks; }
    bool WindowClosed() const { return closed; }

    // Lines of a tip text: split at each newline, at most MaxLines.
    static QStringList SplitLines(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList lines;
    int lineHeight = 0;
    int tipTicks = 0;
    bool closed = false;
    QTimer* timer = nullptr;
};
