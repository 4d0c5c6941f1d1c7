#pragma once
// Checks every cipher class shares: published vectors from a data file, and
// round trips of blocks and streams.
#include <string>

#include "crypto/cipher.h"

namespace quellmark {

// Keys with each record's Key, enciphers In as one block and expects Out,
// then deciphers Out and expects In. Other fields are left to the caller.
void ExpectBlockVectors(const TCipherClass& cls, const std::string& vectorFile);

}  // namespace quellmark
