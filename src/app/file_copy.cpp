#include "app/file_copy.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "base/exception.h"
#include "base/safe_paths.h"
#include "base/streams.h"

namespace quellmark {

namespace fs = std::filesystem;

namespace {

std::string SystemError(int error) { return std::strerror(error); }

// The parts of a name below a folder: its folders ("a/b", may be empty) and
// its file name.
struct SplitName {
    std::string directory;
    std::string leaf;
};

SplitName Split(const std::string& relative) {
    const std::size_t slash = relative.rfind('/');
    if (slash == std::string::npos) return {"", relative};
    return {relative.substr(0, slash), relative.substr(slash + 1)};
}

// A descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

// A new, empty file beside the target in `dir`, named so that nobody takes
// it for a finished file; removed again unless Keep() is called.
class PartFile {
public:
    PartFile(int dir, const std::string& shownTarget) : dir_(dir) {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            char name[32];
            std::snprintf(name, sizeof name, ".quellmark-%08x.part", static_cast<unsigned>(random()));
            // 0666 as for any new file: the user's umask decides.
            fd_ = ::openat(dir, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ >= 0) {
                name_ = name;
                return;
            }
            if (errno != EEXIST) break;
        }
        throw EFCreateError("Cannot create file \"" + shownTarget + "\". " + SystemError(errno));
    }
    ~PartFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!kept_) ::unlinkat(dir_, name_.c_str(), 0);
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    int Fd() const { return fd_; }
    const std::string& Name() const { return name_; }
    int Close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }
    void Keep() { kept_ = true; }

private:
    int dir_;
    int fd_ = -1;
    std::string name_;
    bool kept_ = false;
};

void WriteAll(int fd, const char* data, std::size_t count, const std::string& shownTarget) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, data + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EWriteError("Cannot write file \"" + shownTarget + "\": " + SystemError(errno));
        if (n == 0) throw EWriteError("Stream write error");
        done += static_cast<std::size_t>(n);
    }
}

// Writes a copy of `in`, the open file at `source`, as `leaf` in the
// directory open at `dir`. `shownTarget` is the target's full path, for
// messages.
void CopyInto(TFileStream& in, const std::string& source, int dir, const std::string& leaf,
              const std::string& shownTarget) {
    struct stat sourceInfo{};
    if (::stat(source.c_str(), &sourceInfo) != 0)
        throw EFOpenError("Cannot open file \"" + source + "\". " + SystemError(errno));
    struct stat existing{};
    const bool replacing = ::fstatat(dir, leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (replacing && S_ISDIR(existing.st_mode))
        throw EFCreateError("Cannot create file \"" + shownTarget + "\". " + SystemError(EISDIR));

    PartFile part(dir, shownTarget);
    const int64_t size = in.Size();
    std::vector<char> chunk(1 << 16);
    int64_t copied = 0;
    while (copied < size) {
        const int64_t wanted = std::min<int64_t>(size - copied, static_cast<int64_t>(chunk.size()));
        const int64_t got = in.Read(chunk.data(), wanted);
        if (got != wanted) throw EReadError("Stream read error");
        WriteAll(part.Fd(), chunk.data(), static_cast<std::size_t>(got), shownTarget);
        copied += got;
    }
    // A replaced file keeps its permissions, made writable for its owner as
    // replacing always did.
    if (replacing && S_ISREG(existing.st_mode)) ::fchmod(part.Fd(), (existing.st_mode & 07777) | S_IWUSR);
    const timespec times[2] = {{0, UTIME_OMIT}, sourceInfo.st_mtim};
    ::futimens(part.Fd(), times);
    // The rename must not put a name on data that a crash could still lose.
    if (::fsync(part.Fd()) != 0 || part.Close() != 0)
        throw EWriteError("Cannot write file \"" + shownTarget + "\": " + SystemError(errno));
    if (::renameat(dir, part.Name().c_str(), dir, leaf.c_str()) != 0)
        throw EFCreateError("Cannot create file \"" + shownTarget + "\". " + SystemError(errno));
    part.Keep();
}

}  // namespace

void CopyFileKeepingTime(const std::string& source, const std::string& target) {
    // Replacing used to write into the file a link names; the rename would
    // replace the link itself instead, so the link is followed first.
    std::error_code error;
    fs::path place = target;
    if (fs::is_symlink(place, error)) {
        const fs::path resolved = fs::canonical(place, error);
        if (!error && fs::is_regular_file(resolved, error)) place = resolved;
    }
    fs::path directory = place.parent_path();
    if (directory.empty()) directory = ".";
    TFileStream in(source, FileMode::OpenRead);
    Descriptor dir(::open(directory.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC));
    if (dir.Get() < 0) throw EFCreateError("Cannot create file \"" + target + "\". " + SystemError(errno));
    CopyInto(in, source, dir.Get(), place.filename().string(), target);
}

void CopyBeneath(const std::string& source, const std::string& folder, const std::string& relative) {
    if (!StaysBeneath(relative))
        throw EFCreateError("Cannot create file \"" + relative + "\". The name leads outside the folder \"" + folder +
                            "\"");
    const SplitName name = Split(relative);
    const std::string shown = (fs::path(folder) / relative).string();
    TFileStream in(source, FileMode::OpenRead);
    Descriptor dir(OpenDirectoryBeneath(folder, name.directory, true));
    if (dir.Get() < 0) {
        const int error = errno;
        // A file or a link where a folder must be: there is no way through it.
        const std::string reason = error == ENOTDIR || error == ELOOP || error == EEXIST
                                       ? "Something that is not a folder stands where the folder \"" +
                                             (fs::path(folder) / name.directory).string() + "\" must be"
                                       : SystemError(error);
        throw EFCreateError("Cannot create file \"" + shown + "\". " + reason);
    }
    CopyInto(in, source, dir.Get(), name.leaf, shown);
}

bool StaysBeneath(const std::string& relative) {
    if (relative.empty() || relative.front() == '/' || relative.back() == '/') return false;
    std::string_view rest = relative;
    std::string_view part;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        part = rest.substr(0, slash);
        if (part == "..") return false;
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    }
    return part != ".";  // the last part must name a file
}

bool FileExistsBeneath(const std::string& folder, const std::string& relative) {
    const SplitName name = Split(relative);
    Descriptor dir(OpenDirectoryBeneath(folder, name.directory, false));
    if (dir.Get() < 0) return false;  // nothing there yet, or a way the copy will refuse
    struct stat info{};
    return ::fstatat(dir.Get(), name.leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace quellmark
