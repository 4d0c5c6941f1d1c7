// Skipjack against the NSA's published test vector and against Crypto++.
#include <cryptopp/skipjack.h>
#include <gtest/gtest.h>

#include <cstring>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/skipjack.h"
#include "crypto/differential.h"
#include "test_support.h"

namespace quellmark {

namespace {

TEST(Skipjack, NsaPublishedVector) { ExpectBlockVectors(TCipher_Skipjack::Class, "skipjack.txt"); }

std::vector<uint8_t> Reversed(std::vector<uint8_t> bytes) {
    ReverseBytes(bytes.data(), bytes.size());
    return bytes;
}

// Crypto++ takes key, plaintext and ciphertext in the reverse of the NSA's
// byte order (its own test file holds the NSA vector reversed), so
// everything crosses over reversed.
TEST(Skipjack, AgreesWithCryptoPP) {
    std::mt19937 rng(1998);
    TCipher_Skipjack ours;
    ExpectSameCoding(ours, WithByteOrder(WithTheirKey(CryptoPPCipher<CryptoPP::SKIPJACK>(), Reversed), ReverseBytes),
                     {.keyLengths = {10}, .keysPerLength = 200, .blocksPerKey = 1}, rng);
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

}  // namespace quellmark
