// RC5-32 and RC6-32 against their designers' published vectors and against
// Crypto++, including the round counts the classes can be set to.
#include <cryptopp/rc5.h>
#include <cryptopp/rc6.h>
#include <gtest/gtest.h>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/rc5.h"
#include "crypto/ciphers/rc6.h"
#include "test_support.h"

namespace {

// Enciphers and deciphers random blocks with both and expects the same results.
template <class Ours, class TheirEnc, class TheirDec>
void ExpectSameBlocks(Ours& ours, TheirEnc& encryption, TheirDec& decryption, std::mt19937& rng, const std::string& what) {
    const auto size = static_cast<std::size_t>(ours.BlockSize());
    for (int trial = 0; trial < 3; ++trial) {
        const std::vector<uint8_t> plain = RandomBytes(rng, size);
        std::vector<uint8_t> expected(size), block = plain;
        encryption.ProcessBlock(plain.data(), expected.data());
        ours.EncipherBlock(block.data());
        ASSERT_EQ(HexOf(block), HexOf(expected)) << what;
        std::vector<uint8_t> theirPlain(size), ourPlain = plain;
        decryption.ProcessBlock(plain.data(), theirPlain.data());
        ours.DecipherBlock(ourPlain.data());
        ASSERT_EQ(HexOf(ourPlain), HexOf(theirPlain)) << what;
    }
}

TEST(RC5, PublishedVectors) { ExpectBlockVectors(TCipher_RC5::Class, "rc5.txt"); }

TEST(RC5, AgreesWithCryptoPPForKeyLengthsZeroTo255) {
    std::mt19937 rng(1994);
    TCipher_RC5 ours;
    for (int length = 0; length <= 255; ++length) {
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length) + 1);  // never empty storage
        CryptoPP::RC5::Encryption encryption(key.data(), static_cast<std::size_t>(length), 12);
        CryptoPP::RC5::Decryption decryption(key.data(), static_cast<std::size_t>(length), 12);
        ours.Init(key.data(), length, nullptr);
        ExpectSameBlocks(ours, encryption, decryption, rng, "key length " + std::to_string(length));
    }
}

TEST(RC5, RoundCountsEightToSixteenAgreeWithCryptoPPAndOthersFallBackToTwelve) {
    std::mt19937 rng(12);
    TCipher_RC5 ours;
    const std::vector<uint8_t> key = RandomBytes(rng, 16);
    for (int rounds = 8; rounds <= 16; ++rounds) {
        ours.SetRounds(rounds);
        ours.Init(key.data(), 16, nullptr);
        ASSERT_EQ(ours.Rounds(), rounds);
        CryptoPP::RC5::Encryption encryption(key.data(), 16, static_cast<unsigned>(rounds));
        CryptoPP::RC5::Decryption decryption(key.data(), 16, static_cast<unsigned>(rounds));
        ExpectSameBlocks(ours, encryption, decryption, rng, "rounds " + std::to_string(rounds));
    }
    for (int rounds : {0, 7, 17, -1}) {
        ours.SetRounds(rounds);
        ours.Init(key.data(), 16, nullptr);
        EXPECT_EQ(ours.Rounds(), 12) << rounds;
    }
}

TEST(RC6, PublishedVectors) { ExpectBlockVectors(TCipher_RC6::Class, "rc6.txt"); }

TEST(RC6, AgreesWithCryptoPPForKeysOfFourSixOrEightWords) {
    std::mt19937 rng(1998);
    TCipher_RC6 ours;
    for (int length = 13; length <= 32; ++length) {
        // Crypto++ takes 16, 24 or 32 bytes. The key enters as whole little-endian
        // words, so a key zero-padded to its whole words is the same key: 13 to 16
        // bytes compare with Crypto++ at 16, 21 to 24 at 24, 29 to 32 at 32.
        const std::size_t padded = static_cast<std::size_t>((length + 3) / 4 * 4);
        if (padded != 16 && padded != 24 && padded != 32) continue;
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length)), theirKey = key;
        theirKey.resize(padded, 0);
        CryptoPP::RC6::Encryption encryption(theirKey.data(), theirKey.size());
        CryptoPP::RC6::Decryption decryption(theirKey.data(), theirKey.size());
        ours.Init(key.data(), length, nullptr);
        ExpectSameBlocks(ours, encryption, decryption, rng, "key length " + std::to_string(length));
    }
}

TEST(RC6, RoundCounts16To24AgreeWithCryptoPPAndOthersFallBackToTwenty) {
    std::mt19937 rng(20);
    TCipher_RC6 ours;
    const std::vector<uint8_t> key = RandomBytes(rng, 32);
    for (int rounds = 16; rounds <= 24; ++rounds) {
        ours.SetRounds(rounds);
        ours.Init(key.data(), 32, nullptr);
        ASSERT_EQ(ours.Rounds(), rounds);
        CryptoPP::RC6::Encryption encryption(key.data(), 32, static_cast<unsigned>(rounds));
        CryptoPP::RC6::Decryption decryption(key.data(), 32, static_cast<unsigned>(rounds));
        ExpectSameBlocks(ours, encryption, decryption, rng, "rounds " + std::to_string(rounds));
    }
    for (int rounds : {0, 15, 25}) {
        ours.SetRounds(rounds);
        ours.Init(key.data(), 32, nullptr);
        EXPECT_EQ(ours.Rounds(), 20) << rounds;
    }
}

}  // namespace
