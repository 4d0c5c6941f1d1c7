// RC4 against RFC 6229 and Crypto++, and how its keystream behaves inside
// the block frame: one running keystream, restarted by RewindFeedback.
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/arc4.h>
#include <gtest/gtest.h>

#include <string>

#include "crypto/ciphers/rc4.h"
#include "crypto/differential.h"
#include "test_support.h"
#include "vector_file.h"

namespace quellmark {

namespace {

// The keystream itself: the cipher applied to zero blocks. A given vector
// keeps Init from spending keystream on making one.
std::vector<uint8_t> Keystream(TCipher_RC4& cipher, const std::vector<uint8_t>& key, std::size_t blocks) {
    const uint8_t vector[16] = {};
    cipher.Init(key.data(), static_cast<int32_t>(key.size()), vector);
    std::vector<uint8_t> stream(16 * blocks, 0);
    for (std::size_t i = 0; i < blocks; ++i) cipher.EncipherBlock(stream.data() + 16 * i);
    return stream;
}

TEST(RC4, KeystreamsOfRfc6229) {
    TCipher_RC4 cipher;
    std::string lastKey;
    std::vector<uint8_t> stream;
    for (const VectorRecord& record : ReadVectors("rc4.txt")) {
        if (record.Text("Key") != lastKey) {
            lastKey = record.Text("Key");
            stream = Keystream(cipher, record.Bytes("Key"), 4112 / 16);
        }
        const std::size_t offset = std::stoul(record.Text("Offset"), nullptr, 16);
        ASSERT_LE(offset + 16, stream.size());
        EXPECT_EQ(HexOf(stream.data() + offset, 16), record.Text("Stream")) << "rc4.txt line " << record.line;
    }
}

// Crypto++'s keystream must run through ours: the vector takes the first
// sixteen bytes of it (sixteen bytes of 0xFF enciphered), and then blocks go
// on from there, one or several at a time.
TEST(RC4, AgreesWithCryptoPPAndTheVectorTakesTheFirstSixteenKeystreamBytes) {
    std::mt19937 rng(6229);
    TCipher_RC4 ours;
    ExpectSameCoding(ours, CryptoPPStreamCipher<CryptoPP::Weak::ARC4>(16),
                     {.keyLengths = Lengths(1, 256), .blocksPerKey = 1, .blocksAtOnce = 7}, rng);
}

// Enciphering moves the keystream on, so deciphering straight after does not
// give the data back, whatever the mode; even in ECB, where nothing chains
// the blocks. After a rewind it does, as for every cipher.
TEST(RC4, DeciphersOnlyFromTheSameKeystreamPosition) {
    std::mt19937 rng(4);
    const std::vector<uint8_t> key = RandomBytes(rng, 16);
    const std::vector<uint8_t> plain = RandomBytes(rng, 1000);
    const auto size = static_cast<int32_t>(plain.size());
    for (TCipherMode mode : {cmCTS, cmCBC, cmCFB, cmECB}) {
        TCipher_RC4 cipher;
        cipher.Mode = mode;
        cipher.Init(key.data(), 16, nullptr);
        std::vector<uint8_t> coded(plain.size()), back(plain.size());
        cipher.EncipherData(plain.data(), coded.data(), size);
        cipher.DecipherData(coded.data(), back.data(), size);
        EXPECT_NE(back, plain) << "mode " << int(mode);
    }
}

}  // namespace

}  // namespace quellmark
