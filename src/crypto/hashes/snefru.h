#pragma once
// Snefru-256 after Ralph Merkle, in this library's own framing: 32-byte
// message blocks read as little-endian words, the bit length stored in the
// last data block when it fits, and a feed-forward taken from the mixed block
// alone. Its digests therefore differ from those of Merkle's reference code.
#include <bit>
#include <cstdint>

#include "crypto/hash.h"

namespace quellmark {

static_assert(std::endian::native == std::endian::little, "digest words are handed out in native order");

// Merkle's standard S-boxes; pass p uses boxes 2p and 2p + 1.
extern const uint32_t kSnefruSBoxes[16][256];

// The Snefru mixing of a 16-word block, in place: `passes` passes (1 to 8) of
// four rounds, each round a sweep of S-box steps over all sixteen words
// followed by a rotation of every word.
void SnefruPasses(uint32_t block[16], int passes);

class THash_Snefru : public THash {
public:
    static const THashClass Class;
    THash_Snefru() : THash_Snefru(Class) { Restart(); }
    ~THash_Snefru() override;

    void AddData(const void* data, int32_t size) override;
    uint8_t* DigestBytes() override { return reinterpret_cast<uint8_t*>(state_); }

protected:
    explicit THash_Snefru(const THashClass& cls) : THash(cls) {}
    void RestartState() override;
    void FinishDigest() override;
    // Takes 32 message bytes into words 8 to 15 and mixes; words 0 to 7
    // become the new chaining value.
    void CompressBlock(const uint8_t* block);

    uint64_t count_ = 0;  // bytes absorbed
    uint32_t state_[16] = {};
    uint8_t buffer_[32] = {};
    int32_t securityLevel_ = 8;  // passes per block
};

}  // namespace quellmark
