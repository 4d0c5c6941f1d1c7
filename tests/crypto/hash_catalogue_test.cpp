// The hash catalogue beyond RIPEMD-256: splitting and the keyed-hash
// notifications for every registered hash, Snefru's S-boxes and passes, and
// the choices the checksums make.
#include <cryptopp/crc.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string_view>

#include "base/streams.h"
#include "crypto/bytes.h"
#include "crypto/differential.h"
#include "crypto/hashes/checksums.h"
#include "crypto/hashes/snefru.h"
#include "crypto/mac.h"
#include "crypto/registry.h"
#include "test_support.h"
#include "vector_file.h"

namespace quellmark {

namespace {

std::string DigestHex(THash& hash, const uint8_t* data, std::size_t size) {
    hash.Restart();
    hash.AddData(data, static_cast<int32_t>(size));
    hash.Finish();
    return HexOf(hash.DigestBytes(), static_cast<std::size_t>(hash.DigestSize()));
}

std::string DigestHex(THash& hash, const std::vector<uint8_t>& data) { return DigestHex(hash, data.data(), data.size()); }

TEST(HashSplitting, EveryRegisteredHashGivesOneDigestHoweverItsDataArrives) {
    std::mt19937 rng(2024);
    const std::vector<uint8_t> data = RandomBytes(rng, 9001);
    const TStringList& entries = HashRegistry().Entries();
    ASSERT_GT(entries.Count(), 0u);
    for (std::size_t e = 0; e < entries.Count(); ++e) {
        const THashClass* cls = THashRegistry::ClassAt(entries, e);
        // Square chains through its block buffer, so its digest depends on the calls.
        if (std::string_view(cls->className) == "THash_Square") continue;
        auto hash = cls->create();
        // Odd and even lengths on both sides of the block and padding edges.
        for (std::size_t length : {0u, 1u, 2u, 3u, 23u, 24u, 31u, 32u, 33u, 55u, 56u, 64u, 65u, 129u, 4097u, 9001u}) {
            const std::string whole = DigestHex(*hash, data.data(), length);
            // Pieces of 1, 2, 3, 5 and 7 bytes in turn, then larger odd ones.
            hash->Restart();
            std::size_t at = 0;
            for (std::size_t step = 0; at < length; ++step) {
                static constexpr std::size_t kPieces[] = {1, 2, 3, 5, 7, 33, 101, 1001};
                const std::size_t piece = std::min(kPieces[step % 8], length - at);
                hash->AddData(data.data() + at, static_cast<int32_t>(piece));
                at += piece;
            }
            hash->Finish();
            EXPECT_EQ(HexOf(hash->DigestBytes(), static_cast<std::size_t>(hash->DigestSize())), whole)
                << cls->className << " in pieces, length " << length;
            // As a protection over a stream: chunks of 4096 bytes.
            TMemoryStream stream(std::vector<uint8_t>(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length)));
            hash->ProcessStream(&stream, nullptr, -1, actDigest);
            EXPECT_EQ(HexOf(hash->DigestBytes(), static_cast<std::size_t>(hash->DigestSize())), whole)
                << cls->className << " from a stream, length " << length;
        }
    }
}

// Chained to a hash as its keyed-hash hook: counts the notifications and
// keeps the digest bytes as the hash showed them at each.
class NotificationCounter : public TProtection, public TMACHook {
public:
    std::string ClassName() const override { return "NotificationCounter"; }
    void HashRestarted(THash& hash) override {
        ++restarts;
        atRestart = Shown(hash);
    }
    void HashFinished(THash& hash) override {
        ++finishes;
        atFinish = Shown(hash);
    }

