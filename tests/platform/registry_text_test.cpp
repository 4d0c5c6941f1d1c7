// The registry export text form: what regedit writes reads back, and what we
// write reads back the same.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/registry_text.h"
#include "platform/unicode.h"
#include "test_support.h"

namespace quellmark {

namespace {

constexpr char kKey[] = "HKEY_CURRENT_USER\\Software\\Brindlecor\\ozvDecoder";

// regedit's own shape: a long binary broken over lines, the default value,
// escapes, a comment.
constexpr char kRegeditText[] =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "; exported by hand\n"
    "[HKEY_CURRENT_USER\\Software\\Brindlecor\\ozvDecoder]\n"
    "@=\"C:\\\\Program Files\\\\\\\"Q\\\"\"\n"
    "\"data\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
    "  16,17,18,19,1A,1B\n"
    "\"Remember\"=dword:0000000a\n"
    "\"empty\"=hex:\n"
    "\n";

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// The line a parse failed at; -1 when the text parsed.
int FailingLine(const std::string& text) {
    try {
        ParseRegistryText(text);
    } catch (const ERegistryTextError& error) {
        return error.Line();
    }
    return -1;
}

TEST(RegistryText, ReadsRegeditTextWithEitherLineEnd) {
    for (const std::string& text : {std::string(kRegeditText), WithCrLf(kRegeditText)}) {
        const RegistryTree tree = ParseRegistryText(text);
        ASSERT_NE(tree.Find(kKey, ""), nullptr);
        EXPECT_EQ(tree.Find(kKey, "")->data, "C:\\Program Files\\\"Q\"");
        std::string expected;
        for (int i = 0; i < 28; ++i) expected += static_cast<char>(i);
        EXPECT_EQ(*tree.Find(kKey, "DATA"), RegistryValue::Binary(expected)) << "names ignore case";
        EXPECT_EQ(tree.Find(kKey, "remember")->AsDword(), 10u);
        EXPECT_EQ(*tree.Find(kKey, "empty"), RegistryValue::Binary(""));
        EXPECT_TRUE(tree.HasKey("HKEY_CURRENT_USER\\Software\\Brindlecor")) << "keys above exist too";
    }
}

TEST(RegistryText, ReadsRegeditsUtf16FilesAndUtf8WithAByteOrderMark) {
    const std::string text = WithCrLf(std::string(kRegeditText) + "[HKEY_CURRENT_USER\\Software\\Grüße]\n\"ä\"=\"ö\"\n");
    const RegistryTree expected = ParseRegistryText(text);
    EXPECT_EQ(ParseRegistryText("\xFF\xFE" + *Utf8ToUtf16Le(text)), expected);
    EXPECT_EQ(ParseRegistryText("\xEF\xBB\xBF" + text), expected);
    EXPECT_EQ(expected.Find("HKEY_CURRENT_USER\\Software\\Grüße", "ä")->data, "ö");
}

TEST(RegistryText, EveryKindOfValueSurvivesWritingAndReading) {
    std::mt19937 rng(7);
    RegistryTree tree;
    tree.Set(kKey, "", RegistryValue::String("default"));
    tree.Set(kKey, "quotes", RegistryValue::String("a \"quoted\" C:\\path\\"));
    tree.Set(kKey, "lines", RegistryValue::String("first\r\nsecond\nthird"));
    tree.Set(kKey, "unicode", RegistryValue::String("Grüße, 世界 𝄞"));
    tree.Set(kKey, "empty", RegistryValue::String(""));
    tree.Set(kKey, "zero bytes", RegistryValue::Binary(""));
    const std::vector<uint8_t> random = RandomBytes(rng, 1000);
    tree.Set(kKey, "long", RegistryValue::Binary(std::string(random.begin(), random.end())));
    tree.Set(kKey, "max", RegistryValue::Dword(0xFFFFFFFFu));
    tree.Set(kKey, "expand", RegistryValue{REG_EXPAND_SZ, "%HOME%\\x"});
    tree.Set(kKey, "multi", RegistryValue{REG_MULTI_SZ, std::string("a\0\0b\0\0\0\0", 8)});
    tree.Set(kKey, "qword", RegistryValue{0xb, std::string("\1\2\3\4\5\6\7\x08", 8)});
    tree.AddKey("HKEY_CURRENT_USER\\Software\\Empty key");

    const std::string text = FormatRegistryText(tree);
    EXPECT_EQ(ParseRegistryText(text), tree);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n\r\n", 0), 0u);
    EXPECT_NE(text.find("\r\n\"max\"=dword:ffffffff\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n@=\"default\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n\"quotes\"=\"a \\\"quoted\\\" C:\\\\path\\\\\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n\"multi\"=hex(7):61,00,00,62"), std::string::npos);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        ASSERT_GT(end, 0u);
        EXPECT_EQ(text[end - 1], '\r') << "every line ends in CRLF";
        EXPECT_LE(end - start, 81u) << "long values are broken over lines as regedit does";
    }
}

TEST(RegistryText, MalformedTextIsRefusedWithItsLine) {
    const std::string head = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n";
    EXPECT_EQ(FailingLine(head), -1);
    EXPECT_EQ(FailingLine(""), 0) << "an empty file is no registry";
    EXPECT_EQ(FailingLine("REGEDIT4\n"), 1);
    EXPECT_EQ(FailingLine("Windows Registry Editor Version 5.00\n\"a\"=dword:1\n"), 2) << "value outside a key";
    EXPECT_EQ(FailingLine(head + "\"a\"=\"unterminated\n"), 4);
    EXPECT_EQ(FailingLine(head + "\"a\"=\"bad \\n escape\"\n"), 4);
    EXPECT_EQ(FailingLine(head + "\"a\"=dword:123456789\n"), 4);
    EXPECT_EQ(FailingLine(head + "\"a\"=hex:01,2g\n"), 4);
    EXPECT_EQ(FailingLine(head + "\"a\"=hex:01,2\n"), 4) << "a byte cut short";
    EXPECT_EQ(FailingLine(head + "\"a\"=hex:01,\n"), 4) << "a trailing comma";
    EXPECT_EQ(FailingLine(head + "\"a\"=hex:01,\\\n"), 4) << "continued past the end";
    EXPECT_EQ(FailingLine(head + "\"a\"=hex(4):01,02\n"), 4) << "a dword of two bytes";
    EXPECT_EQ(FailingLine(head + "\"a\"=hex(1):41\n"), 4) << "odd-length UTF-16";
    EXPECT_EQ(FailingLine(head + "\"a\"=-\n"), 4);
    EXPECT_EQ(FailingLine(head + "[-HKEY_CURRENT_USER\\Software]\n"), 4);
    EXPECT_EQ(FailingLine(head + "[HKEY_CURRENT_USER\\\\Software]\n"), 4) << "an empty key name";
    EXPECT_EQ(FailingLine(head + "[HKEY_CURRENT_USER\\Software\n"), 4);
    EXPECT_EQ(FailingLine(head + "\"a\"=\"x\" trailing\n"), 4);
    EXPECT_EQ(FailingLine(head + "garbage\n"), 4);
    EXPECT_EQ(FailingLine(head + "\"a\"=\"\xC3\x28\"\n"), 1) << "not UTF-8";
}

}  // namespace

