#include "mail/mime_walk.h"

#include <vector>

#include "mail/mail_containers.h"

namespace quellmark {

namespace {

struct PendingPart {
    GMimeObject* object;
    std::string number;
    int depth;
};

// The parts below a multipart or inside a message, numbered under `prefix`,
// pushed so that the first comes off the stack first.
void PushChildrenOf(GMimeObject* object, const std::string& prefix, int depth, std::vector<PendingPart>& pending) {
    const std::string lead = prefix.empty() ? "" : prefix + ".";
    if (GMIME_IS_MULTIPART(object)) {
        auto* multipart = GMIME_MULTIPART(object);
        for (int i = g_mime_multipart_get_count(multipart); i > 0; --i)
            pending.push_back({g_mime_multipart_get_part(multipart, i - 1), lead + std::to_string(i), depth});
    } else if (object != nullptr) {
        pending.push_back({object, lead + "1", depth});
    }
}

// A message's body: a multipart's parts take their numbers directly, a
// single body is number 1 below the message.
void PushMessageBody(GMimeMessage* message, const std::string& prefix, int depth, std::vector<PendingPart>& pending) {
    if (message == nullptr) return;
    if (depth > kMaxMimeNesting) throw EMailFormat("The message is nested too deeply");
    PushChildrenOf(g_mime_message_get_mime_part(message), prefix, depth, pending);
}

}  // namespace

void ForEachLeafPart(GMimeMessage* message, const std::function<void(GMimePart*, const std::string&)>& visit) {
    // An explicit stack: the walk's depth never becomes the program's.
    std::vector<PendingPart> pending;
    PushMessageBody(message, "", 1, pending);
    while (!pending.empty()) {
        const PendingPart part = pending.back();
        pending.pop_back();
        if (GMIME_IS_MULTIPART(part.object)) {
            if (part.depth + 1 > kMaxMimeNesting) throw EMailFormat("The message is nested too deeply");
            PushChildrenOf(part.object, part.number, part.depth + 1, pending);
        } else if (GMIME_IS_MESSAGE_PART(part.object)) {
            PushMessageBody(g_mime_message_part_get_message(GMIME_MESSAGE_PART(part.object)), part.number,
                            part.depth + 1, pending);
        } else if (GMIME_IS_PART(part.object)) {
            visit(GMIME_PART(part.object), part.number);
        }
    }
}

}  // namespace quellmark
