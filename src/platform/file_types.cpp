#include "platform/file_types.h"

#include <map>
#include <vector>

#include "base/text.h"
#include "platform/command_line.h"
#include "platform/file_types_apps.h"
#include "platform/file_types_mime.h"
#include "platform/icon_theme.h"

namespace quellmark {

namespace {

std::vector<std::string> SplitKey(std::string_view key) {
    std::vector<std::string> parts;
    if (!key.empty() && key.front() == '\\') key.remove_prefix(1);
    if (key.empty()) return parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = key.find('\\', start);
        parts.emplace_back(key.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

}  // namespace

// The keys below one classes root, over one set of base directories.
class TFreedesktopFileTypes::View {
public:
    View(const freedesktop::BaseDirs& dirs, const std::string& theme, int iconPixels)
        : dirs_(dirs),
          mime_(dirs.DataSearchPath()),
          icons_(freedesktop::IconTheme::BaseDirsOf(dirs), theme),
          iconPixels_(iconPixels) {}

    std::optional<std::string> DefaultValue(const std::vector<std::string>& parts) const {
        if (parts.empty()) return std::string();  // the root itself
        for (const std::string& part : parts)
            if (part.empty()) return std::nullopt;
        if (parts[0].front() == '.') {
            if (parts.size() != 1) return std::nullopt;
            std::string type = mime_.TypeOfExtension(parts[0]);
            return type.empty() ? std::nullopt : std::optional(type);
        }
        const std::string type = mime_.Canonical(parts[0]);
        if (!mime_.Knows(type)) return std::nullopt;
        if (parts.size() == 1) return std::string();
        if (SameText(parts[1], "DefaultIcon")) {
            if (parts.size() != 2) return std::nullopt;
            const std::string file = IconFile(type);
            return file.empty() ? std::nullopt : std::optional(file + ",0");
        }
        static const char* const kCommandPath[] = {"Shell", "Open", "Command"};
        if (parts.size() > 4) return std::nullopt;
        for (std::size_t i = 1; i < parts.size(); ++i)
            if (!SameText(parts[i], kCommandPath[i - 1])) return std::nullopt;
        const std::string command = Command(type);
        if (command.empty()) return std::nullopt;
        return parts.size() == 4 ? command : std::string();
    }

private:
    std::string IconFile(const std::string& type) const {
        if (const auto known = iconFiles_.find(type); known != iconFiles_.end()) return known->second;
        std::string found;
        for (const std::string& name : mime_.IconNames(type)) {
            const std::string file = icons_.Find(name, iconPixels_);
            // The icon location ends at its first comma: a path with one could not be read back.
            if (!file.empty() && file.find(',') == std::string::npos) {
                found = file;
                break;
            }
        }
        return iconFiles_[type] = found;
    }

    // The default application's whole command line, or "".
    std::string Command(const std::string& type) const {
        if (const auto known = commands_.find(type); known != commands_.end()) return known->second;
        if (!apps_) apps_ = std::make_unique<freedesktop::MimeApps>(dirs_);
        std::vector<std::string> names{type};
        for (const std::string& alias : mime_.AliasesOf(type)) names.push_back(alias);
        std::string line;
        // The command quotes the program as it is: a quotation mark inside it would end the path early.
        if (const auto command = apps_->DefaultCommand(names); command && command->program.find('"') == std::string::npos)
            line = MakeCommandLine(command->program, command->arguments);
        return commands_[type] = line;
    }

    freedesktop::BaseDirs dirs_;
    freedesktop::MimeDatabase mime_;
    freedesktop::IconTheme icons_;
    int iconPixels_;
    mutable std::unique_ptr<freedesktop::MimeApps> apps_;  // read on the first command asked for
    mutable std::map<std::string, std::string> iconFiles_, commands_;
};

TFreedesktopFileTypes::TFreedesktopFileTypes(const freedesktop::BaseDirs& dirs, std::string iconTheme, int iconPixels) {
    if (iconTheme.empty()) iconTheme = freedesktop::IconTheme::ChosenThemeName(dirs);
    classes_ = std::make_unique<View>(dirs, iconTheme, iconPixels);
    machine_ = std::make_unique<View>(dirs.WithoutUserFiles(), iconTheme, iconPixels);
}

TFreedesktopFileTypes::~TFreedesktopFileTypes() = default;

std::shared_ptr<const TFreedesktopFileTypes> TFreedesktopFileTypes::FromEnvironment(std::string iconTheme, int iconPixels) {
    return std::make_shared<TFreedesktopFileTypes>(freedesktop::BaseDirs::FromEnvironment(), std::move(iconTheme),
                                                   iconPixels);
}

std::optional<std::string> TFreedesktopFileTypes::DefaultValue(TRootKey root, std::string_view key) const {
    std::vector<std::string> parts = SplitKey(key);
    if (root == TRootKey::ClassesRoot) return classes_->DefaultValue(parts);
    // The local machine holds nothing here but the system's file types below Software\Classes.
    if (parts.empty()) return std::string();
    if (!SameText(parts[0], "Software")) return std::nullopt;
    if (parts.size() == 1) return std::string();
    if (!SameText(parts[1], "Classes")) return std::nullopt;
    parts.erase(parts.begin(), parts.begin() + 2);
    return machine_->DefaultValue(parts);
}

}  // namespace quellmark
