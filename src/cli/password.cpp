#include "cli/password.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "base/exception.h"
#include "base/streams.h"
#include "base/text.h"
#include "cli/stdin_container.h"

namespace quellmark {

namespace {

std::string StripLineEnd(std::string text) {
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}

std::string ReadPasswordFile(const std::string& name) {
    std::string content;
    char chunk[4096];
    if (name == "-") {
        THandleStream in(STDIN_FILENO);
        for (int64_t n; (n = in.Read(chunk, sizeof chunk)) > 0;) content.append(chunk, static_cast<std::size_t>(n));
    } else {
        TFileStream in(name, FileMode::OpenRead);
        for (int64_t n; (n = in.Read(chunk, sizeof chunk)) > 0;) content.append(chunk, static_cast<std::size_t>(n));
    }
    // The password is the first line: a file written by an editor ends in a line break.
    std::size_t end = content.find('\n');
    return StripLineEnd(end == std::string::npos ? content : content.substr(0, end + 1));
}

// Reads one line from the terminal with echo off; nullopt without a terminal.
std::optional<std::string> Prompt(const char* question) {
    int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (tty < 0) return std::nullopt;
    termios saved{};
    bool haveTerm = ::tcgetattr(tty, &saved) == 0;
    if (haveTerm) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        ::tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    (void)!::write(tty, question, std::char_traits<char>::length(question));
    std::string line;
    char c;
    while (::read(tty, &c, 1) == 1 && c != '\n') line += c;
    if (haveTerm) ::tcsetattr(tty, TCSAFLUSH, &saved);
    (void)!::write(tty, "\n", 1);
    ::close(tty);
    return StripLineEnd(line);
}

std::string PasswordText(const Invocation& inv, bool confirm, bool stdinBusy) {
    if (auto text = inv.Value("password")) return *text;
    if (auto file = inv.Value("password-file")) {
        if (*file == "-" && (stdinBusy || StandardInputSpooled()))
            throw UsageError{"standard input carries the data, so the password cannot come from it too"};
        return ReadPasswordFile(*file);
    }
    if (const char* env = std::getenv("OZV_PASSWORD")) return env;
    auto first = Prompt("Password: ");
    if (!first)
        throw UsageError{"no password given: use -p TEXT, --password-file FILE or the variable OZV_PASSWORD"};
    if (confirm) {
        auto second = Prompt("Repeat password: ");
        if (!second || *second != *first) throw UsageError{"the two passwords differ"};
    }
    return *first;
}

}  // namespace

std::string ObtainPassword(const Invocation& inv, bool confirm, bool stdinBusy) {
    const std::string codePage = inv.Value("codepage").value_or("CP1252");
    std::string text = PasswordText(inv, confirm, stdinBusy);
    std::optional<std::string> keyed;
    try {
        keyed = Utf8ToCodePage(text, codePage);
    } catch (const Exception& e) {
        throw UsageError{e.Message() + " (give any name that iconv knows, such as CP1252 or UTF-8)"};
    }
    if (!keyed)
        throw UsageError{"the password has characters that code page " + codePage +
                         " cannot represent; choose another with --codepage"};
    return *keyed;
}

}  // namespace quellmark
