#pragma once
#include <functional>

#include <QPixmap>
#include <QWidget>

// The rotate dialog's angle wheel: a dial with a pointer at the dialog's angle. Pressing or
// dragging on it picks an angle; the small disc in its middle picks nothing.
class wheel : public QWidget {
    Q_OBJECT
public:
    static constexpr int Id = 335;

    // angle reads the dialog's current angle; picked is told each accepted angle.
    wheel(std::function<int()> angle, std::function<void(int)> picked, QWidget* parent = nullptr);
    bool Dragging() const { return dragging; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void PickAt(QPoint p);

    std::function<int()> angle;
    std::function<void(int)> picked;
    QPixmap dial;
    bool dragging = false;
};
