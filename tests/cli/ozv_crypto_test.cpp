// ozv algorithms, hash, encrypt and decrypt, run as a user runs them.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

#include "crypto/registry.h"
#include "run_process.h"
#include "test_support.h"
#include "vector_file.h"

namespace quellmark {

namespace {

TEST(OzvEncrypt, BlowfishEcbZeroKeyGivesThePublishedBlock) {
    ProcessResult r = RunOzvProcess({"encrypt", "-c", "Blowfish", "-m", "ecb", "--key-hex", "0000000000000000"},
                                    std::string(8, '\0'));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Hex(r.out), "4ef997456198dd78");
    // Options after the operands, "--key-hex=" form and a cipher index.
    r = RunOzvProcess({"--key-hex=0000000000000000", "encrypt", "-m", "ecb", "-c", "1"}, std::string(8, '\0'));
    EXPECT_EQ(Hex(r.out), "4ef997456198dd78");
}

TEST(OzvEncrypt, IndexThirteenSelectsSquare) {
    for (const VectorRecord& record : ReadVectors("square.txt")) {
        const std::vector<uint8_t> in = record.Bytes("In");
        ProcessResult r = RunOzvProcess({"encrypt", "-c", "13", "-m", "ecb", "--key-hex", record.Text("Key")},
                                        std::string(in.begin(), in.end()));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Hex(r.out), record.Text("Out")) << "square.txt line " << record.line;
    }
}

TEST(OzvEncrypt, PasswordRoundTripFromEveryPasswordSource) {
    std::string data(10000, 'q');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 + i / 7);
    ProcessResult coded = RunOzvProcess({"encrypt", "-c", "TCipher_Blowfish", "-p", "geheim"}, data);
    ASSERT_EQ(coded.status, 0) << coded.err;
    ASSERT_EQ(coded.out.size(), data.size());
    EXPECT_NE(coded.out, data);
    ProcessResult back = RunOzvProcess({"decrypt", "-c", "blowfish"}, coded.out, {{"OZV_PASSWORD", "geheim"}});
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(back.out, data);
    ProcessResult wrong = RunOzvProcess({"decrypt", "-c", "blowfish", "-p", "other"}, coded.out);
    EXPECT_NE(wrong.out, data);

    // A password file gives its first line, without the line break.
    const std::string passwordFile = "/tmp/ozv-password-" + std::to_string(getpid());
    std::ofstream(passwordFile) << "geheim\r\nsecond line\n";
    ProcessResult fromFile = RunOzvProcess({"decrypt", "--password-file", passwordFile, "-c", "1"}, coded.out);
    std::remove(passwordFile.c_str());
    EXPECT_EQ(fromFile.out, data) << fromFile.err;
}

TEST(OzvEncrypt, PasswordsAreKeyedInTheChosenCodePage) {
    const std::string umlaut = "k\xC3\xA4se";  // "käse" in UTF-8
    auto code = [&](const std::vector<std::string>& extra) {
        std::vector<std::string> args = {"encrypt", "-c", "Blowfish", "-p", umlaut};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunOzvProcess(args, "sixteen bytes!!!");
    };
    ProcessResult cp1252 = code({}), latin1 = code({"--codepage", "ISO-8859-1"}), utf8 = code({"--codepage", "UTF-8"});
    // A CP1252 key equals the key of the same single-byte text.
    ProcessResult bytes = RunOzvProcess({"encrypt", "-c", "Blowfish", "--codepage", "UTF-8", "-p", "k\xE4se"},
                                        "sixteen bytes!!!");
    EXPECT_EQ(bytes.status, 2) << "invalid UTF-8 is refused, not keyed";
    EXPECT_EQ(cp1252.out, latin1.out);
    EXPECT_NE(cp1252.out, utf8.out);

    ProcessResult greek = RunOzvProcess({"encrypt", "-c", "Blowfish", "-p", "\xCE\xB1\xCE\xB2"}, "x");
    EXPECT_EQ(greek.status, 2);
    EXPECT_NE(greek.err.find("cannot represent"), std::string::npos) << greek.err;
    EXPECT_TRUE(greek.out.empty());
}

TEST(OzvEncrypt, BadInputIsAClearErrorNeverACrash) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    std::vector<Case> cases = {
        {{"encrypt", "-c", "NoSuchCipher", "-p", "x"}, 2, "Blowfish"},  // lists the valid names
        {{"encrypt", "-c", "99", "-p", "x"}, 2, "no cipher with index"},
        {{"encrypt", "-c", "Blowfish", "--key-hex", "00zz"}, 2, "hexadecimal"},
        {{"encrypt", "-c", "Blowfish", "--key-hex", "001"}, 2, "hexadecimal"},
        {{"encrypt", "-c", "Blowfish", "--key-hex", std::string(114, '0')}, 2, "1 to 56 bytes"},
        {{"encrypt", "-c", "Blowfish", "--key-hex", "00", "--iv-hex", "00"}, 2, "one block of 8 bytes"},
        {{"encrypt", "-c", "Blowfish", "-m", "xts", "-p", "x"}, 2, "unknown mode"},
        {{"encrypt", "-c", "Blowfish"}, 2, "no password given"},
        {{"encrypt", "-p", "x"}, 2, "needs a cipher"},
        {{"encrypt", "-c", "Blowfish", "--password-file", "-"}, 2, "standard input"},
        {{"encrypt", "-c", "Blowfish", "--password-file", "/nonexistent/pw"}, 1, "Cannot open file"},
        {{"encrypt", "-c"}, 2, "needs a value"},
        {{"frobnicate"}, 2, "unknown command"},
        {{}, 2, "no command"},
        {{"hash", "--bogus"}, 2, "unknown option"},
        {{"hash", "-m", "cbc"}, 2, "does not apply"},
        {{"hash", "-c", "Blowfish"}, 1, "cannot open the list \"Blowfish\""},  // -c is --check for hash
        {{"hash", "-a", "NoSuchHash"}, 2, "Ripe Message Digest 256"},
    };
    for (const Case& c : cases) {
        ProcessResult r = RunOzvProcess(c.args, "data");
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        EXPECT_EQ(r.status, c.status) << joined << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << joined << "\n" << r.err;
    }
}

TEST(OzvHash, DigestsFilesAndStandardInput) {
    ProcessResult r = RunOzvProcess({"hash"}, "abc");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "afbd6e228b9d8cbbcef5ca2d03e6dba10ac0bc7dcbe4680e1e42d2e975459b65  -\n");
    r = RunOzvProcess({"hash", "-a", "Message Digest 4", "--", "-"}, "abc");
    EXPECT_EQ(r.out, "a448017aaf21d8525fc10ae87aa6729d  -\n");
    // A missing file is reported; the others are still hashed.
    r = RunOzvProcess({"hash", "/nonexistent/file", QUELLMARK_VECTORS_DIR "/md4.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("/nonexistent/file"), std::string::npos);
    EXPECT_NE(r.out.find("md4.txt"), std::string::npos);
}

TEST(OzvAlgorithms, ListsEveryIndexAndHash) {
    ProcessResult r = RunOzvProcess({"algorithms"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("   1  Blowfish            448bit Key"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  38  Skipjack"), std::string::npos);
    EXPECT_NE(r.out.find("Ripe Message Digest 256"), std::string::npos);
    EXPECT_EQ(RunOzvProcess({"--help"}).status, 0);
}

}  // namespace

}  // namespace quellmark
