#pragma once
// The CAST substitution boxes and round functions shared by CAST-128 and CAST-256.
#include <cstdint>

#include "crypto/bytes.h"

namespace quellmark {

// kCastSBox[0..3] are S1 to S4 (the round function of both ciphers),
// kCastSBox[4..7] are S5 to S8 (the CAST-128 key schedule).
extern const uint32_t kCastSBox[8][256];

// The three round functions; CAST-128 picks one by the round number modulo
// 3, CAST-256 by the position within its quad-round.
inline uint32_t CastF1(uint32_t d, uint32_t km, uint32_t kr) {
    const uint32_t i = Rol32(km + d, static_cast<int>(kr));
    return ((kCastSBox[0][i >> 24] ^ kCastSBox[1][(i >> 16) & 0xFF]) - kCastSBox[2][(i >> 8) & 0xFF]) +
           kCastSBox[3][i & 0xFF];
}
inline uint32_t CastF2(uint32_t d, uint32_t km, uint32_t kr) {
    const uint32_t i = Rol32(km ^ d, static_cast<int>(kr));
    return ((kCastSBox[0][i >> 24] - kCastSBox[1][(i >> 16) & 0xFF]) + kCastSBox[2][(i >> 8) & 0xFF]) ^
           kCastSBox[3][i & 0xFF];
}
inline uint32_t CastF3(uint32_t d, uint32_t km, uint32_t kr) {
    const uint32_t i = Rol32(km - d, static_cast<int>(kr));
    return ((kCastSBox[0][i >> 24] + kCastSBox[1][(i >> 16) & 0xFF]) ^ kCastSBox[2][(i >> 8) & 0xFF]) -
           kCastSBox[3][i & 0xFF];
}

}  // namespace quellmark
