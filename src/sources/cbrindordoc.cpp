#include "cbrindordoc.h"

#include <algorithm>

namespace {

constexpr const char* ReplaceChoiceText =
    "No more than two source images allowed.\nYou have the choice to replace one of them.";

}  // namespace

const uint8_t* CbrindorDoc::Pixels(SourceIndex s) const
{
    const uint8_t* dib = image[s - 1].dib;
    if (!dib)
        return nullptr;
    // The pixels follow the header and, below 24 bits, the palette.
    const int bits = DibBitCount(dib);
    return dib + SourceHeaderSize + (bits < 24 ? 4 << bits : 0);
}

int CbrindorDoc::Stride(SourceIndex s) const
{
    return int(SourceRowSize(sourceWidth[s - 1], 24));
}

const uint8_t* CbrindorDoc::Mask(SourceIndex s) const { return image[s - 1].mask; }

SlotChoice CbrindorDoc::ChooseSlotForNewSource()
{
    ++sourceCount;
    if (sourceCount <= 2)
        return {sourceCount, false};
    sourceCount = 2;
    const SourceIndex chosen = slotChooser ? slotChooser->ChooseSlotToReplace(ReplaceChoiceText) : 0;
    if (chosen != 1 && chosen != 2)
        return {};
    return {chosen, true};
}

void CbrindorDoc::AbandonNewSource(const SlotChoice& choice)
{
    if (!choice.Abandoned() && !choice.replacing && sourceCount > 0)
        --sourceCount;
}

void CbrindorDoc::StoreSourcePicture(SourceIndex s, DecodedPicture&& picture)
{
    image[s - 1] = std::move(picture.image);
    sourceWidth[s - 1] = picture.width;
    sourceHeight[s - 1] = picture.height;
    metadata[s - 1] = std::move(picture.metadata);
}

void CbrindorDoc::CopySlotText(std::string& into, const std::string& from)
{
    into.assign(from, 0, std::min(from.size(), MaxSlotText));
}

void CbrindorDoc::Show(const std::string& message, PromptKind kindOfBox) const
{
    if (prompts)
        prompts->Show(message, kindOfBox);
}

bool CbrindorDoc::Ask(const std::string& question) const { return prompts && prompts->Ask(question); }

void CbrindorDoc::NotifySourceName(SourceIndex s, const std::string& name) const
{
    if (listener)
        listener->SourceNameChanged(s, name);
}

void CbrindorDoc::NotifyViews() const
{
    if (listener)
        listener->ViewsNeedUpdate();
}
