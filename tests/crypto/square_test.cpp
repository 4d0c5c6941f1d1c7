// Square against the published vectors and against Crypto++.
#include <cryptopp/square.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/square.h"
#include "test_support.h"
#include "vector_file.h"

namespace {

TEST(Square, PublishedVectors) { ExpectBlockVectors(TCipher_Square::Class, "square.txt"); }

TEST(Square, KnownAnswerIsTheZeroKeyZeroBlockEncipherment) {
    const VectorRecord zero = ReadVectors("square.txt").front();
    ASSERT_EQ(zero.Text("Key"), std::string(32, '0'));
    ASSERT_EQ(zero.Text("In"), std::string(32, '0'));
    EXPECT_EQ(zero.Text("Out"), HexOf(TCipher_Square::Class.knownAnswer, 16));
}

TEST(Square, AgreesWithCryptoPPForEveryKeyLengthInBothDirections) {
    std::mt19937 rng(1997);
    TCipher_Square ours;
    // Crypto++ takes exactly 16 bytes: a shorter key of ours is the same key
    // zero-padded, and bytes past 16 are cut.
    for (std::size_t length = 0; length <= 20; ++length) {
        for (int trial = 0; trial < 8; ++trial) {
            const std::vector<uint8_t> key = RandomBytes(rng, length);
            std::vector<uint8_t> theirKey(16, 0);
            std::copy_n(key.begin(), std::min<std::size_t>(length, 16), theirKey.begin());
            CryptoPP::Square::Encryption encryption(theirKey.data(), 16);
            CryptoPP::Square::Decryption decryption(theirKey.data(), 16);
            ours.Init(key.data(), static_cast<int32_t>(length), nullptr);
            for (int block = 0; block < 64; ++block) {
                std::vector<uint8_t> data = RandomBytes(rng, 16), expected(16);
                encryption.ProcessBlock(data.data(), expected.data());
                ours.EncipherBlock(data.data());
                ASSERT_EQ(HexOf(data), HexOf(expected)) << "key length " << length;

                data = RandomBytes(rng, 16);
                decryption.ProcessBlock(data.data(), expected.data());
                ours.DecipherBlock(data.data());
                ASSERT_EQ(HexOf(data), HexOf(expected)) << "key length " << length;
            }
        }
    }
}

}  // namespace
