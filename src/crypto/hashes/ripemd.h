#pragma once
// The RIPEMD family. RIPEMD-256 is the key hash of every cipher: a password
// becomes key bytes through it.
#include "crypto/hashes/md4_family.h"

class THash_RipeMD256 : public THash_MD4 {
public:
    static const THashClass Class;
    THash_RipeMD256() : THash_MD4(Class) { Restart(); }

    void Restart() override;

protected:
    void CompressBlock(const uint8_t* block) override;
};
