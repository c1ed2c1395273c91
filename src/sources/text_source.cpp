#include "text_source.h"

#include "cbrindordoc.h"
#include "text_font_engine.h"

namespace {

constexpr const char* LineEnd = "\r\n";
constexpr const char* TabAsSpaces = "    ";

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Cuts text to at most `limit` bytes without splitting a CR LF pair or a UTF-8 character.
void CutText(std::string& text, size_t limit)
{
    if (text.size() <= limit)
        return;
    size_t end = limit;
    while (end > 0 && IsContinuationByte(text[end]))
        --end;
    if (end > 0 && text[end] == '\n' && text[end - 1] == '\r')
        --end;
    text.resize(end);
}

// The stored form of edit text: lines separated by CR LF, whatever the edit box used.
std::string StoredLines(std::string_view editText, bool tabsAsSpaces)
{
    std::string stored;
    stored.reserve(editText.size() + editText.size() / 8);
    for (size_t i = 0; i < editText.size(); ++i) {
        const char c = editText[i];
        if (c == '\n' && (i == 0 || editText[i - 1] != '\r'))
            stored += '\r';
        if (c == '\t' && tabsAsSpaces)
            stored += TabAsSpaces;
        else
            stored += c;
    }
    CutText(stored, MaxTextEntryChars);
    return stored;
}

// The edit box's form of stored text: lines separated by '\n'.
std::string EditLines(std::string_view stored)
{
    std::string edit;
    edit.reserve(stored.size());
    for (size_t i = 0; i < stored.size(); ++i)
        if (!(stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n'))
            edit += stored[i];
    return edit;
}

std::string SourceLabel(const char* what, SourceIndex s) { return std::string(what) + std::to_string(s); }

// What every text source does once the dialog closed with "Ok".
void FinishTextSource(CbrindorDoc& doc, SourceIndex s)
{
    doc.NotifySourceName(s, SourceLabel("TEXT Source ", s));
    doc.path[s - 1].clear();
    doc.RefreshAfterSourceChange();
}

}  // namespace

std::string OpenTextEntry(CbrindorDoc& doc, SourceIndex s)
{
    std::string& text = doc.text[s - 1];
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, LineEnd) == 0)
        text.resize(text.size() - 2);
    return EditLines(text);
}

void CommitTextEntry(CbrindorDoc& doc, FontEngine& fonts, TextEntryState& entry,
                     std::string_view editText, bool transparent)
{
    const SourceIndex s = entry.slot;
    std::string text = StoredLines(editText, false);
    if (text.empty())
        text = EmptyTextBoxText;
    doc.text[s - 1] = text + LineEnd;
    if (entry.replacing)
        ReleaseSourceImage(doc.image[s - 1]);
    entry.replacing = true;
    if (RenderTextSource(doc, fonts, s, transparent))
        return;
    DecodedPicture square;
    AllocateSourceImage(square.image, FallbackTextSide, FallbackTextSide, 24);
    square.width = FallbackTextSide;
    square.height = FallbackTextSide;
    doc.StoreSourcePicture(s, std::move(square));
    doc.kind[s - 1] = SourceKind::Text;
}

void TryTextEntry(CbrindorDoc& doc, FontEngine& fonts, TextEntryState& entry,
                  std::string_view editText, bool transparent)
{
    CommitTextEntry(doc, fonts, entry, editText, transparent);
    doc.RefreshAfterSourceChange();
}

void ZapTextEntry(CbrindorDoc& doc, SourceIndex s) { doc.text[s - 1].clear(); }

std::string PasteTextEntry(CbrindorDoc& doc, SourceIndex s, std::string_view editText)
{
    doc.text[s - 1] = StoredLines(editText, true);
    return EditLines(doc.text[s - 1]);
}

void ApplyFontChoice(TextSourceStyle& style, const LOGFONT* chosen, uint32_t chooserColour)
{
    if (chosen)
        style.font = *chosen;
    style.textColour = chooserColour;
}

void ApplyBackgroundChoice(TextSourceStyle& style, bool accepted, uint32_t chosen)
{
    if (accepted)
        style.backgroundColour = chosen;
}

void OpenTextSource(CbrindorDoc& doc, TextEntryRunner& dialog)
{
    const SlotChoice choice = doc.ChooseSlotForNewSource();
    if (choice.Abandoned())
        return;
    if (!dialog.RunTextEntry(choice.slot, choice.replacing)) {
        doc.AbandonNewSource(choice);
        return;
    }
    FinishTextSource(doc, choice.slot);
    doc.NotifyViews();
}

void ChangeTextSource(CbrindorDoc& doc, TextEntryRunner& dialog, SourceIndex s)
{
    if (dialog.RunTextEntry(s, true))
        FinishTextSource(doc, s);
}
