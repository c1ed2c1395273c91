#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// A font described as the desktop's logical-font record (ANSI form, 60 bytes): what the font
// chooser fills in and the font engine turns into a font.
struct LOGFONT {
    int32_t height = -27;  // negative: character height in pixels; positive: cell height
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 400;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    char faceName[32] = "Times New Roman";
};
static_assert(sizeof(LOGFONT) == 60);

// The font and the two colours both text sources share. Colours are 0x00BBGGRR.
struct TextSourceStyle {
    LOGFONT font;
    uint32_t textColour = 0xFFFFFF;
    uint32_t backgroundColour = 0x000000;
};

// Bytes of a slot's stored text, terminator included.
constexpr int SlotTextSize = 8192;
// Characters of typed text a slot keeps; the line end and the terminator take the rest.
constexpr int MaxTextEntryChars = 8187;
