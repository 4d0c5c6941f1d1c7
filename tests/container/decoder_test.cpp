// The container decoder, the container writer and unique temporary files.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "base/streams.h"
#include "cabinet/cab_reader.h"
#include "cabinet_fixture.h"
#include "container/container_writer.h"
#include "container/unique_file.h"
#include "container/vossel_decoder.h"
#include "crypto/registry.h"
#include "test_support.h"

namespace quellmark {

namespace {

class DecoderTest : public CabinetTest {
protected:
    // A container of the given files under `index`, written by our writer.
    std::string MakeContainer(const std::string& name, int32_t index,
                              const std::vector<std::pair<std::string, std::string>>& files, bool compress = true) {
        const std::string cabinet = MakeCabinet(name + ".cab", files, compress);
        const std::string container = (root / name).string();
        WriteContainer(cabinet, container, index, "password");
        return container;
    }
    // The container with its header's first four bytes set to `index`.
    std::string WithIndex(const std::string& container, int32_t index, const std::string& name) {
        std::string bytes = ReadFile(container);
        for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(static_cast<uint32_t>(index) >> (8 * i));
        return MakeFile(name, bytes);
    }
    std::vector<std::string> TempCabinets(const std::string& directory) {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(directory))
            if (entry.path().filename().string().rfind("_CAB_", 0) == 0) found.push_back(entry.path().string());
        return found;
    }
};

TEST_F(DecoderTest, EveryRegisteredCipherRoundTripsThroughAContainer) {
    const std::vector<std::pair<std::string, std::string>> files = {
        {"notes.txt", "Quellmark"}, {"docs\\odd length.bin", std::string(4099, 'q')}, {"empty.txt", ""}};
    const TStringList& ciphers = CipherRegistry().Entries();
    for (std::size_t i = 0; i < ciphers.Count(); ++i) {
        if (!TCipherRegistry::ClassAt(ciphers, i)) continue;
        for (bool compress : {true, false}) {
            const std::string name = Numbered("c", static_cast<long>(i)) + (compress ? "z" : "s") + ".ozv";
            const std::string container = MakeContainer(name, static_cast<int32_t>(i), files, compress);
            const std::string scratch = (root / ("scratch-" + name)).string();
            TVosselDecoder decoder;
            TStringList names;
            decoder.DecodeContainer(names, container, scratch, "password");
            ASSERT_EQ(names.Count(), 3u) << ciphers.Names(i);
            EXPECT_EQ(names[1], "docs/odd length.bin");
            EXPECT_EQ(ReadFile(scratch + "/docs/odd length.bin"), std::string(4099, 'q')) << ciphers.Names(i);
            EXPECT_EQ(ReadFile(scratch + "/notes.txt"), "Quellmark");
            EXPECT_TRUE(TempCabinets(scratch).empty()) << "a success leaves no temporary cabinet";
        }
    }
}

TEST_F(DecoderTest, TheIndexAloneOfTheHeaderCountsAndUnknownIndexesMeanBlowfish) {
    const std::string blowfish = MakeContainer("b.ozv", 1, {{"a.txt", "A"}});
    for (int32_t index : {-1, 39, INT_MAX, INT_MIN}) {
        const std::string container = WithIndex(blowfish, index, "i" + std::to_string(index) + ".ozv");
        TVosselDecoder decoder;
        TStringList names;
        names.Add("already there");
        decoder.DecodeContainer(names, container, (root / ("s" + std::to_string(index)) / "").string(), "password");
        ASSERT_EQ(names.Count(), 2u) << index;
        EXPECT_EQ(names[0], "already there");
        EXPECT_EQ(names[1], "a.txt");
    }
    std::string noisy = ReadFile(blowfish);
    for (std::size_t i = 4; i < 256; ++i) noisy[i] = static_cast<char>(i * 7);
    TVosselDecoder decoder;
    TStringList names;
    decoder.DecodeContainer(names, MakeFile("noisy.ozv", noisy), (root / "noisy").string(), "password");
    EXPECT_EQ(names.Count(), 1u);
    EXPECT_EQ(decoder.AlgorithmAt(1), "Blowfish");
    EXPECT_EQ(decoder.AlgorithmAt(-1), "");
    EXPECT_EQ(decoder.AlgorithmAt(39), "");
}

TEST_F(DecoderTest, FailuresLeaveOneTemporaryCabinetEachAndNamesNothing) {
    const std::string container = MakeContainer("w.ozv", 1, {{"a.txt", "A"}});
    const std::string scratch = (root / "scratch").string();
    for (int attempt = 0; attempt < 3; ++attempt) {
        TVosselDecoder decoder;
        TStringList names;
        EXPECT_THROW(decoder.DecodeContainer(names, container, scratch, "wrong"), ESTCabinet);
        EXPECT_TRUE(names.Empty());
    }
    EXPECT_EQ(TempCabinets(scratch).size(), 3u);
    EXPECT_EQ(FilesBeneath(scratch).size(), 3u) << "nothing but the cabinets";

    for (const std::string& content : {std::string(), std::string(100, 'x'), std::string(256, '\0')}) {
        TVosselDecoder decoder;
        TStringList names;
        EXPECT_THROW(decoder.DecodeContainer(names, MakeFile("short.ozv", content), scratch, "password"), Exception);
    }
    TVosselDecoder decoder;
    TStringList names;
    EXPECT_THROW(decoder.DecodeContainer(names, (root / "missing.ozv").string(), scratch, "password"), EFOpenError);
}

// A container whose cabinet is one member of a set: what begins in an earlier
// cabinet is neither unpacked nor named, and what goes on in a later one fails
// the decode; both are told with the cabinet they need.
TEST_F(DecoderTest, ACabinetThatIsOneMemberOfASetGivesOnlyWhatComesOutWhole) {
    const std::string whole = "the first half, and the second half";
    const auto size = static_cast<uint32_t>(whole.size());
    auto makeContainer = [&](const std::string& name, const HandMade& cabinet) {
        WriteContainer(MakeFile(name + ".cab", HandMadeCabinet(cabinet)), (root / name).string(), 1, "password");
        return (root / name).string();
    };

    const std::string tail = makeContainer(
        "tail.ozv", {{{"split.txt", whole.substr(15), 0xFFFD, size}, {"after.txt", "after"}}, "part1.cab", "", 1});
    const std::string tailScratch = (root / "tail").string();
    TVosselDecoder tailDecoder;
    TStringList names;
    tailDecoder.DecodeContainer(names, tail, tailScratch, "password");
    ASSERT_EQ(names.Count(), 1u);
    EXPECT_EQ(names[0], "after.txt");
    EXPECT_EQ(FilesBeneath(tailScratch), std::vector<std::string>{"after.txt"});
    ASSERT_EQ(tailDecoder.SplitEntries().size(), 1u);
    EXPECT_EQ(tailDecoder.SplitEntries()[0].name, "split.txt");
    EXPECT_EQ(tailDecoder.SplitEntries()[0].otherCabinet, "part1.cab");
    EXPECT_TRUE(tailDecoder.SplitEntries()[0].beginsEarlier);

    const std::string head = makeContainer(
        "head.ozv", {{{"before.txt", "before"}, {"split.txt", whole.substr(0, 15), 0xFFFE, size, true}}, "", "part2.cab"});
    TVosselDecoder headDecoder;
    TStringList none;
    try {
        headDecoder.DecodeContainer(none, head, (root / "head").string(), "password");
        ADD_FAILURE() << "a file that cannot be completed passed";
    } catch (const ESTCabinet& e) {
        EXPECT_EQ(e.Message(), "FDI aborted [0x000B]");
    }
    EXPECT_TRUE(none.Empty());
    ASSERT_EQ(headDecoder.SplitEntries().size(), 1u);
    EXPECT_EQ(headDecoder.SplitEntries()[0].name, "split.txt");
    EXPECT_EQ(headDecoder.SplitEntries()[0].otherCabinet, "part2.cab");
    EXPECT_FALSE(headDecoder.SplitEntries()[0].beginsEarlier);
}

TEST(UniqueFiles, IncrementSuffixCountsUpWithinItsWidth) {
    EXPECT_EQ(IncrementSuffix("075230", 6, true), "075231");
    EXPECT_EQ(IncrementSuffix("099999", 6, true), "100000");
    EXPECT_EQ(IncrementSuffix("000009", 6, true), "000010");
    EXPECT_EQ(IncrementSuffix("999999", 6, true), "1000000");
    EXPECT_EQ(IncrementSuffix("ab9", 0, false), "a10");
    EXPECT_EQ(IncrementSuffix("abc", 5, true), "abc01");
    EXPECT_EQ(IncrementSuffix("", 0, true), "");
}

class UniqueFileTest : public CabinetTest {};

TEST_F(UniqueFileTest, NamesAreBuiltFromTheNameAClockAndACounter) {
    const std::string dir = (root / "new" / "dir").string();
    const std::string first = CreateUniqueFile(dir, "some/where/_CAB.CAB", true);
    const std::string name = first.substr(dir.size() + 1);
    EXPECT_EQ(first.substr(0, dir.size() + 1), dir + "/");
    ASSERT_EQ(name.size(), std::string("_CAB_20240131_0942_075230.CAB").size()) << name;
    EXPECT_EQ(name.substr(0, 5), "_CAB_");
    EXPECT_EQ(name.substr(name.size() - 4), ".CAB");
    EXPECT_TRUE(std::filesystem::exists(first));

    const std::string second = CreateUniqueFile(dir, "page-1_x~2.html", false);
    // Digits, "-", "_" and "~" go; the extension is cut to ".htm" and the base, shortened by as much, keeps the dot.
    EXPECT_EQ(second.substr(0, 8), "pagex._2") << second;
    EXPECT_EQ(second.substr(second.size() - 4), ".htm");
    EXPECT_TRUE(std::filesystem::exists(dir + "/" + second));
    // A trailing separator stays, doubling it; the file lands in the same place.
    const std::string doubled = CreateUniqueFile(dir + "/", "x.tmp", true);
    EXPECT_NE(doubled.find("//"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(doubled));
}

TEST_F(UniqueFileTest, ThousandFailuresAreReportedAndRacingProcessesNeverShareAName) {
    const std::string blocker = MakeFile("plain-file", "x");
    try {
        CreateUniqueFile(blocker + "/below", "_CAB.CAB", true);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Failed 1000 times to create a temp file.");
    }

    const std::string dir = (root / "race").string();
    std::filesystem::create_directories(dir);
    constexpr int kProcesses = 4, kEach = 50;
    for (int p = 0; p < kProcesses; ++p) {
        if (fork() == 0) {
            for (int i = 0; i < kEach; ++i) CreateUniqueFile(dir, "_CAB.CAB", true);
            _exit(0);
        }
    }
    for (int p = 0; p < kProcesses; ++p) {
        int status = 0;
        wait(&status);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(FilesBeneath(dir).size(), static_cast<std::size_t>(kProcesses * kEach));
}

}  // namespace

}  // namespace quellmark
