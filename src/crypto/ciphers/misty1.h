#pragma once
// MISTY1 (Matsui, RFC 2994): 64-bit block, 128-bit key, 8 rounds of FO with
// FL layers, the block read as two big-endian 32-bit halves.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Misty final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Misty() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;

    static const uint8_t kS7[128];
    static const uint16_t kS9[512];

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    // EK of RFC 2994: the eight key words K, the derived words K', the low
    // nine bits of each K', the high seven bits of each K'; one word a slot.
    struct Schedule {
        uint32_t k[8];
        uint32_t derived[8];
        uint32_t low9[8];
        uint32_t high7[8];
    };
    static_assert(sizeof(Schedule) == 128);

    uint32_t FO(const Schedule& s, uint32_t in, int k) const;
    uint32_t FL(const Schedule& s, uint32_t in, int k) const;
    uint32_t FLInverse(const Schedule& s, uint32_t in, int k) const;
};

}  // namespace quellmark
