// ozv info and list for people (-l) and for scripts (--json), info with a
// password, and info of a header whose index names no cipher.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <sstream>
#include <sys/stat.h>

#include "cabinet/cab_writer.h"
#include "cabinet_fixture.h"
#include "cli/json.h"
#include "container/container_writer.h"
#include "run_process.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

class OzvInspectTest : public CabinetTest {
protected:
    std::string Path(const std::string& relative) const { return (root / relative).string(); }

    // A container (Blowfish, password "pw") of the cabinet at `cabinetPath`.
    std::string Container(const std::string& cabinetPath, const std::string& name) {
        const std::string path = Path(name);
        WriteContainer(cabinetPath, path, 1, "pw");
        return path;
    }

    // Runs Python's json module over `json` with `script` (which finds the
    // parsed object in `d`); returns what the script prints, or the parser's
    // complaint.
    std::string WithPython(const std::string& json, const std::string& script) {
        const std::string input = MakeFile("python/input.json", json);
        const std::string program = MakeFile(
            "python/script.py", "import json, sys\nd = json.load(open(sys.argv[1], encoding='utf-8'))\nout = []\n" +
                                    script + "\nsys.stdout.buffer.write('\\n'.join(out).encode('utf-8'))\n");
        std::string output;
        if (std::FILE* pipe = ::popen(("python3 '" + program + "' '" + input + "' 2>&1").c_str(), "r")) {
            char chunk[4096];
            for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
            if (::pclose(pipe) != 0) output = "python failed: " + output;
        }
        return output;
    }
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// Sets the modification time of `path` to a local time.
void SetLocalTime(const std::string& path, int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const timespec stamp{std::mktime(&local), 0};
    const timespec both[2] = {stamp, stamp};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), both, 0), 0);
}

TEST(JsonString, EscapesWhatJsonRequiresAndReplacesEachBadByte) {
    EXPECT_EQ(JsonString(""), "\"\"");
    EXPECT_EQ(JsonString("say \"hi\"\\"), "\"say \\\"hi\\\"\\\\\"");
    EXPECT_EQ(JsonString(std::string("\t\n\r\b\f\x01\x1f\x7f", 8) + std::string(1, '\0')),
              "\"\\t\\n\\r\\b\\f\\u0001\\u001f\\u007f\\u0000\"");
    // Well-formed UTF-8 of every length passes through.
    EXPECT_EQ(JsonString("gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80"),
              "\"gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80\"");
    const std::string bad = "\xEF\xBF\xBD";
    struct Case {
        std::string in, out;
    } cases[] = {
        {"a\xFF" "b", "a" + bad + "b"},                           // never in UTF-8
        {"\x80", bad},                                            // a stray continuation byte
        {"\xC0\x80", bad + bad},                                  // an overlong NUL
        {"\xE0\x80\xAF", bad + bad + bad},                        // an overlong "/"
        {"\xED\xA0\x80", bad + bad + bad},                        // a surrogate
        {"\xF4\x90\x80\x80", bad + bad + bad + bad},              // above U+10FFFF
        {"\xE2\x82", bad + bad},                                  // cut at the end
        {"\xE2\x82x", bad + bad + "x"},                           // cut by an ASCII byte
        {"\xC3\xBC\xC3", "\xC3\xBC" + bad},                       // good, then cut
    };
    for (const auto& c : cases) EXPECT_EQ(JsonString(c.in), "\"" + c.out + "\"") << c.in;
}

