#pragma once
// Text helpers: letter-case-blind comparison, trimming, hexadecimal and
// base-64 forms of bytes, and the code-page conversion of passwords and names.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellmark {

bool SameText(std::string_view a, std::string_view b);
std::string Trim(std::string_view text);

std::string HexOf(const uint8_t* bytes, std::size_t size);
inline std::string HexOf(const std::vector<uint8_t>& bytes) { return HexOf(bytes.data(), bytes.size()); }
// Parses hexadecimal digits (either case, no separators); nullopt when malformed.
std::optional<std::vector<uint8_t>> ParseHex(std::string_view text);

std::string Base64Of(const uint8_t* bytes, std::size_t size);
std::optional<std::vector<uint8_t>> ParseBase64(std::string_view text);

// How a coding run turns bytes into text and back (ProcessText).
enum TStringFormat : int32_t {
    fmtCOPY = 0,   // the bytes as they are
    fmtHEX = 1,    // lower-case hexadecimal
    fmtMIME64 = 2, // base 64 of MIME
};
std::string FormatBytes(const std::string& bytes, TStringFormat format);
// Throws Exception when `text` is not valid in the format.
std::string ParseFormatted(const std::string& text, TStringFormat format);

// Converts UTF-8 text into the named 8-bit code page (any iconv name).
// Returns nullopt when the text has a character the code page lacks or is not
// valid UTF-8; throws Exception when the code page itself is unknown.
std::optional<std::string> Utf8ToCodePage(std::string_view text, const std::string& codePage);
// The reverse: 8-bit text in the named code page as UTF-8 (bytes the code
// page leaves undefined become "?").
std::string CodePageToUtf8(std::string_view text, const std::string& codePage);

}  // namespace quellmark
