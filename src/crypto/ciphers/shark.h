#pragma once
// SHARK (Rijmen, Daemen, Preneel, Bosselaers, De Win, FSE 1996): 64-bit
// block, 6 rounds, 128-bit key. The block is handled as a little-endian
// 64-bit number, and the key schedule takes the key from its second byte
// onwards: containers made with this class depend on both.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Shark final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Shark() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        uint64_t encipher[7];
        uint64_t decipher[7];
    };
    static_assert(sizeof(Schedule) == 112);
};

}  // namespace quellmark
