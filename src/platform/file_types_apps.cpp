#include "platform/file_types_apps.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <unistd.h>

#include "platform/file_types_key_file.h"

namespace quellmark {

namespace freedesktop {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

MimeApps::MimeApps(const BaseDirs& dirs) : dirs_(dirs) {
    std::vector<std::string> listDirs = dirs.ConfigSearchPath();
    for (const std::string& dir : dirs.DataSearchPath()) listDirs.push_back(dir + "/applications");
    for (const std::string& dir : listDirs) {
        for (const std::string& desktop : dirs.desktops)
            listFiles_.push_back({dir + "/" + desktop + "-mimeapps.list", true});
        listFiles_.push_back({dir + "/mimeapps.list", false});
    }

    for (const std::string& dataDir : dirs.DataSearchPath()) {
        const fs::path applications = fs::path(dataDir) / "applications";
        std::error_code error;
        std::vector<fs::path> found;
        for (fs::recursive_directory_iterator it(applications, fs::directory_options::skip_permission_denied, error), end;
             !error && it != end; it.increment(error))
            if (std::error_code ignored; it->path().extension() == ".desktop" && it->is_regular_file(ignored))
                found.push_back(it->path());
        std::sort(found.begin(), found.end());
        for (const fs::path& path : found) {
            // The desktop file ID: the path below "applications" with "/" turned into "-".
            std::string id = path.lexically_relative(applications).string();
            std::replace(id.begin(), id.end(), '/', '-');
            // A more important folder's entry of the same ID hides this one.
            if (entries_.count(id)) continue;
            Entry entry;
            entry.path = path.string();
            if (const auto file = KeyFile::Load(entry.path)) {
                entry.exec = file->ValueOr("Desktop Entry", "Exec", "");
                entry.mimeTypes = SplitList(file->ValueOr("Desktop Entry", "MimeType", ""), ';');
                // A program that needs a terminal would run with none when started
                // detached, and one without a command line cannot be started at all.
                entry.unusable = file->ValueOr("Desktop Entry", "Hidden", "false") == "true" ||
                                 file->ValueOr("Desktop Entry", "Terminal", "false") == "true" || entry.exec.empty();
            }
            entries_.emplace(id, std::move(entry));
            entryOrder_.push_back(id);
        }
    }
}

const MimeApps::Entry* MimeApps::Installed(const std::string& id) const {
    const auto entry = entries_.find(id);
    return entry == entries_.end() || entry->second.unusable ? nullptr : &entry->second;
}

std::string MimeApps::DefaultApplication(const std::vector<std::string>& names) const {
    std::vector<std::pair<KeyFile, bool>> lists;  // with "desktop-specific"
    for (const ListFile& list : listFiles_)
        if (auto file = KeyFile::Load(list.path)) lists.emplace_back(std::move(*file), list.desktopSpecific);

    auto idsIn = [&](const KeyFile& list, const char* group) {
        std::vector<std::string> ids;
        for (const std::string& name : names)
            for (const std::string& id : SplitList(list.ValueOr(group, name, ""), ';')) ids.push_back(id);
        return ids;
    };

    // A file's removals apply to the less important files and to the entries themselves.
    std::set<std::string> removed;
    for (const auto& [list, desktopSpecific] : lists) {
        for (const std::string& id : idsIn(list, "Default Applications"))
            if (!removed.count(id) && Installed(id)) return id;
        if (!desktopSpecific)
            for (const std::string& id : idsIn(list, "Removed Associations")) removed.insert(id);
    }
    // No default anywhere: the most preferred associated application.
    removed.clear();
    for (const auto& [list, desktopSpecific] : lists) {
        if (desktopSpecific) continue;
        for (const std::string& id : idsIn(list, "Added Associations"))
            if (!removed.count(id) && Installed(id)) return id;
        for (const std::string& id : idsIn(list, "Removed Associations")) removed.insert(id);
    }
    for (const std::string& id : entryOrder_) {
        const Entry* entry = Installed(id);
        if (!entry || removed.count(id)) continue;
        for (const std::string& name : names)
            if (Contains(entry->mimeTypes, name)) return id;
    }
    return {};
}

std::string MimeApps::DefaultProgram(const std::vector<std::string>& names) const {
    const std::string id = DefaultApplication(names);
    if (id.empty()) return {};
    const auto words = SplitExec(Installed(id)->exec);
    if (!words || words->empty()) return {};
    return ResolveProgram(words->front(), dirs_.programPath);
}

std::optional<std::vector<std::string>> SplitExec(std::string_view exec) {
    const std::string text = UnescapeString(exec);
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\') {
                if (++i == text.size()) return std::nullopt;
                word += text[i];
            } else {
                word += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == '%' && i + 1 < text.size() && text[i + 1] == '%') {
            word += '%';
            inWord = true;
            ++i;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) return std::nullopt;
    if (inWord) words.push_back(word);
    return words;
}

std::string ResolveProgram(const std::string& program, const std::vector<std::string>& searchPath) {
    if (program.empty()) return {};
    if (program.front() == '/') return program;
    // "bin/tool" would depend on the working directory: not a program we can name.
    if (program.find('/') != std::string::npos) return {};
    for (const std::string& dir : searchPath) {
        const std::string candidate = dir + "/" + program;
        std::error_code ignored;
        if (fs::is_regular_file(candidate, ignored) && access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

}  // namespace freedesktop

}  // namespace quellmark
