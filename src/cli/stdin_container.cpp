#include "cli/stdin_container.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <utility>
#include <unistd.h>

#include "base/exception.h"
#include "cli/signal_cleanup.h"

namespace quellmark {

namespace {

// The copy's path, and its removal should a signal end the program.
char spooledPath[PATH_MAX] = {};
std::optional<RemovedOnSignal> spooledRemovedOnSignal;

void RemoveSpooledInput() {
    if (spooledPath[0] == '\0') return;
    ::unlink(spooledPath);
    spooledPath[0] = '\0';
    spooledRemovedOnSignal.reset();
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

std::string SpoolStandardInput() {
    if (spooledPath[0] != '\0') throw Exception("standard input can carry only one container");
    if (::isatty(STDIN_FILENO))
        throw Exception("standard input is a terminal, not a container; pipe the container in, "
                        "as in \"ozv list - < file.ozv\"");
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/ozv-stdin-XXXXXX";
    if (pattern.size() >= sizeof spooledPath) throw Exception("the temporary directory's name is too long: " + pattern);
    // mkstemp makes the file with mode 0600: only this user can read the copy.
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw Exception("cannot make a temporary file for standard input in \"" + pattern.substr(0, pattern.rfind('/')) +
                        "\": " + std::strerror(errno));
    std::memcpy(spooledPath, pattern.c_str(), pattern.size() + 1);
    spooledRemovedOnSignal.emplace(pattern);
    char buffer[65536];
    std::string failure;
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            failure = std::string("cannot read standard input: ") + std::strerror(errno);
            break;
        }
        if (got == 0) break;
        if (!WriteAll(fd, buffer, static_cast<std::size_t>(got))) {
            failure = "cannot copy standard input into \"" + pattern + "\": " + std::strerror(errno);
            break;
        }
    }
    if (::close(fd) != 0 && failure.empty())
        failure = "cannot copy standard input into \"" + pattern + "\": " + std::strerror(errno);
    if (!failure.empty()) {
        RemoveSpooledInput();
        throw Exception(failure);
    }
    return pattern;
}

bool IsSpooledInput(const std::string& path) { return spooledPath[0] != '\0' && path == spooledPath; }

bool StandardInputSpooled() { return spooledPath[0] != '\0'; }

namespace {

// The names given by ContainerLabelScope, by path.
std::map<std::string, std::string>& Labels() {
    static std::map<std::string, std::string> labels;
    return labels;
}

}  // namespace

ContainerLabelScope::ContainerLabelScope(std::string path, const std::string& label) : path_(std::move(path)) {
    Labels()[path_] = label;
}

ContainerLabelScope::~ContainerLabelScope() { Labels().erase(path_); }

std::string ContainerLabel(const std::string& path) {
    if (IsSpooledInput(path)) return "standard input";
    if (auto it = Labels().find(path); it != Labels().end()) return it->second;
    std::string quoted = "\"";
    quoted += path;
    return quoted += '"';
}

SpooledInputScope::~SpooledInputScope() { RemoveSpooledInput(); }

}  // namespace quellmark
