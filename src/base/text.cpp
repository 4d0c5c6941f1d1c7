#include "base/text.h"

#include <cctype>
#include <cerrno>
#include <iconv.h>

#include "base/exception.h"

namespace quellmark {

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Trim(std::string_view text) {
    // Like the classic Trim: strips blanks and control characters at both ends.
    std::size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return std::string(text.substr(first, last - first));
}

std::string HexOf(const uint8_t* bytes, std::size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

static int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::vector<uint8_t>> ParseHex(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<uint8_t> out(text.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        int high = HexValue(text[2 * i]), low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        out[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return out;
}

static const char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64Of(const uint8_t* bytes, std::size_t size) {
    std::string out;
    for (std::size_t i = 0; i < size; i += 3) {
        uint32_t group = uint32_t(bytes[i]) << 16;
        if (i + 1 < size) group |= uint32_t(bytes[i + 1]) << 8;
        if (i + 2 < size) group |= bytes[i + 2];
        out += kBase64Digits[group >> 18 & 63];
        out += kBase64Digits[group >> 12 & 63];
        out += i + 1 < size ? kBase64Digits[group >> 6 & 63] : '=';
        out += i + 2 < size ? kBase64Digits[group & 63] : '=';
    }
    return out;
}

std::optional<std::vector<uint8_t>> ParseBase64(std::string_view text) {
    std::vector<uint8_t> out;
    uint32_t bits = 0;
    int count = 0;
    std::size_t padding = 0;
    for (char c : text) {
        if (c == '\r' || c == '\n') continue;
        if (c == '=') { ++padding; continue; }
        if (padding) return std::nullopt;  // data after padding
        const char* at = std::char_traits<char>::find(kBase64Digits, 64, c);
        if (!at) return std::nullopt;
        bits = bits << 6 | static_cast<uint32_t>(at - kBase64Digits);
        if (++count == 4) {
            out.push_back(static_cast<uint8_t>(bits >> 16));
            out.push_back(static_cast<uint8_t>(bits >> 8));
            out.push_back(static_cast<uint8_t>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 1 || padding > 2) return std::nullopt;
    if (count == 2) out.push_back(static_cast<uint8_t>(bits >> 4));
    if (count == 3) {
        out.push_back(static_cast<uint8_t>(bits >> 10));
        out.push_back(static_cast<uint8_t>(bits >> 2));
    }
    return out;
}

std::string FormatBytes(const std::string& bytes, TStringFormat format) {
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    switch (format) {
    case fmtHEX: return HexOf(data, bytes.size());
    case fmtMIME64: return Base64Of(data, bytes.size());
    case fmtCOPY: break;
    }
    // fmtCOPY, and a number that names no format: the bytes as they are.
    return bytes;
}

std::string ParseFormatted(const std::string& text, TStringFormat format) {
    std::optional<std::vector<uint8_t>> bytes;
    switch (format) {
    case fmtHEX: bytes = ParseHex(text); break;
    case fmtMIME64: bytes = ParseBase64(text); break;
    case fmtCOPY: return text;
    }
    // A number that names no format takes the text as it is, as fmtCOPY does.
    if (format != fmtHEX && format != fmtMIME64) return text;
    if (!bytes) throw Exception("The text is not valid in its format");
    return std::string(bytes->begin(), bytes->end());
}

std::optional<std::string> Utf8ToCodePage(std::string_view text, const std::string& codePage) {
    iconv_t cd = iconv_open(codePage.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw Exception("Unknown code page \"" + codePage + "\"");
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    // iconv counts characters it replaced or transliterated as irreversible:
    // a password must never be keyed with other bytes than the user meant.
    bool exact = iconv(cd, &in, &inLeft, &outPtr, &outLeft) == 0;
    // Flush any shift state (stateful encodings) before closing.
    if (exact) exact = iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == 0;
    iconv_close(cd);
    if (!exact) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

std::string CodePageToUtf8(std::string_view text, const std::string& codePage) {
    iconv_t cd = iconv_open("UTF-8", codePage.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) throw Exception("Unknown code page \"" + codePage + "\"");
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size(), outLeft = out.size();
    char* outPtr = out.data();
    while (inLeft > 0 && iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
        ++in;
        --inLeft;
        *outPtr++ = '?';
        --outLeft;
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace quellmark
