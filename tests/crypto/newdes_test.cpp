// NewDES. No known answers from its designer for the 1985 algorithm were to
// be found (those circulating are for the 1996 revision, whose key schedule
// differs), so beyond the round trips every registered cipher gets these
// check the key handling.
#include <gtest/gtest.h>

#include "crypto/ciphers/newdes.h"
#include "test_support.h"

namespace quellmark {

namespace {

TEST(NewDES, ShortKeysAreZeroPadded) {
    std::mt19937 rng(1985);
    const std::vector<uint8_t> key = RandomBytes(rng, 15);
    auto enciphered = [](const uint8_t* bytes, int32_t size) {
        TCipher_NewDES cipher;
        cipher.Init(bytes, size, nullptr);
        uint8_t block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        cipher.EncipherBlock(block);
        return HexOf(block, 8);
    };
    for (int32_t length = 0; length < 15; ++length) {
        std::vector<uint8_t> padded(key.begin(), key.begin() + length);
        padded.resize(15, 0);
        EXPECT_EQ(enciphered(key.data(), length), enciphered(padded.data(), 15)) << length;
    }
}

TEST(NewDES, EveryKeyByteMatters) {
    std::mt19937 rng(15);
    const std::vector<uint8_t> key = RandomBytes(rng, 15);
    TCipher_NewDES reference;
    reference.Init(key.data(), 15, nullptr);
    for (int i = 0; i < 15; ++i) {
        std::vector<uint8_t> other = key;
        other[static_cast<std::size_t>(i)] ^= 0x80;
        TCipher_NewDES changed;
        changed.Init(other.data(), 15, nullptr);
        uint8_t a[8] = {}, b[8] = {};
        reference.EncipherBlock(a);
        changed.EncipherBlock(b);
        EXPECT_NE(HexOf(a, 8), HexOf(b, 8)) << "key byte " << i;
    }
}

}  // namespace

}  // namespace quellmark
