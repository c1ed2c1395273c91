#pragma once
#include <QDialog>

#include "rotate_angle.h"

class Prompts;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class wheel;

// "Rotate Source": turns source 1 or 2 by whole degrees, typed or picked on the wheel, with a
// quick preview at once and the full-quality placement when the dialog goes idle.
class rotate : public QDialog {
    Q_OBJECT
public:
    static constexpr int TemplateId = 334;
    enum ControlIds { SelectOneId = 1008, SelectTwoId = 1010, AngleEditId = 1005, ApplyId = 1006, FrameId = 1004 };

    rotate(Engine& engine, Prompts& prompts, QWidget* parent = nullptr);

    int AngleEdit() const { return angleEdit; }
    int SelectedSource() const { return selectedSource; }
    // One idle moment of the dialog's loop; tests call it directly.
    void OnIdle();
    bool IdleWorkPending() const { return preview.WorkPending(); }

public slots:
    void accept() override;
    void reject() override;

private:
    void OnWheelPicked(int angle);
    void OnApply();
    void OnSelect(int source);
    bool ReadControls();
    void ReadControlsQuietly();
    void ShowAngle();
    void ArmIdle();

    Prompts& prompts;
    rotate_preview preview;
    int angleEdit = 0;
    int selectedSource = 0;  // 0 for source 1, 1 for source 2

    QRadioButton* selectOne = nullptr;
    QRadioButton* selectTwo = nullptr;
    QLineEdit* edit = nullptr;
    QPushButton* apply = nullptr;
    wheel* dial = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QTimer* idle = nullptr;
};
