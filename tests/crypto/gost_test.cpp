// GOST 28147-89 against the RFC 5831 example, Crypto++'s test values and
// Crypto++ itself (which uses the same S-boxes and byte order).
#include <cryptopp/gost.h>
#include <gtest/gtest.h>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/gost.h"
#include "test_support.h"
#include "vector_file.h"

namespace {

TEST(Gost, PublishedVectorsTheFirstBeingTheKnownAnswer) {
    ExpectBlockVectors(TCipher_Gost::Class, "gost.txt");
    EXPECT_EQ(HexOf(TCipher_Gost().KnownAnswer(), 8), ReadVectors("gost.txt").front().Text("Out"));
}

TEST(Gost, AgreesWithCryptoPPInBothDirectionsForEveryKeyLength) {
    std::mt19937 rng(28147);
    TCipher_Gost ours;
    for (int length = 0; length <= 32; ++length) {
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
        std::vector<uint8_t> padded = key;
        padded.resize(32, 0);  // a short key is zero-padded
        CryptoPP::GOST::Encryption encryption(padded.data(), 32);
        CryptoPP::GOST::Decryption decryption(padded.data(), 32);
        ours.Init(key.data(), length, nullptr);
        for (int trial = 0; trial < 8; ++trial) {
            const std::vector<uint8_t> block = RandomBytes(rng, 8);
            std::vector<uint8_t> theirs(8), mine = block;
            encryption.ProcessBlock(block.data(), theirs.data());
            ours.EncipherBlock(mine.data());
            ASSERT_EQ(HexOf(mine), HexOf(theirs)) << "key length " << length;

            decryption.ProcessBlock(block.data(), theirs.data());
            mine = block;
            ours.DecipherBlock(mine.data());
            ASSERT_EQ(HexOf(mine), HexOf(theirs)) << "key length " << length;
        }
    }
}

}  // namespace
