// RC5-32 and RC6-32 against their designers' published vectors and against
// Crypto++, including the round counts the classes can be set to.
#include <cryptopp/rc5.h>
#include <cryptopp/rc6.h>
#include <gtest/gtest.h>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/rc5.h"
#include "crypto/ciphers/rc6.h"
#include "crypto/differential.h"
#include "test_support.h"

namespace quellmark {

namespace {

TEST(RC5, PublishedVectors) { ExpectBlockVectors(TCipher_RC5::Class, "rc5.txt"); }

TEST(RC5, AgreesWithCryptoPPForKeyLengthsZeroTo255) {
    std::mt19937 rng(1994);
    TCipher_RC5 ours;
    ExpectSameCoding(ours, CryptoPPCipher<CryptoPP::RC5>(12u), {.keyLengths = Lengths(0, 255), .blocksPerKey = 3}, rng);
}

TEST(RC5, RoundCountsEightToSixteenAgreeWithCryptoPPAndOthersFallBackToTwelve) {
    std::mt19937 rng(12);
    TCipher_RC5 ours;
    const std::vector<uint8_t> key = RandomBytes(rng, 16);
    for (int rounds = 8; rounds <= 16; ++rounds) {
        ours.SetRounds(rounds);
        ours.Init(key.data(), 16, nullptr);
        ASSERT_EQ(ours.Rounds(), rounds);
        ExpectSameCoding(ours, CryptoPPCipher<CryptoPP::RC5>(static_cast<unsigned>(rounds)),
                         {.keyLengths = {16}, .blocksPerKey = 3}, rng, "rounds " + std::to_string(rounds));
    }
    for (int rounds : {0, 7, 17, -1}) {
        ours.SetRounds(rounds);
        ours.Init(key.data(), 16, nullptr);
        EXPECT_EQ(ours.Rounds(), 12) << rounds;
    }
}

TEST(RC6, PublishedVectors) { ExpectBlockVectors(TCipher_RC6::Class, "rc6.txt"); }

// Crypto++ takes 16, 24 or 32 bytes. The key enters as whole little-endian
// words, so a key zero-padded to its whole words is the same key: 13 to 16
// bytes compare with Crypto++ at 16, 21 to 24 at 24, 29 to 32 at 32.
TEST(RC6, AgreesWithCryptoPPForKeysOfFourSixOrEightWords) {
    std::mt19937 rng(1998);
    TCipher_RC6 ours;
    auto wholeWords = [](const std::vector<uint8_t>& key) { return ZeroPadded(key, (key.size() + 3) / 4 * 4); };
    std::vector<std::size_t> lengths;
    for (std::size_t words : {4, 6, 8})
        for (std::size_t length = 4 * words - 3; length <= 4 * words; ++length) lengths.push_back(length);
    ExpectSameCoding(ours, WithTheirKey(CryptoPPCipher<CryptoPP::RC6>(), wholeWords),
                     {.keyLengths = lengths, .blocksPerKey = 3}, rng);
}

TEST(RC6, RoundCounts16To24AgreeWithCryptoPPAndOthersFallBackToTwenty) {
    std::mt19937 rng(20);
    TCipher_RC6 ours;
    const std::vector<uint8_t> key = RandomBytes(rng, 32);
    for (int rounds = 16; rounds <= 24; ++rounds) {
        ours.SetRounds(rounds);
        ours.Init(key.data(), 32, nullptr);
        ASSERT_EQ(ours.Rounds(), rounds);
        ExpectSameCoding(ours, CryptoPPCipher<CryptoPP::RC6>(static_cast<unsigned>(rounds)),
                         {.keyLengths = {32}, .blocksPerKey = 3}, rng, "rounds " + std::to_string(rounds));
    }
    for (int rounds : {0, 15, 25}) {
        ours.SetRounds(rounds);
        ours.Init(key.data(), 32, nullptr);
        EXPECT_EQ(ours.Rounds(), 20) << rounds;
    }
}

}  // namespace

}  // namespace quellmark
