#include "platform/registry_text.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "platform/unicode.h"

namespace quellmark {

namespace {

constexpr std::string_view kCrLf = "\r\n";
// Where regedit breaks a long hex value; any width reads back the same.
constexpr std::size_t kHexLineWidth = 76;

// ---- writing ----

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

std::string NameField(const std::string& name) { return name.empty() ? "@" : Quoted(name); }

std::string HexField(std::string line, uint32_t type, std::string_view bytes) {
    if (type == REG_BINARY) {
        line += "hex:";
    } else {
        char tag[16];
        std::snprintf(tag, sizeof tag, "hex(%x):", type);
        line += tag;
    }
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
        line += digits;
        if (i + 1 == bytes.size()) break;
        line += ',';
        if (line.size() >= kHexLineWidth) {
            out.append(line).append("\\").append(kCrLf);
            line = "  ";
        }
    }
    return out + line;
}

// Strings go in quotes unless they hold a line break, which only the
// UTF-16 hex form, terminator included, can carry.
std::string ValueLine(const std::string& name, const RegistryValue& value) {
    std::string line = NameField(name) + "=";
    const bool lineBreak = value.data.find_first_of("\r\n") != std::string::npos;
    if (value.type == REG_SZ && !lineBreak) return line + Quoted(value.data);
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
        if (auto wide = Utf8ToUtf16Le(value.data)) return HexField(line, value.type, *wide + std::string(2, '\0'));
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%08x", value.AsDword());
        return line + number;
    }
    return HexField(line, value.type, value.data);
}

// ---- reading ----

class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}
    // The next line without its line end; false at the end.
    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const std::size_t end = text_.find('\n', pos_);
        line = text_.substr(pos_, end == std::string_view::npos ? std::string_view::npos : end - pos_);
        pos_ = end == std::string_view::npos ? text_.size() : end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++number_;
        return true;
    }
    int Number() const { return number_; }
    [[noreturn]] void Fail(const std::string& reason) const { throw ERegistryTextError(number_, reason); }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int number_ = 0;
};

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Up to `maxDigits` hexadecimal digits, the whole of `text`.
std::optional<uint32_t> HexNumber(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    uint32_t number = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        number = number << 4 | static_cast<uint32_t>(digit);
    }
    return number;
}

// A quoted text at the start of `s`, moving `s` past its closing quote.
std::string TakeQuoted(std::string_view& s, const Lines& lines) {
    std::string out;
    std::size_t i = 1;
    for (; i < s.size() && s[i] != '"'; ++i) {
        if (s[i] == '\\') {
            if (++i == s.size() || (s[i] != '\\' && s[i] != '"')) lines.Fail("unknown escape in quoted text");
        }
        out += s[i];
    }
    if (i == s.size()) lines.Fail("quoted text without its closing quote");
    s.remove_prefix(i + 1);
    return out;
}

// The bytes of a hex value, following its continuation lines.
std::string TakeHexBytes(std::string_view first, Lines& lines) {
    std::string list(Trimmed(first));
    std::string_view more;
    while (!list.empty() && list.back() == '\\') {
        list.pop_back();
        if (!lines.Next(more)) lines.Fail("hex value continued past the end of the file");
        list += Trimmed(more);
    }
    std::string bytes;
    if (Trimmed(list).empty()) return bytes;
    std::string_view rest = list;
    for (;;) {
        const std::size_t comma = rest.find(',');
        // Always two digits, so that a file cut short in a byte does not pass.
        const std::string_view digits = Trimmed(rest.substr(0, comma));
        const auto byte = digits.size() == 2 ? HexNumber(digits, 2) : std::nullopt;
        if (!byte) lines.Fail("malformed hex byte");
        bytes += static_cast<char>(*byte);
        if (comma == std::string_view::npos) return bytes;
        rest.remove_prefix(comma + 1);
    }
}

