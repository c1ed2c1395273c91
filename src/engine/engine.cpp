#include "engine.h"

Engine::Engine(const SourceView& view) : sources(view) {}
