#pragma once
// The `ozv` command-line tool.
#include <functional>
#include <string>
#include <vector>

#include "base/exception.h"

namespace quellmark {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitBadContainer = 3;  // wrong password, damaged container or not a container

// A wrong password, a damaged container or a file that is no container (exit status 3).
class EBadContainer : public Exception {
public:
    using Exception::Exception;
};

// Runs `ozv` with the arguments after the program name; returns the exit
// status. The system's own failures (Exception and its kinds, usage errors,
// a lack of memory) become a message and their status; anything else
// escapes, so that the fuzzer, which calls this directly, still finds it.
int RunOzv(const std::vector<std::string>& args);

// Runs `run` and returns its status; an exception that escapes it becomes a
// message on standard error and exit status 1 instead of an abort.
int ReportEscapes(const std::function<int()>& run);

// The program's entry: RunOzv under ReportEscapes.
int OzvMain(const std::vector<std::string>& args);

}  // namespace quellmark
