// Square against the published vectors and against Crypto++.
#include <cryptopp/square.h>
#include <gtest/gtest.h>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/square.h"
#include "crypto/differential.h"

namespace quellmark {

namespace {

TEST(Square, PublishedVectors) { ExpectBlockVectors(TCipher_Square::Class, "square.txt"); }

// Crypto++ takes exactly 16 bytes: a shorter key of ours is the same key
// zero-padded, and bytes past 16 are cut.
std::vector<uint8_t> SixteenBytes(const std::vector<uint8_t>& key) {
    std::vector<uint8_t> theirKey = ZeroPadded(key, 16);
    theirKey.resize(16);
    return theirKey;
}

TEST(Square, AgreesWithCryptoPPForEveryKeyLengthInBothDirections) {
    std::mt19937 rng(1997);
    TCipher_Square ours;
    ExpectSameCoding(ours, WithTheirKey(CryptoPPCipher<CryptoPP::Square>(), SixteenBytes),
                     {.keyLengths = Lengths(0, 20), .keysPerLength = 8, .blocksPerKey = 64}, rng);
}

}  // namespace

}  // namespace quellmark
