// ozv hash: the spellings of hash names, --list and --check.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>

#include "cli/hash_names.h"
#include "crypto/registry.h"
#include "run_process.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

// The digest `ozv hash -a NAME` prints for `text` on standard input, or the error.
std::string DigestVia(const std::string& name, const std::string& text) {
    ProcessResult run = RunOzvProcess({"hash", "-a", name}, text);
    if (run.status != 0) return "status " + std::to_string(run.status) + ": " + run.err;
    return run.out;
}

TEST(OzvHashNames, CommonSpellingsSelectTheSameHashAsTheDisplayName) {
    const std::string text = "abc";
    const std::vector<std::pair<std::string, std::vector<std::string>>> spellings = {
        {"Secure Hash Algorithm 1", {"SHA-1", "sha1", "SHA1", "sha_1", "THash_SHA1"}},
        {"Ripe Message Digest 160", {"RIPEMD-160", "rmd160", "ripemd160", "RipeMD160"}},
        {"Ripe Message Digest 256", {"RIPEMD-256", "rmd256"}},
        {"Message Digest 5", {"MD5", "md5", "md-5"}},
        {"Message Digest 4", {"md4"}},
        {"CRC-32", {"CRC32", "crc32", "crc-32"}},
        {"CRC-16 CCITT", {"crc16-ccitt", "CRC16_CCITT"}},
        {"CRC-16 Standard", {"crc16"}},
        {"Tiger", {"tiger", "TIGER"}},
        {"Haval-128", {"haval128", "HAVAL-128,3"}},
        {"Haval-224", {"haval224,4"}},
        {"Haval-256", {"haval256", "haval256,5"}},
        {"Snefru-256", {"snefru", "snefru256"}},
        {"Sapphire II-192", {"sapphire192"}},
        {"XOR-32", {"xor32"}},
    };
    for (const auto& [display, names] : spellings) {
        const std::string expected = DigestVia(display, text);
        ASSERT_EQ(expected.find("status"), std::string::npos) << display << ": " << expected;
        for (const std::string& name : names) EXPECT_EQ(DigestVia(name, text), expected) << name;
    }
    // Distinct hashes stay distinct: sha and sha1, crc16 and crc16-ccitt.
    EXPECT_NE(DigestVia("sha", text), DigestVia("sha1", text));
    EXPECT_NE(DigestVia("crc16", text), DigestVia("crc16-ccitt", text));
    // A pass count the class does not use is no name of it.
    EXPECT_EQ(RunOzvProcess({"hash", "-a", "haval128,5"}, text).status, 2);
    ProcessResult unknown = RunOzvProcess({"hash", "-a", "sha3"}, text);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown hash \"sha3\""), std::string::npos) << unknown.err;
}

TEST(OzvHashNames, NoSpellingNamesTwoHashes) {
    std::map<std::string, std::string> owner;
    const TStringList& entries = HashRegistry().Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i) {
        const THashClass& cls = *THashRegistry::ClassAt(entries, i);
        for (const std::string& name : AcceptedHashNames(cls)) {
            auto [at, fresh] = owner.emplace(NormalizedHashName(name), cls.className);
            EXPECT_TRUE(fresh || at->second == cls.className)
                << name << " names both " << at->second << " and " << cls.className;
            EXPECT_EQ(FindHashByAnyName(name), &cls) << name;
        }
    }
}

TEST(OzvHashNames, ListShowsEveryHashWithItsNamesAndTheNotes) {
    ProcessResult run = RunOzvProcess({"hash", "--list"});
    ASSERT_EQ(run.status, 0) << run.err;
    const TStringList& entries = HashRegistry().Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i) {
        const THashClass& cls = *THashRegistry::ClassAt(entries, i);
        for (const std::string& name : AcceptedHashNames(cls))
            EXPECT_NE(run.out.find(name), std::string::npos) << name;
    }
    for (const char* word : {"published Tiger", "cbf43926", "Merkle"})
        EXPECT_NE(run.out.find(word), std::string::npos) << word;

    ProcessResult algorithms = RunOzvProcess({"algorithms"});
    for (const char* word : {"published Tiger", "cbf43926", "Merkle"})
        EXPECT_NE(algorithms.out.find(word), std::string::npos) << word;
    EXPECT_EQ(RunOzvProcess({"hash", "--list", "file"}).status, 2);
}

