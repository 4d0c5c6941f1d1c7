#pragma once
// CAST-256 (RFC 2612, C. Adams and J. Gilchrist): 128-bit block, 48 rounds
// in 12 quad-rounds, keys of up to 32 bytes zero-padded to 32 and read
// big-endian.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Cast256 final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Cast256() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        uint32_t km[48];  // masking subkeys, four per quad-round
        uint32_t kr[48];  // rotation subkeys, 0 to 31
    };
    static_assert(sizeof(Schedule) == 384);
};

}  // namespace quellmark
