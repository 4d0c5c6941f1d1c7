#pragma once
// HAVAL (Zheng, Pieprzyk and Seberry): 128-byte blocks, eight 32-bit words,
// three, four or five passes, and an output of 128 to 256 bits folded from
// the eight words. The pass count follows the digest size unless set.
#include <cstdint>

#include "crypto/bytes.h"
#include "crypto/hash.h"

namespace quellmark {

class THash_Haval256 : public THash {
public:
    static const THashClass Class;
    THash_Haval256() : THash_Haval256(Class) { Restart(); }
    // The shorter outputs leave folded-away words beside the digest: all go.
    ~THash_Haval256() override {
        FillSecret(digest_, 0, sizeof digest_);
        FillSecret(block_, 0, sizeof block_);
    }

    void AddData(const void* data, int32_t size) override;
    uint8_t* DigestBytes() override { return reinterpret_cast<uint8_t*>(digest_); }

    // Passes per block, 3 to 5; anything else lets the digest size decide
    // (3 up to 160 bits, 4 up to 224, else 5). A new value takes effect at
    // the next Restart, so a computation never changes midway.
    void SetPasses(int32_t passes) { requestedPasses_ = passes; }
    int32_t Passes() const { return passes_; }

protected:
    explicit THash_Haval256(const THashClass& cls) : THash(cls) {}
    void RestartState() override;
    void FinishDigest() override;

private:
    void Fold();

    uint64_t count_ = 0;  // bytes absorbed
    uint8_t block_[128] = {};
    uint32_t digest_[8] = {};
    int32_t requestedPasses_ = 0;
    int32_t passes_ = 5;
    void (*compress_)(uint32_t digest[8], const uint8_t* block) = nullptr;
};

class THash_Haval224 : public THash_Haval256 {
public:
    static const THashClass Class;
    THash_Haval224() : THash_Haval256(Class) { Restart(); }
};

class THash_Haval192 : public THash_Haval256 {
public:
    static const THashClass Class;
    THash_Haval192() : THash_Haval256(Class) { Restart(); }
};

class THash_Haval160 : public THash_Haval256 {
public:
    static const THashClass Class;
    THash_Haval160() : THash_Haval256(Class) { Restart(); }
};

class THash_Haval128 : public THash_Haval256 {
public:
    static const THashClass Class;
    THash_Haval128() : THash_Haval256(Class) { Restart(); }
};

}  // namespace quellmark