TEST_F(OzvInspectTest, JsonOfListAndInfoParsesAndKeepsNamesAndStamps) {
    const std::string names[] = {"gr\xC3\xBC\xC3\x9F" "e.txt", "say \"hi\"\tnow.txt", "\xE2\x82\xAC/\xF0\x9F\x98\x80"};
    std::vector<CabSource> sources;
    for (std::size_t i = 0; i < std::size(names); ++i) {
        const std::string source = MakeFile("sources/" + std::to_string(i), std::string(100 * i + 5, 'x'));
        SetLocalTime(source, 2024, 5, 1, 12, 30, static_cast<int>(2 * i));
        sources.push_back({source, names[i], 0});
    }
    WriteCabinet(Path("body.cab"), sources, true);
    const std::string container = Container(Path("body.cab"), "c.ozv");
    const std::string script =
        "out.append('%s|%d|%s|%s|%s|%d|%d' % (d['container'], d['cipher_index'], d['cipher_name'], "
        "d['deciphered_as'], d.get('password_opens'), d['container_size'], d['body_size']))\n"
        "for e in d['entries']: out.append('%s|%d|%s|%s|%s' % (e['name'], e['size'], e['time'], e['attributes'], "
        "e['compression']))";
    const std::string size = std::to_string(std::filesystem::file_size(container));
    const std::string body = std::to_string(std::filesystem::file_size(container) - 256);
    std::string expectedEntries;
    for (std::size_t i = 0; i < std::size(names); ++i)
        expectedEntries += "\n" + names[i] + "|" + std::to_string(100 * i + 5) + "|2024-05-01T12:30:0" +
                           std::to_string(2 * i) + "|---a-|MSZIP";

    ProcessResult list = RunOzvProcess({"list", "--json", container, "-p", "pw"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(WithPython(list.out, script), container + "|1|Blowfish|Blowfish|None|" + size + "|" + body + expectedEntries);

    ProcessResult info = RunOzvProcess({"info", "--json", container}, "", {{"OZV_PASSWORD", "pw"}});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(WithPython(info.out, script), container + "|1|Blowfish|Blowfish|True|" + size + "|" + body + expectedEntries);

    // Without a password, info describes the header only.
    ProcessResult bare = RunOzvProcess({"info", "--json", container});
    ASSERT_EQ(bare.status, 0) << bare.err;
    EXPECT_EQ(WithPython(bare.out, "out.append(repr(sorted(d)))"),
              "['body_size', 'cipher_available', 'cipher_index', 'cipher_name', 'container', 'container_size', "
              "'deciphered_as']");
}

TEST_F(OzvInspectTest, LongListingShowsAttributesCompressionAndFolder) {
    // One folder per file; the listing reads only the folder records, so
    // their compression fields can name any method.
    HandMade made;
    for (const char* name : {"stored.txt", "mszip.txt", "lzx.txt", "quantum.txt"}) made.files.push_back({name, "abc"});
    for (std::size_t i = 0; i < made.files.size(); ++i) made.files[i].folder = static_cast<uint16_t>(i);
    std::string cabinet = HandMadeCabinet(made);
    const uint16_t compression[] = {0x0000, 0x0001, 0x1503, 0x1442};
    for (std::size_t i = 0; i < std::size(compression); ++i) {
        cabinet[36 + 8 * i + 6] = static_cast<char>(compression[i] & 0xFF);
        cabinet[36 + 8 * i + 7] = static_cast<char>(compression[i] >> 8);
    }
    const std::string folders = Container(MakeFile("folders.cab", cabinet), "folders.ozv");
    ProcessResult list = RunOzvProcess({"list", "-l", folders, "-p", "pw"});
    ASSERT_EQ(list.status, 0) << list.err;
    const std::vector<std::vector<std::string>> expected = {
        {"stored", "0", "stored.txt"}, {"MSZIP", "1", "mszip.txt"}, {"LZX:21", "2", "lzx.txt"}, {"Quantum:4,20", "3", "quantum.txt"}};
    const auto lines = Lines(list.out);
    ASSERT_EQ(lines.size(), expected.size()) << list.out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto words = Words(lines[i]);
        ASSERT_EQ(words.size(), 7u) << lines[i];
        EXPECT_EQ(words[1], "3") << lines[i];
        EXPECT_EQ(std::vector<std::string>(words.begin() + 4, words.end()), expected[i]) << lines[i];
    }

    // Attributes as letters in fixed places.
    const std::string marked = Container(MakeCabinet("marked.cab", {{"a.txt", "hello"}}, false, 0x01 | 0x02 | 0x04 | 0x40),
                                         "marked.ozv");
    ProcessResult markedList = RunOzvProcess({"list", "--long", marked, "-p", "pw"});
    ASSERT_EQ(markedList.status, 0) << markedList.err;
    const auto words = Words(markedList.out);
    ASSERT_EQ(words.size(), 7u) << markedList.out;
    EXPECT_EQ(words[0].substr(0, 3), "rhs") << markedList.out;
    EXPECT_EQ(words[0][4], 'x') << markedList.out;
    EXPECT_EQ(words[1], "5");
    EXPECT_EQ(words[4], "stored");
    EXPECT_EQ(words[6], "a.txt");

    // Without -l the listing keeps its three columns.
    ProcessResult plain = RunOzvProcess({"list", marked, "-p", "pw"});
    EXPECT_EQ(Words(plain.out).size(), 4u) << plain.out;
}

TEST_F(OzvInspectTest, InfoSaysWhetherAPasswordOpensTheContainer) {
    const std::string container = Container(MakeCabinet("c.cab", {{"a.txt", "one"}, {"b.txt", "two"}}), "c.ozv");
    const std::string rightFile = MakeFile("right", "pw\n");
    const std::string wrongFile = MakeFile("wrong", "nope\n");
    struct Case {
        std::vector<std::string> args;
        std::map<std::string, std::string> env;
        int status;
        const char* says;
    } cases[] = {
        {{"-p", "pw"}, {}, 0, "password:   opens it (2 files)"},
        {{"--password-file", rightFile}, {}, 0, "password:   opens it (2 files)"},
        {{}, {{"OZV_PASSWORD", "pw"}}, 0, "password:   opens it (2 files)"},
        {{"-p", "nope"}, {}, 3, "password:   does not open it"},
        {{"--password-file", wrongFile}, {}, 3, "password:   does not open it"},
        {{}, {{"OZV_PASSWORD", "nope"}}, 3, "password:   does not open it"},
        // -p wins over the environment, as everywhere.
        {{"-p", "nope"}, {{"OZV_PASSWORD", "pw"}}, 3, "password:   does not open it"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"info", container};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ProcessResult info = RunOzvProcess(args, "", c.env);
        EXPECT_EQ(info.status, c.status) << info.err;
        EXPECT_NE(info.out.find("algorithm:  1  Blowfish"), std::string::npos) << info.out;
        EXPECT_NE(info.out.find(c.says), std::string::npos) << info.out;
        if (c.status == 3) {
            EXPECT_NE(info.err.find("password is wrong"), std::string::npos) << info.err;
        }

        args.push_back("--json");
        ProcessResult json = RunOzvProcess(args, "", c.env);
        EXPECT_EQ(json.status, c.status) << json.err;
        EXPECT_EQ(WithPython(json.out, "out.append('%s %s' % (d['password_opens'], len(d.get('entries', []))))"),
                  c.status == 0 ? "True 2" : "False 0");
    }

    // No password offered: the header alone, no prompt, success.
    ProcessResult bare = RunOzvProcess({"info", container});
    EXPECT_EQ(bare.status, 0) << bare.err;
    EXPECT_EQ(bare.out.find("password:"), std::string::npos) << bare.out;
    // Asked to prompt without a terminal: a usage error, not a silent pass.
    EXPECT_EQ(RunOzvProcess({"info", container, "--ask-password"}).status, 2);
}

TEST_F(OzvInspectTest, InfoOfAHeaderNamingNoCipherSaysSoBesideTheFallback) {
    const std::string cabinet = MakeCabinet("c.cab", {{"a.txt", "one"}});
    for (const int32_t index : {77, 39, -1}) {
        const std::string container = Container(cabinet, std::to_string(index) + ".ozv");
        // The body is Blowfish's, which the decoder falls back to.
        {
            std::FILE* file = std::fopen(container.c_str(), "r+b");
            ASSERT_NE(file, nullptr);
            const uint32_t bits = static_cast<uint32_t>(index);
            const unsigned char header[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                             static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
            std::fwrite(header, 1, sizeof header, file);
            std::fclose(file);
        }
        ProcessResult info = RunOzvProcess({"info", container, "-p", "pw"});
        EXPECT_EQ(info.status, 0) << info.err;
        // (Appending keeps g++ 12 from a false -Wrestrict.)
        std::string line = "algorithm:  ";
        line += std::to_string(index);
        line += "  (no such cipher; deciphered as Blowfish, index 1)\n";
        EXPECT_NE(info.out.find(line), std::string::npos) << info.out;
        EXPECT_NE(info.out.find("opens it (1 file)"), std::string::npos) << info.out;
        ProcessResult json = RunOzvProcess({"info", "--json", container});
        EXPECT_EQ(WithPython(json.out, "out.append('%s %s %s' % (d['cipher_index'], d['cipher_name'], d['deciphered_as']))"),
                  std::to_string(index) + " None Blowfish");
    }
}

}  // namespace

}  // namespace quellmark
