#include "platform/file_types_mime.h"

#include <algorithm>
#include <fnmatch.h>
#include <fstream>

#include "platform/file_types_key_file.h"

namespace quellmark {

namespace freedesktop {
namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::vector<std::string> Fields(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = line.find(separator, start);
        fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return fields;
        start = end + 1;
    }
}

template <class Lines>
void ForEachLine(const std::string& path, Lines&& handle) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        handle(line);
    }
}

}  // namespace

MimeDatabase::MimeDatabase(const std::vector<std::string>& dataDirs) {
    for (const std::string& dir : dataDirs) {
        const std::string mimeDir = dir + "/mime";
        ReadGlobs(mimeDir);
        ReadPairs(mimeDir + "/aliases", ' ', aliases_);
        ReadPairs(mimeDir + "/icons", ':', icons_);
        ReadPairs(mimeDir + "/generic-icons", ':', genericIcons_);
        ReadTypes(mimeDir + "/types");
    }
    for (const auto& entry : aliases_) {
        known_.insert(entry.first);
        known_.insert(entry.second);
    }
}

void MimeDatabase::ReadGlobs(const std::string& mimeDir) {
    std::set<std::string, std::less<>> sealedHere;
    ForEachLine(mimeDir + "/globs2", [&](const std::string& line) {
        const std::vector<std::string> f = Fields(line, ':');
        if (f.size() < 3 || f[1].empty() || f[2].empty()) return;
        const std::string type = Lower(f[1]);
        known_.insert(type);
        if (f[2] == "__NOGLOBS__") {
            sealedHere.insert(type);
            return;
        }
        // A more important directory declared its globs for this type complete.
        if (sealed_.count(type)) return;
        // Only extension globs matter: "Makefile" or "README*" name no extension.
        if (f[2].size() < 3 || f[2].compare(0, 2, "*.") != 0) return;
        int weight = 0;
        try {
            weight = std::stoi(f[0]);
        } catch (const std::exception&) {
            return;
        }
        bool caseSensitive = false;
        if (f.size() > 3)
            for (const std::string& flag : SplitList(f[3], ',')) caseSensitive = caseSensitive || flag == "cs";
        const std::string suffix = f[2].substr(2);
        globs_.push_back({weight, type, suffix, Lower(suffix), caseSensitive, f[2].size()});
    });
    sealed_.insert(sealedHere.begin(), sealedHere.end());
}

void MimeDatabase::ReadPairs(const std::string& path, char separator,
                             std::map<std::string, std::string, std::less<>>& into) {
    ForEachLine(path, [&](const std::string& line) {
        const std::size_t at = line.find(separator);
        if (at == std::string::npos || at == 0 || at + 1 == line.size()) return;
        // try_emplace: what a more important directory said first stands.
        into.try_emplace(Lower(line.substr(0, at)), line.substr(at + 1));
    });
}

void MimeDatabase::ReadTypes(const std::string& path) {
    ForEachLine(path, [&](const std::string& line) { known_.insert(Lower(line)); });
}

std::string MimeDatabase::TypeOfExtension(std::string_view extension) const {
    if (extension.size() < 2 || extension.front() != '.') return {};
    const std::string name(extension.substr(1));
    // The name as written first, so that "*.C" and "*.c" stay apart; then letter case ignored.
    const Glob* best = BestGlob(name, true);
    if (!best) best = BestGlob(Lower(name), false);
    return best ? best->type : std::string();
}

const MimeDatabase::Glob* MimeDatabase::BestGlob(const std::string& name, bool caseSensitive) const {
    const Glob* best = nullptr;
    for (const Glob& glob : globs_) {
        if (!caseSensitive && glob.caseSensitive) continue;
        if (fnmatch((caseSensitive ? glob.suffix : glob.lowerSuffix).c_str(), name.c_str(), 0) != 0) continue;
        // Heavier globs win, then longer (more specific) ones; ties keep the earlier, more important one.
        if (!best || glob.weight > best->weight ||
            (glob.weight == best->weight && glob.patternLength > best->patternLength))
            best = &glob;
    }
    return best;
}

bool MimeDatabase::Knows(std::string_view type) const { return known_.count(Lower(type)) != 0; }

std::string MimeDatabase::Canonical(std::string_view type) const {
    const std::string lower = Lower(type);
    const auto alias = aliases_.find(lower);
    return alias == aliases_.end() ? lower : Lower(alias->second);
}

std::vector<std::string> MimeDatabase::AliasesOf(std::string_view type) const {
    const std::string canonical = Canonical(type);
    std::vector<std::string> aliases;
    for (const auto& [alias, target] : aliases_)
        if (Lower(target) == canonical) aliases.push_back(alias);
    return aliases;
}

std::vector<std::string> MimeDatabase::IconNames(std::string_view type) const {
    const std::string canonical = Canonical(type);
    std::vector<std::string> names;
    auto add = [&](const std::string& name) {
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    };
    if (const auto icon = icons_.find(canonical); icon != icons_.end()) add(icon->second);
    std::string dashed = canonical;
    std::replace(dashed.begin(), dashed.end(), '/', '-');
    add(dashed);
    if (const auto generic = genericIcons_.find(canonical); generic != genericIcons_.end()) add(generic->second);
    add(canonical.substr(0, canonical.find('/')) + "-x-generic");
    return names;
}

}  // namespace freedesktop

}  // namespace quellmark
