#pragma once
// Unique temporary files: a name from a given file name, a time stamp and a
// six-digit counter, created exclusively so that no two callers, in this
// process or another, ever share one.
#include <string>

namespace quellmark {

// Creates a new empty file in `directory` and returns its full path (or only
// its file name). Throws Exception("Failed 1000 times to create a temp file.")
// when 1000 candidate names could not be created.
std::string CreateUniqueFile(const std::string& directory, const std::string& name, bool fullPath);

// The text with its trailing decimal number increased by one, fitted to
// `width` (the text's length when 0), zero-padded to the width when `pad`.
std::string IncrementSuffix(const std::string& text, int width, bool pad);

}  // namespace quellmark
