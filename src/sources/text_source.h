#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "merge_settings.h"

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

class CbrindorDoc;
class FontEngine;

constexpr const char* FontProblemMessage = "Problem with font generation ?";
constexpr const char* TextOutOfMemoryMessage = "Out of memory";
constexpr const char* EmptyTextBoxText = "Empty text box";
// The colour the background chooser opens with (red).
constexpr uint32_t BackgroundChooserStart = 0x0000FF;
// Lines of a text source that are measured and drawn; the rest is cut off.
constexpr int MaxTextLines = 100;
// Picture size cap in pixels: the 1-bit surface fits 2 MiB.
constexpr int64_t MaxTextPixels = int64_t(1) << 24;
// The square a text source falls back to when it cannot be rendered.
constexpr int FallbackTextSide = 120;

// The text dialog's document side: the slot it edits and whether a commit replaces that slot's
// picture (true after the first commit, so "Try Text" then "Ok" releases the tried picture).
struct TextEntryState {
    SourceIndex slot = 1;
    bool replacing = false;
};

// Runs the text dialog modally for a slot; true when it closed with "Ok".
class TextEntryRunner {
public:
    virtual ~TextEntryRunner() = default;
    virtual bool RunTextEntry(SourceIndex s, bool replacing) = 0;
};

// Opening the dialog: drops the line end that closes the slot's stored text and returns the text
// for the edit box, lines separated by '\n'.
std::string OpenTextEntry(CbrindorDoc& doc, SourceIndex s);
// "Ok" and "Try Text": the edit text (lines separated by '\n' or CR LF) becomes the slot's text,
// rendered into the slot; a failed rendering leaves a 120 x 120 black square.
void CommitTextEntry(CbrindorDoc& doc, FontEngine& fonts, TextEntryState& entry,
                     std::string_view editText, bool transparent);
// "Try Text": commit, then recompute with the new picture; the dialog stays open.
void TryTextEntry(CbrindorDoc& doc, FontEngine& fonts, TextEntryState& entry,
                  std::string_view editText, bool transparent);
// "Zap Text": the slot's stored text and the edit box become empty.
void ZapTextEntry(CbrindorDoc& doc, SourceIndex s);
// "Paste text", after the edit box pasted at its caret: stores the edit text with every tab as
// four spaces, cut to 8187 characters, and returns what the edit box shows.
std::string PasteTextEntry(CbrindorDoc& doc, SourceIndex s, std::string_view editText);
// "Set Font": a chosen font replaces the style's (null when the chooser was cancelled); the text
// colour takes the chooser's colour value either way.
void ApplyFontChoice(TextSourceStyle& style, const LOGFONT* chosen, uint32_t chooserColour);
// "Bk Gnd Color": a chosen colour becomes the background; cancelling keeps the previous one.
void ApplyBackgroundChoice(TextSourceStyle& style, bool accepted, uint32_t chosen);

// Renders the slot's text with the document's style into the slot. Fails after "Problem with
// font generation ?" or "Out of memory", or silently when the text measures to no height.
bool RenderTextSource(CbrindorDoc& doc, FontEngine& fonts, SourceIndex s, bool transparent);

// "Open text" and "Load text": a new text source in the slot ChooseSlotForNewSource gives.
void OpenTextSource(CbrindorDoc& doc, TextEntryRunner& dialog);
// Change Source "New (or change) text" for a filled slot.
void ChangeTextSource(CbrindorDoc& doc, TextEntryRunner& dialog, SourceIndex s);
