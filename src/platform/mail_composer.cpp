#include "platform/mail_composer.h"

#include <cstring>
#include <filesystem>

#include "base/exception.h"
#include "platform/child_process.h"

namespace quellmark {

namespace {

// How long to wait for xdg-email's verdict. Most mail programs hand the new
// message to a running instance and return at once; one started afresh may
// keep xdg-email waiting until the user closes it, and is then taken as up.
constexpr int kComposerWaitMilliseconds = 5000;

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    quoted.append(text).append("\"");
    return quoted;
}

}  // namespace

std::vector<std::string> XdgEmailArguments(const MailDraft& draft) {
    std::vector<std::string> arguments;
    if (!draft.subject.empty()) arguments.insert(arguments.end(), {"--subject", draft.subject});
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(draft.attachment, error);
    arguments.insert(arguments.end(), {"--attach", error ? draft.attachment : absolute.lexically_normal().string()});
    if (!draft.address.empty()) arguments.push_back(draft.address);
    return arguments;
}

void ComposeMail(const MailDraft& draft) {
    const std::string what = "cannot hand " + Quoted(draft.attachment) + " to a mail program: ";
    const std::string program = FindProgram("xdg-email");
    if (program.empty())
        throw Exception(what + "xdg-email was not found; install xdg-utils, or attach the file by hand");
    const DetachedOutcome outcome = SpawnDetachedAwaitingExit(program, XdgEmailArguments(draft),
                                                              kComposerWaitMilliseconds);
    if (outcome.startError != 0)
        throw Exception(what + "xdg-email could not be started: " + std::strerror(outcome.startError));
    // Still running: the composer is open and keeps xdg-email waiting.
    if (!outcome.exitStatus || *outcome.exitStatus == 0) return;
    switch (*outcome.exitStatus) {
    case 2:
        throw Exception(what + "xdg-email found the file missing or unreadable");
    case 3:
        throw Exception(what + "no mail program is set up; choose one as the default for e-mail "
                               "(mailto links), or attach the file by hand");
    default:
        throw Exception(what + "xdg-email failed (exit status " + std::to_string(*outcome.exitStatus) +
                        "); check the default mail program, or attach the file by hand");
    }
}

}  // namespace quellmark
