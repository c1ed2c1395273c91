#include "atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int CreateAttempts = 64;

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RandomSuffix()
{
    std::random_device device;
    const uint64_t value = (uint64_t(device()) << 32) ^ device();
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// Replacing a file through a symbolic link should replace the file, not the link.
std::string ResolveTarget(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr)
        return path;
    return resolved;
}

}  // namespace

AtomicFile::AtomicFile(std::string targetPath) : targetPath_(std::move(targetPath)) {}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Fail(const std::string& what)
{
    error_ = what + ": " + std::strerror(errno);
    return false;
}

bool AtomicFile::Open()
{
    Discard();
    if (targetPath_.empty() || targetPath_.back() == '/') {
        errno = EISDIR;
        return Fail("no file name");
    }
    finalPath_ = ResolveTarget(targetPath_);
    // An overwritten file keeps its permissions; a new one gets the usual ones under the umask.
    struct stat existing;
    const bool keepMode = stat(finalPath_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    const std::string stem = FolderOf(finalPath_) + "/." + NameOf(finalPath_) + ".tmp-";
    for (int attempt = 0; attempt < CreateAttempts; ++attempt) {
        tempPath_ = stem + RandomSuffix();
        const int fd = ::open(tempPath_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            tempPath_.clear();
            return Fail("cannot create a file beside " + finalPath_);
        }
        if (keepMode)
            (void)fchmod(fd, existing.st_mode & 07777);
        stream_ = fdopen(fd, "w+b");
        if (stream_ == nullptr) {
            const int saved = errno;
            ::close(fd);
            ::unlink(tempPath_.c_str());
            tempPath_.clear();
            errno = saved;
            return Fail("cannot open a stream");
        }
        return true;
    }
    tempPath_.clear();
    return Fail("no free temporary name beside " + finalPath_);
}

bool AtomicFile::Commit()
{
    if (stream_ == nullptr) {
        errno = EBADF;
        return Fail("nothing open to commit");
    }
    const bool written = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
    const int savedWrite = errno;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!written || !closed) {
        errno = written ? errno : savedWrite;
        Fail("writing " + tempPath_ + " failed");
        Discard();
        return false;
    }
    if (std::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
        Fail("cannot replace " + finalPath_);
        Discard();
        return false;
    }
    tempPath_.clear();
    return true;
}

void AtomicFile::Discard()
{
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

bool WriteFileAtomically(const std::string& path, const std::function<bool(std::FILE*, std::string& why)>& write,
                         std::string& why)
{
    AtomicFile file(path);
    if (!file.Open()) {
        why = file.Error();
        return false;
    }
    if (!write(file.Stream(), why)) {
        file.Discard();
        return false;
    }
    if (!file.Commit()) {
        why = file.Error();
        return false;
    }
    return true;
}
