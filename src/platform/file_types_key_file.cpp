#include "platform/file_types_key_file.h"

#include <fstream>
#include <sstream>

#include "base/text.h"

namespace quellmark {

namespace freedesktop {

KeyFile KeyFile::Parse(std::string_view text) {
    KeyFile file;
    std::map<std::string, std::string, std::less<>>* group = nullptr;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        if (trimmed.front() == '[' && trimmed.back() == ']') {
            group = &file.groups_[trimmed.substr(1, trimmed.size() - 2)];
            continue;
        }
        const std::size_t equals = trimmed.find('=');
        // Lines before the first group, or without "=", carry nothing we can use.
        if (!group || equals == std::string::npos) continue;
        group->try_emplace(Trim(std::string_view(trimmed).substr(0, equals)),
                           Trim(std::string_view(trimmed).substr(equals + 1)));
    }
    return file;
}

std::optional<KeyFile> KeyFile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

bool KeyFile::HasGroup(std::string_view group) const { return groups_.find(group) != groups_.end(); }

const std::string* KeyFile::Value(std::string_view group, std::string_view key) const {
    const auto g = groups_.find(group);
    if (g == groups_.end()) return nullptr;
    const auto k = g->second.find(key);
    return k == g->second.end() ? nullptr : &k->second;
}

std::string KeyFile::ValueOr(std::string_view group, std::string_view key, std::string fallback) const {
    const std::string* value = Value(group, key);
    return value ? *value : fallback;
}

std::string KeyFile::LocalizedValueOr(std::string_view group, std::string_view key, std::string_view locale,
                                      std::string fallback) const {
    // The encoding takes no part in the match.
    std::string_view modifier;
    if (const std::size_t at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at);
        locale = locale.substr(0, at);
    }
    locale = locale.substr(0, locale.find('.'));
    const std::string_view lang = locale.substr(0, locale.find('_'));
    const bool hasCountry = lang.size() != locale.size();

    std::vector<std::string> variants;
    if (!lang.empty() && locale != "C" && locale != "POSIX") {
        if (hasCountry && !modifier.empty()) variants.push_back(std::string(locale).append(modifier));
        if (hasCountry) variants.emplace_back(locale);
        if (!modifier.empty()) variants.push_back(std::string(lang).append(modifier));
        variants.emplace_back(lang);
    }
    for (const std::string& variant : variants)
        if (const std::string* value = Value(group, std::string(key) + "[" + variant + "]")) return *value;
    return ValueOr(group, key, std::move(fallback));
}

std::vector<std::string> SplitList(std::string_view value, char separator) {
    std::vector<std::string> items;
    std::string item;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == separator) {
            item += separator;
            ++i;
        } else if (value[i] == separator) {
            if (!item.empty()) items.push_back(item);
            item.clear();
        } else {
            item += value[i];
        }
    }
    if (!item.empty()) items.push_back(item);
    return items;
}

std::string UnescapeString(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
            case 's': out += ' '; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case '\\': out += '\\'; break;
            // Unknown escapes stay as written, so the Exec quoting rules still see them.
            default: out += '\\'; out += value[i]; break;
        }
    }
    return out;
}

}  // namespace freedesktop

}  // namespace quellmark
