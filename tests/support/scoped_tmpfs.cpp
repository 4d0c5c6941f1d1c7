#include "scoped_tmpfs.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/mount.h>

namespace quellmark {

ScopedTmpfs::ScopedTmpfs(const std::string& directory, long kibibytes) : directory_(directory) {
    std::filesystem::create_directories(directory);
    const std::string options = "size=" + std::to_string(kibibytes) + "k,mode=0755";
    if (::mount("tmpfs", directory.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0)
        mounted_ = true;
    else
        failure_ = std::strerror(errno);
}

ScopedTmpfs::~ScopedTmpfs() {
    if (mounted_) ::umount2(directory_.c_str(), MNT_DETACH);
}

bool ScopedTmpfs::MakeReadOnly() {
    return mounted_ &&
           ::mount("tmpfs", directory_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
}

}  // namespace quellmark
