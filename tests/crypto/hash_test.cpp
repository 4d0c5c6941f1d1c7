// The hash core and the MD4 family, SHA and HAVAL: published digests, the
// digests of the common test input, and Crypto++ on the same random data.
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/md4.h>
#include <cryptopp/md5.h>
#include <cryptopp/ripemd.h>
#include <cryptopp/sha.h>
#include <gtest/gtest.h>

#include <set>

#include "base/streams.h"
#include "crypto/differential.h"
#include "crypto/hashes/haval.h"
#include "crypto/hashes/md4_family.h"
#include "crypto/hashes/md5.h"
#include "crypto/hashes/ripemd.h"
#include "crypto/hashes/sha.h"
#include "crypto/hashes/square_hash.h"
#include "crypto/registry.h"
#include "test_support.h"
#include "vector_file.h"

namespace quellmark {

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
        // HAVAL records name their pass count.
        if (record.Has("Passes")) {
            auto* haval = dynamic_cast<THash_Haval256*>(hash.get());
            ASSERT_NE(haval, nullptr) << GetParam().file;
            haval->SetPasses(std::stoi(record.Text("Passes")));
        }
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
                                           PublishedSet{"md5.txt", "THash_MD5"},
                                           PublishedSet{"sha0.txt", "THash_SHA"},
                                           PublishedSet{"sha1.txt", "THash_SHA1"},
                                           PublishedSet{"ripemd128.txt", "THash_RipeMD128"},
                                           PublishedSet{"ripemd160.txt", "THash_RipeMD160"},
                                           PublishedSet{"ripemd256.txt", "THash_RipeMD256"},
                                           PublishedSet{"ripemd320.txt", "THash_RipeMD320"},
                                           PublishedSet{"haval128.txt", "THash_Haval128"},
                                           PublishedSet{"haval160.txt", "THash_Haval160"},
                                           PublishedSet{"haval192.txt", "THash_Haval192"},
                                           PublishedSet{"haval224.txt", "THash_Haval224"},
                                           PublishedSet{"haval256.txt", "THash_Haval256"},
                                           PublishedSet{"crc32.txt", "THash_CRC32"},
                                           PublishedSet{"crc16.txt", "Thash_CRC16_Standard"},
                                           PublishedSet{"crc16_ccitt.txt", "THash_CRC16_CCITT"}),
                         [](const auto& info) { return std::string(info.param.className); });

