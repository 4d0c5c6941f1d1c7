#pragma once
// The two path questions the shell operations ask.
#include <string>
#include <string_view>

namespace quellmark {

// The extension of the last path component, from its last dot on, dot
// included; "" when it has no dot.
std::string ExtractFileExt(std::string_view path);

// Whether a regular file (or a link to one) exists at `path`.
bool FileExists(const std::string& path);

}  // namespace quellmark
