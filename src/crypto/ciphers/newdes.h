#pragma once
// NewDES (Scott, Cryptologia 1985): 64-bit block, 120-bit key, 17 rounds in
// which one half of the block is XORed with the rotor image of the other.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_NewDES final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_NewDES() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;

    // The rotor: a permutation of 0..255 drawn from the text of the
    // Declaration of Independence.
    static const uint8_t kRotor[256];

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    // The 60 key bytes each direction consumes in order.
    struct Schedule {
        uint8_t encipher[60];
        uint8_t decipher[60];
    };
    static_assert(sizeof(Schedule) == 120);
};

}  // namespace quellmark
