// Tiger: the published function where the key schedule allows it, and the
// sign-extending shift where it does not.
#include <cryptopp/tiger.h>
#include <gtest/gtest.h>

#include <set>

#include "crypto/differential.h"
#include "crypto/hashes/tiger.h"
#include "test_support.h"
#include "vector_file.h"

namespace quellmark {

namespace {

// Counts the complemented words with bit 63 set that reach the schedule's
// right shifts, and shifts them as our Tiger does.
struct CountingShift {
    static inline int signedWords = 0;
    static uint64_t Shift23(uint64_t w) {
        if (w >> 63) ++signedWords;
        return TigerSignedShift::Shift23(w);
    }
};

template <class Shift>
class TigerWith : public THash_Tiger {
protected:
    void CompressBlocks(const uint8_t* data, std::size_t count) override { CompressWith<Shift>(data, count); }
};

std::string DigestHex(THash_Tiger& hash, const std::vector<uint8_t>& data, int32_t passes = 3) {
    hash.SetPasses(passes);
    return DigestHexOf(hash, data);
}

int32_t PassesOf(const VectorRecord& record) {
    return record.Has("Passes") ? std::stoi(record.Text("Passes")) : 3;
}

const TheirDigest PublishedTiger = CryptoPPDigest<CryptoPP::Tiger>();

// Our digest, and whether its key schedules met a complemented word with bit 63 set.
std::pair<std::string, bool> OursObserved(const std::vector<uint8_t>& data, int32_t passes = 3) {
    TigerWith<CountingShift> hash;
    CountingShift::signedWords = 0;
    std::string digest = DigestHex(hash, data, passes);
    return {digest, CountingShift::signedWords > 0};
}

TEST(Tiger, WithZeroFillingShiftsItIsThePublishedTiger) {
    // Same S-boxes, rounds, padding and feed-forward: only the shift was swapped.
    TigerWith<TigerPublishedShift> published;
    for (const VectorRecord& record : ReadVectors("tiger.txt"))
        EXPECT_EQ(DigestHex(published, record.Bytes("In"), PassesOf(record)), record.Text("Out")) << "line " << record.line;
    std::mt19937 rng(24);
    published.SetPasses(3);
    ExpectSameDigests(published, PublishedTiger, Lengths(0, 300), rng);
    ExpectSameDigests(published, PublishedTiger, {(1u << 20) + 5}, rng);
}

TEST(Tiger, DiffersFromThePublishedDigestExactlyWhenASignBitReachesTheShift) {
    // The published messages: each either meets a signed word or gives the published digest.
    THash_Tiger tiger;
    for (const VectorRecord& record : ReadVectors("tiger.txt")) {
        auto [digest, signedMet] = OursObserved(record.Bytes("In"), PassesOf(record));
        EXPECT_EQ(digest, DigestHex(tiger, record.Bytes("In"), PassesOf(record)));
        if (signedMet)
            EXPECT_NE(digest, record.Text("Out")) << "line " << record.line;
        else
            EXPECT_EQ(digest, record.Text("Out")) << "line " << record.line;
    }

    // Random messages of one to four blocks: both kinds occur, and the rule holds for each.
    std::mt19937 rng(23);
    int agreeing = 0, differing = 0;
    for (int i = 0; i < 400; ++i) {
        std::vector<uint8_t> data = RandomBytes(rng, rng() % 250);
        auto [digest, signedMet] = OursObserved(data);
        if (signedMet) {
            ++differing;
            ASSERT_NE(digest, PublishedTiger(data)) << "length " << data.size();
        } else {
            ++agreeing;
            ASSERT_EQ(digest, PublishedTiger(data)) << "length " << data.size();
        }
    }
    EXPECT_GT(agreeing, 0);
    EXPECT_GT(differing, 0);
}

TEST(Tiger, TheEmptyInputGivesThePublishedDigestAndTheTestInputDoesNot) {
    auto [empty, emptySigned] = OursObserved({});
    EXPECT_FALSE(emptySigned);
    EXPECT_EQ(empty, "3293ac630c13f0245f92bbb1766e16167a4e58492dde73f3");

    const std::vector<uint8_t> input(kTestInput, kTestInput + 32);
    auto [test, testSigned] = OursObserved(input);
    EXPECT_TRUE(testSigned);
    EXPECT_EQ(test, HexOf(THash_Tiger::Class.knownAnswer, 24));
    EXPECT_NE(test, PublishedTiger(input));
}

TEST(Tiger, MorePassesChangeTheDigestAndTakeEffectAtRestart) {
    const std::vector<uint8_t> data = BytesOf("Tiger");
    THash_Tiger tiger;
    const std::string three = DigestHex(tiger, data);
    EXPECT_EQ(tiger.Passes(), 3);

    std::set<std::string> seen{three};
    for (int32_t passes : {4, 5, 6, 32}) {
        const int32_t before = tiger.Passes();
        tiger.SetPasses(passes);
        EXPECT_EQ(tiger.Passes(), before);  // not before the next Restart
        std::string digest = DigestHex(tiger, data, passes);
        EXPECT_EQ(tiger.Passes(), passes);
        EXPECT_TRUE(seen.insert(digest).second) << passes << " passes";
    }
    for (int32_t wrong : {0, 2, 33, -5}) EXPECT_EQ(DigestHex(tiger, data, wrong), three) << wrong;

    // Changed midway through a computation: the running one keeps its passes.
    tiger.SetPasses(3);
    tiger.Restart();
    tiger.AddData(data.data(), 2);
    tiger.SetPasses(9);
    tiger.AddData(data.data() + 2, 3);
    tiger.Finish();
    EXPECT_EQ(HexOf(tiger.DigestBytes(), 24), three);
}

}  // namespace

}  // namespace quellmark
