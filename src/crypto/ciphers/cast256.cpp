#include "crypto/ciphers/cast256.h"

#include <cstring>

#include "crypto/bytes.h"
#include "crypto/ciphers/cast_sboxes.h"

namespace quellmark {

const TCipherClass TCipher_Cast256::Class = {"TCipher_Cast256", {16, 32, 384}, &MakeCipher<TCipher_Cast256>, nullptr};

namespace {



// The forward quad-round Q and the reverse quad-round QBAR on the words
// A, B, C, D (w[0..3]) with the four subkey pairs starting at m and r.
inline void Quad(uint32_t (&w)[4], const uint32_t* m, const uint32_t* r) {
    w[2] ^= CastF1(w[3], m[0], r[0]);
    w[1] ^= CastF2(w[2], m[1], r[1]);
    w[0] ^= CastF3(w[1], m[2], r[2]);
    w[3] ^= CastF1(w[0], m[3], r[3]);
}
inline void QuadBar(uint32_t (&w)[4], const uint32_t* m, const uint32_t* r) {
    w[3] ^= CastF1(w[0], m[3], r[3]);
    w[0] ^= CastF3(w[1], m[2], r[2]);
    w[1] ^= CastF2(w[2], m[1], r[1]);
    w[2] ^= CastF1(w[3], m[0], r[0]);
}

void Load(const uint8_t* block, uint32_t (&w)[4]) {
    for (int i = 0; i < 4; ++i) w[i] = LoadBE32(block + 4 * i);
}
void Store(uint8_t* block, const uint32_t (&w)[4]) {
    for (int i = 0; i < 4; ++i) StoreBE32(block + 4 * i, w[i]);
}

}  // namespace

void TCipher_Cast256::EncipherBlock(uint8_t* block) {
    const Schedule& k = UserDataAs<Schedule>();
    uint32_t w[4];
    Load(block, w);
    for (int i = 0; i < 6; ++i) Quad(w, k.km + 4 * i, k.kr + 4 * i);
    for (int i = 6; i < 12; ++i) QuadBar(w, k.km + 4 * i, k.kr + 4 * i);
    Store(block, w);
}

// The same quad-rounds with the subkey sets in reverse order.
void TCipher_Cast256::DecipherBlock(uint8_t* block) {
    const Schedule& k = UserDataAs<Schedule>();
    uint32_t w[4];
    Load(block, w);
    for (int i = 11; i >= 6; --i) Quad(w, k.km + 4 * i, k.kr + 4 * i);
    for (int i = 5; i >= 0; --i) QuadBar(w, k.km + 4 * i, k.kr + 4 * i);
    Store(block, w);
}

// Two blocks side by side, so two independent chains of look-ups overlap.
void TCipher_Cast256::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Schedule& k = UserDataAs<Schedule>();
    for (; count >= 2; count -= 2, blocks += 32) {
        uint32_t a[4], b[4];
        Load(blocks, a);
        Load(blocks + 16, b);
        for (int i = 11; i >= 6; --i) {
            Quad(a, k.km + 4 * i, k.kr + 4 * i);
            Quad(b, k.km + 4 * i, k.kr + 4 * i);
        }
        for (int i = 5; i >= 0; --i) {
            QuadBar(a, k.km + 4 * i, k.kr + 4 * i);
            QuadBar(b, k.km + 4 * i, k.kr + 4 * i);
        }
        Store(blocks, a);
        Store(blocks + 16, b);
    }
    if (count) DecipherBlock(blocks);
}

void TCipher_Cast256::KeySchedule(const uint8_t* key, int32_t size) {
    uint8_t padded[32] = {};
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));  // an empty key may come without bytes
    uint32_t kappa[8];  // A B C D E F G H
    for (int i = 0; i < 8; ++i) kappa[i] = LoadBE32(padded + 4 * i);

    // The key-schedule constants run on through all 24 octave steps:
    // masking values from Cm in steps of Mm, rotations from Cr in steps of Mr.
    uint32_t tm = 0x5A827999;
    uint32_t tr = 19;
    auto octave = [&] {
        uint32_t m[8], r[8];
        for (int j = 0; j < 8; ++j) {
            m[j] = tm;
            tm += 0x6ED9EBA1;
            r[j] = tr;
            tr = (tr + 17) & 31;
        }
        kappa[6] ^= CastF1(kappa[7], m[0], r[0]);
        kappa[5] ^= CastF2(kappa[6], m[1], r[1]);
        kappa[4] ^= CastF3(kappa[5], m[2], r[2]);
        kappa[3] ^= CastF1(kappa[4], m[3], r[3]);
        kappa[2] ^= CastF2(kappa[3], m[4], r[4]);
        kappa[1] ^= CastF3(kappa[2], m[5], r[5]);
        kappa[0] ^= CastF1(kappa[1], m[6], r[6]);
        kappa[7] ^= CastF2(kappa[0], m[7], r[7]);
    };

    Schedule& k = UserDataAs<Schedule>();
    for (int i = 0; i < 12; ++i) {
        octave();
        octave();
        // Rotations from A, C, E, G; masks from H, F, D, B.
        for (int j = 0; j < 4; ++j) {
            k.kr[4 * i + j] = kappa[2 * j] & 31;
            k.km[4 * i + j] = kappa[7 - 2 * j];
        }
    }

    FillSecret(padded, 0, sizeof padded);
    FillSecret(kappa, 0, sizeof kappa);
}

}  // namespace quellmark
