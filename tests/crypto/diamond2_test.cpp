// Diamond II and Diamond II Lite: known answers, the round-count rule and the
// key-made tables that live outside the user data.
#include <gtest/gtest.h>

#include <cstring>

#include "crypto/ciphers/diamond2.h"
#include "test_support.h"
#include "vector_file.h"

namespace quellmark {

namespace {

std::unique_ptr<TCipher_Diamond2> Make(int32_t blockSize) {
    if (blockSize == 16) return std::make_unique<TCipher_Diamond2>();
    return std::make_unique<TCipher_Diamond2Lite>();
}

TEST(Diamond2, KnownAnswersOfBothBlockSizes) {
    for (const VectorRecord& record : ReadVectors("diamond2.txt")) {
        const int32_t blockSize = record.Bytes("Block")[0];
        auto cipher = Make(blockSize);
        cipher->SetRoundCount(record.Bytes("Rounds")[0]);
        ASSERT_EQ(cipher->RoundCount(), record.Bytes("Rounds")[0]) << "line " << record.line;
        std::vector<uint8_t> key = record.Bytes("Key"), block = record.Bytes("In");
        ASSERT_EQ(block.size(), static_cast<std::size_t>(blockSize));
        cipher->Init(key.data(), static_cast<int32_t>(key.size()), nullptr);
        cipher->EncipherBlock(block.data());
        EXPECT_EQ(HexOf(block), record.Text("Out")) << "line " << record.line;
        cipher->DecipherBlock(block.data());
        EXPECT_EQ(HexOf(block), record.Text("In")) << "line " << record.line;
    }
}

TEST(Diamond2, RoundCountOutsideTheRangeBecomesTen) {
    struct Case {
        int32_t blockSize, count, stored;
    };
    for (const Case& c : {Case{16, -1, 10}, Case{16, 0, 10}, Case{16, 4, 10}, Case{16, 5, 5}, Case{16, 15, 15},
                          Case{16, 16, 10}, Case{8, 3, 10}, Case{8, 4, 4}, Case{8, 15, 15}, Case{8, 30, 30},
                          Case{8, 31, 10}}) {
        auto cipher = Make(c.blockSize);
        cipher->SetRoundCount(c.count);
        EXPECT_EQ(cipher->RoundCount(), c.stored) << "block " << c.blockSize << ", count " << c.count;
    }
}

TEST(Diamond2, RoundCountStartsAtZeroAndTheFirstKeyMakesItTen) {
    for (int32_t blockSize : {16, 8}) {
        auto cipher = Make(blockSize);
        EXPECT_EQ(cipher->RoundCount(), 0);
        cipher->InitKey("password");
        EXPECT_EQ(cipher->RoundCount(), 10);
        EXPECT_EQ(cipher->TableSize(), static_cast<std::size_t>(10 * blockSize * 256));
    }
}

TEST(Diamond2, StoredRoundCountShapesTheNextKey) {
    const std::vector<uint8_t> key = BytesOf("round count key");
    TCipher_Diamond2 seven, ten;
    seven.SetRoundCount(7);
    seven.Init(key.data(), static_cast<int32_t>(key.size()), nullptr);
    ten.Init(key.data(), static_cast<int32_t>(key.size()), nullptr);
    EXPECT_EQ(seven.RoundCount(), 7);
    EXPECT_EQ(seven.TableSize(), static_cast<std::size_t>(7 * 16 * 256));
    // The tables are drawn in the same order, so the first seven rounds agree
    // and the ciphers still differ.
    EXPECT_EQ(0, std::memcmp(seven.EncipherTable(), ten.EncipherTable(), seven.TableSize()));
    uint8_t a[16] = {}, b[16] = {};
    seven.EncipherBlock(a);
    ten.EncipherBlock(b);
    EXPECT_NE(HexOf(a, 16), HexOf(b, 16));
}

TEST(Diamond2, EveryTableIsAPermutationAndTheDecipheringTableItsInverse) {
    std::mt19937 rng(1995);
    for (int32_t blockSize : {16, 8}) {
        auto cipher = Make(blockSize);
        for (int32_t length : {1, 2, 17, 256}) {
            const std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
            cipher->Init(key.data(), length, nullptr);
            for (std::size_t t = 0; t < cipher->TableSize(); t += 256) {
                const uint8_t* e = cipher->EncipherTable() + t;
                const uint8_t* d = cipher->DecipherTable() + t;
                bool seen[256] = {};
                for (int x = 0; x < 256; ++x) {
                    ASSERT_FALSE(seen[e[x]]) << "table " << t / 256 << " repeats a value";
                    seen[e[x]] = true;
                    ASSERT_EQ(d[e[x]], x);
                }
            }
        }
    }
}

TEST(Diamond2, ScrubReleasesTheTablesAndUnkeyedBlocksAreRefused) {
    TCipher_Diamond2Lite cipher;
    cipher.InitKey("secret");
    ASSERT_NE(cipher.EncipherTable(), nullptr);
    cipher.Scrub();
    EXPECT_EQ(cipher.EncipherTable(), nullptr);
    EXPECT_EQ(cipher.DecipherTable(), nullptr);
    EXPECT_EQ(cipher.TableSize(), 0u);
    EXPECT_FALSE(cipher.Ready());
    uint8_t block[8] = {};
    try {
        cipher.EncipherBlock(block);
        FAIL() << "a block was coded without tables";
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.ErrorCode(), ErrNotReady);
    }
}

}  // namespace

}  // namespace quellmark
