#include "app/scratch_directory.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quellmark {

namespace {

bool IsDirectory(const std::string& path) {
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Every entry of an open directory but "." and "..".
std::vector<std::string> EntriesOf(DIR* dir) {
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    return names;
}

// Makes every missing level of `path`, each new one readable by the user
// alone. Levels that exist already are left as they are.
bool MakePrivateDirectories(const std::string& path) {
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string level = path.substr(0, end);
        // mkdir's mode passes through the umask, which could take the
        // user's own bits away; chmod is not masked.
        if (::mkdir(level.c_str(), S_IRWXU) == 0) ::chmod(level.c_str(), S_IRWXU);
        if (end == std::string::npos) break;
    }
    return IsDirectory(path);
}

// Removes `name` in the directory `parent` with everything beneath it.
bool RemoveAt(int parent, const std::string& name) {
    struct stat info{};
    if (::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
    if (!S_ISDIR(info.st_mode)) return ::unlinkat(parent, name.c_str(), 0) == 0 || errno == ENOENT;
    // Listing a directory and removing its entries takes read, write and
    // search permission on it; a read-only directory is opened up first. When
    // that fails, the open or the removal below fails and says so.
    if ((info.st_mode & S_IRWXU) != S_IRWXU && ::fchmodat(parent, name.c_str(), S_IRWXU, 0) != 0) {
    }
    const int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        if (DIR* dir = ::fdopendir(fd)) {
            for (const std::string& child : EntriesOf(dir)) RemoveAt(::dirfd(dir), child);
            ::closedir(dir);
        } else {
            ::close(fd);
        }
    }
    return ::unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT;
}

}  // namespace

std::string TScratchDirectory::BaseDirectory() {
    // Relative paths in XDG_CACHE_HOME are invalid and ignored, as the XDG
    // base directory rules say: they would put the files wherever the
    // program happened to be started.
    std::string cache;
    if (const char* value = std::getenv("XDG_CACHE_HOME"); value && value[0] == '/') {
        cache = value;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/') {
            const passwd* user = ::getpwuid(::getuid());
            home = user ? user->pw_dir : nullptr;
        }
        if (!home || home[0] != '/') return {};
        cache = std::string(home) + "/.cache";
    }
    while (cache.size() > 1 && cache.back() == '/') cache.pop_back();
    return cache + "/quellmark/scratch";
}

bool TScratchDirectory::Create() {
    Remove();
    const std::string base = BaseDirectory();
    if (base.empty() || !MakePrivateDirectories(base)) return false;

    // Windows set up their directories one at a time, under a lock beside
    // the base: a directory another window has made but not yet locked must
    // never look abandoned to a window that is clearing up. Without that lock
    // nothing is cleared up, which is always safe.
    const int setupLock = ::open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    int locked = -1;
    if (setupLock >= 0) {
        do locked = ::flock(setupLock, LOCK_EX);
        while (locked != 0 && errno == EINTR);
    }
    if (locked == 0) RemoveStaleScratch(base);

    std::string made = base + "/window-XXXXXX";
    if (::mkdtemp(made.data())) {  // mode 0700
        // Not inherited by the viewers the window starts: the lock must end
        // with the window.
        const int lock =
            ::open((made + "/" + kLockName).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0) {
            path_ = made;
            lockFd_ = lock;
        } else {
            if (lock >= 0) ::close(lock);
            RemoveTree(made);
        }
    }
    if (setupLock >= 0) ::close(setupLock);
    return !path_.empty();
}

bool TScratchDirectory::Remove() {
    if (path_.empty()) return true;
    const bool removed = RemoveTree(path_);
    // The lock goes last, so that no window starting meanwhile takes the
    // directory for abandoned while it is still being emptied; after a
    // failure, what stayed is removed by a later start.
    ::close(lockFd_);
    lockFd_ = -1;
    path_.clear();
    return removed;
}

void RemoveStaleScratch(const std::string& base) {
    DIR* dir = ::opendir(base.c_str());
    if (!dir) return;
    const std::vector<std::string> names = EntriesOf(dir);
    ::closedir(dir);
    for (const std::string& name : names) {
        const std::string path = base + "/" + name;
        struct stat info{};
        if (::lstat(path.c_str(), &info) != 0) continue;
        if (!S_ISDIR(info.st_mode)) {
            RemoveTree(path);
            continue;
        }
        const int lock = ::open((path + "/" + TScratchDirectory::kLockName).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (lock < 0 && errno != ENOENT) continue;  // whether its window runs cannot be told: it stays
        // A lock that cannot be taken, for whatever reason, counts as held.
        const bool running = lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) != 0;
        if (!running) RemoveTree(path);
        if (lock >= 0) ::close(lock);
    }
}

bool RemoveTree(const std::string& path) { return !path.empty() && RemoveAt(AT_FDCWD, path); }

}  // namespace quellmark
