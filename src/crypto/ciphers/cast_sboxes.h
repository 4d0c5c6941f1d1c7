#pragma once
// The CAST substitution boxes shared by CAST-128 and CAST-256.
#include <cstdint>

// kCastSBox[0..3] are S1 to S4 (the round function of both ciphers),
// kCastSBox[4..7] are S5 to S8 (the CAST-128 key schedule).
extern const uint32_t kCastSBox[8][256];
