#pragma once
// Our block routines beside an independent implementation (Crypto++) of the
// same published cipher, on random blocks.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "crypto/cipher.h"
#include "test_support.h"

// `ours` is keyed already; Crypto++'s `Theirs` is keyed with `theirKey`. Both
// directions must agree on `trials` random blocks.
template <class Theirs>
void ExpectSameBlocksAs(TCipher& ours, const std::vector<uint8_t>& theirKey, std::mt19937& rng, int trials,
                        const std::string& context) {
    typename Theirs::Encryption encryption(theirKey.data(), theirKey.size());
    typename Theirs::Decryption decryption(theirKey.data(), theirKey.size());
    ASSERT_EQ(static_cast<std::size_t>(ours.BlockSize()), encryption.BlockSize()) << context;
    const auto block = static_cast<std::size_t>(ours.BlockSize());
    for (int trial = 0; trial < trials; ++trial) {
        std::vector<uint8_t> data = RandomBytes(rng, block), expected(block);
        encryption.ProcessBlock(data.data(), expected.data());
        ours.EncipherBlock(data.data());
        ASSERT_EQ(HexOf(data), HexOf(expected)) << "enciphering, " << context;

        data = RandomBytes(rng, block);
        decryption.ProcessBlock(data.data(), expected.data());
        ours.DecipherBlock(data.data());
        ASSERT_EQ(HexOf(data), HexOf(expected)) << "deciphering, " << context;
    }
}

// `key` zero-padded (never cut) to `length` bytes.
inline std::vector<uint8_t> ZeroPadded(std::vector<uint8_t> key, std::size_t length) {
    if (key.size() < length) key.resize(length, 0);
    return key;
}
