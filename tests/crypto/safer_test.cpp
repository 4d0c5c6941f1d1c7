// The SAFER family against published vectors and Crypto++, and the rules of
// variant choice and round count.
#include <cryptopp/safer.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "crypto/ciphers/safer.h"
#include "crypto/differential.h"
#include "test_support.h"
#include "vector_file.h"

namespace quellmark {

namespace {

constexpr std::size_t kSubkeysAt = 512;  // after the exponent and logarithm tables

// Like ExpectBlockVectors, honouring a record's round count where it has one.
void ExpectSaferVectors(TCipher_SAFER& cipher, const std::string& file) {
    for (const VectorRecord& record : ReadVectors(file)) {
        if (record.Has("Rounds")) cipher.SetRounds(record.Bytes("Rounds").at(0));
        std::vector<uint8_t> key = record.Bytes("Key"), block = record.Bytes("In");
        cipher.Init(key.data(), static_cast<int32_t>(key.size()), nullptr);
        cipher.EncipherBlock(block.data());
        EXPECT_EQ(HexOf(block), record.Text("Out")) << file << " line " << record.line;
        cipher.DecipherBlock(block.data());
        EXPECT_EQ(HexOf(block), record.Text("In")) << file << " line " << record.line;
    }
}

TEST(Safer, PublishedVectors) {
    TCipher_SAFER_K64 k64;
    TCipher_SAFER_SK64 sk64;
    TCipher_SAFER_K128 k128;
    TCipher_SAFER_SK128 sk128;
    ExpectSaferVectors(k64, "safer_k64.txt");
    ExpectSaferVectors(sk64, "safer_sk64.txt");
    ExpectSaferVectors(k128, "safer_k128.txt");
    ExpectSaferVectors(sk128, "safer_sk128.txt");
}

// Our key as Crypto++ must be given it: zero-padded to 8 or 16 bytes. A
// 128-bit variant given at most 8 bytes uses them for both halves of the key,
// which is what Crypto++ does with an 8-byte key.
std::vector<uint8_t> SaferKeyFor(const std::vector<uint8_t>& key) { return ZeroPadded(key, key.size() <= 8 ? 8 : 16); }

template <class TheirCipher>
BlockCoder CryptoPPSafer(unsigned rounds) {
    return WithTheirKey(CryptoPPCipher<TheirCipher>(rounds), SaferKeyFor);
}

TEST(Safer, AgreesWithCryptoPPForEveryKeyLength) {
    std::mt19937 rng(1995);
    TCipher_SAFER_K64 k64;
    TCipher_SAFER_SK64 sk64;
    TCipher_SAFER_K128 k128;
    TCipher_SAFER_SK128 sk128;
    ExpectSameCoding(k64, CryptoPPSafer<CryptoPP::SAFER_K>(6), {.keyLengths = Lengths(1, 8)}, rng, "K-64");
    // SK-64 runs 6 rounds here; Crypto++ would default to Massey's later advice of 8.
    ExpectSameCoding(sk64, CryptoPPSafer<CryptoPP::SAFER_SK>(6), {.keyLengths = Lengths(1, 8)}, rng, "SK-64");
    ExpectSameCoding(k128, CryptoPPSafer<CryptoPP::SAFER_K>(10), {.keyLengths = Lengths(1, 16)}, rng, "K-128");
    ExpectSameCoding(sk128, CryptoPPSafer<CryptoPP::SAFER_SK>(10), {.keyLengths = Lengths(1, 16)}, rng, "SK-128");
}

TEST(Safer, FortyBitVariantsShareOnlyTheFirstSubkey) {
    const uint8_t key[5] = {0x01, 0x23, 0x45, 0x67, 0x89};
    TCipher_SAFER_K40 plain;
    TCipher_SAFER_SK40 strengthened;
    plain.Init(key, 5, nullptr);
    strengthened.Init(key, 5, nullptr);
    ASSERT_EQ(plain.Rounds(), 5);
    ASSERT_EQ(strengthened.Rounds(), 5);
    const uint8_t* a = plain.UserData() + kSubkeysAt;
    const uint8_t* b = strengthened.UserData() + kSubkeysAt;
    EXPECT_EQ(HexOf(a, 8), HexOf(b, 8)) << "subkey 1";
    // Subkey 2i takes register bytes from position 2i - 1 on, modulo 9; for
    // subkey 10 that is position 0 again, so it is the one later subkey the
    // two schedules share.
    for (int subkey = 2; subkey <= 11; ++subkey) {
        const std::string plainKey = HexOf(a + 8 * (subkey - 1), 8), strengthenedKey = HexOf(b + 8 * (subkey - 1), 8);
        if (subkey == 10)
            EXPECT_EQ(plainKey, strengthenedKey);
        else
            EXPECT_NE(plainKey, strengthenedKey) << "subkey " << subkey;
    }
}

// One object keyed again and again, each time with a key of another length,
// must each time equal a fresh object of the variant that length selects,
// round count included.
TEST(Safer, TheFamilyClassChoosesTheStrengthenedVariantByKeyLengthAtEveryKeySetup) {
    std::mt19937 rng(40);
    TCipher_SAFER chooser;
    for (std::size_t length : {5, 16, 8, 3, 12, 0, 6, 9, 1, 7, 15, 4, 10, 2, 11, 13, 14}) {
        const std::vector<uint8_t> key = RandomBytes(rng, length);
        std::unique_ptr<TCipher_SAFER> expected;
        if (length <= 5)
            expected = std::make_unique<TCipher_SAFER_SK40>();
        else if (length <= 8)
            expected = std::make_unique<TCipher_SAFER_SK64>();
        else
            expected = std::make_unique<TCipher_SAFER_SK128>();
        chooser.Init(key.data(), static_cast<int32_t>(length), nullptr);
        expected->Init(key.data(), static_cast<int32_t>(length), nullptr);
        EXPECT_EQ(chooser.Variant(), expected->Variant()) << "key length " << length;
        EXPECT_EQ(chooser.Rounds(), expected->Rounds()) << "key length " << length;
        EXPECT_EQ(0, std::memcmp(chooser.UserData(), expected->UserData(), 768)) << "key length " << length;
        EXPECT_EQ(HexOf(chooser.Vector(), 8), HexOf(expected->Vector(), 8)) << "key length " << length;
    }
}

TEST(Safer, AChosenRoundCountOfFourToThirteenSurvivesKeySetups) {
    std::mt19937 rng(13);
    const std::vector<uint8_t> key = RandomBytes(rng, 8);
    TCipher_SAFER_K64 cipher;
    for (int32_t rounds : {4, 13}) {
        cipher.SetRounds(rounds);
        cipher.Init(key.data(), 8, nullptr);
        cipher.Init(key.data(), 8, nullptr);
        EXPECT_EQ(cipher.Rounds(), rounds);
        ExpectSameCoding(cipher, CryptoPPSafer<CryptoPP::SAFER_K>(static_cast<unsigned>(rounds)),
                         {.keyLengths = {8}, .blocksPerKey = 1}, rng, std::to_string(rounds) + " rounds");
    }
    for (int32_t outside : {0, 3, 14, -1}) {
        cipher.SetRounds(outside);
        cipher.Init(key.data(), 8, nullptr);
        EXPECT_EQ(cipher.Rounds(), 6) << "set to " << outside;
    }
}

}  // namespace

}  // namespace quellmark
