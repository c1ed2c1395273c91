#pragma once
// A font engine with predictable metrics for the text tests: every character is
// |height| / 3 pixels wide (at least 1), a line is |height| + 4 pixels high, and each
// character other than a space draws a solid box inset by one pixel on each side.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "text_font_engine.h"

class FakeFontEngine : public FontEngine {
public:
    bool failMake = false;
    bool zeroHeight = false;
    std::vector<int> madeHeights;
    std::vector<std::string> measured;

    int CharWidth() const { return std::max(1, std::abs(height) / 3); }
    int LineHeight() const { return zeroHeight ? 0 : std::abs(height) + 4; }

    bool MakeFont(const LOGFONT& font) override
    {
        madeHeights.push_back(font.height);
        height = font.height;
        return !failMake;
    }
    TextExtent MeasureLine(std::string_view line) override
    {
        measured.emplace_back(line);
        return {int(line.size()) * CharWidth(), LineHeight()};
    }
    void DrawText(std::string_view text, int width, int h, int left, int top, int right, int bottom,
                  uint8_t* bits) override
    {
        const size_t rowBytes = size_t(width / 8);
        std::memset(bits, 0, rowBytes * size_t(h));
        int line = 0;
        int column = 0;
        for (char c : text) {
            if (c == '\n') { ++line; column = 0; continue; }
            if (c == '\r') continue;
            if (c != ' ') {
                const int x0 = left + column * CharWidth() + 1;
                const int y0 = top + line * LineHeight() + 1;
                for (int y = y0; y < y0 + LineHeight() - 2; ++y)
                    for (int x = x0; x < x0 + CharWidth() - 2; ++x)
                        if (x < right && y < bottom && x < width && y < h)
                            bits[size_t(y) * rowBytes + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
            }
            ++column;
        }
    }

private:
    int height = 0;
};
