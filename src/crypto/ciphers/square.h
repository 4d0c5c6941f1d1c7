#pragma once
// Square (Daemen, Knudsen, Rijmen, FSE 1997): 128-bit block and key, an
// initial key addition, seven full rounds and a last round without the
// column transform. Block and key are four little-endian words, one per
// row of the 4 x 4 byte state; the byte order equals the published one.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Square final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Square() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

    // Nine round keys of four words each.
    using RoundKeys = uint32_t[9][4];
    // The key schedule from four key words; `decipher` may be null when only
    // enciphering is wanted (the Square hash keys a cipher for every block).
    static void ExpandKey(const uint32_t key[4], RoundKeys& encipher, RoundKeys* decipher);
    // Enciphers one 16-byte block from `in` to `out` (which may be the same).
    static void Encipher(const RoundKeys& encipher, const uint8_t* in, uint8_t* out);

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        RoundKeys encipher;
        RoundKeys decipher;
    };
    static_assert(sizeof(Schedule) == 288);
};

}  // namespace quellmark
