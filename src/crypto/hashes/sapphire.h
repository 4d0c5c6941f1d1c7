#pragma once
// The Sapphire II stream cipher of Michael Paul Johnson used as a hash: every
// input byte is enciphered once from a fixed starting state and only the
// state is kept; the digest is drawn from the cipher after a finishing run.
// One class per digest size, 16 to 40 bytes in steps of 4.
#include <cstdint>

#include "crypto/hash.h"

namespace quellmark {

class THash_Sapphire320 : public THash {
public:
    static const THashClass Class;
    THash_Sapphire320() : THash_Sapphire320(Class) { Restart(); }
    ~THash_Sapphire320() override;

    void AddData(const void* data, int32_t size) override;
    uint8_t* DigestBytes() override { return digest_; }

protected:
    explicit THash_Sapphire320(const THashClass& cls) : THash(cls) {}
    void RestartState() override;
    void FinishDigest() override;

private:
    // One step of the cipher: reshuffles the cards and leaves the cipher byte in lastCipher_.
    void Encipher(uint8_t plain);

    uint64_t count_ = 0;  // bytes absorbed, finishing bytes included
    uint8_t rotor_ = 0, ratchet_ = 0, avalanche_ = 0, lastPlain_ = 0, lastCipher_ = 0;
    uint8_t cards_[256] = {};
    uint8_t digest_[40] = {};
};

class THash_Sapphire288 : public THash_Sapphire320 {
public:
    static const THashClass Class;
    THash_Sapphire288() : THash_Sapphire320(Class) { Restart(); }
};

class THash_Sapphire256 : public THash_Sapphire320 {
public:
    static const THashClass Class;
    THash_Sapphire256() : THash_Sapphire320(Class) { Restart(); }
};

class THash_Sapphire224 : public THash_Sapphire320 {
public:
    static const THashClass Class;
    THash_Sapphire224() : THash_Sapphire320(Class) { Restart(); }
};

class THash_Sapphire192 : public THash_Sapphire320 {
public:
    static const THashClass Class;
    THash_Sapphire192() : THash_Sapphire320(Class) { Restart(); }
};

class THash_Sapphire160 : public THash_Sapphire320 {
public:
    static const THashClass Class;
    THash_Sapphire160() : THash_Sapphire320(Class) { Restart(); }
};

class THash_Sapphire128 : public THash_Sapphire320 {
public:
    static const THashClass Class;
    THash_Sapphire128() : THash_Sapphire320(Class) { Restart(); }
};

}  // namespace quellmark
