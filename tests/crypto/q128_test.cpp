// Q128 against values of the designer's reference code, and its table
// against the designer's own description of how it was generated.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "crypto/bytes.h"
#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/blowfish.h"
#include "crypto/ciphers/q128.h"
#include "test_support.h"

namespace quellmark {

namespace {

TEST(Q128, ReferenceVectors) { ExpectBlockVectors(TCipher_Q128::Class, "q128.txt"); }

// Rank of 32 rows over GF(2), by elimination.
int Rank(std::array<uint32_t, 32> rows) {
    int rank = 0;
    for (int bit = 0; bit < 32 && rank < 32; ++bit) {
        const uint32_t mask = 1u << bit;
        int pivot = rank;
        while (pivot < 32 && !(rows[pivot] & mask)) ++pivot;
        if (pivot == 32) continue;
        std::swap(rows[rank], rows[pivot]);
        for (int r = 0; r < 32; ++r)
            if (r != rank && (rows[r] & mask)) rows[r] ^= rows[rank];
        ++rank;
    }
    return rank;
}

// The generator of the table as the designer's FTAB.C describes it: Blowfish
// under the key "abcdefghijklmnopqrstuvwxyz" enciphers the blocks (0, n); a
// million swaps driven by the right ciphertext words shuffle 0..1023, and the
// first non-singular matrix whose rows are the ciphertext words of sixteen
// consecutive blocks maps each entry to the word whose bit r is the parity of
// entry & row r. Our Blowfish is checked against the published vectors.
TEST(Q128, TableIsWhatTheDesignersGeneratorMakes) {
    TCipher_Blowfish blowfish;
    const std::string key = "abcdefghijklmnopqrstuvwxyz";
    blowfish.Init(reinterpret_cast<const uint8_t*>(key.data()), static_cast<int32_t>(key.size()), nullptr);
    auto encipher = [&](uint32_t right, uint32_t& outLeft, uint32_t& outRight) {
        uint8_t block[8];
        StoreBE32(block, 0);
        StoreBE32(block + 4, right);
        blowfish.EncipherBlock(block);
        outLeft = LoadBE32(block);
        outRight = LoadBE32(block + 4);
    };

    std::vector<uint32_t> table(1024);
    for (uint32_t i = 0; i < 1024; ++i) table[i] = i;
    for (uint32_t n = 0; n < 1000000; ++n) {
        uint32_t left, right;
        encipher(n, left, right);
        std::swap(table[n & 1023], table[right & 1023]);
    }

    std::array<uint32_t, 32> matrix{};
    for (uint32_t base = 0;; base += 16) {
        for (uint32_t n = 0; n < 16; ++n) encipher(base + n, matrix[2 * n], matrix[2 * n + 1]);
        if (Rank(matrix) == 32) break;
        ASSERT_LT(base, 16u * 1000) << "no non-singular matrix found";
    }
    for (uint32_t& entry : table) {
        uint32_t mapped = 0;
        for (int r = 0; r < 32; ++r)
            if (std::popcount(entry & matrix[static_cast<std::size_t>(r)]) & 1) mapped |= 1u << r;
        entry = mapped;
    }

    for (std::size_t i = 0; i < 1024; ++i) ASSERT_EQ(table[i], TCipher_Q128::kTable[i]) << "entry " << i;
}

TEST(Q128, AShortKeyIsZeroPadded) {
    std::mt19937 rng(128);
    const std::vector<uint8_t> key = RandomBytes(rng, 16);
    TCipher_Q128 shortKey, padded;
    for (int length = 0; length < 16; ++length) {
        std::vector<uint8_t> zeroPadded(key.begin(), key.begin() + length);
        zeroPadded.resize(16, 0);
        shortKey.Init(key.data(), length, nullptr);
        padded.Init(zeroPadded.data(), 16, nullptr);
        EXPECT_EQ(0, std::memcmp(shortKey.UserData(), padded.UserData(), 256)) << "length " << length;
    }
}

}  // namespace

}  // namespace quellmark
