#include "platform/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quellmark {

namespace {

// The argument vector, built before fork: a forked child of a process with
// threads may only call async-signal-safe functions, so no allocation there.
class Argv {
public:
    Argv(const std::string& program, const std::vector<std::string>& arguments) {
        pointers_.push_back(const_cast<char*>(program.c_str()));
        for (const auto& argument : arguments) pointers_.push_back(const_cast<char*>(argument.c_str()));
        pointers_.push_back(nullptr);
    }
    char* const* Get() { return pointers_.data(); }

private:
    std::vector<char*> pointers_;
};

void WaitFor(pid_t pid, int* status) {
    while (waitpid(pid, status, 0) < 0 && errno == EINTR) {
    }
}

void ResetSignals() {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    // Ignored signals would stay ignored in the new program.
    for (int signal = 1; signal < NSIG; ++signal) sigaction(signal, &standard, nullptr);
}

void StdinFromNull() {
    const int null = open("/dev/null", O_RDONLY);
    if (null > 0) {
        dup2(null, 0);
        close(null);
    }
}

void ReportAndExit(int fd, int error) {
    ssize_t ignored = write(fd, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

// Writes `record` whole; a reader that has gone away is no failure here.
void WriteRecord(int fd, const int (&record)[2]) {
    ssize_t ignored = write(fd, record, sizeof record);
    (void)ignored;
}

}  // namespace

int SpawnDetached(const std::string& program, const std::vector<std::string>& arguments) {
    Argv argv(program, arguments);
    // The exec's errno comes back through a pipe that closes unseen when the exec succeeds.
    int status[2];
    if (pipe2(status, O_CLOEXEC) != 0) return errno;
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(status[0]);
        close(status[1]);
        return error;
    }
    if (child == 0) {
        close(status[0]);
        const pid_t grandchild = fork();
        if (grandchild < 0) ReportAndExit(status[1], errno);
        if (grandchild > 0) _exit(0);  // the program becomes an orphan, never our zombie
        setsid();
        ResetSignals();
        StdinFromNull();
        close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);  // none of our descriptors, locks included, goes along
        execv(argv.Get()[0], argv.Get());
        ReportAndExit(status[1], errno);
    }
    close(status[1]);
    WaitFor(child, nullptr);
    int error = 0;
    ssize_t n;
    while ((n = read(status[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(status[0]);
    return n == static_cast<ssize_t>(sizeof error) ? error : 0;
}

DetachedOutcome SpawnDetachedAwaitingExit(const std::string& program, const std::vector<std::string>& arguments,
                                          int waitMilliseconds) {
    Argv argv(program, arguments);
    // One record {start errno, exit status} comes back through the pipe:
    // from the program's process when its exec fails, otherwise from the
    // orphaned process that waits for the program on our behalf.
    int status[2];
    if (pipe2(status, O_CLOEXEC) != 0) return {errno, std::nullopt};
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(status[0]);
        close(status[1]);
        return {error, std::nullopt};
    }
    if (child == 0) {
        close(status[0]);
        const pid_t watcher = fork();
        if (watcher < 0) WriteRecord(status[1], {errno, -1});
        if (watcher != 0) _exit(0);  // the watcher becomes an orphan, never our zombie
        setsid();
        // We may stop listening; the watcher's last write must not kill it.
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, nullptr);
        const pid_t runner = fork();
        if (runner < 0) {
            WriteRecord(status[1], {errno, -1});
            _exit(0);
        }
        if (runner == 0) {
            ResetSignals();
            StdinFromNull();
            close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
            execv(argv.Get()[0], argv.Get());
            WriteRecord(status[1], {errno, -1});
            _exit(127);
        }
        int raw = 0;
        WaitFor(runner, &raw);
        WriteRecord(status[1], {0, WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw)});
        _exit(0);
    }
    close(status[1]);
    WaitFor(child, nullptr);
    DetachedOutcome outcome;
    pollfd ready{status[0], POLLIN, 0};
    int polled;
    while ((polled = poll(&ready, 1, waitMilliseconds)) < 0 && errno == EINTR) {
    }
    int record[2] = {0, -1};
    ssize_t n = -1;
    if (polled > 0) {
        while ((n = read(status[0], record, sizeof record)) < 0 && errno == EINTR) {
        }
    }
    close(status[0]);
    if (n == static_cast<ssize_t>(sizeof record)) {
        outcome.startError = record[0];
        if (record[0] == 0 && record[1] >= 0) outcome.exitStatus = record[1];
    }
    return outcome;
}

std::optional<std::string> RunForOutput(const std::string& program, const std::vector<std::string>& arguments) {
    Argv argv(program, arguments);
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) return std::nullopt;
    const pid_t child = fork();
    if (child < 0) {
        close(output[0]);
        close(output[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ResetSignals();
        StdinFromNull();
        dup2(output[1], 1);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 2);
        close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        execv(argv.Get()[0], argv.Get());
        _exit(127);
    }
    close(output[1]);
    std::string text;
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(output[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(chunk, static_cast<std::size_t>(n));
    }
    close(output[0]);
    int raw = 0;
    WaitFor(child, &raw);
    if (!WIFEXITED(raw) || WEXITSTATUS(raw) != 0) return std::nullopt;
    return text;
}

std::string FindProgram(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    const std::string directories = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = directories.find(':', start);
        // An empty entry means the current directory.
        std::string candidate(end == start ? std::string_view(".") : std::string_view(directories).substr(start, end - start));
        candidate.append("/").append(name);
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string::npos) return {};
        start = end + 1;
    }
}

}  // namespace quellmark
