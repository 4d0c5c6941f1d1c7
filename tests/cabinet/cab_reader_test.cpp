// Listing and unpacking cabinets, and what the reader refuses to do.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "base/streams.h"
#include "cabinet/cab_reader.h"
#include "cabinet_fixture.h"

namespace quellmark {

namespace {

class CabReaderTest : public CabinetTest {};

struct Listed {
    std::string name;
    int32_t size;
    uint16_t date, time, attributes;
};

std::vector<Listed> List(TSTCabReader& reader, const std::string& cabinet, bool* isCabinet = nullptr) {
    std::vector<Listed> entries;
    bool result = reader.ListCabinetFiles(cabinet, [&](TSTCabReader&, const std::string& name, int32_t size, uint16_t,
                                                       uint16_t date, uint16_t time, uint16_t attributes, bool&) {
        entries.push_back({name, size, date, time, attributes});
    });
    if (isCabinet) *isCabinet = result;
    return entries;
}

TEST_F(CabReaderTest, ListsAndUnpacksIntoSubDirectoriesWithTheCabinetsTimeStamps) {
    for (bool compress : {true, false}) {
        const std::string cabinet = MakeCabinet(compress ? "mszip.cab" : "stored.cab",
                                                {{"docs\\readme.txt", "read me"},
                                                 {"a b/c d.txt", std::string(70000, 'x')},
                                                 {"empty", ""},
                                                 {"r\xC3\xA9sum\xC3\xA9.txt", "non-ASCII name"}},
                                                compress);
        TSTCabReader reader;
        auto listed = List(reader, cabinet);
        ASSERT_EQ(listed.size(), 4u);
        EXPECT_EQ(listed[0].name, "docs/readme.txt");
        EXPECT_EQ(listed[1].name, "a b/c d.txt");
        EXPECT_EQ(listed[1].size, 70000);
        EXPECT_EQ(listed[3].name, "r\xC3\xA9sum\xC3\xA9.txt");

        const std::string out = (root / (compress ? "out-mszip" : "out-stored")).string();
        std::filesystem::create_directories(out);
        reader.ExtractCabinet(cabinet, out, false);
        EXPECT_EQ(ReadFile(out + "/docs/readme.txt"), "read me");
        EXPECT_EQ(ReadFile(out + "/a b/c d.txt"), std::string(70000, 'x'));
        EXPECT_EQ(ReadFile(out + "/empty"), "");
        EXPECT_EQ(ReadFile(out + "/r\xC3\xA9sum\xC3\xA9.txt"), "non-ASCII name");

        struct stat written{};
        ASSERT_EQ(stat((out + "/docs/readme.txt").c_str(), &written), 0);
        tm local{};
        localtime_r(&written.st_mtime, &local);
        const uint16_t date = static_cast<uint16_t>((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
        const uint16_t time = static_cast<uint16_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
        EXPECT_EQ(date, listed[0].date);
        EXPECT_EQ(time, listed[0].time);
    }
}

TEST_F(CabReaderTest, ExistingTargetsAreReplacedAndReadOnlyOnesKeptOnlyByOption) {
    const std::string cabinet = MakeCabinet("c.cab", {{"short.txt", "new"}, {"locked.txt", "fresh"}});
    const std::string out = (root / "out").string();
    MakeFile("out/short.txt", "a much longer old content");
    MakeFile("out/locked.txt", "old");
    chmod((out + "/locked.txt").c_str(), 0444);

    TSTCabReader keeping;
    keeping.Options.Include(croDontOverwriteReadOnlyFiles);
    keeping.ExtractCabinet(cabinet, out, true);
    EXPECT_EQ(ReadFile(out + "/short.txt"), "new");
    EXPECT_EQ(ReadFile(out + "/locked.txt"), "old");

    TSTCabReader replacing;
    replacing.ExtractCabinet(cabinet, out, true);
    EXPECT_EQ(ReadFile(out + "/locked.txt"), "fresh");

    // A file stored read-only ends read-only.
    const std::string readOnly = MakeCabinet("ro.cab", {{"ro.txt", "x"}}, true, 0x01);
    auto listedRO = List(replacing, readOnly);
    ASSERT_EQ(listedRO.size(), 1u);
    EXPECT_EQ(listedRO[0].attributes & 0x01, 0x01);
    replacing.ExtractCabinet(readOnly, out, true);
    struct stat written{};
    ASSERT_EQ(stat((out + "/ro.txt").c_str(), &written), 0);
    EXPECT_EQ(written.st_mode & 0222, 0u);
}

TEST_F(CabReaderTest, RunAfterExtractOnlyWithTheOptionAndEventsSeeEveryFile) {
    const std::string cabinet = MakeCabinet("run.cab", {{"run.txt", "x"}}, true, 0x40);
    std::vector<std::string> launched;
    TSTCabReader reader;
    reader.ShellOpen = [&](const std::string& path) { launched.push_back(path); };
    std::vector<std::string> copied, closed;
    reader.OnCopyFile = [&](TSTCabReader&, const std::string& name, int32_t, uint16_t, uint16_t, uint16_t, uint16_t,
                            std::string&, bool&) { copied.push_back(name); };
    reader.OnCloseFile = [&](TSTCabReader&, const std::string& name, uint16_t, uint16_t, uint16_t, uint16_t, bool& exec,
                             const std::string&, bool&) {
        closed.push_back(name);
        EXPECT_TRUE(exec);
    };
    reader.ExtractCabinet(cabinet, (root / "a").string(), true);
    EXPECT_TRUE(launched.empty());
    reader.Options.Include(croExecuteOnExtract);
    reader.ExtractCabinet(cabinet, (root / "b").string(), true);
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0], (root / "b" / "run.txt").string());
    EXPECT_EQ(copied, (std::vector<std::string>{"run.txt", "run.txt"}));
    EXPECT_EQ(closed, copied);

    // A handler that aborts stops the library with its abort error.
    reader.OnCopyFile = [](TSTCabReader&, const std::string&, int32_t, uint16_t, uint16_t, uint16_t, uint16_t,
                           std::string&, bool& abort) { abort = true; };
    try {
        reader.ExtractCabinet(cabinet, (root / "c").string(), true);
        FAIL();
    } catch (const ESTCabinet& e) {
        EXPECT_EQ(e.Message(), "FDI aborted [0x000B]");
    }
}

TEST_F(CabReaderTest, AFileThatIsNoCabinetListsNothingAndFailsToExtract) {
    const std::string bogus = MakeFile("bogus.cab", std::string(500, 'z'));
    TSTCabReader reader;
    bool isCabinet = true;
    EXPECT_TRUE(List(reader, bogus, &isCabinet).empty());
    EXPECT_FALSE(isCabinet);
    try {
        reader.ExtractCabinet(bogus, (root / "out").string(), false);
        FAIL();
    } catch (const ESTCabinet& e) {
        EXPECT_EQ(e.Message(), "Cabinet file does not have the correct format [0x0002]");
        EXPECT_EQ(e.ErrorCode(), FDIERROR_NOT_A_CABINET);
    }
    // A cabinet whose directory is cut short: the listing reports the short read.
    const std::string whole = MakeCabinet("whole.cab", {{"name-that-is-long-enough.txt", "data"}});
    const std::string cut = MakeFile("cut.cab", ReadFile(whole).substr(0, 50));
    EXPECT_THROW(List(reader, cut), EReadError);
    EXPECT_THROW(reader.ExtractCabinet(cut, (root / "out").string(), false), ESTCabinet);
}

TEST_F(CabReaderTest, EntriesThatWouldLeaveTheDestinationAreRefusedByName) {
    for (const std::string name : {"..\\escaped.txt", "sub\\..\\..\\escaped.txt", "\\absolute.txt", "C:\\drive.txt"}) {
        const std::string cabinet = MakeCabinet("evil.cab", {{"fine.txt", "ok"}, {name, "evil"}});
        const std::string out = (root / "deep" / "out").string();
        std::filesystem::create_directories(out);
        TSTCabReader reader;
        try {
            reader.ExtractCabinet(cabinet, out, false);
            FAIL() << name;
        } catch (const ESTCabinet& e) {
            std::string shown = name;
            for (char& c : shown)
                if (c == '\\') c = '/';
            EXPECT_NE(e.Message().find(shown), std::string::npos) << e.Message();
        }
        EXPECT_FALSE(std::filesystem::exists(root / "escaped.txt"));
        EXPECT_FALSE(std::filesystem::exists(root / "deep" / "escaped.txt"));
        EXPECT_FALSE(std::filesystem::exists("/absolute.txt"));
        std::filesystem::remove_all(root / "deep");
    }
}

TEST_F(CabReaderTest, SymbolicLinksInTheDestinationAreNeverFollowed) {
    const std::string outside = MakeFile("outside.txt", "precious");
    const std::string out = (root / "out").string();
    std::filesystem::create_directories(out);
    std::filesystem::create_symlink(outside, out + "/target.txt");
    std::filesystem::create_directories(root / "elsewhere");
    std::filesystem::create_directory_symlink(root / "elsewhere", out + "/linkdir");

    TSTCabReader reader;
    reader.ExtractCabinet(MakeCabinet("a.cab", {{"target.txt", "new"}}), out, true);
    EXPECT_EQ(ReadFile(outside), "precious");
    EXPECT_FALSE(std::filesystem::is_symlink(out + "/target.txt"));
    EXPECT_EQ(ReadFile(out + "/target.txt"), "new");

    EXPECT_THROW(reader.ExtractCabinet(MakeCabinet("b.cab", {{"linkdir\\x.txt", "new"}}), out, true), ESTCabinet);
    EXPECT_FALSE(std::filesystem::exists(root / "elsewhere" / "x.txt"));
}

TEST(ESTCabinetMessages, CarryTheCodeAndTheSystemError) {
    EXPECT_EQ(ESTCabinet::FromRecord({FDIERROR_CORRUPT_CABINET, 0, 1}).Message(), "Cabinet file is corrupt [0x0004]");
    EXPECT_EQ(ESTCabinet::FromRecord({FDIERROR_TARGET_FILE, ENOSPC, 1}).Message(),
              "Failure writing to target file [0x0008].\r\n" + std::string(strerror(ENOSPC)) + " [0x001C].");
    EXPECT_EQ(ESTCabinet::FromRecord({FDIERROR_NONE, 0, 0}).Message(), "FDI error");
    EXPECT_EQ(ESTCabinet::FromRecord({42, 0, 1}).Message(), "FDI error [0x002A]");
}

}  // namespace

namespace {

TEST_F(CabReaderTest, AMissingNextCabinetOfASetEndsTheExtractionQuietly) {
    const std::string cabinet = MakeFile("set1.cab", HandMadeCabinet("first.txt", "in the first cabinet", "set2.cab"));
    TSTCabReader reader;
    std::string announcedNext;
    reader.OnCabinetInfo = [&](TSTCabReader&, const std::string& next, const std::string& disk, const std::string&,
                               uint16_t setId, uint16_t, bool&) {
        if (next.empty()) return;  // the last cabinet of the set names none
        announcedNext = next;
        EXPECT_EQ(disk, "disk 2");
        EXPECT_EQ(setId, 0x1234);
    };
    reader.ExtractCabinet(cabinet, (root / "out").string(), false);
    EXPECT_EQ(announcedNext, "set2.cab");
    EXPECT_EQ(ReadFile((root / "out" / "first.txt").string()), "in the first cabinet");
    auto listed = List(reader, cabinet);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].date, (2020 - 1980) << 9 | 2 << 5 | 29);

