// 3-Way against Daemen's test values and Crypto++, and its 12-byte block in
// chunked stream coding.
#include <cryptopp/3way.h>
#include <gtest/gtest.h>

#include "base/streams.h"
#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/three_way.h"
#include "test_support.h"
#include "vector_file.h"

namespace {

// Crypto++ reads each 32-bit word big-endian; this class reads them little-endian.
std::vector<uint8_t> SwapWordBytes(std::vector<uint8_t> bytes) {
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) std::reverse(bytes.begin() + i, bytes.begin() + i + 4);
    return bytes;
}

TEST(ThreeWay, PublishedVectorsTheFirstBeingTheKnownAnswer) {
    ExpectBlockVectors(TCipher_3Way::Class, "3way.txt");
    EXPECT_EQ(HexOf(TCipher_3Way().KnownAnswer(), 12), ReadVectors("3way.txt").front().Text("Out"));
}

TEST(ThreeWay, AgreesWithCryptoPPInBothDirectionsForEveryKeyLength) {
    std::mt19937 rng(1993);
    TCipher_3Way ours;
    for (int length = 0; length <= 12; ++length) {
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
        std::vector<uint8_t> padded = key;
        padded.resize(12, 0);  // a short key is zero-padded
        const std::vector<uint8_t> theirKey = SwapWordBytes(padded);
        CryptoPP::ThreeWay::Encryption encryption(theirKey.data(), 12);
        CryptoPP::ThreeWay::Decryption decryption(theirKey.data(), 12);
        ours.Init(key.data(), length, nullptr);
        for (int trial = 0; trial < 8; ++trial) {
            const std::vector<uint8_t> block = RandomBytes(rng, 12);
            std::vector<uint8_t> theirs(12), mine = block;
            encryption.ProcessBlock(SwapWordBytes(block).data(), theirs.data());
            ours.EncipherBlock(mine.data());
            ASSERT_EQ(HexOf(mine), HexOf(SwapWordBytes(theirs))) << "key length " << length;

            decryption.ProcessBlock(SwapWordBytes(block).data(), theirs.data());
            mine = block;
            ours.DecipherBlock(mine.data());
            ASSERT_EQ(HexOf(mine), HexOf(SwapWordBytes(theirs))) << "key length " << length;
        }
    }
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
