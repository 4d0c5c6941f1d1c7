#pragma once
// The RIPEMD family. RIPEMD-256 is the key hash of every cipher: a password
// becomes key bytes through it. All four run two parallel lines over the same
// block; 128 and 256 use four rounds of the four-register step, 160 and 320
// five rounds of the five-register step. The double-width forms keep the two
// lines apart, exchanging one register after each round.
#include "crypto/hashes/md4_family.h"

namespace quellmark {

class THash_RipeMD128 : public THash_MD4 {
public:
    static const THashClass Class;
    THash_RipeMD128() : THash_MD4(Class) { Restart(); }

protected:
    void RestartState() override;
    void CompressBlock(const uint8_t* block) override;
};

class THash_RipeMD160 : public THash_MD4 {
public:
    static const THashClass Class;
    THash_RipeMD160() : THash_MD4(Class) { Restart(); }

protected:
    void RestartState() override;
    explicit THash_RipeMD160(const THashClass& cls) : THash_MD4(cls) {}
    void CompressBlock(const uint8_t* block) override;
};

class THash_RipeMD256 : public THash_MD4 {
public:
    static const THashClass Class;
    THash_RipeMD256() : THash_MD4(Class) { Restart(); }

protected:
    void RestartState() override;
    void CompressBlock(const uint8_t* block) override;
};

class THash_RipeMD320 : public THash_MD4 {
public:
    static const THashClass Class;
    THash_RipeMD320() : THash_MD4(Class) { Restart(); }

protected:
    void RestartState() override;
    void CompressBlock(const uint8_t* block) override;
};

}  // namespace quellmark
