#include "file_rules.h"

#include <QString>
#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>
#include <utility>

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
// Suffixes users' files carry, each with the format it names.
constexpr std::pair<std::string_view, const char*> SuffixFormats[] = {
    {"bmp", "bmp"}, {"jpg", "jpg"}, {"jpeg", "jpg"}, {"jpe", "jpg"}, {"png", "png"},
    {"tif", "tif"}, {"tiff", "tif"}, {"tga", "tga"}, {"pcx", "pcx"}};
constexpr size_t MaxSuffix = 4;

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Compares the runs of digits starting at a[i] and b[j] by value and moves both indexes past
// them; leading zeros count for nothing here.
int CompareNumbers(const std::string& a, size_t& i, const std::string& b, size_t& j)
{
    while (i < a.size() && a[i] == '0')
        ++i;
    while (j < b.size() && b[j] == '0')
        ++j;
    const size_t startA = i, startB = j;
    while (i < a.size() && IsDigit(a[i]))
        ++i;
    while (j < b.size() && IsDigit(b[j]))
        ++j;
    if (i - startA != j - startB)
        return i - startA < j - startB ? -1 : 1;
    return a.compare(startA, i - startA, b, startB, j - startB);
}

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

std::string ImageFormatOfName(const std::string& name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot > MaxSuffix + 1 || name.find('/', dot) != std::string::npos)
        return {};
    std::string suffix = name.substr(dot + 1);
    for (char& c : suffix)
        c = AsciiLower(c);
    for (const auto& [written, format] : SuffixFormats)
        if (suffix == written)
            return format;
    return {};
}

bool IsImageFileName(const std::string& name) { return !ImageFormatOfName(name).empty(); }

bool FolderOrderLess(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const int order = CompareNumbers(a, i, b, j);
            if (order != 0)
                return order < 0;
            continue;
        }
        const char x = AsciiLower(a[i++]), y = AsciiLower(b[j++]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (i < a.size() || j < b.size())
        return j < b.size();
    return a < b;
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
    std::sort(names.begin(), names.end(), FolderOrderLess);
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
