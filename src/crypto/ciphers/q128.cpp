#include "crypto/ciphers/q128.h"

#include "crypto/bytes.h"

namespace quellmark {

namespace {

// The encipherment of the zero block under the zero key, as the designer's
// reference code computes it.
const uint8_t kKnownAnswer[16] = {0x06, 0x2b, 0x74, 0x99, 0xf1, 0x41, 0xd7, 0x88,
                                  0x0f, 0xb4, 0x3e, 0xa4, 0xd3, 0x6f, 0x41, 0x56};

inline uint32_t T(uint32_t x) { return TCipher_Q128::kTable[x & 0x3FF]; }

struct Words {
    uint32_t s0, s1, s2, s3;
};

inline Words Load(const uint8_t* p) { return {LoadLE32(p), LoadLE32(p + 4), LoadLE32(p + 8), LoadLE32(p + 12)}; }
inline void Store(uint8_t* p, const Words& w) {
    StoreLE32(p, w.s0);
    StoreLE32(p + 4, w.s1);
    StoreLE32(p + 8, w.s2);
    StoreLE32(p + 12, w.s3);
}

// Each word in turn is changed through the table entry chosen by the word
// before it, and each word is rotated once the next has used it.
inline void EncipherRound(Words& w, const uint32_t* r) {
    w.s1 ^= T(w.s0) + r[0];
    w.s0 = Rol32(w.s0, 10);
    w.s2 ^= T(w.s1) + r[1];
    w.s1 = Rol32(w.s1, 10);
    w.s3 ^= T(w.s2) + r[2];
    w.s2 = Rol32(w.s2, 10);
    w.s0 ^= T(w.s3) + r[3];
    w.s3 = Rol32(w.s3, 10);
}

// The steps of a round undone from the last to the first.
inline void DecipherRound(Words& w, const uint32_t* r) {
    w.s3 = Ror32(w.s3, 10);
    w.s0 ^= T(w.s3) + r[3];
    w.s2 = Ror32(w.s2, 10);
    w.s3 ^= T(w.s2) + r[2];
    w.s1 = Ror32(w.s1, 10);
    w.s2 ^= T(w.s1) + r[1];
    w.s0 = Ror32(w.s0, 10);
    w.s1 ^= T(w.s0) + r[0];
}

}  // namespace

const TCipherClass TCipher_Q128::Class = {"TCipher_Q128", {16, 16, 256}, &MakeCipher<TCipher_Q128>, kKnownAnswer};

void TCipher_Q128::EncipherBlock(uint8_t* block) {
    const Schedule& k = UserDataAs<Schedule>();
    Words w = Load(block);
    for (const auto& r : k.round) EncipherRound(w, r);
    Store(block, w);
}

void TCipher_Q128::DecipherBlock(uint8_t* block) {
    const Schedule& k = UserDataAs<Schedule>();
    Words w = Load(block);
    for (int i = 15; i >= 0; --i) DecipherRound(w, k.round[i]);
    Store(block, w);
}

// Every step of a round waits on the step before; two blocks at a time let
// their table look-ups overlap.
void TCipher_Q128::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Schedule& k = UserDataAs<Schedule>();
    for (; count >= 2; count -= 2, blocks += 32) {
        Words a = Load(blocks), b = Load(blocks + 16);
        for (int i = 15; i >= 0; --i) {
            DecipherRound(a, k.round[i]);
            DecipherRound(b, k.round[i]);
        }
        Store(blocks, a);
        Store(blocks + 16, b);
    }
    if (count) DecipherBlock(blocks);
}

void TCipher_Q128::KeySchedule(const uint8_t* key, int32_t size) {
    Schedule& k = UserDataAs<Schedule>();
    uint32_t w[4];
    LoadLE32Padded(w, 4, key, static_cast<std::size_t>(size));
    // Nineteen passes; the first three only mix, the other sixteen each give a round key.
    for (int pass = 0; pass < 19; ++pass) {
        w[1] ^= T(w[0]);
        w[0] = Ror32(w[0], 10);
        w[2] ^= T(w[1]);
        w[1] = Ror32(w[1], 10);
        w[3] ^= T(w[2]);
        w[2] = Ror32(w[2], 10);
        w[0] ^= T(w[3]);
        w[3] = Ror32(w[3], 10);
        if (pass >= 3)
            for (int i = 0; i < 4; ++i) k.round[pass - 3][i] = w[i];
    }
    FillSecret(w, 0, sizeof w);
}

}  // namespace quellmark
