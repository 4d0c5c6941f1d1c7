// RIPEMD-256 after Dobbertin, Bosselaers and Preneel: two parallel lines of
// four rounds (the RIPEMD-128 step), exchanging one register after each round.
#include "crypto/hashes/ripemd.h"

#include <utility>

#include "crypto/bytes.h"

namespace {

// Message word order and rotation of the left and right lines, rounds 1 to 4.
constexpr uint8_t kOrderLeft[64] = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
    7, 4, 13, 1, 10, 6, 15, 3, 12, 0, 9, 5, 2, 14, 11, 8,
    3, 10, 14, 4, 9, 15, 8, 1, 2, 7, 0, 6, 13, 11, 5, 12,
    1, 9, 11, 10, 0, 8, 12, 4, 13, 3, 7, 15, 14, 5, 6, 2};
constexpr uint8_t kOrderRight[64] = {
    5, 14, 7, 0, 9, 2, 11, 4, 13, 6, 15, 8, 1, 10, 3, 12,
    6, 11, 3, 7, 0, 13, 5, 10, 14, 15, 8, 12, 4, 9, 1, 2,
    15, 5, 1, 3, 7, 14, 6, 9, 11, 8, 12, 2, 10, 0, 4, 13,
    8, 6, 4, 1, 3, 11, 15, 0, 5, 12, 2, 13, 9, 7, 10, 14};
constexpr uint8_t kShiftLeft[64] = {
    11, 14, 15, 12, 5, 8, 7, 9, 11, 13, 14, 15, 6, 7, 9, 8,
    7, 6, 8, 13, 11, 9, 7, 15, 7, 12, 15, 9, 11, 7, 13, 12,
    11, 13, 6, 7, 14, 9, 13, 15, 14, 8, 13, 6, 5, 12, 7, 5,
    11, 12, 14, 15, 14, 15, 9, 8, 9, 14, 5, 6, 8, 6, 5, 12};
constexpr uint8_t kShiftRight[64] = {
    8, 9, 9, 11, 13, 15, 15, 5, 7, 7, 8, 11, 14, 14, 12, 6,
    9, 13, 15, 7, 12, 8, 9, 11, 7, 7, 12, 7, 6, 15, 13, 11,
    9, 7, 15, 11, 8, 6, 6, 14, 12, 13, 5, 14, 13, 13, 7, 5,
    15, 5, 8, 11, 14, 14, 6, 14, 6, 9, 12, 9, 12, 5, 15, 8};
constexpr uint32_t kConstLeft[4] = {0x00000000, 0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC};
constexpr uint32_t kConstRight[4] = {0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0x00000000};

// The four Boolean functions; the left line uses them in order, the right line backwards.
template <int F>
inline uint32_t Boolean(uint32_t x, uint32_t y, uint32_t z) {
    // The selections are written in their shorter equivalent forms:
    // (x & y) | (~x & z) == z ^ (x & (y ^ z)), (x & z) | (y & ~z) == y ^ (z & (x ^ y)).
    if constexpr (F == 0) return x ^ y ^ z;
    else if constexpr (F == 1) return z ^ (x & (y ^ z));
    else if constexpr (F == 2) return (x | ~y) ^ z;
    else return y ^ (z & (x ^ y));
}

struct Line {
    uint32_t a, b, c, d;
};

inline void Step(Line& s, uint32_t f, uint32_t word, uint32_t k, int shift) {
    uint32_t t = Rol32(s.a + f + word + k, shift);
    s.a = s.d;
    s.d = s.c;
    s.c = s.b;
    s.b = t;
}

// Round `R` (0 to 3) of both lines, step by step side by side: the two
// lines are independent, so interleaving them lets the processor overlap them.
template <int R>
inline void Round(Line& left, Line& right, const uint32_t* x) {
    constexpr int FL = R, FR = 3 - R;
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
        const int at = 16 * R + i;
        Step(left, Boolean<FL>(left.b, left.c, left.d), x[kOrderLeft[at]], kConstLeft[R], kShiftLeft[at]);
        Step(right, Boolean<FR>(right.b, right.c, right.d), x[kOrderRight[at]], kConstRight[R], kShiftRight[at]);
    }
}

}  // namespace

void THash_RipeMD256::Restart() {
    Start({0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0x76543210, 0xFEDCBA98, 0x89ABCDEF, 0x01234567});
}

void THash_RipeMD256::CompressBlock(const uint8_t* block) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLE32(block + 4 * i);
    Line left{digest_[0], digest_[1], digest_[2], digest_[3]};
    Line right{digest_[4], digest_[5], digest_[6], digest_[7]};

    Round<0>(left, right, x);
    std::swap(left.a, right.a);
    Round<1>(left, right, x);
    std::swap(left.b, right.b);
    Round<2>(left, right, x);
    std::swap(left.c, right.c);
    Round<3>(left, right, x);
    std::swap(left.d, right.d);

    digest_[0] += left.a; digest_[1] += left.b; digest_[2] += left.c; digest_[3] += left.d;
    digest_[4] += right.a; digest_[5] += right.b; digest_[6] += right.c; digest_[7] += right.d;
}

static const uint8_t kRipeMD256KnownAnswer[32] = {
    0xc3, 0xb1, 0xd7, 0xac, 0xa8, 0x9a, 0x47, 0x7a, 0x38, 0xd3, 0x6d, 0x39, 0xef, 0x00, 0xfb, 0x45,
    0xfc, 0x4e, 0xc3, 0x1a, 0x71, 0x21, 0xdb, 0x9e, 0x1c, 0x76, 0xc5, 0xde, 0x99, 0x88, 0x18, 0xc2};
const THashClass THash_RipeMD256::Class = {"THash_RipeMD256", 32, &MakeHash<THash_RipeMD256>, kRipeMD256KnownAnswer};
