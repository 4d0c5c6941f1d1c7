#pragma once
// TEA (Wheeler and Needham, 1994) and its extended form, each as this
// program's containers have always used them: 64-bit block of two
// little-endian words, 128-bit key of four little-endian words, 16 cycles,
// and round formulas grouped differently from the published ones (see tea.cpp).
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_TEA : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_TEA() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

    // Cycles per block (two Feistel rounds each); fixed by the first key setup.
    int32_t Cycles() const { return cycles_; }

protected:
    explicit TCipher_TEA(const TCipherClass& cls) : TCipher(cls) {}

    // The class context reserves 32 bytes; the key takes the first 16.
    struct Schedule {
        uint32_t k[4];
        uint32_t unused[4];
    };
    static_assert(sizeof(Schedule) == 32);

    int32_t cycles_ = 0;

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;
};

// "TEA extended": the key-word selection of XTEA with its own round formula.
class TCipher_TEAN final : public TCipher_TEA {
public:
    static const TCipherClass Class;
    TCipher_TEAN() : TCipher_TEA(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;
};

}  // namespace quellmark
