#pragma once
// RC2 (RFC 2268): 64-bit block of four little-endian 16-bit words, keys of 1
// to 128 bytes, always expanded for an effective key length of 1024 bits.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_RC2 final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_RC2() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

    // The key-expansion permutation, built from the digits of pi.
    static const uint8_t kPiTable[256];

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        uint16_t k[64];
    };
    static_assert(sizeof(Schedule) == 128);
};

}  // namespace quellmark
