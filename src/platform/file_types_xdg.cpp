#include "platform/file_types_xdg.h"

#include <cctype>
#include <cstdlib>

namespace quellmark {

namespace freedesktop {
namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A relative entry would make the result depend on the working directory,
// which the base-directory rules forbid; such entries are dropped.
std::vector<std::string> AbsoluteEntries(const std::string& list) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        std::string entry = list.substr(start, end - start);
        while (entry.size() > 1 && entry.back() == '/') entry.pop_back();
        if (!entry.empty() && entry.front() == '/') entries.push_back(entry);
        start = end + 1;
    }
    return entries;
}

std::string AbsoluteOr(const std::string& value, const std::string& fallback) {
    return !value.empty() && value.front() == '/' ? value : fallback;
}

}  // namespace

BaseDirs BaseDirs::FromEnvironment() {
    BaseDirs dirs;
    dirs.home = AbsoluteOr(Variable("HOME"), "");
    const std::string& home = dirs.home;
    dirs.dataHome = AbsoluteOr(Variable("XDG_DATA_HOME"), home.empty() ? "" : home + "/.local/share");
    dirs.configHome = AbsoluteOr(Variable("XDG_CONFIG_HOME"), home.empty() ? "" : home + "/.config");
    dirs.dataDirs = AbsoluteEntries(Variable("XDG_DATA_DIRS"));
    if (dirs.dataDirs.empty()) dirs.dataDirs = {"/usr/local/share", "/usr/share"};
    dirs.configDirs = AbsoluteEntries(Variable("XDG_CONFIG_DIRS"));
    if (dirs.configDirs.empty()) dirs.configDirs = {"/etc/xdg"};
    dirs.programPath = AbsoluteEntries(Variable("PATH"));
    dirs.terminal = Variable("TERMINAL");
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        dirs.messagesLocale = Variable(name);
        if (!dirs.messagesLocale.empty()) break;
    }

    const std::string desktops = Variable("XDG_CURRENT_DESKTOP");
    std::size_t start = 0;
    while (start < desktops.size()) {
        std::size_t end = desktops.find(':', start);
        if (end == std::string::npos) end = desktops.size();
        std::string name = desktops.substr(start, end - start);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        // The name becomes part of a file name: nothing that could leave the directory.
        if (!name.empty() && name.find('/') == std::string::npos) dirs.desktops.push_back(name);
        start = end + 1;
    }
    return dirs;
}

BaseDirs BaseDirs::WithoutUserFiles() const {
    BaseDirs system = *this;
    system.dataHome.clear();
    system.configHome.clear();
    system.home.clear();
    return system;
}

std::vector<std::string> BaseDirs::DataSearchPath() const {
    std::vector<std::string> path;
    if (!dataHome.empty()) path.push_back(dataHome);
    path.insert(path.end(), dataDirs.begin(), dataDirs.end());
    return path;
}

std::vector<std::string> BaseDirs::ConfigSearchPath() const {
    std::vector<std::string> path;
    if (!configHome.empty()) path.push_back(configHome);
    path.insert(path.end(), configDirs.begin(), configDirs.end());
    return path;
}

}  // namespace freedesktop

}  // namespace quellmark
