#include "crypto/ciphers/blowfish.h"

#include <cstring>

#include "crypto/bytes.h"

namespace quellmark {

namespace {

// The encipherment of an all-zero block under an all-zero key.
const uint8_t kKnownAnswer[8] = {0x4e, 0xf9, 0x97, 0x45, 0x61, 0x98, 0xdd, 0x78};

}  // namespace

const TCipherClass TCipher_Blowfish::Class = {"TCipher_Blowfish", {8, 56, 4168}, &MakeCipher<TCipher_Blowfish>, kKnownAnswer};

#define BLOWFISH_F(k, x) \
    ((((k).s[0][(x) >> 24] + (k).s[1][((x) >> 16) & 0xFF]) ^ (k).s[2][((x) >> 8) & 0xFF]) + (k).s[3][(x) & 0xFF])

void TCipher_Blowfish::EncipherHalves(const Schedule& k, uint32_t& left, uint32_t& right) const {
    uint32_t l = left ^ k.p[0], r = right;
    // Two rounds per pass, so the halves trade places without a swap.
    for (int i = 1; i <= 16; i += 2) {
        r ^= BLOWFISH_F(k, l) ^ k.p[i];
        l ^= BLOWFISH_F(k, r) ^ k.p[i + 1];
    }
    left = r ^ k.p[17];
    right = l;
}

void TCipher_Blowfish::EncipherBlock(uint8_t* block) {
    const Schedule& k = UserDataAs<Schedule>();
    uint32_t left = LoadBE32(block), right = LoadBE32(block + 4);
    EncipherHalves(k, left, right);
    StoreBE32(block, left);
    StoreBE32(block + 4, right);
}

void TCipher_Blowfish::DecipherBlock(uint8_t* block) {
    const Schedule& k = UserDataAs<Schedule>();
    uint32_t l = LoadBE32(block) ^ k.p[17], r = LoadBE32(block + 4);
    for (int i = 16; i >= 1; i -= 2) {
        r ^= BLOWFISH_F(k, l) ^ k.p[i];
        l ^= BLOWFISH_F(k, r) ^ k.p[i - 1];
    }
    StoreBE32(block, r ^ k.p[0]);
    StoreBE32(block + 4, l);
}

// Two blocks at a time: each block's rounds form one long dependency chain of
// table look-ups, and interleaving two chains keeps the processor busy.
void TCipher_Blowfish::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Schedule& k = UserDataAs<Schedule>();
    for (; count >= 2; count -= 2, blocks += 16) {
        uint32_t l0 = LoadBE32(blocks) ^ k.p[17], r0 = LoadBE32(blocks + 4);
        uint32_t l1 = LoadBE32(blocks + 8) ^ k.p[17], r1 = LoadBE32(blocks + 12);
        for (int i = 16; i >= 1; i -= 2) {
            r0 ^= BLOWFISH_F(k, l0) ^ k.p[i];
            r1 ^= BLOWFISH_F(k, l1) ^ k.p[i];
            l0 ^= BLOWFISH_F(k, r0) ^ k.p[i - 1];
            l1 ^= BLOWFISH_F(k, r1) ^ k.p[i - 1];
        }
        StoreBE32(blocks, r0 ^ k.p[0]);
        StoreBE32(blocks + 4, l0);
        StoreBE32(blocks + 8, r1 ^ k.p[0]);
        StoreBE32(blocks + 12, l1);
    }
    if (count) DecipherBlock(blocks);
}

#undef BLOWFISH_F

void TCipher_Blowfish::KeySchedule(const uint8_t* key, int32_t size) {
    // The schedule takes the key cyclically; an empty key has nothing to cycle.
    if (size == 0) RaiseKeySizeError(1);
    Schedule& k = UserDataAs<Schedule>();
    std::memcpy(k.s, kInitialS, sizeof k.s);
    std::memcpy(k.p, kInitialP, sizeof k.p);

    int32_t j = 0;
    for (uint32_t& p : k.p) {
        uint32_t word = 0;
        for (int b = 0; b < 4; ++b) word = word << 8 | key[(j + b) % size];
        p ^= word;
        j = (j + 4) % size;
    }
    uint32_t left = 0, right = 0;
    for (int i = 0; i < 18; i += 2) {
        EncipherHalves(k, left, right);
        k.p[i] = left;
        k.p[i + 1] = right;
    }
    for (auto& box : k.s) {
        for (int i = 0; i < 256; i += 2) {
            EncipherHalves(k, left, right);
            box[i] = left;
            box[i + 1] = right;
        }
    }
    left = right = 0;
}

}  // namespace quellmark
