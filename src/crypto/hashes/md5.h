#pragma once
// MD5 (RFC 1321): the MD4 block handling with four rounds of sixteen steps.
#include "crypto/hashes/md4_family.h"

namespace quellmark {

class THash_MD5 : public THash_MD4 {
public:
    static const THashClass Class;
    THash_MD5() : THash_MD4(Class) { Restart(); }

protected:
    void RestartState() override;
    void CompressBlock(const uint8_t* block) override;
    void CompressBlocks(const uint8_t* data, std::size_t count) override;
};

}  // namespace quellmark
