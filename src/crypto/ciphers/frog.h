#pragma once
// FROG (Georgoudis, Leroux and Chaves, TecApro, AES submission of 1998) with
// a 32-byte block: 8 iterations, each an XOR with key bytes, a substitution
// through a key-made permutation and a key-made pattern of byte diffusion.
// Keys of 1 to 125 bytes; the designers' reference accepts 5 and more, but
// the expansion takes the key cyclically and works for shorter ones too.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_FROG final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_FROG() : TCipher(Class) {}

    static constexpr int kBlock = 32;
    static constexpr int kIterations = 8;

    // One iteration of the internal key.
    struct Iteration {
        uint8_t xorBytes[kBlock];
        uint8_t substitution[256];
        uint8_t bomb[kBlock];  // where each byte's value is XORed to next
    };
    using InternalKey = Iteration[kIterations];

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;

    // The internal keys of the current key, for checks of their shape.
    const InternalKey& EncipherKey() { return UserDataAs<Schedule>().encipher; }
    const InternalKey& DecipherKey() { return UserDataAs<Schedule>().decipher; }

    // Bytes from RAND's "A Million Random Digits" that seed the expansion.
    static const uint8_t kRandomSeed[251];

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        InternalKey encipher;
        InternalKey decipher;  // the same, with each substitution inverted
    };
    static_assert(sizeof(Schedule) == 5120);
};

}  // namespace quellmark
