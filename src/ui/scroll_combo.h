#pragma once
#include <functional>

#include <QComboBox>

// The pane's scroll-mode selector: what scrolling and right-dragging move.
class scroll_combo : public QComboBox {
    Q_OBJECT
public:
    static constexpr int Id = 196;

    explicit scroll_combo(QWidget* parent = nullptr);
    // Told of pointer movements over the selector (its flying tip).
    std::function<void()> hovered;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};
