#pragma once
// The Secure Hash Algorithm in its two forms: the first of 1993 (SHA-0) and
// SHA-1, which only adds a one-bit rotation to the message expansion. Both
// keep the RIPEMD-160 block handling and starting values, store the bit
// length big-endian and hand out their digest words big-endian.
#include "crypto/hashes/ripemd.h"

namespace quellmark {

class THash_SHA : public THash_RipeMD160 {
public:
    static const THashClass Class;
    THash_SHA() : THash_RipeMD160(Class) { Restart(); }

protected:
    explicit THash_SHA(const THashClass& cls) : THash_RipeMD160(cls) {}
    void FinishDigest() override;
    void CompressBlock(const uint8_t* block) override;
    void CompressBlocks(const uint8_t* data, std::size_t count) override;

    uint8_t rotate_ = 0;  // 1: expanded message words are rotated by one bit (SHA-1)
};

class THash_SHA1 : public THash_SHA {
public:
    static const THashClass Class;
    THash_SHA1() : THash_SHA(Class) { Restart(); }

protected:
    void RestartState() override;
};

// The two SHA-1 block functions, side by side so that they can be checked
// against each other on a processor that has both.
namespace sha_detail {
// Compresses `blocks` 64-byte blocks in a row into the five state words.
using Compressor = void (*)(uint32_t state[5], const uint8_t* data, std::size_t blocks);
void CompressSha1Portable(uint32_t state[5], const uint8_t* data, std::size_t blocks);
// The SHA-extensions form, or null when this processor lacks them.
Compressor Sha1Extensions();
}  // namespace sha_detail

}  // namespace quellmark
