#include "base/safe_paths.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace quellmark {

int OpenDirectoryBeneath(const std::string& base, const std::string& relative, bool create) {
    if (create) {
        std::error_code ignored;  // a base that cannot be made fails to open just below
        std::filesystem::create_directories(base, ignored);
    }
    int dir = ::open(base.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC);
    if (dir < 0) return -1;
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t slash = relative.find('/', start);
        if (slash == std::string::npos) slash = relative.size();
        const std::string part = relative.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".") continue;
        // Most directories are there already (every file of one directory
        // passes here): they are made only when opening them finds nothing.
        int next = ::openat(dir, part.c_str(), O_DIRECTORY | O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && errno == ENOENT && create) {
            ::mkdirat(dir, part.c_str(), 0777);
            next = ::openat(dir, part.c_str(), O_DIRECTORY | O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        }
        int saved = errno;
        ::close(dir);
        if (next < 0) {
            errno = saved;
            return -1;
        }
        dir = next;
    }
    return dir;
}

int TDirectoryCache::Open(const std::string& base, const std::string& relative, bool create) {
    // An open directory exists, so there is nothing to create either.
    if (fd_ >= 0 && base == base_ && relative == relative_) return fd_;
    Clear();
    fd_ = OpenDirectoryBeneath(base, relative, create);
    if (fd_ >= 0) {
        base_ = base;
        relative_ = relative;
    }
    return fd_;
}

void TDirectoryCache::Clear() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace quellmark
