// SHARK against the published vectors and against Crypto++. Our class reads
// the key from its second byte (wrapping round to the first) and the block
// as a little-endian number, where the published cipher starts at key byte 0
// and reads the block big-endian; both comparisons map one onto the other.
#include <cryptopp/shark.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "crypto/ciphers/shark.h"
#include "crypto/differential.h"
#include "test_support.h"
#include "vector_file.h"

namespace quellmark {

namespace {

// The published key that our schedule sees when given `ours`: the zero-padded
// (or cut) 16 bytes, starting at byte 1.
std::vector<uint8_t> PublishedKeyFor(const std::vector<uint8_t>& ours) {
    std::vector<uint8_t> padded(16, 0);
    std::copy_n(ours.begin(), std::min<std::size_t>(ours.size(), 16), padded.begin());
    std::rotate(padded.begin(), padded.begin() + 1, padded.end());
    return padded;
}

// The inverse: the key to give our class so that it runs the published key.
std::vector<uint8_t> OurKeyFor(std::vector<uint8_t> published) {
    std::rotate(published.begin(), published.end() - 1, published.end());
    return published;
}

std::vector<uint8_t> Reversed(std::vector<uint8_t> bytes) {
    std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

TEST(Shark, PublishedVectorsInOurKeyAndByteOrder) {
    TCipher_Shark cipher;
    for (const VectorRecord& record : ReadVectors("shark.txt")) {
        const std::vector<uint8_t> key = OurKeyFor(record.Bytes("Key"));
        std::vector<uint8_t> block = Reversed(record.Bytes("In"));
        cipher.Init(key.data(), 16, nullptr);
        cipher.EncipherBlock(block.data());
        EXPECT_EQ(HexOf(Reversed(block)), record.Text("Out")) << "shark.txt line " << record.line;
        cipher.DecipherBlock(block.data());
        EXPECT_EQ(HexOf(Reversed(block)), record.Text("In")) << "shark.txt line " << record.line;
    }
}

TEST(Shark, AgreesWithCryptoPPForEveryKeyLengthInBothDirections) {
    std::mt19937 rng(1996);
    TCipher_Shark ours;
    // Lengths past 16 check that the surplus is cut; shorter keys are zero-padded.
    ExpectSameCoding(ours, WithByteOrder(WithTheirKey(CryptoPPCipher<CryptoPP::SHARK>(), PublishedKeyFor), ReverseBytes),
                     {.keyLengths = Lengths(0, 20), .keysPerLength = 8, .blocksPerKey = 64}, rng);
}

}  // namespace

}  // namespace quellmark
