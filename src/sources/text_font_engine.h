#pragma once
#include <cstdint>
#include <string_view>

#include "text_source.h"

// Size of one measured line in pixels.
struct TextExtent {
    int width = 0;
    int height = 0;
};

// Measures and draws text in one font described by a LOGFONT. Extents and drawn glyphs are in
// pixels of the same font, so a picture sized from the extents holds the drawing.
class FontEngine {
public:
    virtual ~FontEngine() = default;
    // Makes the current font; false when the description gives no usable font.
    virtual bool MakeFont(const LOGFONT& font) = 0;
    // Extent of one line (no line breaks; tabs expanded) in the current font.
    virtual TextExtent MeasureLine(std::string_view line) = 0;
    // Draws `text` (lines ended by CR LF or LF, tabs expanded) left-aligned from the top into
    // the rectangle [left, right) x [top, bottom), clipped to it, on a 1-bit surface of
    // width x height pixels that starts all 0. `bits` receives the surface: rows from the top,
    // width / 8 bytes each (width is a multiple of 8), most significant bit first, 1 = glyph.
    virtual void DrawText(std::string_view text, int width, int height, int left, int top,
                          int right, int bottom, uint8_t* bits) = 0;
};
