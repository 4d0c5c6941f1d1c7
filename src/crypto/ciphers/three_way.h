#pragma once
// 3-Way (Daemen, 1993): 96-bit block and key, 11 rounds and an output
// transformation. Block and key are three little-endian words.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_3Way final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_3Way() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    // One direction's key and its round constants; deciphering runs the same
    // rounds with the inverse key and its own constants.
    struct Direction {
        uint32_t key[3];
        uint32_t constants[12];
    };
    struct Schedule {
        Direction encipher;
        Direction decipher;
    };
    static_assert(sizeof(Schedule) == 120);
};

}  // namespace quellmark
