#include "clipboard_source.h"

#include <new>
#include <string>
#include <vector>

#include "cbrindordoc.h"
#include "clipboard_dib.h"
#include "engine.h"
#include "settings_tables.h"

namespace {

constexpr const char* HundredPercent = "100";
constexpr int VerticalAxis = 0;
constexpr int HorizontalAxis = 1;

// Sets one scale of source s to 100 through the pane's commit, so the pane shows it; a row that
// already shows 100 commits nothing, so the new picture is placed here instead.
void ResetScale(Engine& engine, SourceIndex s, int axis)
{
    const PropertyId row = ScaleRow(axis, s);
    if (engine.Shown(row) != HundredPercent) {
        engine.CommitNumber(row, HundredPercent);
        return;
    }
    (axis == VerticalAxis ? engine.settings.verticalScale : engine.settings.horizontalScale)[s - 1] = 100;
    engine.UpdateSourceGeometry(s);
    engine.PlaceSource(s);
    engine.ComposeTarget();
}

// A new pasted or blank picture starts at its own size.
void ResetScales(CbrindorDoc& doc, SourceIndex s)
{
    if (Engine* engine = doc.GetEngine()) {
        ResetScale(*engine, s, VerticalAxis);
        ResetScale(*engine, s, HorizontalAxis);
    }
}

// Names the slot, marks it pasted or blank and recomputes with the new picture.
void FinishPictureSource(CbrindorDoc& doc, SourceIndex s, const char* label)
{
    doc.NotifySourceName(s, std::string(label) + std::to_string(s));
    doc.kind[s - 1] = SourceKind::PastedOrBlank;
    doc.path[s - 1].clear();
    doc.RefreshAfterSourceChange();
    doc.NotifyViews();
}

bool GiveUp(CbrindorDoc& doc, SourceIndex s, bool replacing)
{
    if (!replacing)
        doc.AbandonNewSource(SlotChoice{s, false});
    return false;
}

}  // namespace

void CopyTargetToClipboard(CbrindorDoc& doc, Clipboard& clipboard, const TargetImage& target)
{
    if (!clipboard.Open())
        return;
    clipboard.SetBusy(true);
    clipboard.Empty();
    std::vector<uint8_t> block;
    try {
        block = BuildTargetDib(target);
    } catch (const std::bad_alloc&) {
        doc.Show(ClipboardMemoryMessage, PromptKind::Stop);
        clipboard.Close();
        clipboard.SetBusy(false);
        return;
    }
    clipboard.SetDib(std::move(block));
    clipboard.Close();
    clipboard.SetBusy(false);
}

void PasteCommand(CbrindorDoc& doc, Clipboard& clipboard)
{
    if (!clipboard.Open())
        return;
    const bool hasBitmap = clipboard.HasDib();
    clipboard.Close();
    if (!hasBitmap) {
        doc.Show(NoClipboardImageMessage, PromptKind::Stop);
        return;
    }
    const SlotChoice choice = doc.ChooseSlotForNewSource();
    if (!choice.Abandoned())
        PasteSource(doc, clipboard, choice.slot, choice.replacing);
}

bool PasteSource(CbrindorDoc& doc, Clipboard& clipboard, SourceIndex s, bool replacing)
{
    if (!clipboard.Open())
        return GiveUp(doc, s, replacing);
    std::vector<uint8_t> block;
    const bool received = clipboard.GetDib(block);
    clipboard.Close();
    if (!received)
        return GiveUp(doc, s, replacing);
    DecodedPicture picture;
    if (ConvertClipboardImage(block.data(), block.size(), picture.image, picture.width,
                              picture.height) != ClipboardConverted)
        return GiveUp(doc, s, replacing);
    doc.StoreSourcePicture(s, std::move(picture));
    ResetScales(doc, s);
    // A pasted picture arrives upright: both sources lose their rotation.
    if (Engine* engine = doc.GetEngine())
        engine->placement[0].angle = engine->placement[1].angle = 0.0;
    FinishPictureSource(doc, s, "Pasted image Source ");
    return true;
}

void OpenBlankSource(CbrindorDoc& doc)
{
    const SlotChoice choice = doc.ChooseSlotForNewSource();
    if (!choice.Abandoned())
        MakeBlankSource(doc, choice.slot, choice.replacing);
}

bool MakeBlankSource(CbrindorDoc& doc, SourceIndex s, bool replacing)
{
    int width = DefaultBlankWidth;
    int height = DefaultBlankHeight;
    if (const Engine* engine = doc.GetEngine(); engine && engine->CanvasWidth() > 0 && engine->CanvasHeight() > 0) {
        width = engine->CanvasWidth();
        height = engine->CanvasHeight();
    }
    DecodedPicture picture;
    if (!AllocateSourceImage(picture.image, width, height, 24))
        return GiveUp(doc, s, replacing);
    picture.width = width;
    picture.height = height;
    doc.StoreSourcePicture(s, std::move(picture));
    ResetScales(doc, s);
    FinishPictureSource(doc, s, "Blank Source ");
    return true;
}
