#pragma once
// The freedesktop.org base directories that file types, icons and default
// applications are read from, taken once from the environment so that one
// lookup never sees two different sets of directories.
#include <string>
#include <vector>

namespace quellmark {

namespace freedesktop {

struct BaseDirs {
    std::string dataHome;                 // empty: the user's own data is left out
    std::vector<std::string> dataDirs;
    std::string configHome;               // empty: the user's own settings are left out
    std::vector<std::string> configDirs;
    std::string home;                     // for the legacy ~/.icons; empty when left out
    std::vector<std::string> desktops;    // XDG_CURRENT_DESKTOP, lower-case, in order
    std::vector<std::string> programPath; // PATH, absolute entries only
    std::string terminal;                 // TERMINAL: the user's terminal emulator, maybe with options
    std::string messagesLocale;           // LC_ALL, LC_MESSAGES or LANG, the first one set

    static BaseDirs FromEnvironment();
    // The same directories without anything that belongs to the user.
    BaseDirs WithoutUserFiles() const;

    // Data and configuration directories, most important first.
    std::vector<std::string> DataSearchPath() const;
    std::vector<std::string> ConfigSearchPath() const;
};

}  // namespace freedesktop

}  // namespace quellmark
