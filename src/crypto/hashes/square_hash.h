#pragma once
// THash_Square: a 128-bit hash over 16-byte blocks whose compression
// enciphers each block with Square under the chaining value as key.
#include <bit>
#include <cstdint>

#include "crypto/hash.h"

namespace quellmark {

static_assert(std::endian::native == std::endian::little, "digest words are handed out in native order");

class THash_Square : public THash {
public:
    static const THashClass Class;
    THash_Square() : THash(Class) { Restart(); }
    ~THash_Square() override { ClearDigest(); }

    void AddData(const void* data, int32_t size) override;
    uint8_t* DigestBytes() override { return reinterpret_cast<uint8_t*>(digest_); }

protected:
    void RestartState() override;
    void FinishDigest() override;

private:
    void CompressBlock(const uint8_t* block);

    uint64_t count_ = 0;  // bytes absorbed; 64 bits so large inputs keep their true length
    uint8_t buffer_[16] = {};
    uint32_t digest_[4] = {};
};

}  // namespace quellmark
