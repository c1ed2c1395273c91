#include <cstdio>

#include "cbrindordoc.h"
#include "file_rules.h"

namespace {

constexpr const char* ConfigureSection = "Configure";
constexpr const char* LastOpenDirectoryKey = "Last Open Directory";
constexpr const char* LastOpenExtensionKey = "Last Open Extension";
constexpr const char* UnableToLoadMessage = "Unable to load this image file";

std::string OpenFailureMessage(const std::string& filePath)
{
    return "Cannot open the file \"" + filePath + "\" for reading.";
}

}  // namespace

FileDialogResult CbrindorDoc::RunRememberedDialog(bool save, const char* filterText, const char* folderKey,
                                                  const char* extensionKey)
{
    FileDialogRequest request;
    request.filters = ParseFilterText(filterText);
    if (settings) {
        request.initialFolder = settings->ReadString(ConfigureSection, folderKey, "");
        request.filterIndex = settings->ReadInt(ConfigureSection, extensionKey, 0);
    }
    const FileDialogResult result = save ? fileDialogs->SaveFile(request) : fileDialogs->OpenFile(request);
    if (result.accepted && settings) {
        settings->WriteInt(ConfigureSection, extensionKey, result.filterIndex);
        settings->WriteString(ConfigureSection, folderKey, FolderOf(result.path));
    }
    return result;
}

std::string CbrindorDoc::ShowOpenImageDialog()
{
    if (!fileDialogs)
        return {};
    const FileDialogResult result =
        RunRememberedDialog(false, OpenFilterText, LastOpenDirectoryKey, LastOpenExtensionKey);
    return result.accepted ? result.path : std::string();
}

bool CbrindorDoc::OpenDocument(const std::string& filePath)
{
    if (!documentPath.empty() && LowerCase(filePath) == LowerCase(documentPath))
        return false;
    if (!OpenSourceFile(filePath))
        return false;
    documentPath = filePath;
    if (listener) {
        listener->DocumentOpened(filePath);
        listener->TitleCleared();
    }
    return true;
}

bool CbrindorDoc::OpenSourceFile(const std::string& filePath)
{
    const SlotChoice choice = ChooseSlotForNewSource();
    if (choice.Abandoned())
        return false;
    failureReason.clear();
    if (!CanOpenForReading(filePath, failureReason)) {
        Show(OpenFailureMessage(filePath), PromptKind::Stop);
        AbandonNewSource(choice);
        return false;
    }
    // Decode into a fresh picture: a file that fails leaves the slot as it was.
    DecodedPicture picture;
    if (!DecodeFile(filePath, picture)) {
        Show(UnableToLoadMessage, PromptKind::Plain);
        AbandonNewSource(choice);
        return false;
    }
    const SourceIndex s = choice.slot;
    StoreSourcePicture(s, std::move(picture));
    CopySlotText(path[s - 1], filePath);
    kind[s - 1] = SourceKind::ImageFile;
    NotifySourceName(s, path[s - 1]);
    return true;
}

bool CbrindorDoc::LoadSourceFile(SourceIndex s, const std::string& filePath)
{
    return LoadSourceFileShown(s, filePath, filePath);
}

bool CbrindorDoc::LoadSourceFileShown(SourceIndex s, const std::string& filePath, const std::string& shownPath)
{
    failureReason.clear();
    if (filePath.empty())
        return false;
    if (!CanOpenForReading(filePath, failureReason)) {
        Show(OpenFailureMessage(shownPath), PromptKind::Stop);
        return false;
    }
    DecodedPicture picture;
    if (!DecodeFile(filePath, picture)) {
        Show(UnableToLoadMessage, PromptKind::Plain);
        return false;
    }
    StoreSourcePicture(s, std::move(picture));
    kind[s - 1] = SourceKind::ImageFile;
    CopySlotText(path[s - 1], filePath);
    NotifySourceName(s, shownPath);
    if (listener)
        listener->TitleCleared();
    return true;
}

CbrindorDoc::Decoder CbrindorDoc::DecoderFor(const std::string& filePath)
{
    std::string ext = ImageFormatOfName(filePath);
    // Without a known suffix, the last three characters still name the format.
    const std::string lower = LowerCase(filePath);
    if (ext.empty() && lower.size() >= 3)
        ext = lower.substr(lower.size() - 3);
    if (ext == "bmp" || ext == "jpg" || ext == "png" || ext == "tif")
        return Decoder::Platform;
    if (ext == "tga")
        return Decoder::RasterTga;
    if (ext == "pcx")
        return Decoder::RasterPcx;
    return Decoder::None;
}

bool CbrindorDoc::DecodeFile(const std::string& filePath, DecodedPicture& out)
{
    switch (DecoderFor(filePath)) {
    case Decoder::Platform: return DecodeWithPlatform(filePath, out);
    case Decoder::RasterTga: return DecodeWithRasterLayer(filePath, 7, out);
    case Decoder::RasterPcx: return DecodeWithRasterLayer(filePath, 8, out);
    case Decoder::None: break;
    }
    failureReason = "the name ends in none of bmp, jpg, png, tif, tga, pcx";
    return false;
}

bool CbrindorDoc::CanOpenForReading(const std::string& filePath, std::string& why)
{
    std::FILE* file = OpenRegularFile(filePath, &why);
    if (file == nullptr)
        return false;
    std::fclose(file);
    return true;
}
