#pragma once
#include <string>

#include "engine.h"

// Where the mark sits on the canvas, as a placement preset: kept for every picture of a batch
// whose canvas follows each picture's own size.
struct MarkAnchor {
    int corner = -1;  // 0..3: top left, top right, bottom left, bottom right
    int middle = -1;  // 0..4: centre, centre top, centre bottom, left centre, right centre
    bool Any() const { return corner >= 0 || middle >= 0; }
};

// The preset whose position source s has now, if any; corners before middle positions.
MarkAnchor FindMarkAnchor(const Engine& engine, SourceIndex s);

// Makes the canvas source 2's size, raising the canvas limit, and updates both sources'
// geometry; then puts source s at its anchor again, if it has one. False, with the message
// naming `name`, when the picture is beyond the largest target; the engine is left unchanged.
bool FitCanvasToSource2(Engine& engine, const std::string& name, std::string& error);
void ApplyMarkAnchor(Engine& engine, SourceIndex s, const MarkAnchor& anchor);
