#include "batch_options.h"

#include <array>

#include "file_rules.h"
#include "ports.h"

namespace {

constexpr char Section[] = "Batch";
constexpr char FolderKey[] = "Output Folder";
constexpr char FormatKey[] = "Output Format";
constexpr char QualityKey[] = "JPEG Quality";
constexpr char ExistsKey[] = "When Output Exists";
constexpr char ReportKey[] = "Report At End";
constexpr char DryRunKey[] = "Dry Run";
constexpr char ShownKey[] = "Options Shown";
constexpr char OwnSizeKey[] = "Keep Own Size";
constexpr char StripKey[] = "Strip Metadata";
constexpr char DefaultFolderName[] = "output";

constexpr std::array<const char*, BatchFormatCount> FormatExtensions = {"", "bmp", "jpg", "png", "tif", "tga", "pcx"};

// A stored number inside [0, count), or the fallback.
int ReadChoice(SettingsStore& store, const char* key, int count, int fallback)
{
    const int value = store.ReadInt(Section, key, fallback);
    return value >= 0 && value < count ? value : fallback;
}

std::string WithSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

}  // namespace

BatchOptions LoadBatchOptions(SettingsStore& store)
{
    BatchOptions options;
    options.outputFolder = store.ReadString(Section, FolderKey, "");
    options.format = BatchFormat(ReadChoice(store, FormatKey, BatchFormatCount, 0));
    const int quality = store.ReadInt(Section, QualityKey, DefaultJpegQuality);
    options.jpegQuality = quality >= 1 && quality <= 100 ? quality : DefaultJpegQuality;
    options.whenExists = ExistingOutput(ReadChoice(store, ExistsKey, ExistingOutputCount, 0));
    options.reportAtEnd = ReadChoice(store, ReportKey, 2, 1) == 1;
    options.dryRun = ReadChoice(store, DryRunKey, 2, 0) == 1;
    options.optionsShown = ReadChoice(store, ShownKey, 2, 0) == 1;
    options.keepOwnSize = ReadChoice(store, OwnSizeKey, 2, 1) == 1;
    options.stripMetadata = ReadChoice(store, StripKey, 2, 0) == 1;
    return options;
}

void SaveBatchOptions(SettingsStore& store, const BatchOptions& options)
{
    store.WriteString(Section, FolderKey, options.outputFolder);
    store.WriteInt(Section, FormatKey, int(options.format));
    store.WriteInt(Section, QualityKey, options.jpegQuality);
    store.WriteInt(Section, ExistsKey, int(options.whenExists));
    store.WriteInt(Section, ReportKey, options.reportAtEnd ? 1 : 0);
    store.WriteInt(Section, DryRunKey, options.dryRun ? 1 : 0);
    store.WriteInt(Section, ShownKey, options.optionsShown ? 1 : 0);
    store.WriteInt(Section, OwnSizeKey, options.keepOwnSize ? 1 : 0);
    store.WriteInt(Section, StripKey, options.stripMetadata ? 1 : 0);
}

std::string ResolveOutputFolder(const std::string& sourceFolder, const std::string& chosen)
{
    if (chosen.empty())
        return sourceFolder + DefaultFolderName + "/";
    if (chosen.front() == '/')
        return WithSeparator(chosen);
    return WithSeparator(sourceFolder + chosen);
}

bool IsDefaultOutputFolder(const std::string& sourceFolder, const std::string& chosen)
{
    return ResolveOutputFolder(sourceFolder, chosen) == ResolveOutputFolder(sourceFolder, "");
}

std::string OutputExtension(BatchFormat format, const std::string& lowerName)
{
    if (format == BatchFormat::SameAsInput)
        return ImageFormatOfName(lowerName);
    return FormatExtensions[size_t(format)];
}

std::string OutputName(BatchFormat format, const std::string& lowerName)
{
    // Image names end in a dot and their suffix.
    const size_t dot = lowerName.rfind('.');
    if (format == BatchFormat::SameAsInput || dot == std::string::npos)
        return lowerName;
    return lowerName.substr(0, dot + 1) + FormatExtensions[size_t(format)];
}

std::string NumberedName(const std::string& name, int number)
{
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string suffix = stem.size() == name.size() ? std::string() : name.substr(dot);
    return stem + " (" + std::to_string(number) + ")" + suffix;
}
