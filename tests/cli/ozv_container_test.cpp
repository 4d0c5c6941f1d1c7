// ozv create, info, list and extract, run as a user runs them.
#include <gtest/gtest.h>

#include <sstream>

#include "cabinet_fixture.h"
#include "container/container_writer.h"
#include "run_process.h"
#include "temp_dir.h"
#include "test_support.h"

namespace quellmark {

namespace {

class OzvContainerTest : public TempDirTest {
protected:
    std::string Path(const std::string& relative) const { return (root / relative).string(); }
};

TEST_F(OzvContainerTest, CreateThenExtractGivesTheFilesBackForEveryCipherIndex) {
    MakeFile("in/a.txt", "alpha");
    MakeFile("in/sub dir/\xC3\xBC.bin", std::string(9999, '\x7f'));
    MakeFile("in/empty", "");
    ProcessResult algorithms = RunOzvProcess({"algorithms"});
    for (int index = 0; index < 39; ++index) {
        // Only the indexes this build has: the others are refused with a clear message.
        const bool available = algorithms.out.find(std::to_string(index) + "  ") != std::string::npos &&
                               RunOzvProcess({"encrypt", "-c", std::to_string(index), "-p", "x"}, "").status == 0;
        if (!available) continue;
        for (const char* store : {"", "--store"}) {
            const std::string container = Path(Numbered("c", index) + store + ".ozv");
            std::vector<std::string> args = {"create", container, Path("in"), "-c", std::to_string(index), "-p", "pw"};
            if (*store) args.push_back(store);
            ProcessResult created = RunOzvProcess(args);
            ASSERT_EQ(created.status, 0) << created.err;
            const std::string out = Path("out" + std::to_string(index) + store);
            std::filesystem::create_directories(out);
            ProcessResult extracted = RunOzvProcess({"extract", container, "-d", out}, "", {{"OZV_PASSWORD", "pw"}});
            ASSERT_EQ(extracted.status, 0) << extracted.err;
            const std::string inner = out + Path("in");
            EXPECT_EQ(ReadFile(inner + "/a.txt"), "alpha");
            EXPECT_EQ(ReadFile(inner + "/sub dir/\xC3\xBC.bin"), std::string(9999, '\x7f'));
            EXPECT_EQ(ReadFile(inner + "/empty"), "");
            EXPECT_EQ(FilesBeneath(out).size(), 3u) << "no temporary cabinet stays";
        }
    }
}

TEST_F(OzvContainerTest, InfoAndListDescribeTheContainer) {
    MakeFile("x.txt", "0123456789");
    const std::string container = Path("x.ozv");
    ASSERT_EQ(RunOzvProcess({"create", container, Path("x.txt"), "-p", "pw"}).status, 0);
    ProcessResult info = RunOzvProcess({"info", container});
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("algorithm:  1  Blowfish"), std::string::npos) << info.out;
    ProcessResult list = RunOzvProcess({"list", "-p", "pw", container});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("        10  "), std::string::npos) << list.out;
    EXPECT_NE(list.out.find(Path("x.txt").substr(1)), std::string::npos) << list.out;
    EXPECT_EQ(RunOzvProcess({"list", "-p", "wrong", container}).status, 3);
}