namespace {

// Texts the fuzzer found to change on their way through writing and reading.
TEST(RegistryText, FuzzFindingsReadBackAsTheyWereRead) {
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(QUELLMARK_TEST_DATA_DIR) + "/findings")) {
        if (!entry.path().filename().string().starts_with("registry-")) continue;
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string input{std::istreambuf_iterator<char>(in), {}};
        const RegistryTree read = ParseRegistryText(input);
        const std::string written = FormatRegistryText(read);
        EXPECT_EQ(ParseRegistryText(written), read);
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

TEST(RegistryText, AQuotedStringEndsAtItsFirstNulAsTheHexFormDoes) {
    const std::string text = std::string(kRegistryTextHeader) + "\n[" + kKey + "]\n\"q\"=\"before" + '\0' +
                             "after\"\n\"h\"=hex(1):61,00,00,00,62,00,00,00\n";
    const RegistryTree tree = ParseRegistryText(text);
    EXPECT_EQ(tree.Find(kKey, "q")->data, "before");
    EXPECT_EQ(tree.Find(kKey, "h")->data, "a");
}

}  // namespace

namespace {

std::string KeyPathOfDepth(std::size_t depth) {
    std::string path = "HKEY_CURRENT_USER";
    for (std::size_t i = 0; i < depth; ++i) path += "\\k";
    return path;
}

// Every key of a deep path is written as a section of its own, so a file's
// work grows with the square of its depth: paths stop at 512 keys below the
// root, as in the Windows registry.
TEST(RegistryText, KeyPathsGoAtMost512KeysDeep) {
    const std::string deepest = KeyPathOfDepth(kMaxRegistryDepth);
    const RegistryTree tree = ParseRegistryText(std::string(kRegistryTextHeader) + "\n[" + deepest + "]\n\"v\"=\"x\"\n");
    EXPECT_EQ(tree.AllKeys().size(), kMaxRegistryDepth) << "the key and every key above it, the root aside";
    EXPECT_EQ(ParseRegistryText(FormatRegistryText(tree)), tree);

    try {
        ParseRegistryText(std::string(kRegistryTextHeader) + "\n[" + KeyPathOfDepth(kMaxRegistryDepth + 1) + "]\n");
        ADD_FAILURE() << "a path 513 keys deep was read";
    } catch (const ERegistryTextError& e) {
        EXPECT_EQ(e.Message(), "line 2: malformed key path, or one deeper than 512 keys");
    }
}

}  // namespace

}  // namespace quellmark
