// Sapphire II in the block frame: its fixed starting state, its running
// state restarted by RewindFeedback, and the key shuffle of this system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "crypto/ciphers/sapphire.h"
#include "test_support.h"

namespace quellmark {

namespace {

const TCipher_Sapphire::State& LiveState(const TCipher_Sapphire& cipher) {
    return *reinterpret_cast<const TCipher_Sapphire::State*>(cipher.UserData());
}
const TCipher_Sapphire::State& SavedState(const TCipher_Sapphire& cipher) {
    return *reinterpret_cast<const TCipher_Sapphire::State*>(cipher.UserData() + sizeof(TCipher_Sapphire::State));
}

TEST(Sapphire, AnEmptyKeyStartsFromThePublishedHashState) {
    TCipher_Sapphire cipher;
    const uint8_t vector[32] = {};  // a given vector leaves the state as Init made it
    cipher.Init(nullptr, 0, vector);
    ASSERT_TRUE(cipher.Ready());
    const TCipher_Sapphire::State& st = LiveState(cipher);
    EXPECT_EQ(st.rotor, 1);
    EXPECT_EQ(st.ratchet, 3);
    EXPECT_EQ(st.avalanche, 5);
    EXPECT_EQ(st.lastPlain, 7);
    EXPECT_EQ(st.lastCipher, 11);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(st.cards[i], 255 - i) << "card " << i;
    EXPECT_EQ(0, std::memcmp(&st, &SavedState(cipher), sizeof st));
}

TEST(Sapphire, KeyedCardsAreAPermutationThatDependsOnKeyAndKeyLength) {
    TCipher_Sapphire a, b, c;
    const uint8_t vector[32] = {};
    const std::string four = "aaaa", eight = "aaaaaaaa";
    a.Init(reinterpret_cast<const uint8_t*>(four.data()), 4, vector);
    b.Init(reinterpret_cast<const uint8_t*>(eight.data()), 8, vector);
    const std::string other = "aaab";
    c.Init(reinterpret_cast<const uint8_t*>(other.data()), 4, vector);
    for (const TCipher_Sapphire* cipher : {&a, &b, &c}) {
        std::vector<uint8_t> cards(LiveState(*cipher).cards, LiveState(*cipher).cards + 256);
        std::sort(cards.begin(), cards.end());
        for (int i = 0; i < 256; ++i) ASSERT_EQ(cards[i], i);
    }
    // The key length enters each pass over the key, so a key and itself repeated differ.
    EXPECT_NE(0, std::memcmp(LiveState(a).cards, LiveState(b).cards, 256));
    EXPECT_NE(0, std::memcmp(LiveState(a).cards, LiveState(c).cards, 256));
}

// Enciphering moves the state on, so deciphering straight after does not give
// the data back; even in ECB, where nothing chains the blocks. After a rewind
// it does, as for every cipher.
TEST(Sapphire, DeciphersOnlyFromTheSameState) {
    std::mt19937 rng(1995);
    for (TCipherMode mode : {cmCTS, cmECB}) {
        for (int length : {0, 1, 32, 1024}) {
            const std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length) + 1);
            const std::vector<uint8_t> plain = RandomBytes(rng, 200);
            TCipher_Sapphire cipher;
            cipher.Mode = mode;
            cipher.Init(key.data(), length, nullptr);
            std::vector<uint8_t> coded(plain.size()), back(plain.size());
            cipher.EncipherData(plain.data(), coded.data(), 200);
            EXPECT_NE(coded, plain);
            cipher.DecipherData(coded.data(), back.data(), 200);
            EXPECT_NE(back, plain) << "mode " << int(mode) << ", key length " << length;
        }
    }
}

TEST(Sapphire, EachCipherByteDependsOnThePlainBytesBefore) {
    // Plain-text feedback: change one byte and every later byte changes with it.
    TCipher_Sapphire cipher;
    const std::string key = "feedback";
    cipher.Init(reinterpret_cast<const uint8_t*>(key.data()), 8, nullptr);
    std::vector<uint8_t> first(64, 0), second(64, 0);
    second[10] = 1;
    cipher.EncipherBlock(first.data());
    cipher.EncipherBlock(first.data() + 32);
    cipher.RewindFeedback();
    cipher.EncipherBlock(second.data());
    cipher.EncipherBlock(second.data() + 32);
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + 10, second.begin()));
    int differing = 0;
    for (std::size_t i = 10; i < 64; ++i) differing += first[i] != second[i];
    EXPECT_GT(differing, 40);
}

}  // namespace

}  // namespace quellmark
