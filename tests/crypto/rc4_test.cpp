// RC4 against RFC 6229 and Crypto++, and how its keystream behaves inside
// the block frame: one running keystream, restarted by RewindFeedback.
#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/arc4.h>
#include <gtest/gtest.h>

#include <string>

#include "crypto/ciphers/rc4.h"
#include "test_support.h"
#include "vector_file.h"

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

TEST(RC4, AgreesWithCryptoPPAndTheVectorTakesTheFirstSixteenKeystreamBytes) {
    std::mt19937 rng(6229);
    TCipher_RC4 ours;
    for (int length = 1; length <= 256; ++length) {
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
        CryptoPP::Weak::ARC4 theirs(key.data(), key.size());
        std::vector<uint8_t> expected(16 * 9);
        const std::vector<uint8_t> plain = RandomBytes(rng, expected.size());
        theirs.ProcessData(expected.data(), plain.data(), plain.size());

        ours.Init(key.data(), length, nullptr);
        // The vector is sixteen bytes of 0xFF run through the keystream.
        std::vector<uint8_t> vector(16);
        for (std::size_t i = 0; i < 16; ++i) vector[i] = static_cast<uint8_t>(expected[i] ^ plain[i] ^ 0xFF);
        ASSERT_EQ(HexOf(ours.Vector(), 16), HexOf(vector)) << "key length " << length;
        std::vector<uint8_t> data(plain.begin() + 16, plain.end());
        ours.EncipherBlock(data.data());
        ours.DecipherBlocks(data.data() + 16, 7);  // the same keystream step, several blocks at once
        ASSERT_EQ(HexOf(data), HexOf(expected.data() + 16, expected.size() - 16)) << "key length " << length;
    }
}

TEST(RC4, DeciphersOnlyFromTheSameKeystreamPositionAndRewindRestarts) {
    std::mt19937 rng(4);
    const std::vector<uint8_t> key = RandomBytes(rng, 16);
    const std::vector<uint8_t> plain = RandomBytes(rng, 1000);
    const auto size = static_cast<int32_t>(plain.size());
    for (TCipherMode mode : {cmCTS, cmCBC, cmCFB}) {
        TCipher_RC4 cipher;
        cipher.Mode = mode;
        cipher.Init(key.data(), 16, nullptr);
        std::vector<uint8_t> coded(plain.size()), back(plain.size());
        cipher.EncipherData(plain.data(), coded.data(), size);
        // Straight on, the keystream has moved past the part that coded the data.
        cipher.DecipherData(coded.data(), back.data(), size);
        EXPECT_NE(back, plain) << "mode " << int(mode);
        cipher.RewindFeedback();
        cipher.DecipherData(coded.data(), back.data(), size);
        EXPECT_EQ(back, plain) << "mode " << int(mode);
        // In place as well, the way stream coding works.
        cipher.RewindFeedback();
        back = coded;
        cipher.DecipherData(back.data(), back.data(), size);
        EXPECT_EQ(back, plain) << "mode " << int(mode) << ", in place";
        // And a rewind takes enciphering back to the same start too.
        std::vector<uint8_t> again(plain.size());
        cipher.RewindFeedback();
        cipher.EncipherData(plain.data(), again.data(), size);
        EXPECT_EQ(again, coded) << "mode " << int(mode);
    }
}

TEST(RC4, AnEmptyKeyIsRefused) {
    TCipher_RC4 cipher;
    EXPECT_THROW(cipher.Init(nullptr, 0, nullptr), ECipherException);
    EXPECT_FALSE(cipher.Ready());
}

}  // namespace
