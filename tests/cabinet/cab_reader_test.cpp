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

// A stored cabinet of one file put together byte by byte, for what libgcab
// cannot make: cabinets of a set, and a file cut in two across them.
struct HandMade {
    std::string fileName;
    std::string block;             // the bytes of the cabinet's one data block
    std::string nextCabinet;       // named as the next cabinet of the set when not empty
    uint16_t folder = 0;           // 0xFFFE: the file goes on in the next cabinet; 0xFFFD: it began in the previous
    uint32_t fileSize = 0;         // the whole file's size; the block's when 0
    bool blockGoesOn = false;      // the block is cut and ends in the next cabinet
    uint16_t cabinetNumber = 0;
};

std::string HandMadeCabinet(const HandMade& c) {
    auto u16 = [](std::string& out, uint16_t v) { out += static_cast<char>(v & 0xFF); out += static_cast<char>(v >> 8); };
    auto u32 = [&](std::string& out, uint32_t v) { u16(out, static_cast<uint16_t>(v)); u16(out, static_cast<uint16_t>(v >> 16)); };
    const std::string strings = c.nextCabinet.empty() ? "" : c.nextCabinet + '\0' + "disk 2" + '\0';
    const uint32_t folderAt = 36 + static_cast<uint32_t>(strings.size());
    const uint32_t fileAt = folderAt + 8;
    const uint32_t dataAt = fileAt + 16 + static_cast<uint32_t>(c.fileName.size()) + 1;
    const uint32_t total = dataAt + 8 + static_cast<uint32_t>(c.block.size());
    std::string cab = "MSCF";
    u32(cab, 0);
    u32(cab, total);
    u32(cab, 0);
    u32(cab, fileAt);
    u32(cab, 0);
    cab += '\x03';
    cab += '\x01';
    u16(cab, 1);       // folders
    u16(cab, 1);       // files
    u16(cab, c.nextCabinet.empty() ? 0 : 0x0002);  // whether a next cabinet follows
    u16(cab, 0x1234);  // set id
    u16(cab, c.cabinetNumber);
    cab += strings;
    u32(cab, dataAt);  // folder: first data block, one block, stored
    u16(cab, 1);
    u16(cab, 0);
    u32(cab, c.fileSize ? c.fileSize : static_cast<uint32_t>(c.block.size()));  // file: size, offset, folder, date, time, attributes
    u32(cab, 0);
    u16(cab, c.folder);
    u16(cab, static_cast<uint16_t>((2020 - 1980) << 9 | 2 << 5 | 29));
    u16(cab, static_cast<uint16_t>(12 << 11 | 34 << 5 | 28));
    u16(cab, 0x20);
    cab += c.fileName + '\0';
    u32(cab, 0);  // data block without checksum
    u16(cab, static_cast<uint16_t>(c.block.size()));
    // A cut block tells its uncompressed size only in its last part.
    u16(cab, c.blockGoesOn ? 0 : static_cast<uint16_t>(c.fileSize ? c.fileSize : c.block.size()));
    cab += c.block;
    return cab;
}

std::string HandMadeCabinet(const std::string& fileName, const std::string& content, const std::string& nextCabinet) {
    return HandMadeCabinet(HandMade{fileName, content, nextCabinet});
}

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
    const std::string first = MakeFile("part1.cab", HandMadeCabinet({"split.txt", whole.substr(0, cut), "part2.cab", 0xFFFE,
                                                                     static_cast<uint32_t>(whole.size()), true, 0}));
    MakeFile("part2.cab", HandMadeCabinet({"split.txt", whole.substr(cut), "", 0xFFFD, static_cast<uint32_t>(whole.size()),
                                           false, 1}));
    TSTCabReader reader;
    int partials = 0;
    reader.OnCopyPartialFile = [&](TSTCabReader&, const std::string& name, const std::string&, const std::string&,
                                   const std::string&, bool&) { partials += name == "split.txt"; };
    reader.ExtractCabinet(first, (root / "out").string(), false);
    EXPECT_EQ(ReadFile((root / "out" / "split.txt").string()), whole);
    EXPECT_EQ(partials, 1) << "the second cabinet reports the file as begun before";
}

// A cabinet that names itself as the next one of its set, with a file that
// goes on there (found by fuzzing: the set was freed twice).
TEST_F(CabReaderTest, ASetThatLeadsBackToACabinetAlreadyReadEnds) {
    const std::string self = MakeFile("in.cab", HandMadeCabinet({"loop.txt", "looping", "in.cab", 0xFFFE, 7, true, 0}));
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
