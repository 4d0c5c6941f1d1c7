// Telling mail from containers and everything else by the first bytes alone.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "mail/mail_containers.h"
#include "mail/tnef_walk.h"

namespace quellmark {

namespace {

// Enough for the longest field name any mail program writes first.
constexpr size_t kSniffSize = 512;

// The first bytes of a regular file; nothing for anything else, since a pipe
// or a device read here would block or be used up before its real reader.
std::string ReadStart(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return {};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {};
    }
    std::string start(kSniffSize, '\0');
    size_t got = 0;
    while (got < start.size()) {
        const ssize_t n = ::read(fd, start.data() + got, start.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    start.resize(got);
    return start;
}

// A header field name (printable ASCII without space or colon) and then ':'
// right at the start: "Received:", "Return-Path:", "X-Mailer:", "From:"...
bool StartsWithHeaderField(const std::string& start) {
    size_t i = 0;
    while (i < start.size()) {
        const auto c = static_cast<unsigned char>(start[i]);
        if (c == ':') return i > 0;
        if (c <= 0x20 || c >= 0x7f) return false;
        ++i;
    }
    return false;
}

}  // namespace

MailKind DetectMailKind(const std::string& path) {
    const std::string start = ReadStart(path);
    if (start.size() >= 4 && StartsWithTnefSignature(start.data(), start.size())) return MailKind::Tnef;
    if (start.rfind("From ", 0) == 0) return MailKind::Mbox;
    if (StartsWithHeaderField(start)) return MailKind::Message;
    return MailKind::None;
}

}  // namespace quellmark
