#include "mail/attachment_names.h"

#include <algorithm>
#include <cctype>

#include "mail/mail_containers.h"

namespace quellmark {

namespace {

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool IsContainerAttachment(const std::string& name, const std::string& mimeType) {
    return EndsWith(Lowered(name), ".ozv") || Lowered(mimeType) == kContainerMimeType;
}

bool IsWinmailName(const std::string& name) {
    return Lowered(name) == "winmail.dat";
}

std::string NameForUnnamedContainer(int ordinal) {
    return "attachment-" + std::to_string(ordinal) + ".ozv";
}

std::string SafeAttachmentName(const std::string& name) {
    // Senders on Windows may send a whole path; only its last component is
    // the file's name, and neither separator may lead a write elsewhere.
    const size_t cut = name.find_last_of("/\\");
    std::string base = cut == std::string::npos ? name : name.substr(cut + 1);
    for (char& c : base) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) c = '_';
    }
    if (base.empty() || base == "." || base == "..") return "attachment.ozv";
    return base;
}

}  // namespace quellmark
