#pragma once
// Strict UTF-8 and UTF-16LE conversions for the registry's text form, which
// Windows writes in UTF-16 and we write in UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace quellmark {

// No overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);
// Nullopt for an odd byte count or an unpaired surrogate.
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes);
// Nullopt when `text` is not valid UTF-8.
std::optional<std::string> Utf8ToUtf16Le(std::string_view text);

}  // namespace quellmark
