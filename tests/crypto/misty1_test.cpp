// MISTY1 against the RFC 2994 example and against Botan.
#include <botan/block_cipher.h>
#include <gtest/gtest.h>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/misty1.h"
#include "test_support.h"

namespace {

TEST(Misty1, Rfc2994Example) { ExpectBlockVectors(TCipher_Misty::Class, "misty1.txt"); }

// Botan takes exactly 16 key bytes; a shorter key of ours is the same key
// zero-padded.
TEST(Misty1, AgreesWithBotanForEveryKeyLength) {
    std::unique_ptr<Botan::BlockCipher> theirs = Botan::BlockCipher::create_or_throw("MISTY1");
    std::mt19937 rng(2994);
    TCipher_Misty ours;
    for (int length = 0; length <= 16; ++length) {
        const std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
        std::vector<uint8_t> padded = key;
        padded.resize(16, 0);
        ours.Init(key.data(), length, nullptr);
        theirs->set_key(padded.data(), padded.size());
        for (int trial = 0; trial < 20; ++trial) {
            const std::vector<uint8_t> plain = RandomBytes(rng, 8);
            std::vector<uint8_t> block = plain, expected(8);
            theirs->encrypt(plain.data(), expected.data());
            ours.EncipherBlock(block.data());
            ASSERT_EQ(HexOf(block), HexOf(expected)) << "key length " << length;

            const std::vector<uint8_t> cipher = RandomBytes(rng, 8);
            block = cipher;
            theirs->decrypt(cipher.data(), expected.data());
            ours.DecipherBlock(block.data());
            ASSERT_EQ(HexOf(block), HexOf(expected)) << "key length " << length;
        }
    }
}

}  // namespace
