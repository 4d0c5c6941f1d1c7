#pragma once
// GOST 28147-89 in simple substitution mode: 64-bit block of two
// little-endian words, 256-bit key of eight little-endian words, 32 rounds,
// with the S-boxes of the GOST R 34.11-94 test parameters.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Gost final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Gost() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        uint32_t k[8];
    };
    static_assert(sizeof(Schedule) == 32);
};

}  // namespace quellmark
