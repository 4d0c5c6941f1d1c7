#pragma once
// Twofish (Schneier, Kelsey, Whiting, Wagner, Hall, Ferguson, 1998): 128-bit
// block of four little-endian words, 16 rounds, keys of up to 32 bytes. A key
// is zero-padded to 16, 24 or 32 bytes, whichever is the first to hold it.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Twofish final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Twofish() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        uint32_t k[40];      // whitening and round subkeys
        uint32_t s[4][256];  // the key-dependent S-boxes with the MDS matrix folded in
    };
    static_assert(sizeof(Schedule) == 4256);
};

}  // namespace quellmark
