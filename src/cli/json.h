#pragma once
// The little JSON that `ozv --json` writes: strings, escaped here.
#include <string>
#include <string_view>

namespace quellmark {

// `text` as a JSON string, quotes included. UTF-8 passes through unchanged;
// quotes, backslashes and control characters are escaped. A byte that is not
// part of a well-formed UTF-8 sequence (a stray continuation byte, a cut
// sequence, an overlong form, a surrogate or a code point above U+10FFFF)
// becomes U+FFFD, one per bad byte, so the output is always valid JSON.
std::string JsonString(std::string_view text);

}  // namespace quellmark
