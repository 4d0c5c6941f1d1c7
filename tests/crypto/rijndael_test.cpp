// Rijndael (AES) against FIPS-197 and Crypto++, on both of its paths: the
// processor's AES instructions and the lookup tables.
#include <cryptopp/aes.h>
#include <gtest/gtest.h>

#include "crypto/ciphers/rijndael.h"
#include "crypto/differential.h"
#include "crypto/hashes/ripemd.h"
#include "test_support.h"
#include "vector_file.h"

namespace quellmark {

namespace {

// The paths this machine can run: the tables always, the instructions where present.
std::vector<bool> Paths() {
    TCipher_Rijndael probe;
    return probe.UsesAesInstructions() ? std::vector<bool>{false, true} : std::vector<bool>{false};
}

const char* PathName(bool aesNi) { return aesNi ? "AES instructions" : "tables"; }

TEST(Rijndael, Fips197AppendixCOnEveryPath) {
    for (bool aesNi : Paths()) {
        TCipher_Rijndael cipher;
        cipher.UseAesInstructions(aesNi);
        ASSERT_EQ(cipher.UsesAesInstructions(), aesNi);
        for (const VectorRecord& record : ReadVectors("aes.txt")) {
            std::vector<uint8_t> key = record.Bytes("Key"), block = record.Bytes("In");
            cipher.Init(key.data(), static_cast<int32_t>(key.size()), nullptr);
            EXPECT_EQ(cipher.Rounds(), static_cast<int32_t>(key.size() / 4 + 6));
            cipher.EncipherBlock(block.data());
            EXPECT_EQ(HexOf(block), record.Text("Out")) << PathName(aesNi) << ", aes.txt line " << record.line;
            cipher.DecipherBlock(block.data());
            EXPECT_EQ(HexOf(block), record.Text("In")) << PathName(aesNi) << ", aes.txt line " << record.line;
        }
    }
}

// Every key length is AES with the key zero-padded to 16, 24 or 32 bytes.
std::vector<uint8_t> AesKeyFor(const std::vector<uint8_t>& key) {
    return ZeroPadded(key, key.size() <= 16 ? 16 : key.size() <= 24 ? 24 : 32);
}

TEST(Rijndael, EveryKeyLengthIsZeroPaddedAesAndAgreesWithCryptoPP) {
    for (bool aesNi : Paths()) {
        std::mt19937 rng(197);
        TCipher_Rijndael ours;
        ours.UseAesInstructions(aesNi);
        for (int length = 1; length <= 32; ++length) {
            const std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
            ours.Init(key.data(), length, nullptr);
            EXPECT_EQ(ours.Rounds(), static_cast<int32_t>(AesKeyFor(key).size() / 4 + 6)) << "key length " << length;
        }
        // Eleven blocks at once: a batch of eight and three left over on the instruction path.
        ExpectSameCoding(ours, WithTheirKey(CryptoPPCipher<CryptoPP::AES>(), AesKeyFor),
                         {.keyLengths = Lengths(1, 32), .blocksPerKey = 11, .blocksAtOnce = 11}, rng, PathName(aesNi));
    }
}

TEST(Rijndael, TablesAndAesInstructionsAgreeOnRandomData) {
    TCipher_Rijndael instructions, tables;
    if (!instructions.UsesAesInstructions()) GTEST_SKIP() << "this processor has no AES instructions";
    tables.UseAesInstructions(false);
    std::mt19937 rng(2001);
    for (TCipherMode mode : {cmCTS, cmCBC, cmECB, cmCFB}) {
        instructions.Mode = tables.Mode = mode;
        for (int length : {16, 24, 32, 5, 20, 31}) {
            std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
            instructions.Init(key.data(), length, nullptr);
            tables.Init(key.data(), length, nullptr);
            EXPECT_EQ(HexOf(instructions.Vector(), 16), HexOf(tables.Vector(), 16));
            const std::vector<uint8_t> data = RandomBytes(rng, 4096 + 7);
            const auto size = static_cast<int32_t>(data.size());
            std::vector<uint8_t> a(data.size()), b(data.size());
            instructions.EncipherData(data.data(), a.data(), size);
            tables.EncipherData(data.data(), b.data(), size);
            ASSERT_EQ(a, b) << "enciphering, mode " << int(mode) << ", key length " << length;
            instructions.DecipherData(data.data(), a.data(), size);
            tables.DecipherData(data.data(), b.data(), size);
            ASSERT_EQ(a, b) << "deciphering, mode " << int(mode) << ", key length " << length;
            // In place, where a block's ciphertext is overwritten by its plaintext.
            a = data;
            instructions.DecipherData(a.data(), a.data(), size);
            tables.DecipherData(data.data(), b.data(), size);
            ASSERT_EQ(a, b) << "deciphering in place, mode " << int(mode) << ", key length " << length;
        }
    }
}

TEST(Rijndael, KeyedFromAPasswordItIsAes256OnTheRipemd256Digest) {
    const std::string password = "correct horse battery staple";
    TCipher_Rijndael cipher;
    cipher.InitKey(password);
    EXPECT_EQ(cipher.Rounds(), 14);

    auto hash = THash_RipeMD256::Class.create();
    const std::string digest = hash->DigestOf(password.data(), static_cast<int32_t>(password.size()));
    ASSERT_EQ(digest.size(), 32u);
    CryptoPP::AES::Encryption aes256(reinterpret_cast<const uint8_t*>(digest.data()), 32);
    uint8_t expected[16], block[16];
    std::memset(block, 0xFF, sizeof block);
    aes256.ProcessBlock(block, expected);
    EXPECT_EQ(HexOf(cipher.Vector(), 16), HexOf(expected, 16)) << "the vector is E(16 bytes of 0xFF)";
}

}  // namespace

}  // namespace quellmark
