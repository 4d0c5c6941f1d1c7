// IDEA against the published test values and Crypto++.
#include <cryptopp/idea.h>
#include <gtest/gtest.h>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/idea.h"
#include "crypto/differential.h"

namespace quellmark {

namespace {

TEST(IDEA, PublishedVectors) { ExpectBlockVectors(TCipher_IDEA::Class, "idea.txt"); }

TEST(IDEA, AgreesWithCryptoPPInBothDirectionsForEveryKeyLength) {
    std::mt19937 rng(1991);
    TCipher_IDEA ours;
    // A short key is zero-padded.
    ExpectSameCoding(ours, WithTheirKey(CryptoPPCipher<CryptoPP::IDEA>(), ZeroPaddedTo(16)),
                     {.keyLengths = Lengths(0, 16)}, rng);
}

// Zero words stand for 2^16 in the multiplications, and a zero key makes zero
// subkeys whose inverses the decipher schedule needs; all-ones words are the
// other end of the range.
TEST(IDEA, AgreesWithCryptoPPOnZeroAndAllOnesWords) {
    TCipher_IDEA cipher;
    const BlockCoder ours = Ours(cipher), theirs = CryptoPPCipher<CryptoPP::IDEA>();
    const std::vector<std::vector<uint8_t>> blocks = {std::vector<uint8_t>(8, 0), std::vector<uint8_t>(8, 0xFF),
                                                      std::vector<uint8_t>{0, 0, 0xFF, 0xFF, 0, 1, 0, 0}};
    for (const auto& key : {std::vector<uint8_t>(16, 0), std::vector<uint8_t>(16, 0xFF)})
        ExpectSameCodingOf(ours, theirs, key, blocks, "");
}

}  // namespace

}  // namespace quellmark
