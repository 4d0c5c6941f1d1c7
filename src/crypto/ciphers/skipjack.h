#pragma once
// Skipjack (NSA, declassified 1998): 64-bit block as four big-endian 16-bit
// words, 80-bit key, 32 rounds of rules A and B, eight of each in turn.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Skipjack final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Skipjack() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

    // The F-table the NSA published with the algorithm.
    static const uint8_t kFTable[256];

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    // Table i holds F[x ^ key byte i] at index x, so the key never has to be
    // added during the rounds.
    struct Schedule {
        uint8_t f[10][256];
    };
    static_assert(sizeof(Schedule) == 2560);
};

}  // namespace quellmark
