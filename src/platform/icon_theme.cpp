#include "platform/icon_theme.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/file_types_key_file.h"

namespace quellmark {

namespace freedesktop {
namespace {

const char* const kExtensions[] = {".png", ".svg", ".xpm"};

bool IsFile(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored);
}

int IntOr(const KeyFile& file, const std::string& group, const char* key, int fallback) {
    const std::string* value = file.Value(group, key);
    if (!value) return fallback;
    char* end = nullptr;
    const long number = std::strtol(value->c_str(), &end, 10);
    return end != value->c_str() && *end == '\0' && number > 0 && number < 100000 ? static_cast<int>(number) : fallback;
}

// An icon name is one path component; anything else could reach files outside the themes.
bool IsIconName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

struct IconTheme::Theme {
    enum Kind { Fixed, Scalable, Threshold };
    struct Directory {
        std::string path;  // relative to the theme's folder
        Kind kind;
        int size, minSize, maxSize, threshold, scale;

        bool Matches(int wanted) const {
            if (scale != 1) return false;
            switch (kind) {
                case Fixed: return size == wanted;
                case Scalable: return minSize <= wanted && wanted <= maxSize;
                case Threshold: break;
            }
            return size - threshold <= wanted && wanted <= size + threshold;
        }
        int Distance(int wanted) const {
            int low = size * scale, high = size * scale;
            if (kind == Scalable) low = minSize * scale, high = maxSize * scale;
            if (kind == Threshold) low = (size - threshold) * scale, high = (size + threshold) * scale;
            if (wanted < low) return low - wanted;
            if (wanted > high) return wanted - high;
            return 0;
        }
    };
    std::vector<std::string> roots;  // the theme's folder in every base directory that has one
    std::vector<Directory> directories;
    std::vector<std::string> parents;
};

IconTheme::IconTheme(std::vector<std::string> baseDirs, std::string themeName)
    : baseDirs_(std::move(baseDirs)), themeName_(std::move(themeName)) {
    if (themeName_.empty()) themeName_ = "hicolor";
}

IconTheme::~IconTheme() = default;

std::vector<std::string> IconTheme::BaseDirsOf(const BaseDirs& dirs) {
    std::vector<std::string> base;
    if (!dirs.home.empty()) base.push_back(dirs.home + "/.icons");
    for (const std::string& dir : dirs.DataSearchPath()) base.push_back(dir + "/icons");
    base.push_back("/usr/share/pixmaps");
    return base;
}

std::string IconTheme::ConfiguredThemeName(const BaseDirs& dirs) {
    for (const std::string& dir : dirs.ConfigSearchPath()) {
        const auto settings = KeyFile::Load(dir + "/gtk-3.0/settings.ini");
        if (!settings) continue;
        const std::string name = settings->ValueOr("Settings", "gtk-icon-theme-name", "");
        if (IsIconName(name)) return name;
    }
    return {};
}

std::string IconTheme::ChosenThemeName(const BaseDirs& dirs, std::string_view desktopChoice) {
    std::string name = ConfiguredThemeName(dirs);
    if (name.empty()) name = desktopChoice;
    // GTK's own default; where it is not installed the lookup falls back to "hicolor".
    return name.empty() || name == "hicolor" ? "Adwaita" : name;
}

const IconTheme::Theme* IconTheme::Load(const std::string& name) const {
    if (const auto known = themes_.find(name); known != themes_.end()) return known->second.get();
    std::unique_ptr<Theme> theme;
    if (IsIconName(name)) {
        std::optional<KeyFile> index;
        std::vector<std::string> roots;
        for (const std::string& base : baseDirs_) {
            const std::string root = base + "/" + name;
            std::error_code ignored;
            if (!std::filesystem::is_directory(root, ignored)) continue;
            roots.push_back(root);
            if (!index) index = KeyFile::Load(root + "/index.theme");
        }
        // A folder without an index is no theme.
        if (index && index->HasGroup("Icon Theme")) {
            theme = std::make_unique<Theme>();
            theme->roots = std::move(roots);
            theme->parents = SplitList(index->ValueOr("Icon Theme", "Inherits", ""), ',');
            for (const std::string& path : SplitList(index->ValueOr("Icon Theme", "Directories", ""), ',')) {
                if (!index->HasGroup(path)) continue;
                const int size = IntOr(*index, path, "Size", 0);
                if (size == 0) continue;
                const std::string type = index->ValueOr(path, "Type", "Threshold");
                const Theme::Kind kind = type == "Fixed"      ? Theme::Fixed
                                         : type == "Scalable" ? Theme::Scalable
                                                              : Theme::Threshold;
                theme->directories.push_back({path, kind, size, IntOr(*index, path, "MinSize", size),
                                              IntOr(*index, path, "MaxSize", size),
                                              IntOr(*index, path, "Threshold", 2), IntOr(*index, path, "Scale", 1)});
            }
        }
    }
    return themes_.emplace(name, std::move(theme)).first->second.get();
}

std::string IconTheme::Find(std::string_view iconName, int size) const {
    const std::string name(iconName);
    if (!IsIconName(name)) return {};
    std::set<std::string> visited;
    std::string file = FindInTheme(name, size, themeName_, visited);
    if (file.empty()) file = FindInTheme(name, size, "hicolor", visited);
    if (file.empty()) file = LookupFallback(name);
    return file;
}

std::string IconTheme::FindInTheme(const std::string& iconName, int size, const std::string& themeName,
                                   std::set<std::string>& visited) const {
    // Each theme is searched once, which also ends inheritance cycles.
    if (!visited.insert(themeName).second) return {};
    const Theme* theme = Load(themeName);
    if (!theme) return {};
    std::string file = LookupInTheme(iconName, size, *theme);
    for (std::size_t i = 0; file.empty() && i < theme->parents.size(); ++i)
        file = FindInTheme(iconName, size, theme->parents[i], visited);
    return file;
}

std::string IconTheme::LookupInTheme(const std::string& iconName, int size, const Theme& theme) const {
    for (const auto& directory : theme.directories) {
        if (!directory.Matches(size)) continue;
        for (const std::string& root : theme.roots)
            for (const char* extension : kExtensions) {
                const std::string file = root + "/" + directory.path + "/" + iconName + extension;
                if (IsFile(file)) return file;
            }
    }
    std::string closest;
    int smallest = INT_MAX;
    for (const auto& directory : theme.directories) {
        const int distance = directory.Distance(size);
        if (distance >= smallest) continue;
        for (const std::string& root : theme.roots)
            for (const char* extension : kExtensions) {
                const std::string file = root + "/" + directory.path + "/" + iconName + extension;
                if (distance < smallest && IsFile(file)) {
                    closest = file;
                    smallest = distance;
                }
            }
    }
    return closest;
}

std::string IconTheme::LookupFallback(const std::string& iconName) const {
    for (const std::string& base : baseDirs_)
        for (const char* extension : kExtensions) {
            const std::string file = base + "/" + iconName + extension;
            if (IsFile(file)) return file;
        }
    return {};
}

}  // namespace freedesktop

}  // namespace quellmark
