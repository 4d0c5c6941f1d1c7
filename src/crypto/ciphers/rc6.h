#pragma once
// RC6-32 (Rivest, Robshaw, Sidney, Yin, 1998): 128-bit block of four
// little-endian words, keys of 0 to 256 bytes, 20 rounds unless a round count
// of 16 to 24 was chosen.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_RC6 final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_RC6() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

    // Takes effect at the next Init, which replaces a count outside 16..24 by 20.
    void SetRounds(int32_t rounds) { rounds_ = rounds; }
    int32_t Rounds() const { return rounds_; }

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        uint32_t s[68];  // 2 * rounds + 4 of them in use
    };
    static_assert(sizeof(Schedule) == 272);

    int32_t rounds_ = 0;
};

}  // namespace quellmark
