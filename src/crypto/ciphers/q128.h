#pragma once
// Q128 (Robert Scott, 1996): 128-bit block and key, four little-endian words
// each, 16 rounds built on one fixed table of 1024 words.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Q128 final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Q128() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

    static const uint32_t kTable[1024];

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        uint32_t round[16][4];
    };
    static_assert(sizeof(Schedule) == 256);
};

}  // namespace quellmark
