#pragma once
// Walking below a directory without ever following a symbolic link, so that
// names taken from an archive cannot lead a write anywhere else.
#include <string>

namespace quellmark {

// Opens the directory `relative` ("a/b", may be empty) beneath `base`,
// creating what is missing (base included) when `create` is set. Every
// component must be a real directory, not a link. Returns a descriptor, or
// -1 with errno set.
int OpenDirectoryBeneath(const std::string& base, const std::string& relative, bool create);

}  // namespace quellmark
