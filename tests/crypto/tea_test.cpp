// TEA and "TEA extended" as the containers use them: 16 cycles and their own
// grouping of the round formulas. No published vectors exist for these
// variants, so each is checked against a word-level model whose published
// form is first pinned to Crypto++'s TEA and XTEA; the model then changes
// only the grouping that the containers depend on.
#include <cryptopp/tea.h>
#include <gtest/gtest.h>

#include <memory>

#include "crypto/bytes.h"
#include "crypto/ciphers/tea.h"
#include "crypto/differential.h"

namespace quellmark {

namespace {

constexpr uint32_t kDelta = 0x9E3779B9;

struct Block {
    uint32_t y, z;
};

enum class Grouping { Published, Containers };

uint32_t TeaMix(Grouping grouping, uint32_t w, uint32_t sum, uint32_t ka, uint32_t kb) {
    if (grouping == Grouping::Published) return ((w << 4) + ka) ^ (w + sum) ^ ((w >> 5) + kb);
    return ((((w << 4) + ka) ^ w) + sum) ^ ((w >> 5) + kb);
}

uint32_t XteaMix(Grouping grouping, uint32_t w, uint32_t sum, uint32_t keyWord) {
    if (grouping == Grouping::Published) return (((w << 4) ^ (w >> 5)) + w) ^ (sum + keyWord);
    return ((w << 4) ^ (w >> 5)) + (sum ^ w) + keyWord;
}

// The word-level model of one cipher: both directions, for any cycle count and grouping.
struct Model {
    Block (*encipher)(Block b, const uint32_t (&k)[4], uint32_t cycles, Grouping grouping);
    Block (*decipher)(Block b, const uint32_t (&k)[4], uint32_t cycles, Grouping grouping);
};

const Model kTea = {
    [](Block b, const uint32_t (&k)[4], uint32_t cycles, Grouping grouping) {
        uint32_t sum = 0;
        for (uint32_t i = 0; i < cycles; ++i) {
            sum += kDelta;
            b.y += TeaMix(grouping, b.z, sum, k[0], k[1]);
            b.z += TeaMix(grouping, b.y, sum, k[2], k[3]);
        }
        return b;
    },
    [](Block b, const uint32_t (&k)[4], uint32_t cycles, Grouping grouping) {
        uint32_t sum = kDelta * cycles;
        for (uint32_t i = 0; i < cycles; ++i) {
            b.z -= TeaMix(grouping, b.y, sum, k[2], k[3]);
            b.y -= TeaMix(grouping, b.z, sum, k[0], k[1]);
            sum -= kDelta;
        }
        return b;
    },
};

const Model kXtea = {
    [](Block b, const uint32_t (&k)[4], uint32_t cycles, Grouping grouping) {
        uint32_t sum = 0;
        for (uint32_t i = 0; i < cycles; ++i) {
            b.y += XteaMix(grouping, b.z, sum, k[sum & 3]);
            sum += kDelta;
            b.z += XteaMix(grouping, b.y, sum, k[sum >> 11 & 3]);
        }
        return b;
    },
    [](Block b, const uint32_t (&k)[4], uint32_t cycles, Grouping grouping) {
        uint32_t sum = kDelta * cycles;
        for (uint32_t i = 0; i < cycles; ++i) {
            b.z -= XteaMix(grouping, b.y, sum, k[sum >> 11 & 3]);
            sum -= kDelta;
            b.y -= XteaMix(grouping, b.z, sum, k[sum & 3]);
        }
        return b;
    },
};

// The model over bytes as this program's classes read them: block and key
// in little-endian words.
BlockCoder ModelCoder(const Model& model, uint32_t cycles, Grouping grouping) {
    struct Key {
        uint32_t k[4];
    };
    auto key = std::make_shared<Key>();
    auto code = [key, cycles, grouping](auto direction, uint8_t* block) {
        const Block b = direction(Block{LoadLE32(block), LoadLE32(block + 4)}, key->k, cycles, grouping);
        StoreLE32(block, b.y);
        StoreLE32(block + 4, b.z);
    };
    BlockCoder coder;
    coder.blockSize = 8;
    coder.setKey = [key](const std::vector<uint8_t>& bytes) {
        for (int i = 0; i < 4; ++i) key->k[i] = LoadLE32(bytes.data() + 4 * i);
    };
    coder.encipher = [code, model](uint8_t* block) { code(model.encipher, block); };
    coder.decipher = [code, model](uint8_t* blocks, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) code(model.decipher, blocks + 8 * i);
    };
    return coder;
}

// Crypto++ reads block and key as big-endian words.
template <class Their>
BlockCoder CryptoPPInLittleEndianWords(uint32_t cycles) {
    auto swapped = [](const std::vector<uint8_t>& key) {
        std::vector<uint8_t> theirKey = key;
        SwapWordBytes(theirKey.data(), theirKey.size());
        return theirKey;
    };
    return WithByteOrder(WithTheirKey(CryptoPPCipher<Their>(cycles), swapped), SwapWordBytes);
}

template <class Their>
void ExpectSixteenCyclesOfTheContainersGrouping(TCipher& ours, const Model& model) {
    std::mt19937 rng(16);
    const Trials trials = {.keyLengths = {16}, .keysPerLength = 32, .blocksPerKey = 1};
    // The model's published form is Crypto++'s cipher, at 32 and at 16 cycles.
    for (uint32_t cycles : {32u, 16u})
        ExpectSameCoding(ModelCoder(model, cycles, Grouping::Published), CryptoPPInLittleEndianWords<Their>(cycles), trials,
                         rng, "the published form at " + std::to_string(cycles) + " cycles");

    ExpectSameCoding(ours, ModelCoder(model, 16, Grouping::Containers), trials, rng);
    ExpectDifferentEncipherment(Ours(ours), ModelCoder(model, 32, Grouping::Containers), trials, rng,
                                "32 cycles would be the published count");
    ExpectDifferentEncipherment(Ours(ours), ModelCoder(model, 16, Grouping::Published), trials, rng,
                                "the published grouping");
}

TEST(TEA, RunsSixteenCyclesWithTheContainersGrouping) {
    TCipher_TEA tea;
    ExpectSixteenCyclesOfTheContainersGrouping<CryptoPP::TEA>(tea, kTea);
    EXPECT_EQ(tea.Cycles(), 16);
}

TEST(TEAN, RunsSixteenCyclesWithTheContainersGrouping) {
    TCipher_TEAN tean;
    ExpectSixteenCyclesOfTheContainersGrouping<CryptoPP::XTEA>(tean, kXtea);
    EXPECT_EQ(tean.Cycles(), 16);
}

}  // namespace

}  // namespace quellmark
