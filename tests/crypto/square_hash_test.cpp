// The Square hash, which chains Square encipherments under the running
// digest as key; its test digest is checked with every other hash's.
#include <cryptopp/square.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "base/streams.h"
#include "crypto/differential.h"
#include "crypto/hashes/square_hash.h"
#include "test_support.h"

namespace quellmark {

namespace {

// The hash built from Crypto++'s Square: each whole block enciphered under
// the running digest; the padded last block(s) enciphered the same way, with
// their own bytes 0 to 3 folded into the four little-endian result words.
std::string ModelDigestHex(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> digest = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                                   0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10};
    auto compress = [&digest](const uint8_t* block, bool foldBlock) {
        CryptoPP::Square::Encryption cipher(digest.data(), 16);
        cipher.ProcessBlock(block, digest.data());
        if (foldBlock)
            for (int i = 0; i < 4; ++i) digest[4 * i] ^= block[i];
    };
    const std::size_t whole = data.size() / 16 * 16;
    for (std::size_t at = 0; at < whole; at += 16) compress(data.data() + at, false);
    std::vector<uint8_t> tail(data.begin() + static_cast<std::ptrdiff_t>(whole), data.end());
    tail.push_back(0x80);
    tail.resize(tail.size() <= 8 ? 8 : 24, 0);
    const uint64_t bits = data.size() * 8;
    for (int i = 0; i < 8; ++i) tail.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    for (std::size_t at = 0; at < tail.size(); at += 16) compress(tail.data() + at, true);
    return HexOf(digest);
}

TEST(SquareHash, OneCallDigestsMatchTheConstructionOverCryptoPPSquare) {
    std::mt19937 rng(16);
    THash_Square ours;
    // Every length from 0 to 100 crosses the 7/8-byte padding edge of a block several times.
    ExpectSameDigests(ours, ModelDigestHex, Lengths(0, 100), rng);
    ExpectSameDigests(ours, ModelDigestHex, {100003}, rng);
}

TEST(SquareHash, MultiBlockDigestIsStableAcrossObjectsRestartsAndWholeBlockSplits) {
    std::mt19937 rng(4096);
    const std::vector<uint8_t> data = RandomBytes(rng, 10000);
    THash_Square first, second;
    const std::string expected = DigestHexOf(first, data);

    // A computation abandoned mid-block leaves bytes in the block buffer; the
    // next Restart must not let them reach the following digest.
    second.Restart();
    second.AddData(data.data() + 1, 5);
    second.AddData(data.data() + 7, 1000);
    EXPECT_EQ(DigestHexOf(second, data), expected);
    EXPECT_EQ(DigestHexOf(first, data), expected);

    // Pieces that are whole blocks give the one-call digest, so a digest run
    // over a stream (4096-byte chunks) agrees with it.
    second.Restart();
    for (std::size_t at = 0; at < data.size(); at += 160)
        second.AddData(data.data() + at, static_cast<int32_t>(std::min<std::size_t>(160, data.size() - at)));
    second.Finish();
    EXPECT_EQ(HexOf(second.DigestBytes(), 16), expected);
    TMemoryStream stream(data);
    second.ProcessStream(&stream, nullptr, -1, actDigest);
    EXPECT_EQ(HexOf(second.DigestBytes(), 16), expected);
}

}  // namespace

}  // namespace quellmark
