#include "cli/extract_choices.h"

#include <cstdio>
#include <filesystem>
#include <fnmatch.h>
#include <set>

#include "base/exception.h"

namespace quellmark {

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    quoted += text;
    return quoted += '"';
}

bool Selects(const std::string& pattern, const std::string& name) {
    if (name == pattern || ::fnmatch(pattern.c_str(), name.c_str(), 0) == 0) return true;
    // A folder selects what is beneath it, with or without a trailing "/".
    std::string folder = pattern;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return name.size() > folder.size() && name.compare(0, folder.size(), folder) == 0 && name[folder.size()] == '/';
}

enum class Answer { Yes, No, All, None };

// Asks on the terminal whether to replace `path`; repeats on an answer it
// does not know. The end of input counts as "None": nothing more is replaced.
Answer AskAboutExisting(const std::string& path) {
    for (;;) {
        std::fprintf(stderr, "replace %s? [y]es, [n]o, [A]ll, [N]one: ", Quoted(path).c_str());
        std::fflush(stderr);
        char line[64];
        if (!std::fgets(line, sizeof line, stdin)) {
            std::fputc('\n', stderr);
            return Answer::None;
        }
        switch (line[0]) {
        case 'y':
        case 'Y': return Answer::Yes;
        case 'n': return Answer::No;
        case 'A': return Answer::All;
        case 'N': return Answer::None;
        default: break;
        }
    }
}

}  // namespace

std::vector<std::string> SelectMatching(const std::vector<std::string>& names, const std::vector<std::string>& patterns,
                                        std::vector<bool>& used) {
    std::vector<std::string> selected;
    std::set<std::string> seen;
    used.resize(patterns.size(), false);
    for (const auto& name : names) {
        bool wanted = patterns.empty();
        for (std::size_t i = 0; i < patterns.size(); ++i)
            if (Selects(patterns[i], name)) wanted = used[i] = true;
        if (wanted && seen.insert(name).second) selected.push_back(name);
    }
    return selected;
}

std::string UnmatchedPatterns(const std::vector<std::string>& patterns, const std::vector<bool>& used) {
    std::string unmatched;
    for (std::size_t i = 0; i < patterns.size(); ++i)
        if (i >= used.size() || !used[i]) unmatched += (unmatched.empty() ? "" : ", ") + Quoted(patterns[i]);
    return unmatched;
}

std::vector<std::string> SelectEntries(const std::vector<std::string>& names, const std::vector<std::string>& patterns,
                                       const std::string& containerLabel) {
    std::vector<bool> used;
    std::vector<std::string> selected = SelectMatching(names, patterns, used);
    const std::string unmatched = UnmatchedPatterns(patterns, used);
    if (!unmatched.empty())
        throw Exception("nothing in " + containerLabel + " matches " + unmatched +
                        "; nothing was extracted (\"ozv list\" shows the names it holds)");
    return selected;
}

std::vector<std::string> ChooseWhatToWrite(const std::vector<std::string>& entries, const std::string& directory,
                                           ExistingFiles policy, bool terminal, std::vector<std::string>& kept) {
    std::vector<std::string> chosen;
    for (const auto& entry : entries) {
        const std::string target = (fs::path(directory) / entry).string();
        std::error_code error;
        const auto status = fs::symlink_status(target, error);
        if (!fs::exists(status)) {
            chosen.push_back(entry);
            continue;
        }
        if (policy == ExistingFiles::Keep) {
            kept.push_back(target);
            continue;
        }
        if (fs::is_directory(status))
            throw Exception(Quoted(target) + " is a folder, where the container has a file of that name; "
                            "nothing was extracted (choose another place with -d)");
        if (policy == ExistingFiles::Ask) {
            if (!terminal)
                throw Exception(Quoted(target) + " already exists; nothing was extracted. Give --overwrite to "
                                "replace existing files, or --keep to leave them");
            switch (AskAboutExisting(target)) {
            case Answer::Yes: break;
            case Answer::All: policy = ExistingFiles::Overwrite; break;
            case Answer::None: policy = ExistingFiles::Keep; [[fallthrough]];
            case Answer::No: kept.push_back(target); continue;
            }
        }
        chosen.push_back(entry);
    }
    return chosen;
}

}  // namespace quellmark
