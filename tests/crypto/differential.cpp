#include "crypto/differential.h"

#include <botan/block_cipher.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "test_support.h"

namespace quellmark {

const uint8_t* KeyBytes(const std::vector<uint8_t>& key) {
    static const uint8_t none = 0;
    return key.empty() ? &none : key.data();
}

BlockCoder Ours(TCipher& cipher) {
    BlockCoder coder;
    coder.blockSize = static_cast<std::size_t>(cipher.BlockSize());
    coder.setKey = [&cipher](const std::vector<uint8_t>& key) {
        cipher.Init(KeyBytes(key), static_cast<int32_t>(key.size()), nullptr);
    };
    coder.encipher = [&cipher](uint8_t* block) { cipher.EncipherBlock(block); };
    coder.decipher = [&cipher](uint8_t* blocks, std::size_t count) {
        if (count == 1)
            cipher.DecipherBlock(blocks);
        else
            cipher.DecipherBlocks(blocks, static_cast<int32_t>(count));
    };
    coder.vector = [&cipher] {
        return std::vector<uint8_t>(cipher.Vector(), cipher.Vector() + cipher.BlockSize());
    };
    return coder;
}

BlockCoder BotanCipher(const std::string& name) {
    std::shared_ptr<Botan::BlockCipher> cipher = Botan::BlockCipher::create(name);
    if (!cipher) throw std::invalid_argument("Botan has no block cipher " + name);
    BlockCoder coder;
    coder.blockSize = cipher->block_size();
    coder.setKey = [cipher](const std::vector<uint8_t>& key) { cipher->set_key(KeyBytes(key), key.size()); };
    coder.encipher = [cipher](uint8_t* block) { cipher->encrypt(block); };
    coder.decipher = [cipher](uint8_t* blocks, std::size_t count) { cipher->decrypt_n(blocks, blocks, count); };
    return coder;
}

BlockCoder WithTheirKey(BlockCoder theirs, KeyMap theirKey) {
    theirs.setKey = [setKey = theirs.setKey, theirKey](const std::vector<uint8_t>& key) { setKey(theirKey(key)); };
    return theirs;
}

BlockCoder WithByteOrder(BlockCoder theirs, ByteOrder order) {
    const std::size_t size = theirs.blockSize;
    theirs.encipher = [encipher = theirs.encipher, order, size](uint8_t* block) {
        order(block, size);
        encipher(block);
        order(block, size);
    };
    theirs.decipher = [decipher = theirs.decipher, order, size](uint8_t* blocks, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) order(blocks + i * size, size);
        decipher(blocks, count);
        for (std::size_t i = 0; i < count; ++i) order(blocks + i * size, size);
    };
    return theirs;
}

std::vector<uint8_t> ZeroPadded(std::vector<uint8_t> key, std::size_t length) {
    if (key.size() < length) key.resize(length, 0);
    return key;
}

KeyMap ZeroPaddedTo(std::size_t length) {
    return [length](const std::vector<uint8_t>& key) { return ZeroPadded(key, length); };
}

void ReverseBytes(uint8_t* bytes, std::size_t size) { std::reverse(bytes, bytes + size); }

void SwapWordBytes(uint8_t* bytes, std::size_t size) {
    for (std::size_t i = 0; i + 4 <= size; i += 4) std::reverse(bytes + i, bytes + i + 4);
}

std::vector<std::size_t> Lengths(std::size_t first, std::size_t last, std::size_t step) {
    std::vector<std::size_t> lengths;
    for (std::size_t length = first; length <= last; length += step) lengths.push_back(length);
    return lengths;
}

namespace {

std::string KeyContext(const std::string& context, const std::vector<uint8_t>& key) {
    return (context.empty() ? "" : context + ", ") + "key length " + std::to_string(key.size()) + " (" + HexOf(key) + ")";
}

// Our vector, where our side has one, must be their encipherment of an
// all-0xFF block. For a stream cipher this also spends the keystream our key
// setup spent, so both sides go on from the same position.
void ExpectSameVector(const BlockCoder& ours, const BlockCoder& theirs, const std::string& context) {
    if (!ours.vector) return;
    std::vector<uint8_t> expected(theirs.blockSize, 0xFF);
    theirs.encipher(expected.data());
    ASSERT_EQ(HexOf(ours.vector()), HexOf(expected)) << "the vector, " << context;
}

void ExpectSameEncipherment(const BlockCoder& ours, const BlockCoder& theirs, const std::vector<uint8_t>& block,
                            const std::string& context) {
    std::vector<uint8_t> mine = block, expected = block;
    ours.encipher(mine.data());
    theirs.encipher(expected.data());
    ASSERT_EQ(HexOf(mine), HexOf(expected)) << "enciphering " << HexOf(block) << ", " << context;
}

// `blocks` holds one block or several consecutive ones.
void ExpectSameDecipherment(const BlockCoder& ours, const BlockCoder& theirs, const std::vector<uint8_t>& blocks,
                            const std::string& context) {
    const std::size_t count = blocks.size() / ours.blockSize;
    std::vector<uint8_t> mine = blocks, expected = blocks;
    ours.decipher(mine.data(), count);
    theirs.decipher(expected.data(), count);
    ASSERT_EQ(HexOf(mine), HexOf(expected)) << "deciphering " << HexOf(blocks) << " (" << count << " block(s) at once), "
                                            << context;
}

bool Failed() { return ::testing::Test::HasFatalFailure(); }

void KeyBoth(const BlockCoder& ours, const BlockCoder& theirs, const std::vector<uint8_t>& key, const std::string& where) {
    ours.setKey(key);
    theirs.setKey(key);
    ExpectSameVector(ours, theirs, where);
}

}  // namespace

