#include "app/drag_staging.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "base/exception.h"

namespace quellmark {

namespace fs = std::filesystem;

const char* const kDragStagingPrefix = ".drag-";

namespace {

// A caption is used only when it stays below the scratch directory.
bool StaysInside(const std::string& caption) {
    const fs::path path(caption);
    if (caption.empty() || path.is_absolute()) return false;
    for (const fs::path& part : path)
        if (part == ".." || part == "." || part.empty()) return false;
    return true;
}

bool IsRegularFile(const std::string& path) {
    struct stat info{};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A new folder of its own: an unpacked file may carry any name, so one that
// already exists is never reused.
fs::path MakeStagingFolder(const std::string& scratchDir) {
    for (int n = 1; n < 100000; ++n) {
        fs::path folder = fs::path(scratchDir) / (kDragStagingPrefix + std::to_string(n));
        if (::mkdir(folder.c_str(), 0700) == 0) return folder;
        if (errno != EEXIST) throw Exception("Cannot create folder \"" + folder.string() + "\". " + std::strerror(errno));
    }
    throw Exception("Cannot create a staging folder in \"" + scratchDir + "\"");
}

// A hard link costs neither time nor space; a copy (keeping the time stamp)
// serves where the file system has no links.
void Stage(const std::string& source, const fs::path& target) {
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    if (error) throw Exception("Cannot create folder \"" + target.parent_path().string() + "\". " + error.message());
    if (::link(source.c_str(), target.c_str()) == 0 || errno == EEXIST) return;
    fs::copy_file(source, target, error);
    if (!error) fs::last_write_time(target, fs::last_write_time(source, error), error);
    if (error) throw Exception("Cannot create file \"" + target.string() + "\". " + error.message());
}

}  // namespace

std::vector<std::string> StageForDrag(const std::string& scratchDir, const std::vector<std::string>& captions) {
    std::vector<std::string> offered;
    fs::path staging;  // made for the first caption with a folder part
    std::set<std::string> topsOffered;
    for (const std::string& caption : captions) {
        const std::string source = scratchDir + "/" + caption;
        if (!StaysInside(caption) || !IsRegularFile(source)) continue;
        const std::size_t slash = caption.find('/');
        if (slash == std::string::npos) {
            offered.push_back(source);
            continue;
        }
        if (staging.empty()) staging = MakeStagingFolder(scratchDir);
        Stage(source, staging / caption);
        const std::string top = caption.substr(0, slash);
        if (topsOffered.insert(top).second) offered.push_back((staging / top).string());
    }
    return offered;
}

}  // namespace quellmark
