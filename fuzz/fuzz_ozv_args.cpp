// `ozv`'s command line from arbitrary bytes: up to three invocations (split
// at byte 0x01), each a list of arguments (split at NUL), run one after the
// other in a fresh working directory, so that one can make a container and
// the next list or extract it.
//
// Arguments with "/" or ".." are dropped: they would let the tool write
// where the user told it to, outside the sandbox, which is not a fault.
// Standard input is empty and the password comes from OZV_PASSWORD, so
// nothing waits for a terminal; the search path leads nowhere, so no mail
// program is started.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli/ozv.h"
#include "sandbox.h"

using namespace quellmark;

namespace {
int startDirectory = -1;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startDirectory = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int empty = ::open("/dev/null", O_RDONLY);
    ::dup2(empty, STDIN_FILENO);
    ::close(empty);
    ::setenv("OZV_PASSWORD", "quellmark", 1);
    // "ozv create ... --mail" starts xdg-email, found on the search path: on
    // one that leads nowhere (an empty one means the usual directories), the
    // fuzzer never opens the user's mail program.
    ::setenv("PATH", "/nonexistent", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::vector<std::string>> invocations(1);
    std::string argument;
    auto endArgument = [&] {
        if (argument.find('/') == std::string::npos && argument.find("..") == std::string::npos)
            invocations.back().push_back(argument);
        argument.clear();
    };
    for (size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\0') {
            endArgument();
        } else if (c == '\x01') {
            endArgument();
            if (invocations.size() == 3) break;
            invocations.emplace_back();
        } else {
            argument += c;
        }
    }
    endArgument();

    const std::string dir = Sandbox().NewCase();
    ::setenv("TMPDIR", dir.c_str(), 1);
    if (::chdir(dir.c_str()) != 0) std::abort();
    for (const auto& args : invocations) RunOzv(args);
    // Back where libFuzzer started: it reads and writes its corpus by relative paths.
    if (::fchdir(startDirectory) != 0) std::abort();
    Sandbox().EndCase();
    return 0;
}
