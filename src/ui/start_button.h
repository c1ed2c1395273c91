#pragma once
#include <QPushButton>

enum class StartButtonFace { LoadImage, LoadText, PasteImage };

// One of the view's three big start buttons: an 80 x 48 picture with a raised face and a
// pressed face, no caption of its own.
class start_button : public QPushButton {
    Q_OBJECT
public:
    start_button(StartButtonFace face, QWidget* parent = nullptr);
    // The face picture, raised or pressed, drawn for `scale` device pixels per pixel.
    static QImage Face(StartButtonFace face, bool pressed, qreal scale = 1);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StartButtonFace face;
};
