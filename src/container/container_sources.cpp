#include "container/container_sources.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "base/exception.h"

namespace quellmark {

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    quoted.append(text).append("\"");
    return quoted;
}

void Warn(const SourceWalk& walk, const std::string& text) {
    if (walk.warn) walk.warn(text);
}

// The local date of `seconds` since 1970, as a listing shows it.
std::string LocalDate(time_t seconds) {
    struct tm local {};
    char text[32] = "?";
    if (::localtime_r(&seconds, &local)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

void Collect(const fs::path& path, const std::string& storedName, SourceWalk& walk) {
    const std::string quoted = Quoted(path.string());
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT) throw Exception(quoted + " does not exist");
        throw Exception("cannot examine " + quoted + ": " + std::strerror(error));
    }
    if (S_ISLNK(info.st_mode)) {
        if (::stat(path.c_str(), &info) != 0) {
            const int error = errno;
            if (error == ENOENT) return Warn(walk, quoted + " is a symbolic link to something that does not exist; left out");
            if (error == ELOOP) return Warn(walk, quoted + " is a symbolic link that leads round in a loop; left out");
            throw Exception("cannot examine " + quoted + ": " + std::strerror(error));
        }
        Warn(walk, quoted + " is a symbolic link; a cabinet holds no links, so what it points to is stored in its place");
    }
    if (S_ISDIR(info.st_mode)) {
        const std::pair<dev_t, ino_t> identity{info.st_dev, info.st_ino};
        if (std::find(walk.ancestors.begin(), walk.ancestors.end(), identity) != walk.ancestors.end())
            throw Exception(quoted + " leads back into a folder that holds it (a loop of links); leave it out");
        std::error_code error;
        std::vector<fs::path> children;
        for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error))
            children.push_back(it->path());
        if (error) throw Exception("cannot read the folder " + quoted + ": " + error.message());
        if (children.empty()) return Warn(walk, quoted + " is an empty folder; a cabinet cannot hold one, so it is left out");
        std::sort(children.begin(), children.end());
        walk.ancestors.push_back(identity);
        for (const auto& child : children) {
            const std::string leaf = child.filename().string();
            Collect(child, storedName.empty() ? leaf : storedName + "/" + leaf, walk);
        }
        walk.ancestors.pop_back();
    } else if (S_ISREG(info.st_mode)) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) throw Exception("cannot read " + quoted + ": " + std::strerror(errno));
        ::close(fd);
        switch (FitCabinetTime(info.st_mtime)) {
        case CabTimeFit::TooEarly:
            Warn(walk, quoted + " was last changed " + LocalDate(info.st_mtime) +
                 ", before the earliest time a cabinet holds; it is stored as 1980-01-01 00:00:00");
            break;
        case CabTimeFit::TooLate:
            Warn(walk, quoted + " was last changed " + LocalDate(info.st_mtime) +
                 ", after the latest time a cabinet holds; it is stored as 2107-12-31 23:59:58");
            break;
        case CabTimeFit::Inside: break;
        }
        walk.sources.push_back({path.string(), storedName});
    } else {
        throw Exception(quoted + " is not a file or directory that can be packed");
    }
}

}  // namespace

void CollectSources(const std::string& path, const std::string& storedName, SourceWalk& walk) {
    Collect(path, storedName, walk);
}

}  // namespace quellmark
