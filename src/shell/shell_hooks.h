#pragma once
// What the shell operations need from the platform layer, as plain function
// hooks: the program entry joins them to the real launcher and environment
// expansion, tests to fakes.
#include <functional>
#include <string>
#include <vector>

namespace quellmark {

// Starts `file` (with `verb` "open" and a program: that program with
// `parameters` as its one argument; with no verb: the file's default
// application). Returns a value above 32 on success, else the shell's error code.
using ShellExecuteHook =
    std::function<int(const std::string& verb, const std::string& file, const std::string& parameters)>;

// Starts `program` with `arguments`, each one argument as it is. Returns a
// value above 32 on success, else the shell's error code.
using StartProgramHook = std::function<int(const std::string& program, const std::vector<std::string>& arguments)>;

// Replaces %NAME% by the environment variable's value.
using ExpandEnvironmentHook = std::function<std::string(const std::string& text)>;

}  // namespace quellmark
