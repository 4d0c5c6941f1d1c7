#pragma once
// Saved e-mail for the tests of the desktop program: plain MIME text with
// base64 bodies, as a mail program writes it. The mail layer has tests of its
// own for every other shape of message.
#include <string>
#include <utility>
#include <vector>

namespace quellmark {

// `bytes` in base64, in lines of 76 characters.
inline std::string Base64Lines(const std::string& bytes) {
    static const char* const kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    std::size_t column = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        const unsigned a = static_cast<unsigned char>(bytes[i]);
        const unsigned b = left > 1 ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        const unsigned c = left > 2 ? static_cast<unsigned char>(bytes[i + 2]) : 0;
        const unsigned group = a << 16 | b << 8 | c;
        text += kDigits[group >> 18 & 63];
        text += kDigits[group >> 12 & 63];
        text += left > 1 ? kDigits[group >> 6 & 63] : '=';
        text += left > 2 ? kDigits[group & 63] : '=';
        column += 4;
        if (column == 76) text += "\r\n", column = 0;
    }
    if (column != 0) text += "\r\n";
    return text;
}

// A message with a line of text and the attachments (file name, content) as
// application/octet-stream parts.
inline std::string MessageWith(const std::vector<std::pair<std::string, std::string>>& attachments) {
    const std::string boundary = "=_boundary_7f3a";
    std::string text =
        "From: Sender <sender@example.com>\r\n"
        "To: Recipient <recipient@example.org>\r\n"
        "Subject: The files\r\n"
        "Date: Tue, 08 Dec 2026 10:00:00 +0000\r\n"
        "Message-ID: <files@example.com>\r\n"
        "MIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n"
        "\r\n"
        "--" + boundary + "\r\n"
        "Content-Type: text/plain; charset=us-ascii\r\n"
        "\r\n"
        "The password comes by telephone.\r\n";
    for (const auto& [name, content] : attachments) {
        text += "--" + boundary + "\r\n"
                "Content-Type: application/octet-stream; name=\"" + name + "\"\r\n"
                "Content-Transfer-Encoding: base64\r\n"
                "Content-Disposition: attachment; filename=\"" + name + "\"\r\n"
                "\r\n" + Base64Lines(content);
    }
    return text + "--" + boundary + "--\r\n";
}

// A message of `depth` multiparts, each the only part of the one around it.
inline std::string DeeplyNestedMessage(int depth) {
    std::string text = "From: a@example.com\r\nSubject: deep\r\nMIME-Version: 1.0\r\n";
    for (int level = 0; level < depth; ++level)
        text += "Content-Type: multipart/mixed; boundary=\"b" + std::to_string(level) + "\"\r\n\r\n--b" +
                std::to_string(level) + "\r\n";
    text += "Content-Type: text/plain\r\n\r\nbottom\r\n";
    for (int level = depth - 1; level >= 0; --level) text += "--b" + std::to_string(level) + "--\r\n";
    return text;
}

}  // namespace quellmark
