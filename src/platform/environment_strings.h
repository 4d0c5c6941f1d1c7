#pragma once
// %NAME% references in text, as icon locations and command lines carry them.
#include <string>

namespace quellmark {

// Replaces each %NAME% by the value of the environment variable NAME. A name
// that is not set stays as written, percent signs and all; so does a lone %.
std::string ExpandEnvironmentStrings(const std::string& text);

}  // namespace quellmark
