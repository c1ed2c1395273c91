#include "engine.h"

void Engine::ApplyPosition(SourceIndex s, int offsetX, int offsetY)
{
    placement[s - 1].offsetX = offsetX;
    placement[s - 1].offsetY = offsetY;
    PlaceAndCompose(s == 1, s == 2);
    if (listener)
        listener->ScrollSourceRequested(s, true);
}

std::pair<int, int> Engine::CornerOffsets(SourceIndex s, int corner) const
{
    const double e = ScaledBoxWidth(s) - CanvasWidth();
    const double f = ScaledBoxHeight(s) - CanvasHeight();
    const bool right = corner == 1 || corner == 3;
    const bool bottom = corner >= 2;
    return {right ? static_cast<int>(e) : 0, bottom ? static_cast<int>(f) : 0};
}

std::pair<int, int> Engine::MiddleOffsets(SourceIndex s, int step) const
{
    const double e = ScaledBoxWidth(s) - CanvasWidth();
    const double f = ScaledBoxHeight(s) - CanvasHeight();
    const int centreX = static_cast<int>(e * 0.5);
    const int centreY = static_cast<int>(f * 0.5);
    switch (step) {
    case 0: return {centreX, centreY};
    case 1: return {centreX, 0};
    case 2: return {centreX, static_cast<int>(f)};
    case 3: return {0, centreY};
    default: return {static_cast<int>(e), centreY};
    }
}

void Engine::ShoveToCorner(int command)
{
    if (!TwoSources() || command < CmdTopLeft1 || command > CmdBottomRight2)
        return;
    const int corner = (command - CmdTopLeft1) % 4;  // top left, top right, bottom left, bottom right
    const SourceIndex s = command - CmdTopLeft1 < 4 ? 1 : 2;
    UpdateSourceGeometry(s);
    const auto [x, y] = CornerOffsets(s, corner);
    ApplyPosition(s, x, y);
}

void Engine::MiddlePreset(SourceIndex s)
{
    if (!TwoSources())
        return;
    int& counter = middleCounter[s - 1];
    const int step = counter;
    counter = (counter + 1) % 5;
    // The button shows what its next press will do.
    if (listener)
        listener->MiddleImageChanged(s, MiddleButtonImage(s));
    UpdateSourceGeometry(s);
    const auto [x, y] = MiddleOffsets(s, step);
    ApplyPosition(s, x, y);
}

void Engine::Juxtapose(SourceIndex left)
{
    if (!TwoSources())
        return;
    ArrangeJuxtaposed(left);
    if (listener)
        listener->ScrollSourceRequested(1, false);
    PlaceAndCompose(true, true);
}

void Engine::ArrangeJuxtaposed(SourceIndex left)
{
    const int W = CanvasWidth();
    const int H = CanvasHeight();
    for (SourceIndex s : {1, 2}) {
        UpdateSourceGeometry(s);
        placement[s - 1].offsetX = placement[s - 1].offsetY = 0;
    }
    for (SourceIndex s : {1, 2}) {
        const SourcePlacement& p = placement[s - 1];
        if (sources.Kind(s) == SourceKind::Text) {
            settings.scaleToTarget[s - 1] = true;
            Show(ScaleToTargetRow(s), TrueText);
        }
        if (settings.scaleToTarget[s - 1]) {
            // The percent at which the box is half the canvas wide, unless it would then be too tall.
            double percent = 50 * W / (p.fitFactorH * p.boxWidth);
            if (p.fitFactorV * percent * p.boxHeight / 100 > H)
                percent = 100;
            settings.horizontalScale[s - 1] = settings.verticalScale[s - 1] = percent;
            const std::string text = std::to_string(static_cast<int>(percent));
            Show(ScaleRow(0, s), text);
            Show(ScaleRow(1, s), text);
        } else {
            settings.horizontalScale[s - 1] = 50;
            Show(ScaleRow(1, s), "50");
        }
    }
    const SourceIndex right = left == 1 ? 2 : 1;
    placement[left - 1].offsetX = static_cast<int>(ScaledBoxWidth(left)) - W / 2;
    placement[left - 1].offsetY = 0;
    placement[right - 1].offsetX = -(W / 2);
    placement[right - 1].offsetY = 0;
}

bool Engine::RunPlacementCommand(int command)
{
    if (command >= CmdTopLeft1 && command <= CmdBottomRight2)
        ShoveToCorner(command);
    else if (command == CmdMiddle1 || command == CmdMiddle2)
        MiddlePreset(command == CmdMiddle1 ? 1 : 2);
    else if (command == CmdJuxtapose12 || command == CmdJuxtapose21)
        Juxtapose(command == CmdJuxtapose12 ? 1 : 2);
    else
        return false;
    return true;
}