    // With the next cabinet present the extraction goes on into it, unless told to stay in one.
    MakeFile("set2.cab", HandMadeCabinet("second.txt", "in the second", ""));
    reader.ExtractCabinet(cabinet, (root / "single").string(), true);
    EXPECT_FALSE(std::filesystem::exists(root / "single" / "second.txt"));
    reader.ExtractCabinet(cabinet, (root / "set").string(), false);
    EXPECT_EQ(ReadFile((root / "set" / "second.txt").string()), "in the second");
}

TEST_F(CabReaderTest, AFileCutAcrossTwoCabinetsOfASetComesOutWhole) {
    const std::string whole = "the first half, and the second half";
    const std::size_t cut = 15;
    const std::string first = MakeFile("part1.cab", HandMadeCabinet({{{"split.txt", whole.substr(0, cut), 0xFFFE,
                                                                       static_cast<uint32_t>(whole.size()), true}},
                                                                     "",
                                                                     "part2.cab"}));
    MakeFile("part2.cab", HandMadeCabinet({{{"split.txt", whole.substr(cut), 0xFFFD, static_cast<uint32_t>(whole.size())}},
                                           "part1.cab",
                                           "",
                                           1}));
    TSTCabReader reader;
    int partials = 0;
    reader.OnCopyPartialFile = [&](TSTCabReader&, const std::string& name, const std::string&, const std::string&,
                                   const std::string&, bool&) { partials += name == "split.txt"; };
    reader.ExtractCabinet(first, (root / "out").string(), false);
    EXPECT_EQ(ReadFile((root / "out" / "split.txt").string()), whole);
    EXPECT_EQ(partials, 1) << "the second cabinet reports the file as begun before";
}

