#pragma once
#include <string>
#include <vector>

// The open dialog's types: six formats and "All Files", index 1..7.
extern const char* const OpenFilterText;
// The save dialog's types: the six formats, index 1..6.
extern const char* const SaveFilterText;

// Lower-cases a name as the program compares names (Unicode-aware for valid UTF-8).
std::string LowerCase(const std::string& text);
// Whether a lower-cased entry name ends in one of the six image suffixes (last four characters).
bool IsImageFileName(const std::string& lowerName);
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

// The entry names of a folder in the order the file system delivers them, without "." and "..".
std::vector<std::string> ListFolderEntries(const std::string& folder);
// The absolute folder of an existing file, ending with the separator.
std::string AbsoluteFolderOf(const std::string& filePath);
