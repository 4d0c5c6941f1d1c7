#pragma once
// Starting other programs: detached for good, or waited for with their output.
#include <optional>
#include <string>
#include <vector>

namespace quellmark {

// Starts `program` (a path) with `arguments` in a session of its own, with
// standard input from /dev/null and default signal handling. It is never our
// child once this returns, so it leaves no zombie and outlives us; signals
// sent to our process group or session do not reach it. Returns 0 once the
// program runs, or the errno of the failed start (a failed exec included).
int SpawnDetached(const std::string& program, const std::vector<std::string>& arguments);

// What became of a program started with SpawnDetachedAwaitingExit.
struct DetachedOutcome {
    int startError = 0;             // the errno of a failed start; 0 once it ran
    std::optional<int> exitStatus;  // its exit status (128 + signal when killed), if it ended in time
};

// Starts `program` as SpawnDetached does and waits up to `waitMilliseconds`
// for it to end, for programs that report through their exit status but may
// also stay on (a mail composer started by xdg-email). A program still running
// then is left to run on its own, never our child.
DetachedOutcome SpawnDetachedAwaitingExit(const std::string& program, const std::vector<std::string>& arguments,
                                          int waitMilliseconds);

// Runs `program` (a path) to its end; its standard output when it exited with
// status 0, nullopt otherwise. Its standard error is discarded.
std::optional<std::string> RunForOutput(const std::string& program, const std::vector<std::string>& arguments);

// `name` itself when it holds a slash; otherwise the first executable file of
// that name in the directories of PATH. Empty when there is none.
std::string FindProgram(const std::string& name);

}  // namespace quellmark