// A container holds one cabinet, so in practice the rest of a set is missing:
// a file that goes on in a cabinet that cannot be had fails the extraction,
// and a file begun in one that is not there is left out.
TEST_F(CabReaderTest, AFileThatGoesOnInACabinetThatCannotBeHadFailsTheExtraction) {
    const std::string whole = "the first half, and the second half";
    const std::size_t cut = 15;
    const auto size = static_cast<uint32_t>(whole.size());
    const std::string first = MakeFile(
        "set/part1.cab",
        HandMadeCabinet({{{"whole.txt", "complete"}, {"split.txt", whole.substr(0, cut), 0xFFFE, size, true}}, "", "part2.cab"}));
    const std::string second = HandMadeCabinet({{{"split.txt", whole.substr(cut), 0xFFFD, size}}, "part1.cab", "", 1});
    auto extractionFails = [&](TSTCabReader& reader, const std::string& out, const std::string& message) {
        try {
            reader.ExtractCabinet(first, (root / out).string(), false);
            ADD_FAILURE() << out << ": the extraction passed";
        } catch (const ESTCabinet& e) {
            EXPECT_EQ(e.Message(), message) << out;
        }
        EXPECT_FALSE(std::filesystem::exists(root / out / "split.txt")) << out << ": nothing of the cut file is written";
    };

    // No handler: the notification answers the missing cabinet with an abort.
    TSTCabReader reader;
    extractionFails(reader, "missing", "FDI aborted [0x000B]");
    EXPECT_EQ(ReadFile((root / "missing" / "whole.txt").string()), "complete") << "what came before stays";
    MakeFile("set/part2.cab", "no cabinet at all");
    extractionFails(reader, "no-cabinet", "FDI aborted [0x000B]");

    // A handler's abort stops the library, though the cabinet is there.
    MakeFile("set/part2.cab", second);
    TSTCabReader aborting;
    std::vector<TFDIERROR> told;
    aborting.OnNextCabinet = [&](TSTCabReader&, const std::string& name, const std::string& disk, std::string&,
                                 TFDIERROR error, bool& abort) {
        EXPECT_EQ(name, "part2.cab");
        EXPECT_EQ(disk, "disk 2");
        told.push_back(error);
        abort = true;
    };
    extractionFails(aborting, "aborted", "FDI aborted [0x000B]");
    EXPECT_EQ(told, std::vector<TFDIERROR>{FDIERROR_NONE});

    // A handler that lets it go on where the cabinet is not is told why each
    // time, a few times, and then the reason is the error.
    std::filesystem::create_directories(root / "elsewhere");
    std::filesystem::rename(root / "set" / "part2.cab", root / "elsewhere" / "part2.cab");
    TSTCabReader hopeful;
    told.clear();
    hopeful.OnNextCabinet = [&](TSTCabReader&, const std::string&, const std::string&, std::string&, TFDIERROR error,
                                bool&) { told.push_back(error); };
    extractionFails(hopeful, "hopeful",
                    "Cabinet not found [0x0001].\r\n" + std::string(std::strerror(ENOENT)) + " [0x0002].");
    EXPECT_GT(told.size(), 1u);
    for (TFDIERROR error : told) EXPECT_EQ(error, FDIERROR_CABINET_NOT_FOUND);

    // A handler that points to where the cabinet is gets the file whole.
    TSTCabReader finding;
    finding.OnNextCabinet = [&](TSTCabReader&, const std::string&, const std::string&, std::string& path, TFDIERROR,
                                bool&) { path = (root / "elsewhere").string(); };
    finding.ExtractCabinet(first, (root / "found").string(), false);
    EXPECT_EQ(ReadFile((root / "found" / "split.txt").string()), whole);

    // Begun in a cabinet that is not there: left out, the rest comes out.
    const std::string tail = MakeFile(
        "tail/part2.cab",
        HandMadeCabinet({{{"split.txt", whole.substr(cut), 0xFFFD, size}, {"after.txt", "after"}}, "part1.cab", "", 1}));
    std::string begunIn;
    reader.OnCopyPartialFile = [&](TSTCabReader&, const std::string&, const std::string& cabinet, const std::string&,
                                   const std::string&, bool&) { begunIn = cabinet; };
    reader.ExtractCabinet(tail, (root / "tail-out").string(), false);
    EXPECT_EQ(FilesBeneath((root / "tail-out").string()), std::vector<std::string>{"after.txt"});
    EXPECT_EQ(begunIn, "part1.cab");
}

