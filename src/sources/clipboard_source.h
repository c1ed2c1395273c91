#pragma once
#include "clipboard_port.h"
#include "merge_settings.h"

class CbrindorDoc;
struct TargetImage;

constexpr const char* ClipboardMemoryMessage = "Failed to allocate memory for the clipboard?";
constexpr const char* NoClipboardImageMessage = "No image in the clipboard to retrieve?";
// Canvas size a blank source takes when no engine is wired (the default canvas).
constexpr int DefaultBlankWidth = 1024;
constexpr int DefaultBlankHeight = 768;

// The copy command: the target as a 24-bit CF_DIB block.
void CopyTargetToClipboard(CbrindorDoc& doc, Clipboard& clipboard, const TargetImage& target);
// The paste command: checks for a bitmap, chooses a slot and pastes into it.
void PasteCommand(CbrindorDoc& doc, Clipboard& clipboard);
// Fills slot s from the clipboard's bitmap. The slot changes only when the picture converts;
// otherwise a replaced slot keeps its picture and a first fill gives its count back.
bool PasteSource(CbrindorDoc& doc, Clipboard& clipboard, SourceIndex s, bool replacing);
// "Open Blank Source": chooses a slot and fills it with a black picture of the canvas size.
void OpenBlankSource(CbrindorDoc& doc);
bool MakeBlankSource(CbrindorDoc& doc, SourceIndex s, bool replacing);
