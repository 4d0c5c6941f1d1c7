#pragma once
// A progress bar on standard error, shown only when it is a terminal and the
// work is long enough to be worth watching.
#include "crypto/protection.h"

namespace quellmark {

// A progress handler that draws the bar; empty when standard error is no terminal.
TProgressEvent TerminalProgress(const char* label);

}  // namespace quellmark
