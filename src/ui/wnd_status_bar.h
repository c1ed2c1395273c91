#pragma once
#include <QColor>
#include <QStatusBar>

class CbrindorDoc;
class CbrindorView;
class QTimer;
class QToolButton;

// One pane of the status bar: a text, an optional background colour and the blue marker.
class status_pane : public QWidget {
    Q_OBJECT
public:
    status_pane(int id, int width, const QString& text, QWidget* parent = nullptr);
    int Id() const { return paneId; }
    QString Text() const { return text; }
    void SetText(const QString& t);
    // Draws the pane with its own colour and text, or the plain resource look when invalid.
    void SetPainted(const QString& paintedText, QColor background, bool marker);
    void SetPlain();
    bool Painted() const { return painted; }
    bool HasMarker() const { return marker; }
    QColor Background() const { return background; }
    QString ShownText() const { return painted ? paintedText : text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Repaints, and tells screen readers what changed since `before` was shown.
    void Changed(const QString& before, bool markerBefore);

    int paneId;
    QString text;
    QString paintedText;
    QColor background;
    bool painted = false;
    bool marker = false;
};

// The status bar: the message pane and the three view-source panes that, with both sources
// loaded, show source 1 or 2 alone under the pointer and return to the target two seconds
// after the pointer stops; the last pane carries the batch counter.
class wnd_status_bar : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int Id = 59393;
    static constexpr int TimerId = 1;
    static constexpr int TickMs = 200;
    static constexpr int TicksToReturn = 10;

    wnd_status_bar(CbrindorDoc& doc, QWidget* parent = nullptr);
    void SetView(CbrindorView* v) { view = v; }

    // Pane 0..4 (ids 0, 146, 147, 148, 145).
    status_pane* Pane(int index) const { return panes[index]; }
    void SetMessageText(const QString& text);
    QString MessageText() const;
    // The view's zoom ("50 %"), empty while there is no target; a click toggles fit and 100 %.
    void SetZoomText(const QString& text);
    QString ZoomText() const;

    void PaintSourcePanes(int marked);
    void StartTimer();
    bool TimerActive() const;
    // One tick of the 200 ms timer (tests call it directly).
    void OnTimerTick();
    // Pointer movement at x over the status bar.
    void OnPointerMove(int x);
    int IdleTicks() const { return idleTicks; }

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    CbrindorDoc& doc;
    CbrindorView* view = nullptr;
    status_pane* panes[5] = {};
    QTimer* timer = nullptr;
    QToolButton* zoom = nullptr;
    int idleTicks = 0;
};
