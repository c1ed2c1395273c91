#pragma once
#include <QDialog>

#include "engine.h"

class QCheckBox;
class QLabel;

// "blend_options": the shape of the local blend. Every click takes effect at once; OK also
// starts the zone's blending afresh.
class blend_options : public QDialog {
    Q_OBJECT
public:
    static constexpr char SmoothText[] = "Smooth Elliptical Blend";
    static constexpr char EllipseText[] = "Elliptical Blend but not smooth to the edge.";
    static constexpr char RectangleText[] = "Unsmooth blend in the rectangular zone.";

    explicit blend_options(BlendZone& zone, QWidget* parent = nullptr);
    QString ShapeText() const;

public slots:
    void accept() override;

private:
    void OnSmooth();
    void OnRectangle();

    BlendZone& zone;
    QCheckBox* smooth = nullptr;
    QCheckBox* rectangle = nullptr;
    QLabel* shape = nullptr;
};
