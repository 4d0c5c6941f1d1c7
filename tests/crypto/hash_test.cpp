// The hash core and RIPEMD-256, the key hash of every cipher.
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/md4.h>
#include <cryptopp/ripemd.h>
#include <gtest/gtest.h>

#include "base/streams.h"
#include "crypto/hashes/md4_family.h"
#include "crypto/hashes/ripemd.h"
#include "crypto/hashes/square_hash.h"
#include "crypto/registry.h"
#include "test_support.h"
#include "vector_file.h"

namespace {

std::string DigestHex(THash& hash, const std::vector<uint8_t>& data, long repeat = 1) {
    hash.Restart();
    for (long i = 0; i < repeat; ++i) hash.AddData(data.data(), static_cast<int32_t>(data.size()));
    hash.Finish();
    return HexOf(hash.DigestBytes(), static_cast<std::size_t>(hash.DigestSize()));
}

struct PublishedSet {
    const char* file;
    const char* className;
};

class PublishedDigests : public ::testing::TestWithParam<PublishedSet> {};

TEST_P(PublishedDigests, MatchEveryRecord) {
    const THashClass* cls = LookupHashClass(GetParam().className);
    ASSERT_NE(cls, nullptr);
    auto hash = cls->create();
    for (const VectorRecord& record : ReadVectors(GetParam().file)) {
        long repeat = record.Has("Repeat") ? std::stol(record.Text("Repeat")) : 1;
        std::vector<uint8_t> in = record.Bytes("In");
        // The repeated ("a" a million times) records go in 1000-byte pieces.
        if (repeat >= 1000) {
            std::vector<uint8_t> piece;
            for (int i = 0; i < 1000; ++i) piece.insert(piece.end(), in.begin(), in.end());
            in = piece;
            repeat /= 1000;
        }
        EXPECT_EQ(DigestHex(*hash, in, repeat), record.Text("Out")) << GetParam().file << " line " << record.line;
    }
}

INSTANTIATE_TEST_SUITE_P(Hashes, PublishedDigests,
                         ::testing::Values(PublishedSet{"md4.txt", "THash_MD4"},
                                           PublishedSet{"ripemd256.txt", "THash_RipeMD256"},
                                           PublishedSet{"crc32.txt", "THash_CRC32"},
                                           PublishedSet{"crc16.txt", "Thash_CRC16_Standard"},
                                           PublishedSet{"crc16_ccitt.txt", "THash_CRC16_CCITT"}),
                         [](const auto& info) { return std::string(info.param.className); });

TEST(HashKnownAnswers, EveryRegisteredHashGivesItsTestDigestInOneCallOrSplitAnywhere) {
    for (const VectorRecord& record : ReadVectors("known_answers.txt")) {
        const THashClass* cls = LookupHashClass(record.Text("Class"));
        if (!cls) continue;  // a class this build does not have yet
        auto hash = cls->create();
        const std::vector<uint8_t> in = record.Bytes("In");
        const std::string expected = record.Text("Out");
        EXPECT_EQ(DigestHex(*hash, in), expected) << cls->className;
        EXPECT_EQ(HexOf(cls->knownAnswer, static_cast<std::size_t>(cls->digestSize)), expected) << cls->className;
        // The Square hash folds its block buffer into every compression, so its digest depends on the split.
        if (cls == &THash_Square::Class) continue;
        for (std::size_t a = 0; a <= in.size(); ++a) {
            for (std::size_t b = a; b <= in.size(); b += 7) {
                hash->Restart();
                hash->AddData(in.data(), static_cast<int32_t>(a));
                hash->AddData(in.data() + a, static_cast<int32_t>(b - a));
                hash->AddData(in.data() + b, static_cast<int32_t>(in.size() - b));
                hash->Finish();
                ASSERT_EQ(HexOf(hash->DigestBytes(), static_cast<std::size_t>(hash->DigestSize())), expected)
                    << cls->className << " split at " << a << ", " << b;
            }
        }
    }
}

TEST(RipeMD256, PaddingBoundariesAndAllLengthsAgreeWithCryptoPP) {
    std::mt19937 rng(256);
    THash_RipeMD256 ours;
    THash_MD4 md4;
    // Every length from 0 to 300 crosses the 55/56-byte padding edges several times.
    for (std::size_t length = 0; length <= 300; ++length) {
        std::vector<uint8_t> data = RandomBytes(rng, length);
        std::string theirs(32, '\0'), theirsMD4(16, '\0');
        CryptoPP::RIPEMD256().CalculateDigest(reinterpret_cast<CryptoPP::byte*>(theirs.data()), data.data(), data.size());
        CryptoPP::Weak::MD4().CalculateDigest(reinterpret_cast<CryptoPP::byte*>(theirsMD4.data()), data.data(), data.size());
        ASSERT_EQ(DigestHex(ours, data), Hex(theirs)) << "length " << length;
        ASSERT_EQ(DigestHex(md4, data), Hex(theirsMD4)) << "length " << length;
    }
    for (std::size_t length : {1u << 20, (3u << 20) + 17}) {
        std::vector<uint8_t> data = RandomBytes(rng, length);
        std::string theirs(32, '\0');
        CryptoPP::RIPEMD256().CalculateDigest(reinterpret_cast<CryptoPP::byte*>(theirs.data()), data.data(), data.size());
        EXPECT_EQ(DigestHex(ours, data), Hex(theirs)) << "length " << length;
    }
}

TEST(HashCore, FinishWithoutDataGivesTheEmptyDigest) {
    THash_RipeMD256 hash;
    hash.Restart();
    hash.Finish();
    EXPECT_EQ(HexOf(hash.DigestBytes(), 32), "02ba4c4e5f8ecd1877fc52d64d30e37a2d9774fb1e5d026380ae0168e3c5522d");
    EXPECT_EQ(hash.DigestSize(), 32);
}

TEST(HashCore, AsAProtectionItDigestsShredsAndCodesReversibly) {
    THash_RipeMD256 hash;
    TMemoryStream stream(BytesOf("abc"));
    hash.ProcessStream(&stream, nullptr, -1, actDigest);
    EXPECT_EQ(HexOf(hash.DigestBytes(), 32), "afbd6e228b9d8cbbcef5ca2d03e6dba10ac0bc7dcbe4680e1e42d2e975459b65");
    EXPECT_EQ(Hex(std::string(stream.Bytes().begin(), stream.Bytes().end())), "616263");  // nothing written

    // The XOR coding restarts at both ends of a run, so coding twice gives the data back.
    std::vector<uint8_t> data(100);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
    std::vector<uint8_t> coded = data;
    hash.ProcessMemory(coded.data(), 100, actEncipher);
    EXPECT_NE(coded, data);
    hash.ProcessMemory(coded.data(), 100, actDecipher);
    EXPECT_EQ(coded, data);

    std::vector<uint8_t> shredded = data;
    hash.ProcessMemory(shredded.data(), 100, actShred);
    EXPECT_NE(shredded, data);
    hash.PermittedActions.Exclude(actShred);
    std::vector<uint8_t> kept = data;
    hash.ProcessMemory(kept.data(), 100, actShred);
    EXPECT_EQ(kept, data);
}

}  // namespace