    int restarts = 0, finishes = 0;
    std::string atRestart, atFinish;

private:
    static std::string Shown(THash& hash) { return HexOf(hash.DigestBytes(), static_cast<std::size_t>(hash.DigestSize())); }
};

TEST(HashNotifications, EveryRegisteredHashTellsItsHookOnceAtEachRestartAndFinishAfterItsOwnStep) {
    std::mt19937 rng(77);
    const std::vector<uint8_t> data = RandomBytes(rng, 300);
    const TStringList& entries = HashRegistry().Entries();
    ASSERT_GT(entries.Count(), 0u);
    for (std::size_t e = 0; e < entries.Count(); ++e) {
        const THashClass* cls = THashRegistry::ClassAt(entries, e);
        auto plain = cls->create();
        plain->Restart();
        const std::string start = HexOf(plain->DigestBytes(), static_cast<std::size_t>(cls->digestSize));
        const std::string ofData = DigestHex(*plain, data);
        const std::string ofNothing = DigestHex(*plain, nullptr, 0);

        auto hash = cls->create();
        auto counter = std::make_shared<NotificationCounter>();
        hash->SetChainedProtection(counter);
        hash->Restart();
        hash->AddData(data.data(), static_cast<int32_t>(data.size()));
        EXPECT_EQ(counter->restarts, 1) << cls->className;
        EXPECT_EQ(counter->finishes, 0) << cls->className;
        hash->Finish();
        EXPECT_EQ(counter->restarts, 1) << cls->className;
        EXPECT_EQ(counter->finishes, 1) << cls->className;
        EXPECT_EQ(counter->atFinish, ofData) << cls->className << ": told before the digest was complete";
        // After a finished run the state differs from the start, so a notice
        // sent before the class's own restart would show the old digest.
        hash->Restart();
        EXPECT_EQ(counter->restarts, 2) << cls->className;
        EXPECT_EQ(counter->atRestart, start) << cls->className << ": told before the state was reset";
        hash->Finish();
        EXPECT_EQ(counter->finishes, 2) << cls->className;
        EXPECT_EQ(counter->atFinish, ofNothing) << cls->className;

        // As a protection: a digest run is one Restart and one Finish; a
        // shredding run finishes once per digest-sized piece and restarts at
        // its start and end.
        std::vector<uint8_t> buffer = data;
        counter->restarts = counter->finishes = 0;
        hash->ProcessMemory(buffer.data(), static_cast<int32_t>(buffer.size()), actDigest);
        EXPECT_EQ(counter->restarts, 1) << cls->className;
        EXPECT_EQ(counter->finishes, 1) << cls->className;
        counter->restarts = counter->finishes = 0;
        hash->ProcessMemory(buffer.data(), static_cast<int32_t>(buffer.size()), actShred);
        const int pieces = static_cast<int>((data.size() + static_cast<std::size_t>(cls->digestSize) - 1) /
                                            static_cast<std::size_t>(cls->digestSize));
        EXPECT_EQ(counter->restarts, 2) << cls->className;
        EXPECT_EQ(counter->finishes, pieces) << cls->className;

        // Keyed: the key hash the TMAC makes at each Restart tells the TMAC's
        // own chain once of its restart and once of its finish.
        counter->restarts = counter->finishes = 0;
        hash->SetChainedProtection(std::make_shared<TMAC>("key", counter));
        hash->Restart();
        EXPECT_EQ(counter->restarts, 1) << cls->className;
        EXPECT_EQ(counter->finishes, 1) << cls->className;
        EXPECT_EQ(counter->atFinish, Hex(plain->DigestOf("key", 3))) << cls->className;
    }
}

// Snefru

TEST(Snefru, EveryByteOfEverySBoxEntryRunsThroughAll256Values) {
    // Merkle built each S-box column by column as a permutation of 0..255; a
    // mistyped entry breaks this.
    for (int box = 0; box < 16; ++box) {
        for (int shift = 0; shift < 32; shift += 8) {
            std::set<uint32_t> seen;
            for (uint32_t entry : kSnefruSBoxes[box]) seen.insert(entry >> shift & 0xFF);
            EXPECT_EQ(seen.size(), 256u) << "box " << box << ", byte " << shift / 8;
        }
    }
}

// Merkle's own framing of Snefru-256 around the shared passes.
std::string MerkleSnefru256(const std::vector<uint8_t>& message) {
    uint32_t chain[8] = {};
    auto compress = [&](const uint8_t* block, uint64_t bitLength, bool lengthBlock) {
        uint32_t words[16], input[16];
        for (int i = 0; i < 8; ++i) words[i] = chain[i];
        for (int i = 0; i < 8; ++i) words[8 + i] = lengthBlock ? 0 : LoadBE32(block + 4 * i);
        if (lengthBlock) {
            words[14] = static_cast<uint32_t>(bitLength >> 32);
            words[15] = static_cast<uint32_t>(bitLength);
        }
        std::copy(std::begin(words), std::end(words), input);
        SnefruPasses(words, 8);
        for (int i = 0; i < 8; ++i) chain[i] = input[i] ^ words[15 - i];
    };
    std::vector<uint8_t> padded = message;
    padded.resize((message.size() + 31) / 32 * 32, 0);
    for (std::size_t at = 0; at < padded.size(); at += 32) compress(padded.data() + at, 0, false);
    compress(nullptr, message.size() * 8, true);
    uint8_t out[32];
    for (int i = 0; i < 8; ++i) StoreBE32(out + 4 * i, chain[i]);
    return HexOf(out, 32);
}

TEST(Snefru, MerklesFramingOfTheSharedPassesGivesThePublishedDigests) {
    for (const VectorRecord& record : ReadVectors("snefru256.txt"))
        EXPECT_EQ(MerkleSnefru256(record.Bytes("In")), record.Text("Out")) << "snefru256.txt line " << record.line;
}

TEST(Snefru, TheStoredLengthTellsTrailingZerosApartInEitherPlace) {
    // No marker byte follows the data, so only the length separates a
    // message from itself with zeros appended; it sits in the last data
    // block up to 23 bytes into it and in a block of its own from 24 on.
    THash_Snefru hash;
    std::set<std::string> digests;
    for (std::size_t length = 0; length <= 70; ++length)
        digests.insert(DigestHex(hash, std::vector<uint8_t>(length, 0)));
    EXPECT_EQ(digests.size(), 71u);
}

// Checksums

TEST(CRC32, AgreesWithCryptoPPAtEveryLength) {
    std::mt19937 rng(32);
    THash_CRC32 ours;
    ExpectSameDigests(ours, CryptoPPDigest<CryptoPP::CRC32>(), {0, 1, 2, 3, 4, 5, 17, 255, 256, 4096, 4097, 1u << 20}, rng);
}

TEST(XOR32, AnOddInputUsesByteOneInItsFirstAndSecondWord) {
    THash_XOR32 hash;
    // Even: words 0x0201 and 0x0403; 0x0201 rotated left by 5 is 0x4020, XOR 0x0403 gives 0x4423.
    EXPECT_EQ(DigestHex(hash, {0x01, 0x02, 0x03, 0x04}), "23440000");
    // Odd: first 0x0201 unrotated, then the words from byte 1 on, 0x0302:
    // 0x4020 XOR 0x0302 = 0x4322.
    EXPECT_EQ(DigestHex(hash, {0x01, 0x02, 0x03}), "22430000");
    // Five bytes: then 0x0504 after another rotation: 0x86440 XOR 0x0504 = 0x86144.
    EXPECT_EQ(DigestHex(hash, {0x01, 0x02, 0x03, 0x04, 0x05}), "44610800");
    // Byte 1 alone: 0x0100 rotated to 0x2000, then 0x0001 from the second word.
    EXPECT_EQ(DigestHex(hash, {0x00, 0x01, 0x00}), "01200000");
}

TEST(XOR32, OneByteCountsAsAWordWithAZeroHighByteAndNothingBeyondItIsRead) {
    THash_XOR32 hash;
    // A buffer of exactly one byte: the sanitizer build reports any read past it.
    auto one = std::make_unique<uint8_t[]>(1);
    one[0] = 0xAB;
    hash.Restart();
    hash.AddData(one.get(), 1);
    hash.Finish();
    EXPECT_EQ(HexOf(hash.DigestBytes(), 4), "ab000000");
}

}  // namespace

}  // namespace quellmark
