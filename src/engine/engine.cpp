#include "engine.h"

Engine::Engine(const SourceView& view)
    : sources(view)
{
    for (const PropertyRow& row : PropertyTable) {
        shown[static_cast<int>(row.id)] = row.shownDefault;
        enabled[static_cast<int>(row.id)] = row.enabledAtStart;
    }
}
