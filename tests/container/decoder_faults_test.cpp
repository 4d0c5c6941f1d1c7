// The decoder's failures, one row at a time with what the user is told and
// what stays behind; and containers that change, or a disk that fills,
// while a decode runs.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "base/streams.h"
#include "base/string_list.h"
#include "cabinet/cab_reader.h"
#include "cabinet_fixture.h"
#include "container/container_writer.h"
#include "container/decode_failure.h"
#include "container/vossel_decoder.h"
#include "run_process.h"
#include "scoped_tmpfs.h"

namespace quellmark {

namespace fs = std::filesystem;

namespace {

class DecoderFaultTest : public CabinetTest {
protected:
    std::string MakeContainer(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files,
                              bool compress = true) {
        const std::string container = (root / name).string();
        WriteContainer(MakeCabinet(name + ".cab", files, compress), container, 1, "password");
        return container;
    }
    // Runs a decode; returns the message of its failure, or "" on success.
    std::string Decode(TVosselDecoder& decoder, const std::string& container, const std::string& scratch,
                       const std::string& password, TStringList& names) {
        try {
            decoder.DecodeContainer(names, container, scratch, password);
            return "";
        } catch (const Exception& e) {
            return e.Message();
        }
    }
    // Random bytes do not compress: the cabinet keeps their size.
    static std::string Noise(std::size_t size, unsigned seed) {
        std::mt19937 rng(seed);
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        return bytes;
    }
};

TEST_F(DecoderFaultTest, EachFailureOfTheDecodeTellsWhatWentWrongAndLeavesWhatItShould) {
    const std::string container = MakeContainer("mail.ozv", {{"a.txt", "first"}, {"sub/b.txt", "second"}});
    TStringList names;

    // No unique temporary name: the scratch directory cannot even be made,
    // as a plain file stands where its parent should be. Nothing is made.
    {
        MakeFile("plain", "not a directory");
        const auto before = FilesBeneath(root.string());
        TVosselDecoder decoder;
        EXPECT_EQ(Decode(decoder, container, (root / "plain" / "scratch").string(), "password", names),
                  "Failed 1000 times to create a temp file.");
        EXPECT_EQ(FilesBeneath(root.string()), before);
    }
    // The container cannot be opened: the system's reason, and an empty temporary cabinet.
    {
        const std::string scratch = (root / "s1").string();
        fs::create_directory(scratch);
        TVosselDecoder decoder;
        const std::string message = Decode(decoder, (root / "absent.ozv").string(), scratch, "password", names);
        EXPECT_NE(message.find("absent.ozv"), std::string::npos) << message;
        EXPECT_NE(message.find(std::strerror(ENOENT)), std::string::npos) << message;
        ASSERT_FALSE(decoder.TempCabinet().empty());
        EXPECT_EQ(fs::file_size(decoder.TempCabinet()), 0u);
    }
    // A wrong password: the deciphered body is no cabinet; it stays, whole and closed.
    {
        const std::string scratch = (root / "s2").string();
        fs::create_directory(scratch);
        TVosselDecoder decoder;
        EXPECT_EQ(Decode(decoder, container, scratch, "wrong", names),
                  "Cabinet file does not have the correct format [0x0002]");
        EXPECT_EQ(fs::file_size(decoder.TempCabinet()), fs::file_size(container) - 256);
        EXPECT_EQ(FilesBeneath(scratch).size(), 1u);
    }
    // A file cannot be written: "sub" is a plain file where a directory must go.
    // The cabinet and the file extracted before stay.
    {
        const std::string scratch = (root / "s3").string();
        MakeFile("s3/sub", "in the way");
        TVosselDecoder decoder;
        const std::string message = Decode(decoder, container, scratch, "password", names);
        EXPECT_EQ(message, "Cannot write \"" + scratch + "/sub/b.txt\" from the cabinet entry \"sub/b.txt\": " +
                               std::strerror(ENOTDIR));
        EXPECT_EQ(ReadFile(scratch + "/a.txt"), "first");
        EXPECT_TRUE(fs::exists(decoder.TempCabinet()));
    }
    EXPECT_TRUE(names.Empty()) << "a failed decode names no file";
}

TEST_F(DecoderFaultTest, AFailureTellsWhetherThePasswordCanHaveCausedIt) {
    std::string text;
    for (int i = 0; i < 6000; ++i) text += "line " + std::to_string(i * 7919 % 10007) + "\n";
    const std::string cabinet = MakeCabinet("long.cab", {{"long.txt", text}, {"sub/b.txt", "second"}});
    const std::string cabinetBytes = ReadFile(cabinet);
    const std::string container = (root / "long.ozv").string();
    WriteContainer(cabinet, container, 1, "password");
    std::string damagedCabinet = cabinetBytes;
    for (std::size_t i = damagedCabinet.size() / 2; i < damagedCabinet.size() / 2 + 64; ++i) damagedCabinet[i] ^= 0x5a;
    const std::string damaged = (root / "damaged.ozv").string();
    WriteContainer(MakeFile("damaged.cab", damagedCabinet), damaged, 1, "password");
    const std::string cut = MakeFile("cut.ozv", ReadFile(container).substr(0, 256 + cabinetBytes.size() / 3));
    const std::string headerOnly = MakeFile("header.ozv", ReadFile(container).substr(0, 256));
    const std::string noise = MakeFile("noise.ozv", Noise(5000, 7));

    struct Row {
        std::string what, container, password, scratch;
        bool passwordMayBeWrong;
        std::string reasonStart;  // how the reason for the user begins; empty: the failure's own message
    };
    MakeFile("blocked/sub", "a plain file where a folder must go");
    const std::vector<Row> rows = {
        {"a wrong password", container, "wrong", "", true, ""},
        {"a wrong password on a container cut short", cut, "wrong", "", true, ""},
        {"no container at all", noise, "password", "", true, ""},
        {"a header and nothing else", headerOnly, "password", "", true, ""},
        {"a container that cannot be opened", (root / "absent.ozv").string(), "password", "", false,
         "Cannot open file"},
        {"a container cut short", cut, "password", "", false,
         "The attachment is incomplete: its cabinet should be " + std::to_string(cabinetBytes.size()) +
             " bytes long, but only " + std::to_string(cabinetBytes.size() / 3) + " bytes are there"},
        {"damaged compressed data", damaged, "password", "", false, "The attachment is damaged: "},
        {"a file that cannot be written", container, "password", (root / "blocked").string(), false, "Cannot write"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string scratch = row.scratch.empty() ? (root / "scratch").string() : row.scratch;
        fs::create_directories(scratch);
        TVosselDecoder decoder;
        TStringList names;
        try {
            decoder.DecodeContainer(names, row.container, scratch, row.password);
            ADD_FAILURE() << "the decode succeeded";
        } catch (const std::exception& e) {
            const TDecodeFailure failure = ExplainDecodeFailure(decoder, e);
            EXPECT_EQ(failure.passwordMayBeWrong, row.passwordMayBeWrong) << e.what();
            if (row.reasonStart.empty())
                EXPECT_EQ(failure.reason, e.what());
            else
                EXPECT_EQ(failure.reason.rfind(row.reasonStart, 0), 0u) << failure.reason;
        }
    }

    // Every fixed field of the header counts: a change to any one of them
    // is what a wrong key would make.
    uint32_t declared = 0;
    ASSERT_TRUE(HasSoundCabinetHeader(cabinet, declared));
    EXPECT_EQ(declared, cabinetBytes.size());
    const std::vector<std::pair<std::size_t, char>> changes = {
        {0, 'N'}, {3, 'G'}, {5, 1}, {14, 1}, {22, 1}, {24, 2}, {25, 2}, {31, 1}, {19, '\x7f'}};
    for (const auto& [offset, value] : changes) {
        std::string changed = cabinetBytes;
        changed[offset] = value;
        EXPECT_FALSE(HasSoundCabinetHeader(MakeFile("changed.cab", changed), declared)) << offset;
    }
    EXPECT_FALSE(HasSoundCabinetHeader(MakeFile("short.cab", cabinetBytes.substr(0, 35)), declared));
}

TEST_F(DecoderFaultTest, AContainerThatChangesWhileItIsDecodedGivesAnErrorOrAWholeResult) {
    // Several 4096-byte chunks, so the change lands in the middle of the decipherment.
    const std::string original = MakeContainer("big.ozv", {{"noise.bin", Noise(64 * 1024, 1)}}, false);
    const std::string replacement = MakeContainer("other.ozv", {{"other.bin", Noise(40 * 1024, 2)}}, false);
    const std::string originalBytes = ReadFile(original);

    enum Change { Truncate, Grow, Replace, Rewrite };
    for (Change change : {Truncate, Grow, Replace, Rewrite}) {
        SCOPED_TRACE(change);
        const std::string container = MakeFile("changing.ozv", originalBytes);
        const std::string scratch = (root / ("scratch" + std::to_string(change))).string();
        fs::create_directory(scratch);
        TVosselDecoder decoder;
        bool changed = false;
        decoder.OnProgress = [&](TProtection&, int64_t done, int64_t) {
            if (changed || done < 16 * 1024) return;
            changed = true;
            switch (change) {
            case Truncate: fs::resize_file(container, 300); break;
            case Grow: std::ofstream(container, std::ios::app) << Noise(100 * 1024, 3); break;
            case Replace: fs::copy_file(replacement, container + ".new"), fs::rename(container + ".new", container); break;
            case Rewrite: std::ofstream(container, std::ios::in | std::ios::out | std::ios::binary) << Noise(20 * 1024, 4); break;
            }
        };
        TStringList names;
        const std::string message = Decode(decoder, container, scratch, "password", names);
        EXPECT_TRUE(changed);
        if (message.empty()) {
            // Whatever was listed was unpacked, in full.
            ASSERT_EQ(names.Count(), 1u);
            EXPECT_EQ(fs::file_size(scratch + "/" + names[0]), 64u * 1024);
        } else {
            EXPECT_TRUE(names.Empty()) << message;
        }
    }
}

TEST_F(DecoderFaultTest, AFullDiskIsAClearErrorAndOzvLeavesNothingBehind) {
    const std::string container = MakeContainer("large.ozv", {{"small.txt", "fits"}, {"large.bin", Noise(256 * 1024, 5)}}, false);
    const std::string full = (root / "full").string();
    ScopedTmpfs disk(full, 128);
    SKIP_UNLESS_MOUNTED(disk);

    TVosselDecoder decoder;
    TStringList names;
    const std::string message = Decode(decoder, container, full, "password", names);
    EXPECT_NE(message.find(std::strerror(ENOSPC)), std::string::npos) << message;
    EXPECT_TRUE(names.Empty());

    for (const auto& entry : fs::directory_iterator(full)) fs::remove_all(entry.path());
    const ProcessResult result = RunOzvProcess({"extract", container, "-d", full}, {}, {{"OZV_PASSWORD", "password"}});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find(std::strerror(ENOSPC)), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "") << "no file is reported as extracted";
    EXPECT_TRUE(fs::is_empty(full)) << "neither the temporary cabinet nor a part of a file stays";
}

}  // namespace

}  // namespace quellmark
