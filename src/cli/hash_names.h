#pragma once
// The names `ozv hash -a` accepts for each catalogue hash, and the notes on
// catalogue hashes whose digests differ from what other tools print.
#include <string>
#include <string_view>
#include <vector>

#include "crypto/hash.h"

namespace quellmark {

// Lower-case letters and digits only: "SHA-1", "sha1" and "Sha_1" all give "sha1".
std::string NormalizedHashName(std::string_view name);

// The hash that `name` means: its display name, short or full class name or
// a common spelling, compared without regard to case and punctuation;
// nullptr when none.
const THashClass* FindHashByAnyName(std::string_view name);

// Every name a hash is accepted by, display name first.
std::vector<std::string> AcceptedHashNames(const THashClass& cls);

// One short sentence where the digest is not the one other tools print; "" otherwise.
std::string HashNote(const THashClass& cls);

}  // namespace quellmark
