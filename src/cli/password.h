#pragma once
// Where `ozv` takes a password from, and the code page it is keyed in.
#include <string>

#include "cli/options.h"

namespace quellmark {

// The password as the bytes to key: from -p, --password-file, OZV_PASSWORD or
// a prompt without echo, converted to the code page of --codepage (CP1252 by
// default). `confirm` asks twice at a prompt. `stdinBusy` forbids reading the
// password from standard input when it carries the data.
// Throws UsageError when none is given or it cannot be represented.
std::string ObtainPassword(const Invocation& inv, bool confirm, bool stdinBusy);

}  // namespace quellmark
