#include "crypto/ciphers/skipjack.h"

#include <cstring>

#include "crypto/bytes.h"

namespace quellmark {

const TCipherClass TCipher_Skipjack::Class = {"TCipher_Skipjack", {8, 10, 2560}, &MakeCipher<TCipher_Skipjack>, nullptr};

const uint8_t TCipher_Skipjack::kFTable[256] = {
    0xa3, 0xd7, 0x09, 0x83, 0xf8, 0x48, 0xf6, 0xf4, 0xb3, 0x21, 0x15, 0x78, 0x99, 0xb1, 0xaf, 0xf9,
    0xe7, 0x2d, 0x4d, 0x8a, 0xce, 0x4c, 0xca, 0x2e, 0x52, 0x95, 0xd9, 0x1e, 0x4e, 0x38, 0x44, 0x28,
    0x0a, 0xdf, 0x02, 0xa0, 0x17, 0xf1, 0x60, 0x68, 0x12, 0xb7, 0x7a, 0xc3, 0xe9, 0xfa, 0x3d, 0x53,
    0x96, 0x84, 0x6b, 0xba, 0xf2, 0x63, 0x9a, 0x19, 0x7c, 0xae, 0xe5, 0xf5, 0xf7, 0x16, 0x6a, 0xa2,
    0x39, 0xb6, 0x7b, 0x0f, 0xc1, 0x93, 0x81, 0x1b, 0xee, 0xb4, 0x1a, 0xea, 0xd0, 0x91, 0x2f, 0xb8,
    0x55, 0xb9, 0xda, 0x85, 0x3f, 0x41, 0xbf, 0xe0, 0x5a, 0x58, 0x80, 0x5f, 0x66, 0x0b, 0xd8, 0x90,
    0x35, 0xd5, 0xc0, 0xa7, 0x33, 0x06, 0x65, 0x69, 0x45, 0x00, 0x94, 0x56, 0x6d, 0x98, 0x9b, 0x76,
    0x97, 0xfc, 0xb2, 0xc2, 0xb0, 0xfe, 0xdb, 0x20, 0xe1, 0xeb, 0xd6, 0xe4, 0xdd, 0x47, 0x4a, 0x1d,
    0x42, 0xed, 0x9e, 0x6e, 0x49, 0x3c, 0xcd, 0x43, 0x27, 0xd2, 0x07, 0xd4, 0xde, 0xc7, 0x67, 0x18,
    0x89, 0xcb, 0x30, 0x1f, 0x8d, 0xc6, 0x8f, 0xaa, 0xc8, 0x74, 0xdc, 0xc9, 0x5d, 0x5c, 0x31, 0xa4,
    0x70, 0x88, 0x61, 0x2c, 0x9f, 0x0d, 0x2b, 0x87, 0x50, 0x82, 0x54, 0x64, 0x26, 0x7d, 0x03, 0x40,
    0x34, 0x4b, 0x1c, 0x73, 0xd1, 0xc4, 0xfd, 0x3b, 0xcc, 0xfb, 0x7f, 0xab, 0xe6, 0x3e, 0x5b, 0xa5,
    0xad, 0x04, 0x23, 0x9c, 0x14, 0x51, 0x22, 0xf0, 0x29, 0x79, 0x71, 0x7e, 0xff, 0x8c, 0x0e, 0xe2,
    0x0c, 0xef, 0xbc, 0x72, 0x75, 0x6f, 0x37, 0xa1, 0xec, 0xd3, 0x8e, 0x62, 0x8b, 0x86, 0x10, 0xe8,
    0x08, 0x77, 0x11, 0xbe, 0x92, 0x4f, 0x24, 0xc5, 0x32, 0x36, 0x9d, 0xcf, 0xf3, 0xa6, 0xbb, 0xac,
    0x5e, 0x6c, 0xa9, 0x13, 0x57, 0x25, 0xb5, 0xe3, 0xbd, 0xa8, 0x3a, 0x01, 0x05, 0x59, 0x2a, 0x46,};

namespace {

using Tables = uint8_t[10][256];

// The G permutation of round k (counted from 0): a four-round Feistel
// network on the two bytes of w, using key bytes 4k .. 4k+3 (mod 10).
inline uint16_t G(const Tables& f, int k, uint16_t w) {
    const int t = (4 * k) % 10;
    uint8_t high = uint8_t(w >> 8), low = uint8_t(w);
    high ^= f[t][low];
    low ^= f[(t + 1) % 10][high];
    high ^= f[(t + 2) % 10][low];
    low ^= f[(t + 3) % 10][high];
    return uint16_t(high << 8 | low);
}

inline uint16_t GInverse(const Tables& f, int k, uint16_t w) {
    const int t = (4 * k) % 10;
    uint8_t high = uint8_t(w >> 8), low = uint8_t(w);
    low ^= f[(t + 3) % 10][high];
    high ^= f[(t + 2) % 10][low];
    low ^= f[(t + 1) % 10][high];
    high ^= f[t][low];
    return uint16_t(high << 8 | low);
}

// Rounds k .. k+7 (from 0), each carrying counter k+1.
inline void RulesA(const Tables& f, int k, uint16_t& w1, uint16_t& w2, uint16_t& w3, uint16_t& w4) {
    for (int end = k + 8; k < end; ++k) {
        const uint16_t g = G(f, k, w1);
        const uint16_t next1 = uint16_t(g ^ w4 ^ (k + 1));
        w4 = w3;
        w3 = w2;
        w2 = g;
        w1 = next1;
    }
}

inline void RulesB(const Tables& f, int k, uint16_t& w1, uint16_t& w2, uint16_t& w3, uint16_t& w4) {
    for (int end = k + 8; k < end; ++k) {
        const uint16_t g = G(f, k, w1);
        const uint16_t next3 = uint16_t(w1 ^ w2 ^ (k + 1));
        w1 = w4;
        w4 = w3;
        w3 = next3;
        w2 = g;
    }
}

// Deciphering works on N blocks side by side, lane by lane within each
// round: every block's rounds are one dependency chain, and running several
// keeps the processor busy.
template <int N>
struct Lanes {
    uint16_t w1[N], w2[N], w3[N], w4[N];
};

// Rounds k+7 down to k, undoing rule A.
template <int N>
inline void InverseRulesA(const Tables& f, int k, Lanes<N>& w) {
    for (int r = k + 7; r >= k; --r) {
        for (int l = 0; l < N; ++l) {
            const uint16_t previous1 = GInverse(f, r, w.w2[l]);
            const uint16_t previous4 = uint16_t(w.w1[l] ^ w.w2[l] ^ (r + 1));
            w.w1[l] = previous1;
            w.w2[l] = w.w3[l];
            w.w3[l] = w.w4[l];
            w.w4[l] = previous4;
        }
    }
}

template <int N>
inline void InverseRulesB(const Tables& f, int k, Lanes<N>& w) {
    for (int r = k + 7; r >= k; --r) {
        for (int l = 0; l < N; ++l) {
            const uint16_t previous1 = GInverse(f, r, w.w2[l]);
            const uint16_t previous2 = uint16_t(previous1 ^ w.w3[l] ^ (r + 1));
            const uint16_t previous4 = w.w1[l];
            w.w1[l] = previous1;
            w.w2[l] = previous2;
            w.w3[l] = w.w4[l];
            w.w4[l] = previous4;
        }
    }
}

}  // namespace

void TCipher_Skipjack::EncipherBlock(uint8_t* block) {
    const Tables& f = UserDataAs<Schedule>().f;
    uint16_t w1 = LoadBE16(block), w2 = LoadBE16(block + 2), w3 = LoadBE16(block + 4), w4 = LoadBE16(block + 6);
    RulesA(f, 0, w1, w2, w3, w4);
    RulesB(f, 8, w1, w2, w3, w4);
    RulesA(f, 16, w1, w2, w3, w4);
    RulesB(f, 24, w1, w2, w3, w4);
    StoreBE16(block, w1);
    StoreBE16(block + 2, w2);
    StoreBE16(block + 4, w3);
    StoreBE16(block + 6, w4);
}

namespace {

template <int N>
void DecipherBlocksOf(const Tables& f, uint8_t* blocks) {
    Lanes<N> w;
    for (int l = 0; l < N; ++l) {
        const uint8_t* p = blocks + 8 * l;
        w.w1[l] = LoadBE16(p);
        w.w2[l] = LoadBE16(p + 2);
        w.w3[l] = LoadBE16(p + 4);
        w.w4[l] = LoadBE16(p + 6);
    }
    InverseRulesB<N>(f, 24, w);
    InverseRulesA<N>(f, 16, w);
    InverseRulesB<N>(f, 8, w);
    InverseRulesA<N>(f, 0, w);
    for (int l = 0; l < N; ++l) {
        uint8_t* p = blocks + 8 * l;
        StoreBE16(p, w.w1[l]);
        StoreBE16(p + 2, w.w2[l]);
        StoreBE16(p + 4, w.w3[l]);
        StoreBE16(p + 6, w.w4[l]);
    }
}

}  // namespace

void TCipher_Skipjack::DecipherBlock(uint8_t* block) { DecipherBlocksOf<1>(UserDataAs<Schedule>().f, block); }

void TCipher_Skipjack::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Tables& f = UserDataAs<Schedule>().f;
    for (; count >= 2; count -= 2, blocks += 16) DecipherBlocksOf<2>(f, blocks);
    if (count) DecipherBlocksOf<1>(f, blocks);
}

void TCipher_Skipjack::KeySchedule(const uint8_t* key, int32_t size) {
    uint8_t padded[10] = {};
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));
    Schedule& k = UserDataAs<Schedule>();
    for (int i = 0; i < 10; ++i)
        for (int x = 0; x < 256; ++x) k.f[i][x] = kFTable[x ^ padded[i]];
    FillSecret(padded, 0, sizeof padded);
}

}  // namespace quellmark
