#include <algorithm>
#include <cmath>

#include "engine.h"

int Engine::CanvasWidth() const { return std::clamp(canvasRect.Width(), 0, limitWidth); }

int Engine::CanvasHeight() const { return std::clamp(canvasRect.Height(), 0, limitHeight); }

CanvasRect Engine::CentredCanvas(int width, int height, int clientWidth, int clientHeight)
{
    CanvasRect r;
    r.left = width < clientWidth ? (clientWidth - width) / 2 : 0;
    r.top = height < clientHeight ? (clientHeight - height) / 2 : 0;
    r.right = r.left + width;
    r.bottom = r.top + height;
    return r;
}

void Engine::SetCanvasSize(int width, int height, int clientWidth, int clientHeight)
{
    canvasRect = CentredCanvas(width, height, clientWidth, clientHeight);
    RecomputeAll();
}

void Engine::Recentre(int clientWidth, int clientHeight)
{
    canvasRect = CentredCanvas(canvasRect.Width(), canvasRect.Height(), clientWidth, clientHeight);
}

void Engine::UseWholeClientArea(int clientWidth, int clientHeight)
{
    canvasRect = CanvasRect{0, 0, clientWidth, clientHeight};
}

void Engine::RecomputeAll()
{
    UpdateSourceGeometry(2);
    UpdateSourceGeometry(1);
    PlaceAndCompose(true, true);
}

void Engine::UpdateSourceGeometry(SourceIndex s)
{
    const int srcW = sources.Width(s);
    const int srcH = sources.Height(s);
    if (!TwoSources() || srcW < 1 || srcH < 1)
        return;
    SourcePlacement& p = placement[s - 1];
    const double theta = p.angle * DegreesToRadians;
    const double sinA = std::fabs(std::sin(theta));
    const double cosA = std::fabs(std::cos(theta));
    p.boxWidth = static_cast<int>(srcW * cosA + srcH * sinA);
    p.boxHeight = static_cast<int>(srcW * sinA + srcH * cosA);
    if (sources.Kind(s) != SourceKind::Text && settings.scaleToTarget[s - 1]) {
        const double fH = static_cast<double>(CanvasWidth()) / srcW;
        const double fV = static_cast<double>(CanvasHeight()) / srcH;
        p.fitFactorH = p.fitFactorV = fV <= fH ? fV : fH;
    } else {
        p.fitFactorH = p.fitFactorV = 1.0;
    }
}

double Engine::ScaledBoxWidth(SourceIndex s) const
{
    const SourcePlacement& p = placement[s - 1];
    return p.fitFactorH * settings.horizontalScale[s - 1] * p.boxWidth / 100;
}

double Engine::ScaledBoxHeight(SourceIndex s) const
{
    const SourcePlacement& p = placement[s - 1];
    return p.fitFactorV * settings.verticalScale[s - 1] * p.boxHeight / 100;
}

std::pair<int, int> Engine::CentreOffsets(SourceIndex s) const
{
    const int x = static_cast<int>((ScaledBoxWidth(s) - CanvasWidth()) * 0.5);
    const int y = static_cast<int>((ScaledBoxHeight(s) - CanvasHeight()) * 0.5);
    return {x, y};
}

RotationAnchor Engine::AnchorForRotation(SourceIndex s) const
{
    const auto [cx, cy] = CentreOffsets(s);
    return RotationAnchor{placement[s - 1].offsetX, placement[s - 1].offsetY, cx, cy};
}

void Engine::TurnSource(SourceIndex s, double angle, const RotationAnchor& anchor)
{
    SourcePlacement& p = placement[s - 1];
    p.angle = angle;
    UpdateSourceGeometry(s);
    const auto [cx, cy] = CentreOffsets(s);
    p.offsetX = anchor.offsetX + cx - anchor.centreX;
    p.offsetY = anchor.offsetY + cy - anchor.centreY;
}

void Engine::RotateSource(SourceIndex s, double angle, const RotationAnchor& anchor)
{
    TurnSource(s, angle, anchor);
    PlaceAndCompose(s == 1, s == 2);
}

void Engine::MoveSource(SourceIndex s, int offsetX, int offsetY)
{
    placement[s - 1].offsetX = offsetX;
    placement[s - 1].offsetY = offsetY;
    PlaceAndCompose(s == 1, s == 2);
}

bool Engine::FinishQuickPreview()
{
    if (!quickPreview || !TwoSources())
        return false;
    quickPreview = false;
    PlaceAndCompose(true, true);
    return true;
}

void Engine::SetBaseColour(Bgr colour)
{
    settings.baseColour = colour;
    PlaceAndCompose(true, true);
}
