// 3-Way against Daemen's test values and Crypto++, and its 12-byte block in
// chunked stream coding.
#include <cryptopp/3way.h>
#include <gtest/gtest.h>

#include "base/streams.h"
#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/three_way.h"
#include "crypto/differential.h"
#include "test_support.h"

namespace quellmark {

namespace {

TEST(ThreeWay, PublishedVectors) { ExpectBlockVectors(TCipher_3Way::Class, "3way.txt"); }

// Crypto++ reads each 32-bit word big-endian; this class reads them
// little-endian. A short key is zero-padded.
std::vector<uint8_t> ThreeWayKeyFor(const std::vector<uint8_t>& key) {
    std::vector<uint8_t> theirKey = ZeroPadded(key, 12);
    SwapWordBytes(theirKey.data(), theirKey.size());
    return theirKey;
}

TEST(ThreeWay, AgreesWithCryptoPPInBothDirectionsForEveryKeyLength) {
    std::mt19937 rng(1993);
    TCipher_3Way ours;
    ExpectSameCoding(ours, WithByteOrder(WithTheirKey(CryptoPPCipher<CryptoPP::ThreeWay>(), ThreeWayKeyFor), SwapWordBytes),
                     {.keyLengths = Lengths(0, 12)}, rng);
}

// A 4096-byte chunk is 341 blocks and 4 bytes, so stream coding gives every
// chunk its own 4-byte tail; the data of one long call would be split
// differently and code differently from the first tail on.
TEST(ThreeWay, EachStreamChunkEndsWithItsOwnTail) {
    std::mt19937 rng(4092);
    const std::vector<uint8_t> plain = RandomBytes(rng, 8192);
    auto keyed = [] {
        auto cipher = CreateCipher(TCipher_3Way::Class);
        cipher->InitKey("three way");
        return cipher;
    };

    auto streamer = keyed();
    TMemoryStream source(plain), streamed;
    streamer->ProcessStream(&source, &streamed, -1, actEncipher);
    const std::vector<uint8_t> stream = streamed.Bytes();
    ASSERT_EQ(stream.size(), plain.size());

    std::vector<uint8_t> chunked = plain;
    auto chunker = keyed();
    chunker->EncipherData(chunked.data(), chunked.data(), 4096);
    chunker->EncipherData(chunked.data() + 4096, chunked.data() + 4096, 4096);
    EXPECT_EQ(HexOf(stream), HexOf(chunked)) << "the stream run codes 4096-byte chunks one call each";

    std::vector<uint8_t> whole = plain;
    keyed()->EncipherData(whole.data(), whole.data(), 8192);
    const auto firstTail = static_cast<std::ptrdiff_t>(341 * 12);
    EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + firstTail, stream.begin())) << "the first 341 blocks are the same";
    EXPECT_NE(std::vector<uint8_t>(whole.begin() + firstTail, whole.end()),
              std::vector<uint8_t>(stream.begin() + firstTail, stream.end()));

    // So only the same chunking deciphers it: a stream run does, one call does not.
    TMemoryStream coded(stream), back;
    keyed()->ProcessStream(&coded, &back, -1, actDecipher);
    EXPECT_EQ(back.Bytes(), plain);
    std::vector<uint8_t> oneCall = stream;
    keyed()->DecipherData(oneCall.data(), oneCall.data(), 8192);
    EXPECT_NE(oneCall, plain);
}

}  // namespace

}  // namespace quellmark
