#pragma once
// Handing a file to the user's mail composer, the way every Linux desktop
// agrees on: xdg-email, which starts the default program for mailto links.
#include <string>
#include <vector>

namespace quellmark {

struct MailDraft {
    std::string attachment;  // the file to attach (made absolute before it is handed on)
    std::string address;     // the recipient; may be empty
    std::string subject;     // may be empty
};

// The xdg-email arguments for `draft`: [--subject S] --attach FILE [ADDRESS].
std::vector<std::string> XdgEmailArguments(const MailDraft& draft);

// Opens a new message with `draft.attachment` attached. Returns once the
// composer is up or xdg-email has ended; throws Exception with what went
// wrong and what to do when xdg-email is missing, finds no mail program or
// fails.
void ComposeMail(const MailDraft& draft);

}  // namespace quellmark
