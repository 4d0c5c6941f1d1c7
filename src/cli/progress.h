#pragma once
// A progress bar on standard error, shown only when it is a terminal and the
// work is long enough to be worth watching.
#include <functional>

#include "crypto/protection.h"

namespace quellmark {

// A progress handler that draws the bar; empty when standard error is no terminal.
TProgressEvent TerminalProgress(const char* label);

// The same bar for work that reports `done` of `total` bytes (0 of 0 at its
// end); empty when standard error is no terminal.
std::function<void(int64_t done, int64_t total)> TerminalByteProgress(const char* label);

}  // namespace quellmark
