// Twofish against the designers' known-answer tables and against Crypto++.
#include <cryptopp/twofish.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/twofish.h"
#include "test_support.h"
#include "vector_file.h"

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

TEST(Twofish, AgreesWithCryptoPPForEveryKeyLength) {
    std::mt19937 rng(1998);
    TCipher_Twofish ours;
    for (int length = 0; length <= 32; ++length) {
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
        // Crypto++ takes whole 16, 24 or 32-byte keys: give it ours zero-padded.
        std::vector<uint8_t> theirKey = key;
        theirKey.resize(length <= 16 ? 16 : length <= 24 ? 24 : 32, 0);
        CryptoPP::Twofish::Encryption theirs(theirKey.data(), theirKey.size());
        CryptoPP::Twofish::Decryption theirsBack(theirKey.data(), theirKey.size());
        ours.Init(key.data(), length, nullptr);
        for (int trial = 0; trial < 4; ++trial) {
            std::vector<uint8_t> block = RandomBytes(rng, 16), expected(16);
            theirs.ProcessBlock(block.data(), expected.data());
            std::vector<uint8_t> original = block;
            ours.EncipherBlock(block.data());
            ASSERT_EQ(HexOf(block), HexOf(expected)) << "key length " << length;
            ours.DecipherBlock(block.data());
            ASSERT_EQ(block, original);

            std::vector<uint8_t> pair = RandomBytes(rng, 32), theirPair(32);
            theirsBack.ProcessBlock(pair.data(), theirPair.data());
            theirsBack.ProcessBlock(pair.data() + 16, theirPair.data() + 16);
            ours.DecipherBlocks(pair.data(), 2);
            ASSERT_EQ(HexOf(pair), HexOf(theirPair)) << "two blocks at once, key length " << length;
        }
    }
}

TEST(Twofish, ShortKeysAreTheNextKeySizeWithZerosAppended) {
    std::mt19937 rng(10);
    for (std::size_t length : {10u, 17u, 25u}) {
        std::vector<uint8_t> key = RandomBytes(rng, length);
        std::vector<uint8_t> padded = key;
        padded.resize(length <= 16 ? 16 : length <= 24 ? 24 : 32, 0);
        TCipher_Twofish shortKey, paddedKey;
        shortKey.Init(key.data(), static_cast<int32_t>(key.size()), nullptr);
        paddedKey.Init(padded.data(), static_cast<int32_t>(padded.size()), nullptr);
        EXPECT_EQ(0, std::memcmp(shortKey.UserData(), paddedKey.UserData(), 4256)) << length << " bytes";
        EXPECT_EQ(HexOf(shortKey.Vector(), 16), HexOf(paddedKey.Vector(), 16)) << length << " bytes";
    }
}

TEST(Twofish, KnownAnswerIsTheZeroKeyZeroBlockEncipherment) {
    TCipher_Twofish cipher;
    uint8_t zero[16] = {};
    cipher.Init(zero, 16, nullptr);
    cipher.EncipherBlock(zero);
    EXPECT_EQ(HexOf(zero, 16), HexOf(cipher.KnownAnswer(), 16));
}

}  // namespace
