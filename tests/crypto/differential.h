#pragma once
// Our ciphers and hashes beside independent implementations of the same
// published algorithms (Crypto++, Botan), on random keys, blocks and data.
//
// Each side of a cipher comparison is a BlockCoder: a key setup and two block
// routines. Adaptors turn our TCipher, a Crypto++ block or stream cipher or a
// Botan block cipher into one, and wrap one to translate keys or byte orders,
// so a single loop serves every library.
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/text.h"
#include "crypto/cipher.h"
#include "crypto/hash.h"

namespace quellmark {

// A cipher seen through the calls a comparison needs; blocks are coded in place.
struct BlockCoder {
    std::size_t blockSize = 0;
    std::function<void(const std::vector<uint8_t>& key)> setKey;
    std::function<void(uint8_t* block)> encipher;
    // Deciphers `count` consecutive blocks.
    std::function<void(uint8_t* blocks, std::size_t count)> decipher;
    // The vector the last key setup made. Only our side has one; it must be
    // the encipherment of an all-0xFF block.
    std::function<std::vector<uint8_t>()> vector;
};

// The key's bytes through a pointer that is not null even for an empty key
// (an empty vector may hand out a null one, which no comparison means to test).
const uint8_t* KeyBytes(const std::vector<uint8_t>& key);

// Our cipher, keyed with Init and no vector. Several blocks go to
// DecipherBlocks at once, a single one to DecipherBlock.
BlockCoder Ours(TCipher& cipher);

// A Crypto++ block cipher `Algorithm` (with its Encryption and Decryption),
// each key set with the constructor arguments `extra` after the key (a
// round count, an effective key length).
template <class Algorithm, class... Extra>
BlockCoder CryptoPPCipher(Extra... extra) {
    struct Keyed {
        std::unique_ptr<typename Algorithm::Encryption> encryption;
        std::unique_ptr<typename Algorithm::Decryption> decryption;
    };
    auto keyed = std::make_shared<Keyed>();
    BlockCoder coder;
    coder.blockSize = Algorithm::BLOCKSIZE;
    coder.setKey = [keyed, extra...](const std::vector<uint8_t>& key) {
        keyed->encryption = std::make_unique<typename Algorithm::Encryption>(KeyBytes(key), key.size(), extra...);
        keyed->decryption = std::make_unique<typename Algorithm::Decryption>(KeyBytes(key), key.size(), extra...);
    };
    coder.encipher = [keyed](uint8_t* block) { keyed->encryption->ProcessBlock(block); };
    coder.decipher = [keyed](uint8_t* blocks, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) keyed->decryption->ProcessBlock(blocks + i * Algorithm::BLOCKSIZE);
    };
    return coder;
}

// A Crypto++ stream cipher `Algorithm` in our block frame: each block, in
// either direction, is the next `blockSize` bytes of its keystream.
template <class Algorithm>
BlockCoder CryptoPPStreamCipher(std::size_t blockSize) {
    auto keyed = std::make_shared<std::unique_ptr<Algorithm>>();
    BlockCoder coder;
    coder.blockSize = blockSize;
    coder.setKey = [keyed](const std::vector<uint8_t>& key) {
        *keyed = std::make_unique<Algorithm>(KeyBytes(key), key.size());
    };
    coder.encipher = [keyed, blockSize](uint8_t* block) { (*keyed)->ProcessData(block, block, blockSize); };
    coder.decipher = [keyed, blockSize](uint8_t* blocks, std::size_t count) {
        (*keyed)->ProcessData(blocks, blocks, count * blockSize);
    };
    return coder;
}

// The Botan block cipher of that name, made with Botan::BlockCipher::create.
BlockCoder BotanCipher(const std::string& name);

// ---- translations ----

using KeyMap = std::function<std::vector<uint8_t>(const std::vector<uint8_t>& ourKey)>;
// Rearranges a block in place; applied twice it gives the block back.
using ByteOrder = std::function<void(uint8_t* block, std::size_t size)>;

// `theirs` keyed with `theirKey(key)` wherever our side gets `key`.
BlockCoder WithTheirKey(BlockCoder theirs, KeyMap theirKey);
// `theirs` for an implementation that orders a block's bytes otherwise: each
// block is rearranged on the way in and on the way out.
BlockCoder WithByteOrder(BlockCoder theirs, ByteOrder order);

