// TEA and "TEA extended" as the containers use them: 16 cycles and their own
// grouping of the round formulas. No published vectors exist for these
// variants, so each is checked against a word-level model whose published
// form is first pinned to Crypto++'s TEA and XTEA; the model then changes
// only the grouping that the containers depend on.
#include <cryptopp/tea.h>
#include <gtest/gtest.h>

#include "crypto/bytes.h"
#include "crypto/ciphers/tea.h"
#include "test_support.h"

namespace {

constexpr uint32_t kDelta = 0x9E3779B9;

struct Block {
    uint32_t y, z;
    bool operator==(const Block&) const = default;
};

enum class Grouping { Published, Containers };

Block ModelTea(Block b, const uint32_t k[4], int cycles, Grouping grouping) {
    auto mix = [&](uint32_t w, uint32_t sum, uint32_t ka, uint32_t kb) {
        if (grouping == Grouping::Published) return ((w << 4) + ka) ^ (w + sum) ^ ((w >> 5) + kb);
        return ((((w << 4) + ka) ^ w) + sum) ^ ((w >> 5) + kb);
    };
    uint32_t sum = 0;
    for (int i = 0; i < cycles; ++i) {
        sum += kDelta;
        b.y += mix(b.z, sum, k[0], k[1]);
        b.z += mix(b.y, sum, k[2], k[3]);
    }
    return b;
}

Block ModelXtea(Block b, const uint32_t k[4], int cycles, Grouping grouping) {
    auto mix = [&](uint32_t w, uint32_t sum, uint32_t keyWord) {
        if (grouping == Grouping::Published) return (((w << 4) ^ (w >> 5)) + w) ^ (sum + keyWord);
        return ((w << 4) ^ (w >> 5)) + (sum ^ w) + keyWord;
    };
    uint32_t sum = 0;
    for (int i = 0; i < cycles; ++i) {
        b.y += mix(b.z, sum, k[sum & 3]);
        sum += kDelta;
        b.z += mix(b.y, sum, k[sum >> 11 & 3]);
    }
    return b;
}

// Crypto++ reads block and key as big-endian words.
template <class TheirEncryption>
Block CryptoPPEncipher(Block b, const uint32_t k[4], unsigned cycles) {
    uint8_t key[16], in[8], out[8];
    for (int i = 0; i < 4; ++i) StoreBE32(key + 4 * i, k[i]);
    StoreBE32(in, b.y);
    StoreBE32(in + 4, b.z);
    TheirEncryption(key, 16, cycles).ProcessBlock(in, out);
    return {LoadBE32(out), LoadBE32(out + 4)};
}

// This program's classes read block and key as little-endian words.
Block OursEncipher(TCipher& cipher, Block b, const uint32_t k[4]) {
    uint8_t key[16], block[8];
    for (int i = 0; i < 4; ++i) StoreLE32(key + 4 * i, k[i]);
    cipher.Init(key, 16, nullptr);
    StoreLE32(block, b.y);
    StoreLE32(block + 4, b.z);
    cipher.EncipherBlock(block);
    Block result{LoadLE32(block), LoadLE32(block + 4)};
    cipher.DecipherBlock(block);
    EXPECT_EQ((Block{LoadLE32(block), LoadLE32(block + 4)}), b) << "the block must decipher again";
    return result;
}

template <class TheirEncryption, class Model>
void ExpectSixteenCyclesOfTheContainersGrouping(TCipher& ours, Model model) {
    std::mt19937 rng(16);
    auto word = [&rng] { return static_cast<uint32_t>(rng()); };
    for (int trial = 0; trial < 32; ++trial) {
        const uint32_t k[4] = {word(), word(), word(), word()};
        const Block plain{word(), word()};
        // The model's published form is Crypto++'s cipher, at 32 and at 16 cycles.
        ASSERT_EQ(model(plain, k, 32, Grouping::Published), CryptoPPEncipher<TheirEncryption>(plain, k, 32));
        ASSERT_EQ(model(plain, k, 16, Grouping::Published), CryptoPPEncipher<TheirEncryption>(plain, k, 16));

        const Block mine = OursEncipher(ours, plain, k);
        EXPECT_EQ(mine, model(plain, k, 16, Grouping::Containers)) << "trial " << trial;
        EXPECT_NE(mine, model(plain, k, 32, Grouping::Containers)) << "32 cycles would be the published count";
        EXPECT_NE(mine, model(plain, k, 16, Grouping::Published)) << "the published grouping";
    }
}

TEST(TEA, RunsSixteenCyclesWithTheContainersGrouping) {
    TCipher_TEA tea;
    ExpectSixteenCyclesOfTheContainersGrouping<CryptoPP::TEA::Encryption>(tea, ModelTea);
    EXPECT_EQ(tea.Cycles(), 16);
}

TEST(TEAN, RunsSixteenCyclesWithTheContainersGrouping) {
    TCipher_TEAN tean;
    ExpectSixteenCyclesOfTheContainersGrouping<CryptoPP::XTEA::Encryption>(tean, ModelXtea);
    EXPECT_EQ(tean.Cycles(), 16);
}

}  // namespace
