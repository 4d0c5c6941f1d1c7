#include "crypto/ciphers/cast128.h"

#include <cstring>

#include "crypto/bytes.h"
#include "crypto/ciphers/cast_sboxes.h"

namespace quellmark {

const TCipherClass TCipher_Cast128::Class = {"TCipher_Cast128", {8, 16, 128}, &MakeCipher<TCipher_Cast128>, nullptr};

namespace {

const auto& S5 = kCastSBox[4];
const auto& S6 = kCastSBox[5];
const auto& S7 = kCastSBox[6];
const auto& S8 = kCastSBox[7];


// Byte n (0 = most significant) of a 16-byte value held as four big-endian words.
inline uint8_t ByteOf(const uint32_t (&w)[4], int n) { return static_cast<uint8_t>(w[n >> 2] >> (24 - 8 * (n & 3))); }

// The two alternating steps of the key schedule: z from x, then x from z.
void ZFromX(const uint32_t (&x)[4], uint32_t (&z)[4]) {
    auto X = [&](int n) { return ByteOf(x, n); };
    auto Z = [&](int n) { return ByteOf(z, n); };
    z[0] = x[0] ^ S5[X(0xD)] ^ S6[X(0xF)] ^ S7[X(0xC)] ^ S8[X(0xE)] ^ S7[X(0x8)];
    z[1] = x[2] ^ S5[Z(0x0)] ^ S6[Z(0x2)] ^ S7[Z(0x1)] ^ S8[Z(0x3)] ^ S8[X(0xA)];
    z[2] = x[3] ^ S5[Z(0x7)] ^ S6[Z(0x6)] ^ S7[Z(0x5)] ^ S8[Z(0x4)] ^ S5[X(0x9)];
    z[3] = x[1] ^ S5[Z(0xA)] ^ S6[Z(0x9)] ^ S7[Z(0xB)] ^ S8[Z(0x8)] ^ S6[X(0xB)];
}

void XFromZ(const uint32_t (&z)[4], uint32_t (&x)[4]) {
    auto X = [&](int n) { return ByteOf(x, n); };
    auto Z = [&](int n) { return ByteOf(z, n); };
    x[0] = z[2] ^ S5[Z(0x5)] ^ S6[Z(0x7)] ^ S7[Z(0x4)] ^ S8[Z(0x6)] ^ S7[Z(0x0)];
    x[1] = z[0] ^ S5[X(0x0)] ^ S6[X(0x2)] ^ S7[X(0x1)] ^ S8[X(0x3)] ^ S8[Z(0x2)];
    x[2] = z[1] ^ S5[X(0x7)] ^ S6[X(0x6)] ^ S7[X(0x5)] ^ S8[X(0x4)] ^ S5[Z(0x1)];
    x[3] = z[3] ^ S5[X(0xA)] ^ S6[X(0x9)] ^ S7[X(0xB)] ^ S8[X(0x8)] ^ S6[Z(0x3)];
}

// Which bytes make each subkey: S5[a] ^ S6[b] ^ S7[c] ^ S8[d] ^ S(4 + box)[e],
// taken from z for the first and third group of four, from x for the others.
struct Pick {
    uint8_t a, b, c, d, box, e;
};
constexpr Pick kPicks[16] = {
    {0x8, 0x9, 0x7, 0x6, 1, 0x2}, {0xA, 0xB, 0x5, 0x4, 2, 0x6}, {0xC, 0xD, 0x3, 0x2, 3, 0x9}, {0xE, 0xF, 0x1, 0x0, 4, 0xC},
    {0x3, 0x2, 0xC, 0xD, 1, 0x8}, {0x1, 0x0, 0xE, 0xF, 2, 0xD}, {0x7, 0x6, 0x8, 0x9, 3, 0x3}, {0x5, 0x4, 0xA, 0xB, 4, 0x7},
    {0x3, 0x2, 0xC, 0xD, 1, 0x9}, {0x1, 0x0, 0xE, 0xF, 2, 0xC}, {0x7, 0x6, 0x8, 0x9, 3, 0x2}, {0x5, 0x4, 0xA, 0xB, 4, 0x6},
    {0x8, 0x9, 0x7, 0x6, 1, 0x3}, {0xA, 0xB, 0x5, 0x4, 2, 0x7}, {0xC, 0xD, 0x3, 0x2, 3, 0x8}, {0xE, 0xF, 0x1, 0x0, 4, 0xD},
};

uint32_t Subkey(const uint32_t (&w)[4], const Pick& p) {
    return S5[ByteOf(w, p.a)] ^ S6[ByteOf(w, p.b)] ^ S7[ByteOf(w, p.c)] ^ S8[ByteOf(w, p.d)] ^
           kCastSBox[3 + p.box][ByteOf(w, p.e)];
}

// Sixteen subkeys; x moves on, so a second call gives the next sixteen.
void SixteenSubkeys(uint32_t (&x)[4], uint32_t (&z)[4], uint32_t* out) {
    for (int group = 0; group < 4; group += 2) {
        ZFromX(x, z);
        for (int i = 0; i < 4; ++i) out[4 * group + i] = Subkey(z, kPicks[4 * group + i]);
        XFromZ(z, x);
        for (int i = 0; i < 4; ++i) out[4 * group + 4 + i] = Subkey(x, kPicks[4 * group + 4 + i]);
    }
}

}  // namespace

// Rounds 1, 4, 7, ... use F1, rounds 2, 5, ... F2, rounds 3, 6, ... F3; three
// rounds per step so each function is called directly.
#define CAST_THREE_ROUNDS(k, i, l, r)                  \
    do {                                               \
        (l) ^= CastF1((r), (k).km[(i)], (k).kr[(i)]);         \
        (r) ^= CastF2((l), (k).km[(i) + 1], (k).kr[(i) + 1]); \
        (l) ^= CastF3((r), (k).km[(i) + 2], (k).kr[(i) + 2]); \
    } while (0)

void TCipher_Cast128::EncipherBlock(uint8_t* block) {
    const Schedule& k = UserDataAs<Schedule>();
    uint32_t l = LoadBE32(block), r = LoadBE32(block + 4);
    // After each group of three rounds the halves have traded places once.
    for (int i = 0; i < 12; i += 6) {
        CAST_THREE_ROUNDS(k, i, l, r);
        CAST_THREE_ROUNDS(k, i + 3, r, l);
    }
    if (rounds_ > 12) {
        CAST_THREE_ROUNDS(k, 12, l, r);
        r ^= CastF1(l, k.km[15], k.kr[15]);
    }
    StoreBE32(block, r);
    StoreBE32(block + 4, l);
}

// Deciphering runs the rounds backwards; round i keeps its own function.
#define CAST_THREE_ROUNDS_BACK(k, i, l, r)             \
    do {                                               \
        (l) ^= CastF3((r), (k).km[(i) + 2], (k).kr[(i) + 2]); \
        (r) ^= CastF2((l), (k).km[(i) + 1], (k).kr[(i) + 1]); \
        (l) ^= CastF1((r), (k).km[(i)], (k).kr[(i)]);         \
    } while (0)

void TCipher_Cast128::DecipherBlock(uint8_t* block) {
    const Schedule& k = UserDataAs<Schedule>();
    uint32_t l = LoadBE32(block), r = LoadBE32(block + 4);
    if (rounds_ > 12) {
        l ^= CastF1(r, k.km[15], k.kr[15]);
        CAST_THREE_ROUNDS_BACK(k, 12, r, l);
    }
    for (int i = 6; i >= 0; i -= 6) {
        CAST_THREE_ROUNDS_BACK(k, i + 3, l, r);
        CAST_THREE_ROUNDS_BACK(k, i, r, l);
    }
    StoreBE32(block, r);
    StoreBE32(block + 4, l);
}

// Two blocks at a time: each block's rounds are one long dependency chain of
// table look-ups, and two chains side by side keep the processor busy.
void TCipher_Cast128::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Schedule& k = UserDataAs<Schedule>();
    for (; count >= 2; count -= 2, blocks += 16) {
        uint32_t l0 = LoadBE32(blocks), r0 = LoadBE32(blocks + 4);
        uint32_t l1 = LoadBE32(blocks + 8), r1 = LoadBE32(blocks + 12);
        if (rounds_ > 12) {
            l0 ^= CastF1(r0, k.km[15], k.kr[15]);
            l1 ^= CastF1(r1, k.km[15], k.kr[15]);
            CAST_THREE_ROUNDS_BACK(k, 12, r0, l0);
            CAST_THREE_ROUNDS_BACK(k, 12, r1, l1);
        }
        for (int i = 6; i >= 0; i -= 6) {
            CAST_THREE_ROUNDS_BACK(k, i + 3, l0, r0);
            CAST_THREE_ROUNDS_BACK(k, i + 3, l1, r1);
            CAST_THREE_ROUNDS_BACK(k, i, r0, l0);
            CAST_THREE_ROUNDS_BACK(k, i, r1, l1);
        }
        StoreBE32(blocks, r0);
        StoreBE32(blocks + 4, l0);
        StoreBE32(blocks + 8, r1);
        StoreBE32(blocks + 12, l1);
    }
    if (count) DecipherBlock(blocks);
}

#undef CAST_THREE_ROUNDS
#undef CAST_THREE_ROUNDS_BACK

void TCipher_Cast128::KeySchedule(const uint8_t* key, int32_t size) {
    rounds_ = size <= 10 ? 12 : 16;
    uint8_t padded[16] = {};
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));  // an empty key may come without bytes
    uint32_t x[4], z[4], rotations[16];
    for (int i = 0; i < 4; ++i) x[i] = LoadBE32(padded + 4 * i);

    Schedule& k = UserDataAs<Schedule>();
    SixteenSubkeys(x, z, k.km);
    SixteenSubkeys(x, z, rotations);
    for (int i = 0; i < 16; ++i) k.kr[i] = rotations[i] & 31;

    FillSecret(padded, 0, sizeof padded);
    FillSecret(x, 0, sizeof x);
    FillSecret(z, 0, sizeof z);
    FillSecret(rotations, 0, sizeof rotations);
}

}  // namespace quellmark
