// Skipjack against the NSA's published test vector and against Crypto++.
#include <cryptopp/skipjack.h>
#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/skipjack.h"
#include "test_support.h"

namespace {

TEST(Skipjack, NsaPublishedVector) { ExpectBlockVectors(TCipher_Skipjack::Class, "skipjack.txt"); }

std::vector<uint8_t> Reversed(std::vector<uint8_t> bytes) {
    std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

// Crypto++ takes key, plaintext and ciphertext in the reverse of the NSA's
// byte order (its own test file holds the NSA vector reversed), so
// everything crosses over reversed.
TEST(Skipjack, AgreesWithCryptoPP) {
    std::mt19937 rng(1998);
    TCipher_Skipjack ours;
    for (int trial = 0; trial < 200; ++trial) {
        const std::vector<uint8_t> key = RandomBytes(rng, 10);
        ours.Init(key.data(), 10, nullptr);
        const std::vector<uint8_t> theirKey = Reversed(key);
        CryptoPP::SKIPJACK::Encryption encryption(theirKey.data(), theirKey.size());
        CryptoPP::SKIPJACK::Decryption decryption(theirKey.data(), theirKey.size());

        const std::vector<uint8_t> plain = RandomBytes(rng, 8);
        std::vector<uint8_t> block = plain, theirs = Reversed(plain);
        ours.EncipherBlock(block.data());
        encryption.ProcessBlock(theirs.data());
        ASSERT_EQ(HexOf(block), HexOf(Reversed(theirs))) << "trial " << trial;

        std::vector<uint8_t> cipher = RandomBytes(rng, 8);
        block = cipher;
        theirs = Reversed(cipher);
        ours.DecipherBlock(block.data());
        decryption.ProcessBlock(theirs.data());
        ASSERT_EQ(HexOf(block), HexOf(Reversed(theirs))) << "trial " << trial;
    }
}

TEST(Skipjack, ShortKeysAreZeroPaddedToTenBytes) {
    std::mt19937 rng(10);
    for (int length = 0; length < 10; ++length) {
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length)), padded = key;
        padded.resize(10, 0);
        TCipher_Skipjack shortKey, fullKey;
        shortKey.Init(key.data(), length, nullptr);
        fullKey.Init(padded.data(), 10, nullptr);
        EXPECT_EQ(0, std::memcmp(shortKey.UserData(), fullKey.UserData(), 2560)) << "length " << length;
    }
}

}  // namespace