// The next cabinet's name comes from the cabinet; only a plain file name,
// looked for beside the cabinet, is taken.
TEST_F(CabReaderTest, ANextCabinetIsOnlyLookedForBesideTheCabinet) {
    const std::string whole = "the first half, and the second half";
    const auto size = static_cast<uint32_t>(whole.size());
    // Cabinets a crafted name could reach: one that would add a file, one
    // that would complete a cut one.
    const std::string outside = HandMadeCabinet("outside.txt", "from outside", "");
    MakeFile("outside.cab", outside);
    MakeFile("set/sub/next.cab", outside);
    MakeFile("part2.cab", HandMadeCabinet({{{"split.txt", whole.substr(15), 0xFFFD, size}}, "part1.cab", "", 1}));
    const std::string absolute = (root / "outside.cab").string();
    const std::vector<std::string> names = {"../outside.cab", "../part2.cab", "sub/next.cab", "sub\\next.cab",
                                            "C:next.cab",     "..",           absolute};
    for (const std::string& next : names) {
        for (bool cut : {false, true}) {
            const std::string cabinet =
                cut ? HandMadeCabinet({{{"split.txt", whole.substr(0, 15), 0xFFFE, size, true}}, "", next})
                    : HandMadeCabinet("first.txt", "first", next);
            const std::string first = MakeFile("set/first.cab", cabinet);
            const std::string out = (root / "out").string();
            TSTCabReader reader;
            try {
                reader.ExtractCabinet(first, out, false);
                ADD_FAILURE() << next << " was taken";
            } catch (const ESTCabinet& e) {
                EXPECT_NE(e.Message().find("\"" + next + "\""), std::string::npos) << e.Message();
            }
            EXPECT_FALSE(std::filesystem::exists(root / "out" / "outside.txt")) << next;
            EXPECT_FALSE(std::filesystem::exists(root / "out" / "split.txt")) << next;
            std::filesystem::remove_all(root / "out");
        }
    }
}

