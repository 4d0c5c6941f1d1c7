// MARS with the first submission's key expansion: its known answers, and
// the block routine beside Crypto++'s.
#include <cryptopp/mars.h>
#include <gtest/gtest.h>

#include <cstring>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/mars.h"
#include "test_support.h"

namespace {

TEST(Mars, FirstSubmissionKnownAnswers) { ExpectBlockVectors(TCipher_Mars::Class, "mars_first_submission.txt"); }

// Crypto++ implements the revised key expansion of the second round, so its
// subkeys differ from ours; what can be compared is the S-box and the block
// routine run on Crypto++'s own subkeys.
class TheirMars : public CryptoPP::MARS::Encryption {
public:
    using CryptoPP::MARS::Encryption::Encryption;
    void Subkeys(uint32_t (&k)[40]) const {
        for (int i = 0; i < 40; ++i) k[i] = m_k[i];
    }
    static const uint32_t* SBox() { return Sbox; }
};

TEST(Mars, SBoxMatchesCryptoPP) {
    EXPECT_EQ(0, std::memcmp(TCipher_Mars::kSBox, TheirMars::SBox(), sizeof TCipher_Mars::kSBox));
}

TEST(Mars, BlockRoutineAgreesWithCryptoPPOnItsSubkeys) {
    std::mt19937 rng(1998);
    for (int length = 16; length <= 56; length += 8) {
        for (int trial = 0; trial < 10; ++trial) {
            const std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
            TheirMars theirs(key.data(), key.size());
            uint32_t k[40];
            theirs.Subkeys(k);
            const std::vector<uint8_t> plain = RandomBytes(rng, 16);
            std::vector<uint8_t> block = plain, expected(16);
            theirs.ProcessBlock(plain.data(), expected.data());
            TCipher_Mars::Encipher(k, block.data());
            ASSERT_EQ(HexOf(block), HexOf(expected)) << "key length " << length;
            TCipher_Mars::Decipher(k, block.data());
            ASSERT_EQ(block, plain);
        }
    }
}

// The key counts in whole little-endian words: the bytes after the last
// whole word play no part, and a key of fewer than four bytes is one
// zero-padded word.
TEST(Mars, KeyIsTakenInWholeWords) {
    std::mt19937 rng(39);
    const std::vector<uint8_t> key = RandomBytes(rng, 156);
    auto scheduleOf = [](const uint8_t* bytes, int32_t size) {
        TCipher_Mars cipher;
        cipher.Init(bytes, size, nullptr);
        return std::vector<uint8_t>(cipher.UserData(), cipher.UserData() + 160);
    };
    for (int32_t length = 4; length < 156; length += 4)
        for (int32_t extra = 1; extra < 4; ++extra)
            EXPECT_EQ(scheduleOf(key.data(), length + extra), scheduleOf(key.data(), length)) << length + extra;
    for (int32_t length = 0; length < 4; ++length) {
        std::vector<uint8_t> word(key.begin(), key.begin() + length);
        word.resize(4, 0);
        EXPECT_EQ(scheduleOf(key.data(), length), scheduleOf(word.data(), 4)) << length;
    }
}

}  // namespace
