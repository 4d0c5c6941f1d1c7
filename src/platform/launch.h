#pragma once
// Handing a program or a document to the desktop, in place of the Windows
// shell's ShellExecute, with its result codes.
//
// With the verb "open" and a program, the program starts with the parameter
// string as its one argument. Without a verb, the file or address goes to the
// default application of its type through xdg-open, and the parameter string
// is not used: a document never runs as a program, even when it is marked
// executable. Started programs are detached: they outlive us and never
// become zombies.
//
// What can go wrong is checked before starting: the file or its directory
// missing, no permission, a program without execute permission, and whether
// the desktop names a default application for the type at all (as
// `xdg-mime query default` answers it). A handler that fails after it has
// started is not seen: xdg-open may run as long as the application it opens,
// so nothing waits for it.
#include <string>
#include <vector>

namespace quellmark {

// The shell's result codes; any value above 32 means success.
enum : int {
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_PATH_NOT_FOUND = 3,
    SE_ERR_ACCESSDENIED = 5,
    SE_ERR_OOM = 8,
    ERROR_BAD_FORMAT = 11,
    SE_ERR_NOASSOC = 31,
};
inline constexpr int kShellExecuteSucceeded = 42;

// `operation` is empty (the default action) or "open"; any other verb has no
// handler here (SE_ERR_NOASSOC). `file` is a path, a program found on PATH
// (with "open"), or an address with a scheme such as https: or mailto:.
int ShellExecute(const std::string& operation, const std::string& file, const std::string& parameters);

// Starts `program` (a path, or a name found on PATH) detached, with
// `arguments` as its arguments, each passed as it is. The same checks and
// codes as ShellExecute with "open".
int StartProgram(const std::string& program, const std::vector<std::string>& arguments);

// The shell code for a failed start with this errno.
int ShellCodeOfErrno(int error);

}  // namespace quellmark
