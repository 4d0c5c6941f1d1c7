#include "platform/registry_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/registry_text.h"

namespace quellmark {

namespace {

// Far beyond anything the program stores; a bigger file is not ours.
constexpr off_t kLargestFile = 64 << 20;

std::string SystemError(const std::string& what, const std::string& path, int error = errno) {
    return what + " " + path + ": " + std::strerror(error);
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// Creates the directory and its missing parents, private to the user.
void MakeDirectories(const std::string& directory) {
    struct stat info {};
    if (stat(directory.c_str(), &info) == 0) return;
    const std::string parent = DirectoryOf(directory);
    if (parent != directory) MakeDirectories(parent);
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST)
        throw ERegistryFileError(SystemError("Cannot create the directory", directory));
}

void SyncDirectory(const std::string& directory) {
    const int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;  // the rename itself has happened; only its durability is at stake
    fsync(fd);
    close(fd);
}

bool WriteAll(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string Timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Renames without ever replacing an existing file.
bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the flag: the lock keeps other writers out meanwhile.
    struct stat info {};
    if (lstat(to.c_str(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return rename(from.c_str(), to.c_str()) == 0;
}

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir) return found->pw_dir;
    return ".";
}

}  // namespace

// Holds the exclusive lock on the lock file for its lifetime.
class RegistryFile::Lock {
public:
    explicit Lock(const std::string& path) {
        const std::string lockPath = path + ".lock";
        fd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) throw ERegistryFileError(SystemError("Cannot open the lock file", lockPath));
        while (flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            close(fd_);
            throw ERegistryFileError(SystemError("Cannot lock", lockPath, error));
        }
    }
    ~Lock() { close(fd_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    int fd_ = -1;
};

RegistryFile::RegistryFile(std::string path) : path_(std::move(path)), directory_(DirectoryOf(path_)) {}

RegistryFile::Read RegistryFile::ReadFile(RegistryTree& tree, std::string& broken) const {
    // Non-blocking, so that a FIFO in its place cannot hang us before the check below.
    const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return Read::Missing;
        throw ERegistryFileError(SystemError("Cannot open", path_));
    }
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    struct stat info {};
    if (fstat(fd, &info) != 0) throw ERegistryFileError(SystemError("Cannot examine", path_));
    if (!S_ISREG(info.st_mode)) throw ERegistryFileError("Cannot read " + path_ + ": it is not a regular file");
    if (info.st_size > kLargestFile) {
        broken = "it is larger than any settings file";
        return Read::Broken;
    }
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw ERegistryFileError(SystemError("Cannot read", path_));
        if (n == 0) break;
        bytes.append(chunk, static_cast<std::size_t>(n));
        if (static_cast<off_t>(bytes.size()) > kLargestFile) {
            broken = "it is larger than any settings file";
            return Read::Broken;
        }
    }
    try {
        tree = ParseRegistryText(bytes);
        return Read::Parsed;
    } catch (const ERegistryTextError& error) {
        broken = error.Message();
        return Read::Broken;
    }
}

RegistryTree RegistryFile::Load() {
    RegistryTree tree;
    std::string broken;
    if (ReadFile(tree, broken) != Read::Broken) return tree;
    Lock lock(path_);
    return LoadLocked();
}

RegistryTree RegistryFile::LoadLocked() {
    RegistryTree tree;
    std::string broken;
    // Read again: the file may have been replaced while we waited for the lock.
    if (ReadFile(tree, broken) == Read::Broken) SetAside(broken);
    return tree;
}

void RegistryFile::Update(const std::function<bool(RegistryTree&)>& change) {
    MakeDirectories(directory_);
    Lock lock(path_);
    RemoveStaleTemporaries();
    RegistryTree tree = LoadLocked();
    if (change(tree)) Store(tree);
}

void RegistryFile::SetAside(const std::string& reason) {
    const std::string base = path_ + ".broken-" + Timestamp();
    std::string aside = base;
    for (int n = 2; !RenameNoReplace(path_, aside); ++n) {
        if (errno != EEXIST || n > 1000)
            throw ERegistryFileError("The settings file " + path_ + " cannot be read (" + reason +
                                     ") and could not be moved aside: " + std::strerror(errno));
        aside = base + "-" + std::to_string(n);
    }
    SyncDirectory(directory_);
    Notice("The settings file " + path_ + " could not be read (" + reason + "). It was kept as " + aside +
           " and the settings start afresh.");
}

void RegistryFile::Store(const RegistryTree& tree) const {
    std::string temporary = path_ + ".tmp-XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) throw ERegistryFileError(SystemError("Cannot create a file in", directory_));
    bool stored = WriteAll(fd, FormatRegistryText(tree)) && fchmod(fd, 0600) == 0 && fsync(fd) == 0;
    int failure = stored ? 0 : errno;
    if (close(fd) != 0 && stored) stored = false, failure = errno;
    if (stored && rename(temporary.c_str(), path_.c_str()) != 0) stored = false, failure = errno;
    if (!stored) {
        unlink(temporary.c_str());
        throw ERegistryFileError(SystemError("Cannot write", path_, failure));
    }
    SyncDirectory(directory_);
}

// Temporaries exist only while a writer holds the lock; with the lock in our
// hands, any that remain were left by a writer that died.
void RegistryFile::RemoveStaleTemporaries() const {
    DIR* dir = opendir(directory_.c_str());
    if (!dir) return;
    const std::string prefix = BaseNameOf(path_) + ".tmp-";
    while (const dirent* entry = readdir(dir))
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            unlinkat(dirfd(dir), entry->d_name, 0);
    closedir(dir);
}

void RegistryFile::Notice(const std::string& message) const {
    if (OnNotice)
        OnNotice(message);
    else
        std::fprintf(stderr, "quellmark: %s\n", message.c_str());
}

std::string UserRegistryPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string base = config && config[0] == '/' ? std::string(config) : HomeDirectory() + "/.config";
    return base + "/quellmark/user.reg";
}

RegistryFile& UserRegistry() {
    static RegistryFile store(UserRegistryPath());
    return store;
}

}  // namespace quellmark
