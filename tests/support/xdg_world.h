#pragma once
// A small freedesktop.org world in a temporary directory: a MIME package, an
// icon theme over "hicolor", desktop entries, mimeapps.list files and a bin
// folder on the search path. The XDG variables, HOME and PATH point into it
// for the test's duration.
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "scoped_env.h"

#include "temp_dir.h"

namespace quellmark {

// HOME and the XDG base folders of such a world below `root`: data and
// configuration in home/.local/share and home/.config, the system's in
// usr/share and etc/xdg.
std::map<std::string, std::string> XdgFolders(const std::filesystem::path& root);

// A colour, by its red, green and blue parts (0 to 255).
struct Rgb {
    int red, green, blue;
};

class XdgWorldTest : public TempDirTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // An icon of one colour, size x size pixels, at `relative`; returns its
    // path. Here only the file's place matters, so it holds no picture; a
    // fixture whose tests look at icons draws them (tests/shell).
    virtual std::string MakeIcon(const std::string& relative, Rgb colour, int size = 32);
    std::string MakeProgram(const std::string& name);
    std::string Path(const std::string& relative) const { return (root / relative).string(); }

    // The colours of the theme's icons, each telling which icon was chosen.
    static constexpr Rgb kPlainRed{200, 0, 0}, kGenericGreen{0, 160, 0}, kGoneBlue{0, 0, 220},
                         kAliasYellow{230, 230, 0};

private:
    std::vector<std::unique_ptr<ScopedEnv>> environment_;  // put back when the test ends
};

}  // namespace quellmark
