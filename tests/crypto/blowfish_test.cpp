// Blowfish against the designer's published vectors and against Crypto++.
#include <cryptopp/blowfish.h>
#include <gtest/gtest.h>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/blowfish.h"
#include "test_support.h"
#include "vector_file.h"

namespace {

TEST(Blowfish, PublishedVectors) { ExpectBlockVectors(TCipher_Blowfish::Class, "blowfish.txt"); }

TEST(Blowfish, AgreesWithCryptoPPForEveryKeyLength) {
    std::mt19937 rng(1993);
    TCipher_Blowfish ours;
    for (int length = 1; length <= 56; ++length) {
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
        // Crypto++ takes 4 to 56 bytes. The schedule uses a key cyclically, so a
        // shorter key equals itself repeated: 1 or 2 bytes as 4, 3 bytes as 6.
        std::vector<uint8_t> theirKey = key;
        while (theirKey.size() < 4) theirKey.insert(theirKey.end(), key.begin(), key.end());
        CryptoPP::BlowfishEncryption theirs(theirKey.data(), theirKey.size());
        ours.Init(key.data(), length, nullptr);
        for (int trial = 0; trial < 4; ++trial) {
            std::vector<uint8_t> block = RandomBytes(rng, 8), expected(8);
            theirs.ProcessBlock(block.data(), expected.data());
            std::vector<uint8_t> original = block;
            ours.EncipherBlock(block.data());
            ASSERT_EQ(HexOf(block), HexOf(expected)) << "key length " << length;
            ours.DecipherBlock(block.data());
            ASSERT_EQ(block, original);
        }
    }
}

TEST(Blowfish, KeyBytesBeyondFiftySixAreIgnoredAndAnEmptyKeyIsRefused) {
    std::mt19937 rng(57);
    std::vector<uint8_t> key = RandomBytes(rng, 57);
    TCipher_Blowfish longKey, cutKey;
    longKey.Init(key.data(), 57, nullptr);
    cutKey.Init(key.data(), 56, nullptr);
    EXPECT_EQ(0, std::memcmp(longKey.UserData(), cutKey.UserData(), 4168));
    EXPECT_EQ(HexOf(longKey.Vector(), 8), HexOf(cutKey.Vector(), 8));

    try {
        cutKey.Init(key.data(), 0, nullptr);
        FAIL() << "an empty key was accepted";
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.ErrorCode(), ErrKeySize);
        EXPECT_FALSE(cutKey.Ready());
    }
}

TEST(Blowfish, KnownAnswerIsTheZeroKeyZeroBlockEncipherment) {
    TCipher_Blowfish cipher;
    uint8_t zero[8] = {};
    cipher.Init(zero, 8, nullptr);
    cipher.EncipherBlock(zero);
    EXPECT_EQ(HexOf(zero, 8), HexOf(cipher.KnownAnswer(), 8));
}

}  // namespace
