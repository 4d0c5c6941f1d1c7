#pragma once
// The "key file" text format shared by desktop entries, icon theme indexes,
// mimeapps.list and GTK settings: [Group] headers, key=value lines, comments.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellmark {

namespace freedesktop {

class KeyFile {
public:
    static KeyFile Parse(std::string_view text);
    // nullopt when the file cannot be read.
    static std::optional<KeyFile> Load(const std::string& path);

    bool HasGroup(std::string_view group) const;
    // The raw value, or nullptr when the group or the key is missing.
    const std::string* Value(std::string_view group, std::string_view key) const;
    std::string ValueOr(std::string_view group, std::string_view key, std::string fallback) const;
    // The value of a key that may be translated ("Name[de_DE]"), in the
    // variant that best matches `locale` (a value of LC_MESSAGES such as
    // "de_DE.UTF-8@euro"): lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER,
    // lang, then the key itself; `fallback` when none is there.
    std::string LocalizedValueOr(std::string_view group, std::string_view key, std::string_view locale,
                                 std::string fallback) const;

private:
    // The first occurrence of a group or key counts; files should not repeat them.
    std::map<std::string, std::map<std::string, std::string, std::less<>>, std::less<>> groups_;
};

// A list value split at `separator`; "\<separator>" stands for the character
// itself and empty items are dropped.
std::vector<std::string> SplitList(std::string_view value, char separator);

// The escapes of string values: \s \n \t \r and \\.
std::string UnescapeString(std::string_view value);

}  // namespace freedesktop

}  // namespace quellmark