// `key` zero-padded (never cut) to `length` bytes.
std::vector<uint8_t> ZeroPadded(std::vector<uint8_t> key, std::size_t length);
KeyMap ZeroPaddedTo(std::size_t length);
void ReverseBytes(uint8_t* bytes, std::size_t size);
// Reverses each 32-bit word: little-endian words read big-endian.
void SwapWordBytes(uint8_t* bytes, std::size_t size);

// ---- comparisons ----

struct Trials {
    std::vector<std::size_t> keyLengths;  // our key lengths, each with fresh random keys
    int keysPerLength = 1;
    int blocksPerKey = 8;  // each: a random block enciphered and another deciphered
    // Above one: each time also a run of this many random blocks deciphered in one call.
    std::size_t blocksAtOnce = 1;
};

// first, first + step, ... up to last.
std::vector<std::size_t> Lengths(std::size_t first, std::size_t last, std::size_t step = 1);

// Keys both sides alike and expects the same vector, enciphered blocks and
// deciphered blocks from each, as `trials` asks. Stops at the first disagreement.
void ExpectSameCoding(const BlockCoder& ours, const BlockCoder& theirs, const Trials& trials, std::mt19937& rng,
                      const std::string& context = {});
inline void ExpectSameCoding(TCipher& ours, const BlockCoder& theirs, const Trials& trials, std::mt19937& rng,
                             const std::string& context = {}) {
    ExpectSameCoding(Ours(ours), theirs, trials, rng, context);
}

// The same with one given key, on given blocks.
void ExpectSameCodingOf(const BlockCoder& ours, const BlockCoder& theirs, const std::vector<uint8_t>& key,
                        const std::vector<std::vector<uint8_t>>& blocks, const std::string& context);

// Keys both sides alike and expects every random block to encipher differently.
void ExpectDifferentEncipherment(const BlockCoder& ours, const BlockCoder& other, const Trials& trials,
                                 std::mt19937& rng, const std::string& context = {});

// Their encipherment of `plain` in one of our modes, from the key and the
// vector our key setup made.
using TheirStream = std::function<std::vector<uint8_t>(const std::vector<uint8_t>& key,
                                                       const std::vector<uint8_t>& vector,
                                                       const std::vector<uint8_t>& plain)>;

// A Crypto++ mode `Mode` (such as CBC_Mode<Blowfish>), set up with the
// constructor arguments `extra` after key and vector.
template <class Mode, class... Extra>
TheirStream CryptoPPModeStream(Extra... extra) {
    return [extra...](const std::vector<uint8_t>& key, const std::vector<uint8_t>& vector,
                      const std::vector<uint8_t>& plain) {
        typename Mode::Encryption encryption(KeyBytes(key), key.size(), vector.data(), extra...);
        std::vector<uint8_t> coded(plain.size());
        encryption.ProcessData(coded.data(), plain.data(), plain.size());
        return coded;
    };
}

// `ours`, in the mode it is set to, keyed with a random key of `keyLength`
// bytes: random data of each length must encipher as `theirs` enciphers it,
// and after a rewind their result deciphers back to the data.
void ExpectSameStreams(TCipher& ours, const TheirStream& theirs, std::size_t keyLength,
                       const std::vector<std::size_t>& lengths, std::mt19937& rng, const std::string& context = {});

// ---- hashes ----

// Their digest of `data`, in hex.
using TheirDigest = std::function<std::string(const std::vector<uint8_t>& data)>;

template <class Hash>
TheirDigest CryptoPPDigest() {
    return [](const std::vector<uint8_t>& data) {
        Hash hash;
        std::vector<uint8_t> digest(hash.DigestSize());
        hash.CalculateDigest(digest.data(), data.data(), data.size());
        return HexOf(digest);
    };
}

// Our digest of `data` given in one call.
std::string DigestHexOf(THash& hash, const std::vector<uint8_t>& data);
// Our digest of `data` given in random pieces of 0 to 200 bytes, crossing block edges anywhere.
std::string DigestHexInPieces(THash& hash, const std::vector<uint8_t>& data, std::mt19937& rng);

// Random data of each length digested by ours (also in random pieces when
// `alsoInPieces`) and by theirs. Stops at the first disagreement.
void ExpectSameDigests(THash& ours, const TheirDigest& theirs, const std::vector<std::size_t>& lengths,
                       std::mt19937& rng, bool alsoInPieces = false);

}  // namespace quellmark
