#pragma once
// Blowfish (Schneier, 1993): 64-bit block, 16 rounds, keys of 1 to 56 bytes,
// each block half read and written big-endian as published.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Blowfish final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Blowfish() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

    // The starting tables: the hexadecimal digits of pi.
    static const uint32_t kInitialP[18];
    static const uint32_t kInitialS[4][256];

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        uint32_t s[4][256];
        uint32_t p[18];
    };
    static_assert(sizeof(Schedule) == 4168);

    void EncipherHalves(const Schedule& k, uint32_t& left, uint32_t& right) const;
};

}  // namespace quellmark