void ExpectSameCoding(const BlockCoder& ours, const BlockCoder& theirs, const Trials& trials, std::mt19937& rng,
                      const std::string& context) {
    ASSERT_EQ(ours.blockSize, theirs.blockSize) << context;
    ASSERT_FALSE(trials.keyLengths.empty()) << context;
    const std::size_t block = ours.blockSize;
    for (std::size_t length : trials.keyLengths) {
        for (int k = 0; k < trials.keysPerLength; ++k) {
            const std::vector<uint8_t> key = RandomBytes(rng, length);
            const std::string where = KeyContext(context, key);
            KeyBoth(ours, theirs, key, where);
            for (int b = 0; b < trials.blocksPerKey && !Failed(); ++b) {
                ExpectSameEncipherment(ours, theirs, RandomBytes(rng, block), where);
                if (!Failed()) ExpectSameDecipherment(ours, theirs, RandomBytes(rng, block), where);
                if (!Failed() && trials.blocksAtOnce > 1)
                    ExpectSameDecipherment(ours, theirs, RandomBytes(rng, trials.blocksAtOnce * block), where);
            }
            if (Failed()) return;
        }
    }
}

void ExpectSameCodingOf(const BlockCoder& ours, const BlockCoder& theirs, const std::vector<uint8_t>& key,
                        const std::vector<std::vector<uint8_t>>& blocks, const std::string& context) {
    ASSERT_EQ(ours.blockSize, theirs.blockSize) << context;
    const std::string where = KeyContext(context, key);
    KeyBoth(ours, theirs, key, where);
    for (const std::vector<uint8_t>& block : blocks) {
        ASSERT_EQ(block.size(), ours.blockSize) << where;
        if (!Failed()) ExpectSameEncipherment(ours, theirs, block, where);
        if (!Failed()) ExpectSameDecipherment(ours, theirs, block, where);
        if (Failed()) return;
    }
}

void ExpectDifferentEncipherment(const BlockCoder& ours, const BlockCoder& other, const Trials& trials,
                                 std::mt19937& rng, const std::string& context) {
    ASSERT_EQ(ours.blockSize, other.blockSize) << context;
    ASSERT_FALSE(trials.keyLengths.empty()) << context;
    for (std::size_t length : trials.keyLengths) {
        for (int k = 0; k < trials.keysPerLength; ++k) {
            const std::vector<uint8_t> key = RandomBytes(rng, length);
            ours.setKey(key);
            other.setKey(key);
            for (int b = 0; b < trials.blocksPerKey; ++b) {
                const std::vector<uint8_t> block = RandomBytes(rng, ours.blockSize);
                std::vector<uint8_t> mine = block, theirs = block;
                ours.encipher(mine.data());
                other.encipher(theirs.data());
                EXPECT_NE(HexOf(mine), HexOf(theirs)) << "enciphering " << HexOf(block) << ", " << KeyContext(context, key);
            }
        }
    }
}

void ExpectSameStreams(TCipher& ours, const TheirStream& theirs, std::size_t keyLength,
                       const std::vector<std::size_t>& lengths, std::mt19937& rng, const std::string& context) {
    const std::vector<uint8_t> key = RandomBytes(rng, keyLength);
    ours.Init(KeyBytes(key), static_cast<int32_t>(key.size()), nullptr);
    const std::vector<uint8_t> vector(ours.Vector(), ours.Vector() + ours.BlockSize());
    const std::string where = KeyContext(context, key);
    for (std::size_t length : lengths) {
        const std::vector<uint8_t> plain = RandomBytes(rng, length);
        const std::vector<uint8_t> expected = theirs(key, vector, plain);
        const auto size = static_cast<int32_t>(length);
        std::vector<uint8_t> coded(length), back(length);
        ours.EncipherData(plain.data(), coded.data(), size);
        ours.RewindFeedback();
        ASSERT_EQ(HexOf(coded), HexOf(expected)) << "enciphering " << length << " bytes, " << where;
        ours.DecipherData(expected.data(), back.data(), size);
        ours.RewindFeedback();
        ASSERT_EQ(HexOf(back), HexOf(plain)) << "deciphering " << length << " bytes, " << where;
    }
}

std::string DigestHexOf(THash& hash, const std::vector<uint8_t>& data) {
    hash.Restart();
    hash.AddData(data.data(), static_cast<int32_t>(data.size()));
    hash.Finish();
    return HexOf(hash.DigestBytes(), static_cast<std::size_t>(hash.DigestSize()));
}

std::string DigestHexInPieces(THash& hash, const std::vector<uint8_t>& data, std::mt19937& rng) {
    hash.Restart();
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t piece = std::min<std::size_t>(rng() % 201, data.size() - at);
        hash.AddData(data.data() + at, static_cast<int32_t>(piece));
        at += piece;
    }
    hash.Finish();
    return HexOf(hash.DigestBytes(), static_cast<std::size_t>(hash.DigestSize()));
}

void ExpectSameDigests(THash& ours, const TheirDigest& theirs, const std::vector<std::size_t>& lengths,
                       std::mt19937& rng, bool alsoInPieces) {
    for (std::size_t length : lengths) {
        const std::vector<uint8_t> data = RandomBytes(rng, length);
        const std::string expected = theirs(data);
        ASSERT_EQ(DigestHexOf(ours, data), expected) << ours.ClassName() << ", length " << length;
        if (alsoInPieces) {
            ASSERT_EQ(DigestHexInPieces(ours, data, rng), expected) << ours.ClassName() << ", length " << length << " in pieces";
        }
    }
}

}  // namespace quellmark
