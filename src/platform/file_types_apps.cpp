#include "platform/file_types_apps.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <unistd.h>

#include "platform/command_line.h"
#include "platform/file_types_key_file.h"

namespace quellmark {

namespace freedesktop {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// The full path of a program that can be run, or "".
std::string RunnableProgram(const std::string& name, const std::vector<std::string>& searchPath) {
    const std::string program = ResolveProgram(name, searchPath);
    std::error_code ignored;
    if (program.empty() || !fs::is_regular_file(program, ignored) || access(program.c_str(), X_OK) != 0) return {};
    return program;
}

// The user's terminal emulator, as words to put before the command it is to
// run. TERMINAL names it: a name alone takes "-e" before the command, a name
// with options is taken as the whole prefix ("kitty --hold", "foot --").
// Otherwise the system's choice, then a few that take "-e" the same way.
std::vector<std::string> FindTerminal(const BaseDirs& dirs) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : dirs.terminal + " ") {
        if (c != ' ' && c != '\t') {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!words.empty()) {
        if (std::string program = RunnableProgram(words.front(), dirs.programPath); !program.empty()) {
            words.front() = program;
            if (words.size() == 1) words.push_back("-e");
            return words;
        }
    }
    for (const char* name : {"x-terminal-emulator", "xterm", "konsole", "alacritty", "urxvt"})
        if (std::string program = RunnableProgram(name, dirs.programPath); !program.empty()) return {program, "-e"};
    return {};
}

bool IsDeprecatedCode(char c) {
    return c == 'd' || c == 'D' || c == 'n' || c == 'N' || c == 'v' || c == 'm';
}

}  // namespace

MimeApps::MimeApps(const BaseDirs& dirs) : dirs_(dirs), terminal_(FindTerminal(dirs)) {
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
                entry.mimeTypes = SplitList(file->ValueOr("Desktop Entry", "MimeType", ""), ';');
                const DesktopEntryFields fields{
                    UnescapeString(file->ValueOr("Desktop Entry", "Icon", "")),
                    UnescapeString(file->LocalizedValueOr("Desktop Entry", "Name", dirs.messagesLocale, "")),
                    entry.path};
                std::optional<ExecCommand> command;
                if (const auto words = SplitExec(file->ValueOr("Desktop Entry", "Exec", "")))
                    command = ExpandFieldCodes(*words, fields);
                if (command) entry.command = std::move(*command);
                entry.terminal = file->ValueOr("Desktop Entry", "Terminal", "false") == "true";
                // A program that needs a terminal would run with none when started
                // detached, and one without a valid command line cannot be started at all.
                entry.unusable = file->ValueOr("Desktop Entry", "Hidden", "false") == "true" || !command ||
                                 (entry.terminal && terminal_.empty());
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

std::optional<ExecCommand> MimeApps::DefaultCommand(const std::vector<std::string>& names) const {
    const std::string id = DefaultApplication(names);
    if (id.empty()) return std::nullopt;
    const Entry& entry = *Installed(id);
    const std::string program = ResolveProgram(entry.command.program, dirs_.programPath);
    if (program.empty()) return std::nullopt;
    if (!entry.terminal) return ExecCommand{program, entry.command.arguments};

    ExecCommand inTerminal{terminal_.front(), {}};
    for (std::size_t i = 1; i < terminal_.size(); ++i) inTerminal.arguments.push_back(LiteralArgument(terminal_[i]));
    inTerminal.arguments.push_back(LiteralArgument(program));
    for (const std::string& argument : entry.command.arguments) inTerminal.arguments.push_back(argument);
    return inTerminal;
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
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) return std::nullopt;
    if (inWord) words.push_back(word);
    return words;
}

std::optional<ExecCommand> ExpandFieldCodes(const std::vector<std::string>& words, const DesktopEntryFields& fields) {
    if (words.empty()) return std::nullopt;
    ExecCommand command;
    // The program's name holds no field code, only "%%" for a percent sign.
    const std::string& name = words.front();
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '%' && i + 1 < name.size()) {
            if (std::isalpha(static_cast<unsigned char>(name[i + 1]))) return std::nullopt;
            if (name[i + 1] == '%') ++i;
        }
        command.program += name[i];
    }
    if (command.program.empty()) return std::nullopt;

    bool namesDocument = false;
    for (std::size_t w = 1; w < words.size(); ++w) {
        const std::string& word = words[w];
        // The codes that may stand only on their own.
        if (word == "%F" || word == "%U") {
            command.arguments.emplace_back(kDocumentArgument);
            namesDocument = true;
            continue;
        }
        if (word == "%i") {
            if (!fields.icon.empty()) {
                command.arguments.emplace_back("--icon");
                command.arguments.push_back(LiteralArgument(fields.icon));
            }
            continue;
        }
        std::string argument;
        bool onlyDropped = !word.empty();
        for (std::size_t i = 0; i < word.size(); ++i) {
            const char c = word[i];
            // A "%" before anything but a letter is an ordinary character.
            if (c != '%' || i + 1 == word.size() || !std::isalpha(static_cast<unsigned char>(word[i + 1]))) {
                argument += LiteralArgument(std::string_view(&c, 1));
                if (c == '%' && i + 1 < word.size() && word[i + 1] == '%') ++i;
                onlyDropped = false;
                continue;
            }
            const char code = word[++i];
            if (IsDeprecatedCode(code)) continue;
            onlyDropped = false;
            switch (code) {
                case 'f':
                case 'u':
                    argument += kDocumentArgument;
                    namesDocument = true;
                    break;
                case 'c': argument += LiteralArgument(fields.name); break;
                case 'k': argument += LiteralArgument(fields.location); break;
                default: return std::nullopt;  // %F %U %i within a word, or a code that does not exist
            }
        }
        if (!onlyDropped) command.arguments.push_back(argument);
    }
    if (!namesDocument) command.arguments.emplace_back(kDocumentArgument);
    return command;
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
