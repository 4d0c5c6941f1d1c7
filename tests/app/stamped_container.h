#pragma once
// Containers whose files carry a chosen modification time, for the tests of
// what keeps a cabinet's time stamps.
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "cabinet/cab_writer.h"
#include "container/container_writer.h"

namespace quellmark {

// A time a cabinet can hold exactly (even seconds), far from now: May 2004.
inline constexpr time_t kStoredTime = 1084000000;

// A container `name` in `directory` (password "right") of stored name and
// content pairs whose files carry the modification time `stamp`.
inline std::string MakeStampedContainer(const std::filesystem::path& directory, const std::string& name,
                                        const std::vector<std::pair<std::string, std::string>>& files,
                                        time_t stamp = kStoredTime) {
    std::vector<CabSource> sources;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string source = (directory / (name + ".src-" + std::to_string(i))).string();
        std::ofstream(source, std::ios::binary) << files[i].second;
        const timespec times[2] = {{stamp, 0}, {stamp, 0}};
        ::utimensat(AT_FDCWD, source.c_str(), times, 0);
        sources.push_back({source, files[i].first, 0});
    }
    const std::string cabinet = (directory / (name + ".cab")).string();
    WriteCabinet(cabinet, sources, true);
    const std::string container = (directory / name).string();
    WriteContainer(cabinet, container, 1, "right");
    return container;
}

// The modification time of what stands at `path` (a link itself), -1 when nothing does.
inline time_t ModificationTime(const std::string& path) {
    struct stat info{};
    if (::lstat(path.c_str(), &info) != 0) return -1;
    return info.st_mtim.tv_sec;
}

}  // namespace quellmark
