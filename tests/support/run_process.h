#pragma once
// Runs the built `ozv` as a separate process, as a user would.
#include <map>
#include <string>
#include <vector>

namespace quellmark {

struct ProcessResult {
    int status = -1;  // exit status, or -1 when it did not exit normally (a crash)
    std::string out;
    std::string err;
};

// Runs ozv with `args`, `input` on standard input, and `env` added to the
// environment (OZV_PASSWORD is removed unless given). No terminal is attached.
ProcessResult RunOzvProcess(const std::vector<std::string>& args, const std::string& input = {},
                            const std::map<std::string, std::string>& env = {});

}  // namespace quellmark
