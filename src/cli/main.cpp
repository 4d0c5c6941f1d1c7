#include <csignal>

#include "cli/ozv.h"

using namespace quellmark;

int main(int argc, char** argv) {
    // A closed output pipe (ozv ... | head) is reported as a write error, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    return OzvMain(std::vector<std::string>(argv + 1, argv + argc));
}
