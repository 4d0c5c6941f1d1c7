#pragma once
// MARS (IBM, first AES-round submission of 1998): 128-bit block as four
// little-endian words, keys of 4 to 39 words, 8 unkeyed forward mixing
// rounds, 16 keyed core rounds and 8 unkeyed backward mixing rounds. The key
// expansion is the one first submitted, not the revised one of 1999.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Mars final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Mars() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

    // S0 is the first half, S1 the second.
    static const uint32_t kSBox[512];

    // The block routines on an expanded key, for checks that bring their own.
    static void Encipher(const uint32_t (&k)[40], uint8_t* block);
    static void Decipher(const uint32_t (&k)[40], uint8_t* block);

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        uint32_t k[40];
    };
    static_assert(sizeof(Schedule) == 160);
};

}  // namespace quellmark
