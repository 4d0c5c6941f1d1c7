// Twofish against the designers' known-answer tables and against Crypto++.
#include <cryptopp/twofish.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/twofish.h"
#include "crypto/differential.h"
#include "test_support.h"
#include "vector_file.h"

namespace quellmark {

namespace {

TEST(Twofish, PublishedVectors) { ExpectBlockVectors(TCipher_Twofish::Class, "twofish.txt"); }

// The tables of ecb_tbl.txt are one chain per key size: each row is keyed with
// the previous plaintext followed by the previous key and enciphers the
// previous ciphertext. Walking the whole chain checks rows 11 to 47 as well.
TEST(Twofish, DesignersTableChainsReachTheirLastRows) {
    std::map<std::pair<std::size_t, int>, const VectorRecord*> rows;
    const std::vector<VectorRecord> records = ReadVectors("twofish.txt");
    for (const VectorRecord& record : records)
        if (record.Has("I")) rows[{record.Bytes("Key").size(), std::stoi(record.Text("I"))}] = &record;

    TCipher_Twofish cipher;
    for (std::size_t keySize : {16u, 24u, 32u}) {
        std::vector<uint8_t> key(keySize, 0), previousPlain(16, 0), plain(16, 0);
        int checked = 0;
        for (int row = 1; row <= 49; ++row) {
            std::vector<uint8_t> block = plain;
            cipher.Init(key.data(), static_cast<int32_t>(keySize), nullptr);
            cipher.EncipherBlock(block.data());
            if (auto found = rows.find({keySize, row}); found != rows.end()) {
                EXPECT_EQ(HexOf(key), found->second->Text("Key")) << keySize << "-byte key, row " << row;
                EXPECT_EQ(HexOf(block), found->second->Text("Out")) << keySize << "-byte key, row " << row;
                ++checked;
            }
            std::vector<uint8_t> nextKey = plain;
            nextKey.insert(nextKey.end(), key.begin(), key.end());
            nextKey.resize(keySize);
            key = nextKey;
            plain = block;
        }
        EXPECT_EQ(checked, 12) << keySize << "-byte key";
    }
}

// Crypto++ takes whole 16, 24 or 32-byte keys: it gets ours zero-padded.
std::vector<uint8_t> NextKeySize(const std::vector<uint8_t>& key) {
    return ZeroPadded(key, key.size() <= 16 ? 16 : key.size() <= 24 ? 24 : 32);
}

TEST(Twofish, AgreesWithCryptoPPForEveryKeyLength) {
    std::mt19937 rng(1998);
    TCipher_Twofish ours;
    ExpectSameCoding(ours, WithTheirKey(CryptoPPCipher<CryptoPP::Twofish>(), NextKeySize),
                     {.keyLengths = Lengths(0, 32), .blocksPerKey = 4, .blocksAtOnce = 2}, rng);
}

TEST(Twofish, ShortKeysAreTheNextKeySizeWithZerosAppended) {
    std::mt19937 rng(10);
    for (std::size_t length : {10u, 17u, 25u}) {
        std::vector<uint8_t> key = RandomBytes(rng, length);
        const std::vector<uint8_t> padded = NextKeySize(key);
        TCipher_Twofish shortKey, paddedKey;
        shortKey.Init(key.data(), static_cast<int32_t>(key.size()), nullptr);
        paddedKey.Init(padded.data(), static_cast<int32_t>(padded.size()), nullptr);
        EXPECT_EQ(0, std::memcmp(shortKey.UserData(), paddedKey.UserData(), 4256)) << length << " bytes";
        EXPECT_EQ(HexOf(shortKey.Vector(), 16), HexOf(paddedKey.Vector(), 16)) << length << " bytes";
    }
}

}  // namespace

}  // namespace quellmark
