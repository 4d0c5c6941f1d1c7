#pragma once
// The attachments of a TNEF stream (Outlook's winmail.dat).
#include <cstddef>
#include <functional>
#include <string>

namespace quellmark {

// True when `data` starts with the TNEF signature 0x223E9F78 (little-endian).
bool StartsWithTnefSignature(const char* data, size_t size);

struct TnefAttachment {
    std::string name;      // the long file name, else the title; may be empty
    std::string mimeType;  // as the sender's Outlook recorded it; often empty
    const unsigned char* data = nullptr;
    size_t size = 0;
};

// Calls `visit` for each attachment of the TNEF stream of `size` bytes at
// `stream`, in
// order. libytnef parses a whole stream in memory, so a TNEF part is held
// whole while it is read; winmail.dat files are as small as mail allows.
// Throws EMailFormat for a damaged stream.
void ForEachTnefAttachment(unsigned char* stream, size_t size,
                           const std::function<void(const TnefAttachment&)>& visit);

}  // namespace quellmark