TEST(HashKnownAnswers, EveryRegisteredHashGivesItsTestDigestInOneCallOrSplitAnywhere) {
    for (const VectorRecord& record : ReadVectors("known_answers.txt")) {
        const THashClass* cls = LookupHashClass(record.Text("Class"));
        ASSERT_NE(cls, nullptr) << record.Text("Class");
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

// Our hash and Crypto++'s implementation of the same published algorithm.
struct DifferentialCase {
    const char* name;
    const THashClass* ours;
    TheirDigest theirs;
};

class AgreesWithCryptoPP : public ::testing::TestWithParam<DifferentialCase> {};

TEST_P(AgreesWithCryptoPP, OnEveryLengthToThreeHundredAndOnMegabytes) {
    std::mt19937 rng(1000 + GetParam().ours->digestSize);
    auto ours = GetParam().ours->create();
    // Every length from 0 to 300 crosses the 55/56-byte padding edges several times.
    ExpectSameDigests(*ours, GetParam().theirs, Lengths(0, 300), rng);
    ExpectSameDigests(*ours, GetParam().theirs, {1u << 20, (3u << 20) + 17}, rng, true);
}

INSTANTIATE_TEST_SUITE_P(
    Hashes, AgreesWithCryptoPP,
    ::testing::Values(DifferentialCase{"MD4", &THash_MD4::Class, CryptoPPDigest<CryptoPP::Weak::MD4>()},
                      DifferentialCase{"MD5", &THash_MD5::Class, CryptoPPDigest<CryptoPP::Weak::MD5>()},
                      DifferentialCase{"SHA1", &THash_SHA1::Class, CryptoPPDigest<CryptoPP::SHA1>()},
                      DifferentialCase{"RipeMD128", &THash_RipeMD128::Class, CryptoPPDigest<CryptoPP::RIPEMD128>()},
                      DifferentialCase{"RipeMD160", &THash_RipeMD160::Class, CryptoPPDigest<CryptoPP::RIPEMD160>()},
                      DifferentialCase{"RipeMD256", &THash_RipeMD256::Class, CryptoPPDigest<CryptoPP::RIPEMD256>()},
                      DifferentialCase{"RipeMD320", &THash_RipeMD320::Class, CryptoPPDigest<CryptoPP::RIPEMD320>()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Sha, TheExtensionsAndThePortableSha1BlockFunctionAgree) {
    const sha_detail::Compressor hardware = sha_detail::Sha1Extensions();
    if (!hardware) GTEST_SKIP() << "this processor has no SHA extensions";
    std::mt19937 rng(1);
    for (int i = 0; i < 500; ++i) {
        // Runs of one to eight blocks from random states: the state carries from block to block.
        const std::size_t blocks = 1 + i % 8;
        std::vector<uint8_t> data = RandomBytes(rng, 64 * blocks);
        uint32_t a[5], b[5];
        for (int k = 0; k < 5; ++k) a[k] = b[k] = static_cast<uint32_t>(rng());
        hardware(a, data.data(), blocks);
        sha_detail::CompressSha1Portable(b, data.data(), blocks);
        ASSERT_EQ(std::vector<uint32_t>(a, a + 5), std::vector<uint32_t>(b, b + 5)) << "run " << i;
    }
}

TEST(Sha, Sha0AndSha1DifferOnlyByTheRotationAndEachKeepsItsOwn) {
    // One object of each kind, restarted and reused in turns: neither takes
    // the other's form, however they alternate.
    THash_SHA sha0;
    THash_SHA1 sha1;
    const std::vector<uint8_t> abc = BytesOf("abc");
    const std::string sha0abc = "0164b8a914cd2a5e74c4f7ff082c4d97f1edf880";
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(DigestHex(sha0, abc), sha0abc);
        EXPECT_EQ(DigestHex(sha1, abc), CryptoPPDigest<CryptoPP::SHA1>()(abc));
    }
    EXPECT_EQ(sha0.DigestSize(), 20);
    EXPECT_EQ(sha1.DigestSize(), 20);
}

TEST(Haval, PassCountFollowsTheDigestSizeUnlessSetAndChangesOnlyAtRestart) {
    THash_Haval128 h128;
    THash_Haval160 h160;
    THash_Haval192 h192;
    THash_Haval224 h224;
    THash_Haval256 h256;
    EXPECT_EQ(h128.Passes(), 3);
    EXPECT_EQ(h160.Passes(), 3);
    EXPECT_EQ(h192.Passes(), 4);
    EXPECT_EQ(h224.Passes(), 4);
    EXPECT_EQ(h256.Passes(), 5);

    // Out of range: the digest size decides again.
    for (int32_t wrong : {0, 2, 6, -1, 1000}) {
        h128.SetPasses(wrong);
        h128.Restart();
        EXPECT_EQ(h128.Passes(), 3) << wrong;
    }

    // A new pass count set in the middle of a computation waits for the next
    // Restart: the blocks already compressed and the padding agree.
    const std::vector<uint8_t> data = BytesOf(std::string(300, 'q'));
    THash_Haval256 whole;
    const std::string fivePasses = DigestHex(whole, data);
    h256.SetPasses(0);
    h256.Restart();
    h256.AddData(data.data(), 200);
    h256.SetPasses(3);
    h256.AddData(data.data() + 200, 100);
    h256.Finish();
    EXPECT_EQ(HexOf(h256.DigestBytes(), 32), fivePasses);
    EXPECT_EQ(h256.Passes(), 5);
    h256.Restart();
    EXPECT_EQ(h256.Passes(), 3);
    EXPECT_NE(DigestHex(h256, data), fivePasses);
}

TEST(Haval, TheBlockEdgesOfThePaddingGiveOneDigestHoweverTheDataArrives) {
    // Lengths around the 118-byte edge where the padding needs a second block,
    // and around whole blocks; each digest must not depend on how the data was cut.
    std::mt19937 rng(118);
    THash_Haval224 hash;
    std::set<std::string> seen;
    for (std::size_t length : {116u, 117u, 118u, 119u, 127u, 128u, 129u, 245u, 246u, 256u}) {
        std::vector<uint8_t> data = RandomBytes(rng, length);
        const std::string whole = DigestHex(hash, data);
        for (int i = 0; i < 20; ++i) ASSERT_EQ(DigestHexInPieces(hash, data, rng), whole) << length;
        seen.insert(whole);
    }
    EXPECT_EQ(seen.size(), 10u);
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

}  // namespace quellmark
