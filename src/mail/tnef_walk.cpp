#include "mail/tnef_walk.h"

#include <glib.h>
// libytnef's headers define BYTE, WORD and DWORD as macros, so they stay
// inside this file; they also lack the C linkage a C++ caller needs.
extern "C" {
#include <ytnef.h>
}

#include <cstring>

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

const variableLength* FindProperty(Attachment& attachment, unsigned type, unsigned id) {
    variableLength* found = MAPIFindProperty(&attachment.MAPI, PROP_TAG(type, id));
    if (found == MAPI_UNDEFINED || found == nullptr || found->data == nullptr || found->size <= 0) return nullptr;
    return found;
}

// A string of 8-bit characters up to its terminator.
std::string NarrowString(const variableLength& value) {
    const char* text = reinterpret_cast<const char*>(value.data);
    return std::string(text, strnlen(text, static_cast<size_t>(value.size)));
}

// Unicode properties arrive as UTF-16LE, or already made UTF-8 by newer
// libytnef releases; a zero byte inside the text tells which.
std::string UnicodeString(const variableLength& value) {
    const auto size = static_cast<size_t>(value.size);
    const bool utf16 = size >= 2 && std::memchr(value.data, 0, size - 1) != nullptr &&
                       strnlen(reinterpret_cast<const char*>(value.data), size) + 1 < size;
    if (!utf16) return NarrowString(value);
    glong units = static_cast<glong>(size / 2);
    std::u16string wide(reinterpret_cast<const char16_t*>(value.data), static_cast<size_t>(units));
    const size_t end = wide.find(u'\0');
    if (end != std::u16string::npos) units = static_cast<glong>(end);
    gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(wide.data()), units, nullptr, nullptr, nullptr);
    if (utf8 == nullptr) return {};
    std::string result(utf8);
    g_free(utf8);
    return result;
}

std::string AttachmentName(Attachment& attachment) {
    if (const variableLength* name = FindProperty(attachment, PT_UNICODE, PR_ATTACH_LONG_FILENAME)) {
        std::string text = UnicodeString(*name);
        if (!text.empty()) return text;
    }
    if (const variableLength* name = FindProperty(attachment, PT_STRING8, PR_ATTACH_LONG_FILENAME)) {
        std::string text = NarrowString(*name);
        if (!text.empty()) return text;
    }
    if (attachment.Title.data != nullptr && attachment.Title.size > 0) return NarrowString(attachment.Title);
    return {};
}

std::string AttachmentMimeType(Attachment& attachment) {
    if (const variableLength* type = FindProperty(attachment, PT_STRING8, PR_ATTACH_MIME_TAG)) return NarrowString(*type);
    if (const variableLength* type = FindProperty(attachment, PT_UNICODE, PR_ATTACH_MIME_TAG)) return UnicodeString(*type);
    return {};
}

}  // namespace

bool StartsWithTnefSignature(const char* data, size_t size) {
    return size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

void ForEachTnefAttachment(unsigned char* stream, size_t size,
                           const std::function<void(const TnefAttachment&)>& visit) {
    if (!StartsWithTnefSignature(reinterpret_cast<const char*>(stream), size)) throw EMailFormat("Not a TNEF stream (winmail.dat)");
    ParsedTnef parsed;
    if (TNEFParseMemory(stream, static_cast<long>(size), &parsed.tnef) < 0)
        throw EMailFormat("The TNEF stream (winmail.dat) is damaged");
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
