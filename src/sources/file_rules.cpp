#include "file_rules.h"

#include <QString>
#include <array>
#include <filesystem>

#include "ports.h"

const char* const OpenFilterText =
    "Bitmap Files (*.bmp)|*.bmp|Jpeg Files (*.jpg)|*.jpg|Png Files (*.png)|*.png|Tif Files (*.tif)|*.tif|"
    "Tga Files (*.tga)|*.tga|Pcx Files (*.pcx)|*.pcx|All Files (*.*)|*.*||";
const char* const SaveFilterText =
    "Bitmap Files (*.bmp)|*.bmp|Jpeg Files (*.jpg)|*.jpg|Png Files (*.png)|*.png|Tif Files (*.tif)|*.tif|"
    "Tga Files (*.tga)|*.tga|Pcx Files (*.pcx)|*.pcx||";

namespace {

constexpr std::array<const char*, 6> SaveExtensions = {"bmp", "jpg", "png", "tif", "tga", "pcx"};
constexpr size_t MaxOutputLabel = 50;

bool IsSaveExtension(const std::string& ext)
{
    for (const char* known : SaveExtensions)
        if (ext == known)
            return true;
    return false;
}

}  // namespace

std::vector<FileFilter> ParseFilterText(const std::string& text)
{
    std::vector<FileFilter> filters;
    size_t at = 0;
    while (at < text.size() && text[at] != '|') {
        const size_t bar = text.find('|', at);
        if (bar == std::string::npos)
            break;
        const size_t end = text.find('|', bar + 1);
        if (end == std::string::npos)
            break;
        filters.push_back({text.substr(at, bar - at), text.substr(bar + 1, end - bar - 1)});
        at = end + 1;
    }
    return filters;
}

std::string LowerCase(const std::string& text)
{
    const QString wide = QString::fromUtf8(text.data(), qsizetype(text.size()));
    // A name that is not valid UTF-8 keeps its bytes; only ASCII letters change.
    if (wide.toUtf8() != QByteArray(text.data(), qsizetype(text.size()))) {
        std::string lower = text;
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
        return lower;
    }
    const QByteArray bytes = wide.toLower().toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

bool IsImageFileName(const std::string& lowerName)
{
    if (lowerName.size() < 4)
        return false;
    const std::string tail = lowerName.substr(lowerName.size() - 4);
    return tail[0] == '.' && IsSaveExtension(tail.substr(1));
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

SaveDestination ResolveSaveName(const std::string& chosenPath, int filterIndex)
{
    const std::string folder = FolderOf(chosenPath);
    std::string name = FileNameOf(chosenPath);
    const size_t dot = name.rfind('.');
    std::string ext = LowerCase(dot == std::string::npos ? std::string() : name.substr(dot + 1));
    if (!IsSaveExtension(ext)) {
        // Index 0 (or out of range) means the dialog's first filter.
        const int index = filterIndex >= 1 && filterIndex <= int(SaveExtensions.size()) ? filterIndex : 1;
        ext = SaveExtensions[size_t(index - 1)];
        name += "." + ext;
    }
    return {folder + name, ext};
}

std::string BatchOutputLabel(const std::string& source2Path)
{
    const size_t slash = source2Path.rfind('/');
    std::string label = (slash == std::string::npos ? std::string() : source2Path.substr(0, slash)) + "/output";
    bool cut = false;
    while (label.size() > MaxOutputLabel) {
        const size_t next = label.find('/', 1);
        if (next == std::string::npos)
            break;
        label.erase(0, next);
        cut = true;
    }
    return cut ? "..." + label : label;
}

std::vector<std::string> ListFolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    return names;
}

std::string AbsoluteFolderOf(const std::string& filePath)
{
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(filePath, error);
    if (error)
        return FolderOf(filePath);
    std::string folder = full.parent_path().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}
