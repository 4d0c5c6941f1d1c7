#pragma once
// Finding an icon file by name in the current icon theme, its parents and
// "hicolor", the way the freedesktop.org icon theme rules lay it down.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_types_xdg.h"

namespace quellmark {

// The size of the icons the desktop program shows, in pixels.
constexpr int kLargeIconSize = 32;

namespace freedesktop {

class IconTheme {
public:
    // `baseDirs`: the folders holding themes, most important first.
    IconTheme(std::vector<std::string> baseDirs, std::string themeName);
    ~IconTheme();

    // ~/.icons, the data directories' "icons" folders and /usr/share/pixmaps.
    static std::vector<std::string> BaseDirsOf(const BaseDirs& dirs);
    // The theme the user chose in the GTK settings of the configuration
    // directories, or "" when none says.
    static std::string ConfiguredThemeName(const BaseDirs& dirs);
    // The theme to draw icons from: the GTK setting, else `desktopChoice`
    // (what the desktop reports; "hicolor" there means it knows of none),
    // else GTK's default "Adwaita".
    static std::string ChosenThemeName(const BaseDirs& dirs, std::string_view desktopChoice = {});

    // The file of the named icon whose size is nearest to `size` pixels, or "".
    std::string Find(std::string_view iconName, int size) const;
    const std::string& ThemeName() const { return themeName_; }

private:
    struct Theme;
    const Theme* Load(const std::string& name) const;
    std::string FindInTheme(const std::string& iconName, int size, const std::string& theme,
                            std::set<std::string>& visited) const;
    std::string LookupInTheme(const std::string& iconName, int size, const Theme& theme) const;
    std::string LookupFallback(const std::string& iconName) const;

    std::vector<std::string> baseDirs_;
    std::string themeName_;
    mutable std::map<std::string, std::unique_ptr<Theme>> themes_;  // null: no such theme
};

}  // namespace freedesktop

}  // namespace quellmark
