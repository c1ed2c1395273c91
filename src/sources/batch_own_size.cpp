#include "batch_own_size.h"

MarkAnchor FindMarkAnchor(const Engine& engine, SourceIndex s)
{
    const SourcePlacement& p = engine.placement[s - 1];
    const std::pair<int, int> now{p.offsetX, p.offsetY};
    MarkAnchor anchor;
    for (int corner = 0; corner < 4 && !anchor.Any(); ++corner)
        if (engine.CornerOffsets(s, corner) == now)
            anchor.corner = corner;
    for (int step = 0; step < 5 && !anchor.Any(); ++step)
        if (engine.MiddleOffsets(s, step) == now)
            anchor.middle = step;
    return anchor;
}

bool FitCanvasToSource2(Engine& engine, const std::string& name, std::string& error)
{
    const SourceView& sources = engine.Sources();
    const int w = sources.Width(2), h = sources.Height(2);
    if (!CanvasWithinBudget(w, h)) {
        error = CanvasTooLargeText(name, w, h);
        return false;
    }
    engine.SetCanvasLimit(MaxOwnCanvasSide, MaxOwnCanvasSide);
    CanvasRect& r = engine.canvasRect;
    r.right = r.left + w;
    r.bottom = r.top + h;
    engine.UpdateSourceGeometry(2);
    engine.UpdateSourceGeometry(1);
    return true;
}

void ApplyMarkAnchor(Engine& engine, SourceIndex s, const MarkAnchor& anchor)
{
    if (!anchor.Any())
        return;
    const auto [x, y] = anchor.corner >= 0 ? engine.CornerOffsets(s, anchor.corner)
                                           : engine.MiddleOffsets(s, anchor.middle);
    engine.placement[s - 1].offsetX = x;
    engine.placement[s - 1].offsetY = y;
}
