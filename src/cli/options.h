#pragma once
// The command line of `ozv`: a command, its operands and options in any
// order, "--" ending the options.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quellmark {

struct Invocation {
    std::string command;
    std::vector<std::string> operands;
    std::map<std::string, std::string> values;  // option (long form) -> value; "" for a flag
    // Each -C DIR in order, with the number of operands given before it.
    std::vector<std::pair<std::size_t, std::string>> directoryChanges;

    bool Has(const std::string& option) const { return values.count(option) != 0; }
    std::optional<std::string> Value(const std::string& option) const {
        auto it = values.find(option);
        return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
};

// A usage error: the message is shown with a pointer to --help and exit status 2.
struct UsageError {
    std::string message;
};

// Parses argv[1..]; throws UsageError on an unknown option or a missing value.
Invocation ParseCommandLine(const std::vector<std::string>& args);

// Refuses options that `inv.command` does not take.
void CheckOptionsAllowed(const Invocation& inv, const std::vector<std::string>& allowed);

}  // namespace quellmark
