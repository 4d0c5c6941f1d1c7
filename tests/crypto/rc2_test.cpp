// RC2 at an effective key length of 1024 bits. RFC 2268 publishes no vector
// for that length, so Crypto++ (whose default effective length is 1024)
// is the reference here.
#include <cryptopp/rc2.h>
#include <gtest/gtest.h>

#include "crypto/ciphers/rc2.h"
#include "test_support.h"

namespace {

TEST(RC2, AgreesWithCryptoPPAtEffectiveLength1024ForEveryKeyLength) {
    std::mt19937 rng(2268);
    TCipher_RC2 ours;
    for (int length = 1; length <= 128; ++length) {
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
        CryptoPP::RC2::Encryption encryption(key.data(), key.size(), 1024);
        CryptoPP::RC2::Decryption decryption(key.data(), key.size(), 1024);
        ours.Init(key.data(), length, nullptr);
        for (int trial = 0; trial < 4; ++trial) {
            const std::vector<uint8_t> plain = RandomBytes(rng, 8);
            std::vector<uint8_t> expected(8), block = plain;
            encryption.ProcessBlock(plain.data(), expected.data());
            ours.EncipherBlock(block.data());
            ASSERT_EQ(HexOf(block), HexOf(expected)) << "key length " << length;
            // Deciphering a random block checks the inverse rounds on their own.
            std::vector<uint8_t> theirPlain(8), ourPlain = plain;
            decryption.ProcessBlock(plain.data(), theirPlain.data());
            ours.DecipherBlock(ourPlain.data());
            ASSERT_EQ(HexOf(ourPlain), HexOf(theirPlain)) << "key length " << length;
        }
    }
}

TEST(RC2, AnEmptyKeyIsRefused) {
    TCipher_RC2 cipher;
    try {
        cipher.Init(nullptr, 0, nullptr);
        FAIL() << "an empty key was accepted";
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.ErrorCode(), ErrKeySize);
        EXPECT_FALSE(cipher.Ready());
    }
}

}  // namespace
