#pragma once
// RC5-32 (Rivest, 1994): 64-bit block of two little-endian words, keys of 0
// to 256 bytes, 12 rounds unless a round count of 8 to 16 was chosen.
#include "crypto/cipher.h"

namespace quellmark {

// The key expansion RC5 and RC6 share: the key as little-endian words (at
// least one), mixed three times over into `count` words seeded from the
// constants P and Q.
void ExpandRC5Key(const uint8_t* key, int32_t size, uint32_t* s, int32_t count);

class TCipher_RC5 final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_RC5() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

    // Takes effect at the next Init, which replaces a count outside 8..16 by 12.
    void SetRounds(int32_t rounds) { rounds_ = rounds; }
    int32_t Rounds() const { return rounds_; }

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        uint32_t s[2 * 16 + 2];
    };
    static_assert(sizeof(Schedule) == 136);

    int32_t rounds_ = 0;
};

}  // namespace quellmark