class OzvHashCheck : public TempDirTest {
protected:
    // A list as `ozv hash -a HASH` prints it for `files` (names relative to root).
    std::string ListOf(const std::vector<std::string>& files, const std::string& hash) {
        std::vector<std::string> args{"hash", "-a", hash};
        for (const std::string& file : files) args.push_back((root / file).string());
        ProcessResult run = RunOzvProcess(args);
        EXPECT_EQ(run.status, 0) << run.err;
        return run.out;
    }
};

TEST_F(OzvHashCheck, AnUnchangedListPassesAndAChangedOrMissingFileFails) {
    const std::string a = MakeFile("a.txt", "alpha\n"), b = MakeFile("b.txt", "beta\n");
    const std::string list = MakeFile("sums", ListOf({"a.txt", "b.txt"}, "RIPEMD-256"));

    for (const std::string& option : {std::string("-c"), std::string("--check")}) {
        ProcessResult ok = RunOzvProcess({"hash", option, list});
        EXPECT_EQ(ok.status, 0) << ok.err;
        EXPECT_EQ(ok.out, a + ": OK\n" + b + ": OK\n");
        EXPECT_EQ(ok.err, "");
    }
    // The list from standard input.
    ProcessResult piped = RunOzvProcess({"hash", "-c", "-"}, ReadFile(list));
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, a + ": OK\n" + b + ": OK\n");

    MakeFile("b.txt", "beta, changed\n");
    ProcessResult changed = RunOzvProcess({"hash", "--check", list});
    EXPECT_EQ(changed.status, 1);
    EXPECT_EQ(changed.out, a + ": OK\n" + b + ": FAILED\n");
    EXPECT_NE(changed.err.find("WARNING: 1 computed checksum did NOT match"), std::string::npos) << changed.err;

    std::filesystem::remove(a);
    ProcessResult missing = RunOzvProcess({"hash", "--check", list});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, a + ": FAILED open or read\n" + b + ": FAILED\n");
    EXPECT_NE(missing.err.find("WARNING: 1 listed file could not be read"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("WARNING: 1 computed checksum did NOT match"), std::string::npos) << missing.err;
}

TEST_F(OzvHashCheck, TheListIsCheckedWithTheHashGivenByA) {
    MakeFile("a.txt", "alpha\n");
    const std::string sha1List = MakeFile("sha1sums", ListOf({"a.txt"}, "sha1"));
    ProcessResult ok = RunOzvProcess({"hash", "-a", "SHA-1", "-c", sha1List});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out, (root / "a.txt").string() + ": OK\n");

    // Under the default RIPEMD-256 a 40-digit line is no checksum line at all.
    ProcessResult wrongHash = RunOzvProcess({"hash", "-c", sha1List});
    EXPECT_EQ(wrongHash.status, 1);
    EXPECT_EQ(wrongHash.out, "");
    EXPECT_NE(wrongHash.err.find("no properly formatted"), std::string::npos) << wrongHash.err;

    // Upper-case digits and sha256sum's binary marker are read; a stray line is counted.
    std::string line = ListOf({"a.txt"}, "md5");
    std::string upper = line;
    for (std::size_t i = 0; i < 32; ++i) upper[i] = static_cast<char>(std::toupper(upper[i]));
    upper[33] = '*';
    const std::string mixed = MakeFile("md5sums", upper + "not a checksum line\n");
    ProcessResult marked = RunOzvProcess({"hash", "-a", "md5", "-c", mixed});
    EXPECT_EQ(marked.status, 0) << marked.err;
    EXPECT_EQ(marked.out, (root / "a.txt").string() + ": OK\n");
    EXPECT_NE(marked.err.find("WARNING: 1 line is improperly formatted"), std::string::npos) << marked.err;

    EXPECT_EQ(RunOzvProcess({"hash", "-c", sha1List, "extra"}).status, 2);
    EXPECT_EQ(RunOzvProcess({"hash", "-c", (root / "absent").string()}).status, 1);
}

TEST(OzvHelp, SaysThatEncryptAndDecryptAreRawModesThatCannotTellAWrongPassword) {
    ProcessResult help = RunOzvProcess({"--help"});
    ASSERT_EQ(help.status, 0);
    for (const char* words : {"no salt", "integrity check", "wrong password is not detected",
                              "not for protecting new files", "--check", "--list"})
        EXPECT_NE(help.out.find(words), std::string::npos) << words;
}

}  // namespace

}  // namespace quellmark
