#pragma once
#include <functional>

#include <QDialog>

class Prompts;
class QCheckBox;
class QLineEdit;

// "Target Image Size": the canvas width and height, shown from the settings and, on OK,
// placed in the view at once and stored for the next start.
class canvas_size : public QDialog {
    Q_OBJECT
public:
    static constexpr int TemplateId = 347;
    static constexpr int WidthId = 1031;
    static constexpr int HeightId = 1032;
    static constexpr int MinSide = 100;

    // What the dialog reaches outside itself.
    struct Hooks {
        std::function<int(const char* key, int fallback)> readSetting;  // section "Configure"
        std::function<void(const char* key, int value)> writeSetting;   // section "Configure"
        std::function<void(int width, int height)> placeCanvasRect;
        std::function<void()> scrollTarget;  // command 32806 to the properties pane
        // The canvas takes source 2's size; false when source 2 is too large (and said so).
        std::function<bool()> followSource2;
    };

    canvas_size(Hooks hooks, Prompts& prompts, QWidget* parent = nullptr);

    int TargetWidth() const { return width; }
    int TargetHeight() const { return height; }
    bool FollowsSource2() const;

    // The stored choice of a canvas that follows source 2's size.
    static constexpr char FollowKey[] = "canvas_follows_source2";

public slots:
    void accept() override;

private:
    Hooks hooks;
    Prompts& prompts;
    int width = 0;
    int height = 0;
    QLineEdit* widthEdit = nullptr;
    QLineEdit* heightEdit = nullptr;
    QCheckBox* followSource2 = nullptr;
};
