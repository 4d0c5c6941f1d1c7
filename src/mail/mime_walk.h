#pragma once
// The leaf parts of one MIME message, in message order.
#include <gmime/gmime.h>

#include <functional>
#include <string>

namespace quellmark {

// How deep multiparts and forwarded messages may nest inside each other.
// Real mail stays within a dozen levels; beyond this the mail is refused.
inline constexpr int kMaxMimeNesting = 100;

// Calls `visit` with every leaf part of `message` (a GMimePart, text parts
// included) and its part number: "1" for a message of one part, "2.1" for
// the first part of the second part's multipart or forwarded message.
// Forwarded messages (message/rfc822) are walked into. Throws EMailFormat
// when the nesting goes deeper than kMaxMimeNesting.
void ForEachLeafPart(GMimeMessage* message, const std::function<void(GMimePart*, const std::string&)>& visit);

}  // namespace quellmark
