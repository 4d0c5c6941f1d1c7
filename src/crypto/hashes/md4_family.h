#pragma once
// THash_MD4 and the block handling its family shares: 64-byte blocks, a
// byte count, up to ten 32-bit digest words written little-endian, and the
// MD4-style padding (0x80, zeros, 64-bit bit length little-endian).
#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "crypto/hash.h"

namespace quellmark {

static_assert(std::endian::native == std::endian::little, "digest words are handed out in native order");

class THash_MD4 : public THash {
public:
    static const THashClass Class;
    THash_MD4() : THash_MD4(Class) { Restart(); }
    ~THash_MD4() override { ClearDigest(); }

    void AddData(const void* data, int32_t size) override;
    uint8_t* DigestBytes() override { return reinterpret_cast<uint8_t*>(digest_); }

protected:
    explicit THash_MD4(const THashClass& cls) : THash(cls) {}
    void RestartState() override;
    void FinishDigest() override;
    // Resets the count and buffer and loads the starting words; the family's
    // RestartState is this call with the class's own words.
    void Start(std::initializer_list<uint32_t> words);
    // One compression step over a 64-byte block.
    virtual void CompressBlock(const uint8_t* block);
    // `count` whole blocks in a row, straight from the caller's data; a class
    // whose state is costly to load and store overrides this to keep it
    // loaded from one block to the next.
    virtual void CompressBlocks(const uint8_t* data, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) CompressBlock(data + 64 * i);
    }
    // Pads the last block (the marker byte, then zeros) and stores the bit
    // length in bytes 56 to 63, little- or big-endian, then compresses.
    void PadAndCompress(bool bigEndianLength, uint8_t marker = 0x80);

    uint64_t count_ = 0;  // bytes absorbed; 64 bits so large files hash correctly
    uint8_t block_[64] = {};
    uint32_t digest_[10] = {};
};

}  // namespace quellmark