// A cabinet that names itself as the next one of its set, with a file that
// goes on there (found by fuzzing: the set was freed twice).
TEST_F(CabReaderTest, ASetThatLeadsBackToACabinetAlreadyReadEnds) {
    const std::string self = MakeFile("in.cab", HandMadeCabinet({{{"loop.txt", "looping", 0xFFFE, 7, true}}, "", "in.cab"}));
    TSTCabReader reader;
    try {
        reader.ExtractCabinet(self, (root / "out").string(), false);
    } catch (const ESTCabinet&) {
    }
    MakeFile("fuzz/in.cab", ReadFile(std::string(QUELLMARK_TEST_DATA_DIR) + "/findings/cabinet-continues-into-itself.cab"));
    try {
        reader.ExtractCabinet((root / "fuzz" / "in.cab").string(), (root / "out2").string(), false);
    } catch (const ESTCabinet&) {
    }

    // Two cabinets that name each other as the next: each is read once.
    const std::string a = MakeFile("ring/a.cab", HandMadeCabinet("a.txt", "from a", "b.cab"));
    MakeFile("ring/b.cab", HandMadeCabinet("b.txt", "from b", "a.cab"));
    int copies = 0;
    reader.OnCopyFile = [&](TSTCabReader&, const std::string&, int32_t, uint16_t, uint16_t, uint16_t, uint16_t,
                            std::string&, bool&) { ++copies; };
    reader.ExtractCabinet(a, (root / "ring-out").string(), false);
    EXPECT_EQ(copies, 2);
    EXPECT_EQ(FilesBeneath((root / "ring-out").string()), (std::vector<std::string>{"a.txt", "b.txt"}));
}

}  // namespace