RegistryValue TakeValue(std::string_view s, Lines& lines) {
    if (StartsWith(s, "\"")) {
        std::string text = TakeQuoted(s, lines);
        if (!Trimmed(s).empty()) lines.Fail("text after a quoted value");
        // As in the hex form, the string ends at its first NUL: a value that
        // held one could not be written back as it was read.
        text.resize(std::min(text.size(), text.find('\0')));
        return RegistryValue::String(std::move(text));
    }
    if (StartsWith(s, "dword:")) {
        const auto number = HexNumber(Trimmed(s.substr(6)), 8);
        if (!number) lines.Fail("malformed dword value");
        return RegistryValue::Dword(*number);
    }
    uint32_t type = REG_BINARY;
    if (StartsWith(s, "hex:")) {
        s.remove_prefix(4);
    } else if (StartsWith(s, "hex(")) {
        const std::size_t close = s.find("):");
        const auto number = close == std::string_view::npos ? std::nullopt : HexNumber(s.substr(4, close - 4), 8);
        if (!number) lines.Fail("malformed hex value type");
        type = *number;
        s.remove_prefix(close + 2);
    } else {
        lines.Fail("unknown kind of value");
    }
    std::string bytes = TakeHexBytes(s, lines);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        auto text = Utf16LeToUtf8(bytes);
        if (!text) lines.Fail("string value that is not UTF-16");
        text->resize(std::min(text->size(), text->find('\0')));  // Windows reads up to the terminator
        return {type, std::move(*text)};
    }
    if (type == REG_DWORD && bytes.size() != 4) lines.Fail("dword value that is not four bytes long");
    return {type, std::move(bytes)};
}

bool IsStorableKeyPath(std::string_view path) {
    const std::vector<std::string> parts = SplitRegistryPath(path);
    if (parts.size() > kMaxRegistryDepth + 1) return false;  // the root, then the keys below it
    for (const std::string& part : parts)
        if (part.empty() || !IsStorableRegistryName(part)) return false;
    return !path.empty();
}

std::string DecodeFileText(std::string_view bytes) {
    if (StartsWith(bytes, "\xFF\xFE")) {
        auto text = Utf16LeToUtf8(bytes.substr(2));
        if (!text) throw ERegistryTextError(1, "the file is not valid UTF-16");
        return *text;
    }
    if (StartsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (!IsValidUtf8(bytes)) throw ERegistryTextError(1, "the file is not valid UTF-8");
    return std::string(bytes);
}

}  // namespace

bool IsStorableRegistryName(std::string_view name) {
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return IsValidUtf8(name);
}

std::string FormatRegistryText(const RegistryTree& tree) {
    std::string out(kRegistryTextHeader);
    out += kCrLf;
    for (const auto& [path, values] : tree.AllKeys()) {
        out.append(kCrLf).append("[").append(path).append("]").append(kCrLf);
        for (const auto& [name, value] : values) out.append(ValueLine(name, value)).append(kCrLf);
    }
    return out.append(kCrLf);
}

RegistryTree ParseRegistryText(std::string_view bytes) {
    const std::string text = DecodeFileText(bytes);
    Lines lines(text);
    std::string_view line;
    bool headerSeen = false;
    std::optional<std::string> section;
    RegistryTree tree;
    while (lines.Next(line)) {
        line = Trimmed(line);
        if (line.empty() || line.front() == ';') continue;
        if (!headerSeen) {
            if (line != kRegistryTextHeader) lines.Fail("not a registry file (its first line must be \"" + std::string(kRegistryTextHeader) + "\")");
            headerSeen = true;
        } else if (line.front() == '[') {
            if (line.back() != ']') lines.Fail("key without its closing bracket");
            const std::string_view path = line.substr(1, line.size() - 2);
            if (StartsWith(path, "-")) lines.Fail("key removals do not belong in a stored registry");
            if (!IsStorableKeyPath(path))
                lines.Fail("malformed key path, or one deeper than " + std::to_string(kMaxRegistryDepth) + " keys");
            tree.AddKey(path);
            section = std::string(path);
        } else if (line.front() == '"' || line.front() == '@') {
            if (!section) lines.Fail("value outside any key");
            std::string name;
            if (line.front() == '@') {
                line.remove_prefix(1);
            } else {
                name = TakeQuoted(line, lines);
                if (!IsStorableRegistryName(name)) lines.Fail("malformed value name");
            }
            if (!StartsWith(line, "=")) lines.Fail("value name without '='");
            line.remove_prefix(1);
            if (line == "-") lines.Fail("value removals do not belong in a stored registry");
            tree.Set(*section, name, TakeValue(line, lines));
        } else {
            lines.Fail("unexpected text");
        }
    }
    if (!headerSeen) throw ERegistryTextError(lines.Number(), "the file is empty");
    return tree;
}

}  // namespace quellmark