TEST_F(OzvContainerTest, BadInputGetsOneClearLineAndTheRightStatus) {
    std::string noise(20000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * i % 251 + i / 7);
    MakeFile("x.txt", noise);
    const std::string container = Path("x.ozv");
    ASSERT_EQ(RunOzvProcess({"create", container, Path("x.txt"), "-p", "pw"}).status, 0);
    const std::string out = Path("out");
    std::filesystem::create_directories(out);
    const std::string whole = ReadFile(container);

    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {{"extract", container, "-d", out, "-p", "wrong"}, 3, "password is wrong"},
        {{"extract", MakeFile("cut.ozv", whole.substr(0, whole.size() / 2)), "-d", out, "-p", "pw"}, 3, "damaged"},
        {{"extract", MakeFile("tiny.ozv", "short"), "-d", out, "-p", "pw"}, 3, "256-byte header"},
        {{"extract", MakeFile("foreign.ozv", std::string(5000, 'F')), "-d", out, "-p", "pw"}, 3, "not a container"},
        {{"extract", Path("nothing.ozv"), "-d", out, "-p", "pw"}, 1, "does not exist"},
        {{"extract", out, "-d", out, "-p", "pw"}, 1, "is a directory"},
        {{"extract", container, "-d", Path("x.txt/dir"), "-p", "pw"}, 1, "not a directory"},
        {{"extract", container, "-d", out}, 2, "no password"},
        {{"info", MakeFile("tiny2.ozv", "abc")}, 3, "256-byte header"},
        {{"create", Path("new.ozv"), Path("missing-file"), "-p", "pw"}, 1, "missing-file"},
        {{"create", Path("new.ozv"), "-p", "pw"}, 2, "at least one file"},
        {{"create", Path("new.ozv"), Path("x.txt"), "-c", "NoSuchCipher", "-p", "pw"}, 2, "unknown cipher"},
    };
    for (const Case& c : cases) {
        ProcessResult r = RunOzvProcess(c.args);
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        EXPECT_EQ(r.status, c.status) << joined << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << joined << "\n" << r.err;
    }
    EXPECT_TRUE(FilesBeneath(out).empty()) << "failed extractions leave nothing behind";
    EXPECT_FALSE(std::filesystem::exists(Path("new.ozv")));
}

// A container whose cabinet is one member of a set: the listing marks the
// entries cut across cabinets, and extracting fails, names the entry and the
// cabinet it needs, and writes and prints nothing.
TEST_F(OzvContainerTest, EntriesCutAcrossCabinetsAreMarkedAndNothingIsExtracted) {
    const std::string whole = "the first half, and the second half";
    const auto size = static_cast<uint32_t>(whole.size());
    struct Case {
        std::string container;
        HandMade cabinet;
        std::string wholeEntry;
        std::string says;
    };
    const Case cases[] = {
        {"tail.ozv",
         {{{"split.txt", whole.substr(15), 0xFFFD, size}, {"after.txt", "after"}}, "part1.cab", "", 1},
         "after.txt",
         "begins in the cabinet \"part1.cab\""},
        {"head.ozv",
         {{{"before.txt", "before"}, {"split.txt", whole.substr(0, 15), 0xFFFE, size, true}}, "", "part2.cab"},
         "before.txt",
         "goes on in the cabinet \"part2.cab\""},
    };
    for (const Case& c : cases) {
        const std::string container = Path(c.container);
        WriteContainer(MakeFile(c.container + ".cab", HandMadeCabinet(c.cabinet)), container, 1, "pw");

        ProcessResult list = RunOzvProcess({"list", "-p", "pw", container});
        EXPECT_EQ(list.status, 0) << list.err;
        std::istringstream lines(list.out);
        std::string line, wholeLine, cutLine;
        while (std::getline(lines, line)) (line.find("split.txt") != std::string::npos ? cutLine : wholeLine) = line;
        EXPECT_TRUE(wholeLine.ends_with("  " + c.wholeEntry)) << list.out;
        EXPECT_NE(cutLine.find("  split.txt  ("), std::string::npos) << list.out;
        EXPECT_NE(cutLine.find(c.says), std::string::npos) << list.out;

        const std::string out = Path("out-" + c.container);
        std::filesystem::create_directories(out);
        ProcessResult extracted = RunOzvProcess({"extract", container, "-d", out, "-p", "pw"});
        EXPECT_EQ(extracted.status, 3) << c.container;
        EXPECT_NE(extracted.err.find("\"split.txt\" " + c.says), std::string::npos) << extracted.err;
        EXPECT_EQ(extracted.out, "") << "no name of a file that was not written";
        EXPECT_TRUE(std::filesystem::is_empty(out)) << c.container << " left something behind";
    }
}

}  // namespace

}  // namespace quellmark
