// MARS with the first submission's key expansion: its known answers, and
// the block routine beside Crypto++'s.
#include <cryptopp/mars.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/mars.h"
#include "crypto/differential.h"
#include "test_support.h"

namespace quellmark {

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

// Our block routines on the subkeys Crypto++ expands from each key.
BlockCoder OurRoutinesOnTheirSubkeys() {
    struct Subkeys {
        uint32_t k[40];
    };
    auto subkeys = std::make_shared<Subkeys>();
    BlockCoder coder;
    coder.blockSize = 16;
    coder.setKey = [subkeys](const std::vector<uint8_t>& key) { TheirMars(key.data(), key.size()).Subkeys(subkeys->k); };
    coder.encipher = [subkeys](uint8_t* block) { TCipher_Mars::Encipher(subkeys->k, block); };
    coder.decipher = [subkeys](uint8_t* blocks, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) TCipher_Mars::Decipher(subkeys->k, blocks + 16 * i);
    };
    return coder;
}

TEST(Mars, BlockRoutinesAgreeWithCryptoPPOnItsSubkeys) {
    std::mt19937 rng(1998);
    ExpectSameCoding(OurRoutinesOnTheirSubkeys(), CryptoPPCipher<CryptoPP::MARS>(),
                     {.keyLengths = Lengths(16, 56, 8), .keysPerLength = 10, .blocksPerKey = 1}, rng);
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

}  // namespace quellmark
