// ProcessFile with real files: a destination that is the source under another
// name is coded in place, any other destination gets the coded copy and the
// source stays as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "base/streams.h"
#include "crypto/ciphers/blowfish.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

// Compares file contents without printing thousands of bytes on a failure.
::testing::AssertionResult Holds(const std::string& actual, const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "holds " << actual.size() << " bytes, not the " << expected.size()
                                         << " expected ones";
}

class ProcessFileTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        cipher = CreateCipher(TCipher_Blowfish::Class);
        cipher->InitKey("files");
        // More than one 4096-byte chunk, and not a whole number of blocks.
        for (int i = 0; i < 5003; ++i) plain.push_back(static_cast<char>(i * 31 + 7));
        TStringStream source(plain), coded;
        cipher->ProcessStream(&source, &coded, -1, actEncipher);
        enciphered = coded.DataString();
        ASSERT_NE(enciphered, plain);
    }

    std::string Path(const std::string& relative) const { return (root / relative).string(); }

    std::shared_ptr<TCipher> cipher;
    std::string plain, enciphered;
};

TEST_F(ProcessFileTest, TheSameFileUnderAnotherNameIsCodedInPlace) {
    namespace fs = std::filesystem;
    MakeFile("dir/x.bin", plain);
    fs::create_directories(root / "other");
    fs::create_hard_link(root / "dir/x.bin", root / "hard.bin");
    fs::create_symlink(root / "dir/x.bin", root / "soft.bin");
    const std::string x = Path("dir/x.bin");
    for (const std::string& alias : {x, Path("other/../dir/x.bin"), Path("dir/./x.bin"), Path("hard.bin"),
                                     Path("soft.bin")}) {
        SCOPED_TRACE(alias);
        cipher->ProcessFile(x, alias, actEncipher);
        EXPECT_TRUE(Holds(ReadFile(x), enciphered));
        cipher->ProcessFile(alias, x, actDecipher);
        EXPECT_TRUE(Holds(ReadFile(x), plain));
    }
    EXPECT_TRUE(fs::is_symlink(root / "soft.bin")) << "the link is coded through, not replaced";
    EXPECT_EQ(fs::hard_link_count(x), 2u);
}

TEST_F(ProcessFileTest, ADifferentFileGetsTheCodedCopyAndTheSourceStays) {
    // Names that differ only in letter case are two files here.
    const std::string upper = MakeFile("A.bin", plain);
    const std::string lower = MakeFile("a.bin", "an older, longer file that is replaced " + std::string(6000, '-'));
    cipher->ProcessFile(upper, lower, actEncipher);
    EXPECT_TRUE(Holds(ReadFile(upper), plain));
    EXPECT_TRUE(Holds(ReadFile(lower), enciphered)) << "replaced and cut to the coded length";

    std::filesystem::create_directories(root / "sub");
    const std::string fresh = Path("sub/../fresh.bin");
    cipher->ProcessFile(lower, fresh, actDecipher);
    EXPECT_TRUE(Holds(ReadFile(Path("fresh.bin")), plain));
    EXPECT_TRUE(Holds(ReadFile(lower), enciphered));

    // A copy with the same contents is still another file.
    const std::string copy = MakeFile("copy.bin", plain);
    cipher->ProcessFile(upper, copy, actEncipher);
    EXPECT_TRUE(Holds(ReadFile(upper), plain));
    EXPECT_TRUE(Holds(ReadFile(copy), enciphered));
}

TEST_F(ProcessFileTest, NoDestinationCodesInPlaceAndADigestWritesNothing) {
    const std::string x = MakeFile("x.bin", plain);
    cipher->ProcessFile(x, " ", actEncipher);
    EXPECT_TRUE(Holds(ReadFile(x), enciphered));
    cipher->ProcessFile(x, "", actDecipher);
    EXPECT_TRUE(Holds(ReadFile(x), plain));
    for (const std::string& dest : {std::string(), Path("x.bin"), Path("./x.bin"), Path("untouched.bin")}) {
        cipher->ProcessFile(x, dest, actDigest);
        EXPECT_TRUE(Holds(ReadFile(x), plain)) << dest;
    }
    EXPECT_FALSE(std::filesystem::exists(Path("untouched.bin")));
}

}  // namespace

}  // namespace quellmark
