#include "mail/tnef_walk.h"

#include <glib.h>

#include <cstddef>
#include <cstdio>
// libytnef's headers define BYTE, WORD and DWORD as macros, so they stay
// inside this file; they also lack the C linkage a C++ caller needs.
extern "C" {
#include <ytnef.h>
}

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

#include "mail/mail_containers.h"

namespace quellmark {

namespace {

constexpr unsigned char kSignature[4] = {0x78, 0x9f, 0x3e, 0x22};

// Frees libytnef's parse on every path out.
class ParsedTnef {
public:
    ParsedTnef() {
        TNEFInitialize(&tnef);
        tnef.Debug = 0;
    }
    ~ParsedTnef() { TNEFFree(&tnef); }
    ParsedTnef(const ParsedTnef&) = delete;
    ParsedTnef& operator=(const ParsedTnef&) = delete;

    TNEFStruct tnef;
};

// libytnef prints its complaints about a damaged stream with printf, some
// of them while it carries on. Standard output belongs to the program (ozv
// writes listings and JSON there), so while libytnef parses, descriptor 1
// points at /dev/null. The stdio buffer is flushed on both sides of the
// switch so that the program's own output goes where it went before and
// libytnef's goes nowhere. Parses take turns: the switch is process-wide.
class QuietStandardOutput {
public:
    QuietStandardOutput() : turn_(Mutex()) {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, STDOUT_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStandardOutput() {
        std::fflush(stdout);
        if (saved_ >= 0) {
            ::dup2(saved_, STDOUT_FILENO);
            ::close(saved_);
        }
    }
    QuietStandardOutput(const QuietStandardOutput&) = delete;
    QuietStandardOutput& operator=(const QuietStandardOutput&) = delete;

private:
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }

    std::lock_guard<std::mutex> turn_;
    int saved_ = -1;
};

const variableLength* FindProperty(Attachment& attachment, unsigned type, unsigned id) {
    variableLength* found = MAPIFindProperty(&attachment.MAPI, PROP_TAG(type, id));
    if (found == MAPI_UNDEFINED || found == nullptr || found->data == nullptr || found->size <= 0) return nullptr;
    return found;
}

// The text of a string property up to its terminator. libytnef hands
// Unicode properties over already made UTF-8 (the size still counts the
// UTF-16 original, so the bytes after the terminator mean nothing); 8-bit
// ones are in the sender's code page, which for the names Outlook writes is
// Windows-1252.
std::string PropertyText(const variableLength& value) {
    const char* text = reinterpret_cast<const char*>(value.data);
    std::string result(text, strnlen(text, static_cast<size_t>(value.size)));
    if (g_utf8_validate(result.data(), static_cast<gssize>(result.size()), nullptr)) return result;
    gchar* converted = g_convert(result.data(), static_cast<gssize>(result.size()), "UTF-8", "WINDOWS-1252", nullptr,
                                 nullptr, nullptr);
    if (converted == nullptr) return result;
    result = converted;
    g_free(converted);
    return result;
}

std::string AttachmentName(Attachment& attachment) {
    for (const unsigned type : {PT_UNICODE, PT_STRING8}) {
        if (const variableLength* name = FindProperty(attachment, type, PR_ATTACH_LONG_FILENAME)) {
            std::string text = PropertyText(*name);
            if (!text.empty()) return text;
        }
    }
    if (attachment.Title.data != nullptr && attachment.Title.size > 0) return PropertyText(attachment.Title);
    return {};
}

std::string AttachmentMimeType(Attachment& attachment) {
    for (const unsigned type : {PT_UNICODE, PT_STRING8}) {
        if (const variableLength* mimeType = FindProperty(attachment, type, PR_ATTACH_MIME_TAG))
            return PropertyText(*mimeType);
    }
    return {};
}

}  // namespace

bool StartsWithTnefSignature(const char* data, size_t size) {
    return size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

void ForEachTnefAttachment(unsigned char* stream, size_t size,
                           const std::function<void(const TnefAttachment&)>& visit) {
    if (!StartsWithTnefSignature(reinterpret_cast<const char*>(stream), size))
        throw EMailFormat("Not a TNEF stream (winmail.dat)");
    ParsedTnef parsed;
    bool parsedWell;
    {
        QuietStandardOutput quiet;
        parsedWell = TNEFParseMemory(stream, static_cast<long>(size), &parsed.tnef) >= 0;
    }
    if (!parsedWell) throw EMailFormat("The TNEF stream (winmail.dat) is damaged");
    for (Attachment* attachment = parsed.tnef.starting_attach.next; attachment != nullptr;
         attachment = attachment->next) {
        TnefAttachment view;
        view.name = AttachmentName(*attachment);
        view.mimeType = AttachmentMimeType(*attachment);
        if (attachment->FileData.data != nullptr && attachment->FileData.size > 0) {
            view.data = attachment->FileData.data;
            view.size = static_cast<size_t>(attachment->FileData.size);
        }
        visit(view);
    }
}

}  // namespace quellmark
