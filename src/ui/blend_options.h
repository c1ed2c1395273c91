#pragma once
#include <QDialog>

#include "blend.h"
#include "engine.h"

class QCheckBox;
class QLabel;

// "blend_options": the shape of the local blend. Every click takes effect at once; OK also
// starts the zone's blending afresh.
class blend_options : public QDialog {
    Q_OBJECT
public:
    explicit blend_options(BlendZone& zone, QWidget* parent = nullptr);
    QString ShapeText() const;

public slots:
    void accept() override;

private:
    void OnSmooth();
    void OnRectangle();

    void ShowState();

    BlendZone& zone;
    BlendOptionsState state;
    QCheckBox* smooth = nullptr;
    QCheckBox* rectangle = nullptr;
    QLabel* shape = nullptr;
};
