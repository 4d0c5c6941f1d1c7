#pragma once
// Containers that arrive inside e-mail: a saved message (RFC 5322, with any
// nesting of multiparts and forwarded messages), an mbox file (every message
// in turn), or Outlook's winmail.dat (TNEF), on its own or as a part of a
// message. An attachment is a container when its file name ends in ".ozv"
// (any letter case) or its type is application/x-ozv-container.
//
// Attachments are decoded by streaming into files of their own; no
// attachment is ever held whole in memory on the way.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/exception.h"

namespace quellmark {

// What a file holds, told by its content (never by its name).
enum class MailKind {
    None,     // no mail: a container, or anything else
    Message,  // one RFC 5322 message
    Mbox,     // messages, each after a "From " line
    Tnef,     // a winmail.dat of its own
};
MailKind DetectMailKind(const std::string& path);

// A file that looked like mail but cannot be read as such (malformed beyond
// what the parser mends, nested too deeply, a damaged TNEF stream).
class EMailFormat : public Exception {
public:
    using Exception::Exception;
};

// One container found in a piece of mail.
struct MailContainer {
    // The attachment's file name as the sender gave it, decoded to UTF-8
    // (RFC 2047 and RFC 2231 names included). Never empty: an attachment
    // known only by its type gets "attachment-N.ozv". It may hold any
    // character, "/" and ".." included: see SafeAttachmentName.
    std::string name;
    // The decoded size in bytes.
    uint64_t size = 0;
    // Where it sits, for listings and messages, with MIME parts numbered as
    // IMAP numbers its body sections: "section 1.2" in a message; "message 3,
    // section 2" in an mbox; "section 2, winmail.dat attachment 1" in a TNEF
    // part; "winmail.dat attachment 1" in a winmail.dat of its own.
    std::string location;
    // The decoded copy (mode 0600) in the directory given to
    // SaveMailContainers; empty from ListMailContainers.
    std::string path;
};

// Reports bytes of the mail read so far and the mail's whole size.
using MailProgress = std::function<void(uint64_t done, uint64_t total)>;

// Every container in `mailPath`, in message order, each decoded into a new
// file of its own in `directory` (which must exist and be private to the
// user; files get unique names there, never derived from the attachment's
// name). Throws EMailFormat for unreadable mail, Exception for a failed read
// or write; on a throw the files it made are removed again. An empty result
// means the mail holds no container.
std::vector<MailContainer> SaveMailContainers(const std::string& mailPath, const std::string& directory,
                                              const MailProgress& progress = {});

// The same walk, decoding only to measure each container: nothing is written.
std::vector<MailContainer> ListMailContainers(const std::string& mailPath, const MailProgress& progress = {});

// `name` made fit to be one file name in a directory of the user's choice:
// the part after the last "/" or "\", with control characters replaced; ""
// and "." and ".." become "attachment.ozv".
std::string SafeAttachmentName(const std::string& name);

}  // namespace quellmark
