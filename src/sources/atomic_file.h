#pragma once
#include <cstdio>
#include <functional>
#include <string>

// Writes a file through a temporary sibling in the same folder, so the named file is either
// left exactly as it was or replaced whole: the temporary is renamed over it only by Commit,
// and removed when the writing is abandoned or the object goes away uncommitted.
class AtomicFile {
public:
    explicit AtomicFile(std::string targetPath);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file; false (with Error() set) when the folder cannot take it.
    bool Open();
    // The open temporary file, null before Open or after Commit/Discard.
    std::FILE* Stream() const { return stream_; }
    const std::string& TempPath() const { return tempPath_; }
    // The file that Commit replaces: the target, or what a symbolic link named as target points to.
    const std::string& FinalPath() const { return finalPath_; }

    // Flushes and closes the temporary and renames it over the target. On any failure the
    // temporary is removed, the target is untouched and the result is false.
    bool Commit();
    // Closes and removes the temporary; the target is untouched.
    void Discard();

    // What went wrong, for diagnostics only.
    const std::string& Error() const { return error_; }

private:
    bool Fail(const std::string& what);

    std::string targetPath_;
    std::string finalPath_;
    std::string tempPath_;
    std::FILE* stream_ = nullptr;
    std::string error_;
};

// Writes `path` whole or not at all: `write` fills the open temporary and returns false with its
// reason in `why`; on any failure the old file stays and `why` says what went wrong.
bool WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*, std::string& why)>& write,
                         std::string& why);
