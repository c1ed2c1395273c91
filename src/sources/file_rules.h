#pragma once
#include <string>
#include <vector>

// The open dialog's types: six formats and "All Files", index 1..7.
extern const char* const OpenFilterText;
// The save dialog's types: the six formats, index 1..6.
extern const char* const SaveFilterText;

// Lower-cases a name as the program compares names (Unicode-aware for valid UTF-8).
std::string LowerCase(const std::string& text);
// The image format a file name's suffix names, in any letter case: "bmp", "jpg" (also .jpeg
// and .jpe), "png", "tif" (also .tiff), "tga" or "pcx"; empty for any other name. The four
// formats the imaging service reads are then told apart by content, not by this name.
std::string ImageFormatOfName(const std::string& name);
// Whether an entry name ends in one of the image suffixes above.
bool IsImageFileName(const std::string& name);
// The one order of a folder's entries, for stepping and both batches: letter case aside, and
// runs of digits by their value (img2 before img10). Names that still tie go by their bytes,
// so the order is total.
bool FolderOrderLess(const std::string& a, const std::string& b);
// The folder part of a path, ending with the separator; empty when the path has none.
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);

// Where and how the save command writes: the typed extension wins when it is one of the six,
// otherwise the chosen filter's extension is appended to the name as typed.
struct SaveDestination {
    std::string path;
    std::string extension;  // lower case, one of the six
};
SaveDestination ResolveSaveName(const std::string& chosenPath, int filterIndex);

// The batch dialog's output-folder line: source 2's folder + "output", shortened from the left
// to at most 50 characters at separators, with "..." in front when anything was cut.
std::string BatchOutputLabel(const std::string& source2Path);

// The entry names of a folder in FolderOrderLess order, without "." and "..".
std::vector<std::string> ListFolderEntries(const std::string& folder);
// The absolute folder of an existing file, ending with the separator.
std::string AbsoluteFolderOf(const std::string& filePath);
