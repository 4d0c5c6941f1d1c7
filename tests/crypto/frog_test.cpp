// FROG with its 32-byte block. The designers published known answers only
// for the 16-byte block of their AES entry, so these checks hold the internal
// key to the shape the key expansion must give it, and the block routine to
// its width.
#include <gtest/gtest.h>

#include <cstring>

#include "crypto/ciphers/frog.h"
#include "test_support.h"

namespace quellmark {

namespace {

constexpr int B = TCipher_FROG::kBlock;

TEST(Frog, InternalKeysHaveThePublishedShape) {
    std::mt19937 rng(1998);
    TCipher_FROG cipher;
    for (int32_t length : {1, 4, 5, 16, 31, 32, 33, 125}) {
        const std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
        cipher.Init(key.data(), length, nullptr);
        for (int n = 0; n < TCipher_FROG::kIterations; ++n) {
            const TCipher_FROG::Iteration& e = cipher.EncipherKey()[n];
            const TCipher_FROG::Iteration& d = cipher.DecipherKey()[n];
            // Substitution: a permutation, inverted for deciphering.
            for (int x = 0; x < 256; ++x) ASSERT_EQ(d.substitution[e.substitution[x]], x) << "length " << length;
            EXPECT_EQ(0, std::memcmp(e.xorBytes, d.xorBytes, B));
            EXPECT_EQ(0, std::memcmp(e.bomb, d.bomb, B));
            // Bomb targets: never the byte itself, nor its successor,
            // which the chaining step already reaches.
            for (int i = 0; i < B; ++i) {
                ASSERT_LT(e.bomb[i], B);
                EXPECT_NE(e.bomb[i], i) << "length " << length << ", iteration " << n;
                EXPECT_NE(e.bomb[i], (i + 1) % B) << "length " << length << ", iteration " << n;
            }
        }
    }
}

TEST(Frog, EveryByteOfTheBlockReachesEveryByteOfTheResult) {
    TCipher_FROG cipher;
    cipher.InitKey("frog");
    uint8_t base[B] = {};
    cipher.EncipherBlock(base);
    for (int i = 0; i < B; ++i) {
        uint8_t changed[B] = {};
        changed[i] = 1;
        cipher.EncipherBlock(changed);
        // Each output byte differs with odds 255/256; a routine that left a
        // part of the block out would leave that part unchanged.
        int differing = 0;
        for (int j = 0; j < B; ++j) differing += changed[j] != base[j];
        EXPECT_GE(differing, B - 4) << "input byte " << i;
    }
}

TEST(Frog, KeyBytesBeyondTheBlockStillCount) {
    // Only the first 32 key bytes start the chain that makes the internal
    // key, but all of them enter the first internal key.
    std::vector<uint8_t> key(125, 0x5a), other = key;
    other[100] ^= 1;
    TCipher_FROG a, b;
    a.Init(key.data(), 125, nullptr);
    b.Init(other.data(), 125, nullptr);
    EXPECT_NE(0, std::memcmp(a.UserData(), b.UserData(), 5120));
}

}  // namespace

}  // namespace quellmark