namespace {

// The reader's failures in turn: the message for every library error code,
// then each way a run can fail and what it leaves.
TEST_F(CabReaderTest, TheReadersFailuresRowByRow) {
    const char* const texts[] = {"No error",
                                 "Cabinet not found",
                                 "Cabinet file does not have the correct format",
                                 "Cabinet file has an unknown version number",
                                 "Cabinet file is corrupt",
                                 "Could not allocate enough memory",
                                 "Unknown compression type in a cabinet folder",
                                 "Failure decompressing data from a cabinet file",
                                 "Failure writing to target file",
                                 "Cabinets in a set do not have the same RESERVE sizes",
                                 "Cabinet returned on fdintNEXT_CABINET is incorrect",
                                 "FDI aborted"};
    for (int code = 0; code <= 12; ++code) {
        char bracket[16];
        std::snprintf(bracket, sizeof bracket, " [0x%04X]", code);
        EXPECT_EQ(ESTCabinet::FromRecord({static_cast<TFDIERROR>(code), 0, 1}).Message(),
                  (code < 12 ? texts[code] : "FDI error") + std::string(bracket));
    }

    TSTCabReader reader;
    // A file that cannot be opened: the system's reason, before the library is asked.
    try {
        reader.CheckCabinet((root / "absent.cab").string());
        ADD_FAILURE() << "no error for a missing file";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find(std::strerror(ENOENT)), std::string::npos) << e.Message();
    }

    // A handler that aborts stops the library with its abort error; the file
    // written before the abort stays.
    const std::string cabinet = MakeCabinet("two.cab", {{"first.txt", "1"}, {"second.txt", "2"}});
    const std::string out = (root / "out").string();
    int copies = 0;
    reader.OnCopyFile = [&](TSTCabReader&, const std::string&, int32_t, uint16_t, uint16_t, uint16_t, uint16_t,
                            std::string&, bool& abort) { abort = ++copies == 2; };
    try {
        reader.ExtractCabinet(cabinet, out, false);
        ADD_FAILURE() << "the abort was not reported";
    } catch (const ESTCabinet& e) {
        EXPECT_EQ(e.Message(), "FDI aborted [0x000B]");
    }
    EXPECT_EQ(FilesBeneath(out), std::vector<std::string>{"first.txt"});
}

// The system error a failed run reports is that run's own, even when another
// reader fails in the middle of it (here inside one of its handlers).
TEST_F(CabReaderTest, AFailedRunReportsItsOwnSystemErrorAndNoOtherReaders) {
    const std::string cabinet = MakeCabinet("docs.cab", {{"docs\\readme.txt", "read me"}});
    const std::string out = (root / "out").string();
    MakeFile("out/docs", "a file where the directory should go");
    const std::string missing = (root / "absent.cab").string();
    TSTCabReader reader, other;
    bool abortCopy = false;
    reader.OnCopyFile = [&](TSTCabReader&, const std::string&, int32_t, uint16_t, uint16_t, uint16_t, uint16_t,
                            std::string&, bool& abort) {
        EXPECT_THROW(other.CheckCabinet(missing), EFOpenError);
        abort = abortCopy;
    };
    try {
        reader.ExtractCabinet(cabinet, out, true);
        ADD_FAILURE() << "a target below a file was written";
    } catch (const ESTCabinet& e) {
        EXPECT_EQ(e.SystemError(), ENOTDIR) << e.Message();
        EXPECT_NE(e.Message().find(std::strerror(ENOTDIR)), std::string::npos) << e.Message();
    }
    abortCopy = true;
    try {
        reader.ExtractCabinet(cabinet, out, true);
        ADD_FAILURE() << "the abort was not reported";
    } catch (const ESTCabinet& e) {
        EXPECT_EQ(e.SystemError(), 0);
        EXPECT_EQ(e.Message(), "FDI aborted [0x000B]");
    }
}

}  // namespace

}  // namespace quellmark
