// IDEA against the published test values and Crypto++.
#include <cryptopp/idea.h>
#include <gtest/gtest.h>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/idea.h"
#include "test_support.h"
#include "vector_file.h"

namespace {

TEST(IDEA, PublishedVectorsTheFirstBeingTheKnownAnswer) {
    ExpectBlockVectors(TCipher_IDEA::Class, "idea.txt");
    EXPECT_EQ(HexOf(TCipher_IDEA().KnownAnswer(), 8), ReadVectors("idea.txt").front().Text("Out"));
}

void ExpectSameAsCryptoPP(TCipher_IDEA& ours, const std::vector<uint8_t>& paddedKey, const std::vector<uint8_t>& block,
                          const std::string& what) {
    CryptoPP::IDEA::Encryption encryption(paddedKey.data(), 16);
    CryptoPP::IDEA::Decryption decryption(paddedKey.data(), 16);
    std::vector<uint8_t> theirs(8), mine = block;
    encryption.ProcessBlock(block.data(), theirs.data());
    ours.EncipherBlock(mine.data());
    ASSERT_EQ(HexOf(mine), HexOf(theirs)) << what;
    decryption.ProcessBlock(block.data(), theirs.data());
    mine = block;
    ours.DecipherBlock(mine.data());
    ASSERT_EQ(HexOf(mine), HexOf(theirs)) << what;
}

TEST(IDEA, AgreesWithCryptoPPInBothDirectionsForEveryKeyLength) {
    std::mt19937 rng(1991);
    TCipher_IDEA ours;
    for (int length = 0; length <= 16; ++length) {
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
        std::vector<uint8_t> padded = key;
        padded.resize(16, 0);  // a short key is zero-padded
        ours.Init(key.data(), length, nullptr);
        for (int trial = 0; trial < 8; ++trial)
            ExpectSameAsCryptoPP(ours, padded, RandomBytes(rng, 8), "key length " + std::to_string(length));
    }
}

// Zero words stand for 2^16 in the multiplications, and a zero key makes zero
// subkeys whose inverses the decipher schedule needs; all-ones words are the
// other end of the range.
TEST(IDEA, AgreesWithCryptoPPOnZeroAndAllOnesWords) {
    TCipher_IDEA ours;
    const std::vector<uint8_t> zero(16, 0), ones(16, 0xFF);
    for (const auto& key : {zero, ones}) {
        ours.Init(key.data(), 16, nullptr);
        for (const auto& block : {std::vector<uint8_t>(8, 0), std::vector<uint8_t>(8, 0xFF),
                                  std::vector<uint8_t>{0, 0, 0xFF, 0xFF, 0, 1, 0, 0}})
            ExpectSameAsCryptoPP(ours, key, block, "key " + HexOf(key) + " block " + HexOf(block));
    }
}

}  // namespace
