// CAST-128 and CAST-256 against their RFCs' vectors and against Crypto++.
#include <cryptopp/cast.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/cast128.h"
#include "crypto/ciphers/cast256.h"
#include "crypto/differential.h"
#include "vector_file.h"

namespace quellmark {

namespace {

TEST(Cast128, PublishedVectorsFor128And80And40BitKeys) { ExpectBlockVectors(TCipher_Cast128::Class, "cast128.txt"); }

// A million re-keyings and four million blocks: every entry of all eight
// S-boxes takes part, in the key schedule and in the rounds.
TEST(Cast128, FullMaintenanceTest) {
    for (const VectorRecord& record : ReadVectors("cast128_maintenance.txt")) {
        std::vector<uint8_t> a = record.Bytes("A"), b = record.Bytes("B");
        const long iterations = std::stol(record.Text("Iterations"));
        TCipher_Cast128 cipher;
        for (long i = 0; i < iterations; ++i) {
            cipher.Init(b.data(), 16, nullptr);
            cipher.EncipherBlock(a.data());
            cipher.EncipherBlock(a.data() + 8);
            cipher.Init(a.data(), 16, nullptr);
            cipher.EncipherBlock(b.data());
            cipher.EncipherBlock(b.data() + 8);
        }
        EXPECT_EQ(HexOf(a), record.Text("A2"));
        EXPECT_EQ(HexOf(b), record.Text("B2"));
    }
}

// Crypto++ takes 5 to 16 bytes and, like the RFC, zero-pads to 16 and runs 12
// rounds up to 10 bytes. Our shorter keys are zero-padded the same way, so
// they meet Crypto++ with the key padded to 5 bytes.
TEST(Cast128, AgreesWithCryptoPPForEveryKeyLength) {
    std::mt19937 rng(2144);
    TCipher_Cast128 ours;
    ExpectSameCoding(ours, WithTheirKey(CryptoPPCipher<CryptoPP::CAST128>(), ZeroPaddedTo(5)),
                     {.keyLengths = Lengths(0, 16)}, rng);
}

TEST(Cast256, PublishedVectorsFor128And192And256BitKeys) { ExpectBlockVectors(TCipher_Cast256::Class, "cast256.txt"); }

// Crypto++ takes 16 to 32 bytes in steps of 4; the RFC pads a shorter key with
// zeros to 32 bytes, as we do for every length, so any length meets Crypto++
// with the key padded to the next length it accepts.
TEST(Cast256, AgreesWithCryptoPPForEveryKeyLength) {
    std::mt19937 rng(2612);
    TCipher_Cast256 ours;
    auto nextAccepted = [](const std::vector<uint8_t>& key) {
        return ZeroPadded(key, std::max<std::size_t>(16, (key.size() + 3) / 4 * 4));
    };
    ExpectSameCoding(ours, WithTheirKey(CryptoPPCipher<CryptoPP::CAST256>(), nextAccepted),
                     {.keyLengths = Lengths(0, 32)}, rng);
}

}  // namespace

}  // namespace quellmark
