#pragma once
// `ozv hash --list` and `ozv hash --check`.
#include <string>

#include "crypto/managers.h"

namespace quellmark {

// Prints every hash with the names it is accepted by and its note, if any.
void PrintHashList();

// Verifies each "<hex digest>  <file>" line of `listFile` ("-": standard
// input) with `manager`'s hash, as sha256sum -c does: "NAME: OK" or
// "NAME: FAILED" per line, a warning summary on standard error, and 1 when
// anything failed or no line could be read.
int CheckHashList(THashManager& manager, const std::string& listFile);

// The digest of a file, or of standard input for "-"; throws on read errors.
std::string DigestOfFile(THashManager& manager, const std::string& file);

}  // namespace quellmark
