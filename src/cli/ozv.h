#pragma once
// The `ozv` command-line tool.
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

// Runs `ozv` with the arguments after the program name; returns the exit status.
int RunOzv(const std::vector<std::string>& args);

}  // namespace quellmark
