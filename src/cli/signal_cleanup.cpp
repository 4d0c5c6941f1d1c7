#include "cli/signal_cleanup.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

#include "base/exception.h"

namespace quellmark {

namespace {

// The paths live in plain arrays, so that the signal handler touches no heap.
constexpr int kSlots = 8;
char paths[kSlots][PATH_MAX] = {};
volatile sig_atomic_t inUse[kSlots] = {};
int slotsTaken = 0;

const int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previousActions[std::size(kCleanedSignals)];

// Removes every held path with rm -rf: fork and exec are safe in a signal
// handler, where walking a directory tree with the library is not.
void RemoveOnSignal(int signal) {
    static char rm[] = "rm", force[] = "-rf", endOfOptions[] = "--";
    static char* argv[kSlots + 4];
    int count = 0;
    argv[count++] = rm;
    argv[count++] = force;
    argv[count++] = endOfOptions;
    for (int i = 0; i < kSlots; ++i)
        if (inUse[i]) argv[count++] = paths[i];
    argv[count] = nullptr;
    if (count > 3) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::execv("/bin/rm", argv);
            ::_exit(127);
        }
        if (child > 0)
            while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
            }
    }
    // Die of the signal as the program would have without this handler.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void InstallHandlers() {
    struct sigaction action {};
    action.sa_handler = RemoveOnSignal;
    sigemptyset(&action.sa_mask);
    // A second Ctrl+C waits until the first one's removal is done.
    for (const int signal : kCleanedSignals) sigaddset(&action.sa_mask, signal);
    for (std::size_t i = 0; i < std::size(kCleanedSignals); ++i)
        ::sigaction(kCleanedSignals[i], &action, &previousActions[i]);
}

void RestoreHandlers() {
    for (std::size_t i = 0; i < std::size(kCleanedSignals); ++i)
        ::sigaction(kCleanedSignals[i], &previousActions[i], nullptr);
}

}  // namespace

RemovedOnSignal::RemovedOnSignal(const std::string& path) : slot_(-1) {
    if (path.size() >= PATH_MAX) throw Exception("the name \"" + path + "\" is too long");
    for (int i = 0; i < kSlots && slot_ < 0; ++i)
        if (!inUse[i]) slot_ = i;
    if (slot_ < 0) throw Exception("too many temporary files at once");
    // The path is in place before the handler may read it.
    std::memcpy(paths[slot_], path.c_str(), path.size() + 1);
    inUse[slot_] = 1;
    if (slotsTaken++ == 0) InstallHandlers();
}

RemovedOnSignal::~RemovedOnSignal() {
    inUse[slot_] = 0;
    if (--slotsTaken == 0) RestoreHandlers();
}

}  // namespace quellmark
