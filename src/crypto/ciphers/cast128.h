#pragma once
// CAST-128 (RFC 2144, C. Adams): 64-bit block, keys of up to 16 bytes read
// big-endian after zero-padding; 12 rounds for keys of at most 10 bytes,
// 16 rounds for longer ones.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Cast128 final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Cast128() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        uint32_t km[16];  // masking subkeys
        uint32_t kr[16];  // rotation subkeys, 0 to 31
    };
    static_assert(sizeof(Schedule) == 128);

    int32_t rounds_ = 0;  // fixed by every Init from the key length
};

}  // namespace quellmark
