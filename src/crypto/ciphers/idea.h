#pragma once
// IDEA (Lai and Massey, 1991): 64-bit block of four big-endian 16-bit words,
// 128-bit key, 8 rounds and the output transformation.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_IDEA final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_IDEA() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        uint16_t encipher[52];
        uint16_t decipher[52];
    };
    static_assert(sizeof(Schedule) == 208);
};

}  // namespace quellmark
