#pragma once
#include <QFont>

#include "text_font_engine.h"

// The font engine on Qt Gui: fonts from the system's font database, drawn without
// antialiasing onto a monochrome image. Needs a QGuiApplication (offscreen is enough).
class QtFontEngine : public FontEngine {
public:
    bool MakeFont(const LOGFONT& font) override;
    TextExtent MeasureLine(std::string_view line) override;
    void DrawText(std::string_view text, int width, int height, int left, int top, int right,
                  int bottom, uint8_t* bits) override;

    // The Qt font a description maps to; false without a QGuiApplication or for an absurd size.
    static bool ToQFont(const LOGFONT& font, QFont& result);
    // The description of a font the font chooser returned; its size becomes a character height
    // in pixels (points at 96 dpi).
    static LOGFONT FromQFont(const QFont& font);

private:
    QFont current;
    bool made = false;
};
