#include "cbrindordoc.h"

#include "engine.h"

void CbrindorDoc::RefreshAfterSourceChange()
{
    if (listener)
        listener->StartButtonsNeeded(sourceCount < 2);
    if (sourceCount != 2 || !engine)
        return;
    engine->UpdateSourceGeometry(1);
    engine->UpdateSourceGeometry(2);
    engine->PlaceSource(1);
    engine->PlaceSource(2);
    engine->ComposeTarget();
}
