// RIPEMD-128, -160, -256 and -320 after Dobbertin, Bosselaers and Preneel.
#include "crypto/hashes/ripemd.h"

#include <utility>

#include "crypto/bytes.h"

namespace quellmark {

namespace {

// Message word order and rotation of the left and right lines, rounds 1 to 5
// (the four-round forms use the first four).
constexpr uint8_t kOrderLeft[80] = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
    7, 4, 13, 1, 10, 6, 15, 3, 12, 0, 9, 5, 2, 14, 11, 8,
    3, 10, 14, 4, 9, 15, 8, 1, 2, 7, 0, 6, 13, 11, 5, 12,
    1, 9, 11, 10, 0, 8, 12, 4, 13, 3, 7, 15, 14, 5, 6, 2,
    4, 0, 5, 9, 7, 12, 2, 10, 14, 1, 3, 8, 11, 6, 15, 13};
constexpr uint8_t kOrderRight[80] = {
    5, 14, 7, 0, 9, 2, 11, 4, 13, 6, 15, 8, 1, 10, 3, 12,
    6, 11, 3, 7, 0, 13, 5, 10, 14, 15, 8, 12, 4, 9, 1, 2,
    15, 5, 1, 3, 7, 14, 6, 9, 11, 8, 12, 2, 10, 0, 4, 13,
    8, 6, 4, 1, 3, 11, 15, 0, 5, 12, 2, 13, 9, 7, 10, 14,
    12, 15, 10, 4, 1, 5, 8, 7, 6, 2, 13, 14, 0, 3, 9, 11};
constexpr uint8_t kShiftLeft[80] = {
    11, 14, 15, 12, 5, 8, 7, 9, 11, 13, 14, 15, 6, 7, 9, 8,
    7, 6, 8, 13, 11, 9, 7, 15, 7, 12, 15, 9, 11, 7, 13, 12,
    11, 13, 6, 7, 14, 9, 13, 15, 14, 8, 13, 6, 5, 12, 7, 5,
    11, 12, 14, 15, 14, 15, 9, 8, 9, 14, 5, 6, 8, 6, 5, 12,
    9, 15, 5, 11, 6, 8, 13, 12, 5, 12, 13, 14, 11, 8, 5, 6};
constexpr uint8_t kShiftRight[80] = {
    8, 9, 9, 11, 13, 15, 15, 5, 7, 7, 8, 11, 14, 14, 12, 6,
    9, 13, 15, 7, 12, 8, 9, 11, 7, 7, 12, 7, 6, 15, 13, 11,
    9, 7, 15, 11, 8, 6, 6, 14, 12, 13, 5, 14, 13, 13, 7, 5,
    15, 5, 8, 11, 14, 14, 6, 14, 6, 9, 12, 9, 12, 5, 15, 8,
    8, 5, 12, 9, 12, 5, 14, 6, 8, 13, 6, 5, 15, 13, 11, 11};
constexpr uint32_t kConstLeft[5] = {0x00000000, 0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xA953FD4E};
constexpr uint32_t kConstRight4[4] = {0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0x00000000};
constexpr uint32_t kConstRight5[5] = {0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0x7A6D76E9, 0x00000000};

// The five Boolean functions; the left line uses them in order, the right
// line backwards (the four-round forms use the first four).
template <int F>
inline uint32_t Boolean(uint32_t x, uint32_t y, uint32_t z) {
    // The selections are written in their shorter equivalent forms:
    // (x & y) | (~x & z) == z ^ (x & (y ^ z)), (x & z) | (y & ~z) == y ^ (z & (x ^ y)).
    if constexpr (F == 0) return x ^ y ^ z;
    else if constexpr (F == 1) return z ^ (x & (y ^ z));
    else if constexpr (F == 2) return (x | ~y) ^ z;
    else if constexpr (F == 3) return y ^ (z & (x ^ y));
    else return x ^ (y | ~z);
}

// The state of one line. Each step writes its result into b and moves the
// other registers one place along, so the names always mean the roles the
// next step gives them; the compiler turns the moves into register renaming.
struct Line4 {
    static constexpr int kRounds = 4;
    uint32_t a, b, c, d;

    void Step(uint32_t f, uint32_t word, uint32_t k, int shift) {
        uint32_t t = Rol32(a + f + word + k, shift);
        a = d;
        d = c;
        c = b;
        b = t;
    }
};

struct Line5 {
    static constexpr int kRounds = 5;
    uint32_t a, b, c, d, e;

    void Step(uint32_t f, uint32_t word, uint32_t k, int shift) {
        uint32_t t = Rol32(a + f + word + k, shift) + e;
        a = e;
        e = d;
        d = Rol32(c, 10);
        c = b;
        b = t;
    }
};

// Round `R` of both lines, step by step side by side: the two lines are
// independent, so interleaving them lets the processor overlap them.
template <int R, class Line>
inline void Round(Line& left, Line& right, const uint32_t* x) {
    constexpr int FL = R, FR = Line::kRounds - 1 - R;
    constexpr uint32_t KL = kConstLeft[R];
    constexpr uint32_t KR = Line::kRounds == 4 ? kConstRight4[R % 4] : kConstRight5[R];
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
        const int at = 16 * R + i;
        left.Step(Boolean<FL>(left.b, left.c, left.d), x[kOrderLeft[at]], KL, kShiftLeft[at]);
        right.Step(Boolean<FR>(right.b, right.c, right.d), x[kOrderRight[at]], KR, kShiftRight[at]);
    }
}

inline void LoadWords(uint32_t x[16], const uint8_t* block) {
    for (int i = 0; i < 16; ++i) x[i] = LoadLE32(block + 4 * i);
}

}  // namespace

// RIPEMD-128: two lines of four rounds, joined crosswise into the chaining value.
void THash_RipeMD128::RestartState() { Start({0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476}); }

void THash_RipeMD128::CompressBlock(const uint8_t* block) {
    uint32_t x[16];
    LoadWords(x, block);
    Line4 left{digest_[0], digest_[1], digest_[2], digest_[3]};
    Line4 right = left;
    Round<0>(left, right, x);
    Round<1>(left, right, x);
    Round<2>(left, right, x);
    Round<3>(left, right, x);
    const uint32_t t = digest_[1] + left.c + right.d;
    digest_[1] = digest_[2] + left.d + right.a;
    digest_[2] = digest_[3] + left.a + right.b;
    digest_[3] = digest_[0] + left.b + right.c;
    digest_[0] = t;
}

// RIPEMD-160: two lines of five rounds, joined crosswise into the chaining value.
void THash_RipeMD160::RestartState() { Start({0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0}); }

void THash_RipeMD160::CompressBlock(const uint8_t* block) {
    uint32_t x[16];
    LoadWords(x, block);
    Line5 left{digest_[0], digest_[1], digest_[2], digest_[3], digest_[4]};
    Line5 right = left;
    Round<0>(left, right, x);
    Round<1>(left, right, x);
    Round<2>(left, right, x);
    Round<3>(left, right, x);
    Round<4>(left, right, x);
    // After 80 steps (a multiple of five) the registers are back in their starting places.
    const uint32_t t = digest_[1] + left.c + right.d;
    digest_[1] = digest_[2] + left.d + right.e;
    digest_[2] = digest_[3] + left.e + right.a;
    digest_[3] = digest_[4] + left.a + right.b;
    digest_[4] = digest_[0] + left.b + right.c;
    digest_[0] = t;
}

// RIPEMD-256: the 128 step with separate lines, exchanging A, B, C and D after rounds 1 to 4.
void THash_RipeMD256::RestartState() {
    Start({0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0x76543210, 0xFEDCBA98, 0x89ABCDEF, 0x01234567});
}

void THash_RipeMD256::CompressBlock(const uint8_t* block) {
    uint32_t x[16];
    LoadWords(x, block);
    Line4 left{digest_[0], digest_[1], digest_[2], digest_[3]};
    Line4 right{digest_[4], digest_[5], digest_[6], digest_[7]};

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

// RIPEMD-320: the 160 step with separate lines, exchanging the registers in
// the places of B, D, A, C and E after rounds 1 to 5.
void THash_RipeMD320::RestartState() {
    Start({0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0,
           0x76543210, 0xFEDCBA98, 0x89ABCDEF, 0x01234567, 0x3C2D1E0F});
}

void THash_RipeMD320::CompressBlock(const uint8_t* block) {
    uint32_t x[16];
    LoadWords(x, block);
    Line5 left{digest_[0], digest_[1], digest_[2], digest_[3], digest_[4]};
    Line5 right{digest_[5], digest_[6], digest_[7], digest_[8], digest_[9]};

    Round<0>(left, right, x);
    std::swap(left.b, right.b);
    Round<1>(left, right, x);
    std::swap(left.d, right.d);
    Round<2>(left, right, x);
    std::swap(left.a, right.a);
    Round<3>(left, right, x);
    std::swap(left.c, right.c);
    Round<4>(left, right, x);
    std::swap(left.e, right.e);

    digest_[0] += left.a; digest_[1] += left.b; digest_[2] += left.c; digest_[3] += left.d; digest_[4] += left.e;
    digest_[5] += right.a; digest_[6] += right.b; digest_[7] += right.c; digest_[8] += right.d; digest_[9] += right.e;
}

static const uint8_t kRipeMD128KnownAnswer[16] = {0xcf, 0xa0, 0x32, 0xcf, 0xd0, 0x8f, 0x87, 0x3a,
                                                 0x78, 0xdf, 0x13, 0xe7, 0xeb, 0xcd, 0x98, 0x0f};
const THashClass THash_RipeMD128::Class = {"THash_RipeMD128", 16, &MakeHash<THash_RipeMD128>, kRipeMD128KnownAnswer};

static const uint8_t kRipeMD160KnownAnswer[20] = {0x19, 0x54, 0xde, 0xbc, 0x1b, 0x55, 0x35, 0x30, 0x08, 0x1d,
                                                 0x9b, 0x80, 0x70, 0xa0, 0xf2, 0x4a, 0x9d, 0xf7, 0x34, 0x04};
const THashClass THash_RipeMD160::Class = {"THash_RipeMD160", 20, &MakeHash<THash_RipeMD160>, kRipeMD160KnownAnswer};

static const uint8_t kRipeMD256KnownAnswer[32] = {
    0xc3, 0xb1, 0xd7, 0xac, 0xa8, 0x9a, 0x47, 0x7a, 0x38, 0xd3, 0x6d, 0x39, 0xef, 0x00, 0xfb, 0x45,
    0xfc, 0x4e, 0xc3, 0x1a, 0x71, 0x21, 0xdb, 0x9e, 0x1c, 0x76, 0xc5, 0xde, 0x99, 0x88, 0x18, 0xc2};
const THashClass THash_RipeMD256::Class = {"THash_RipeMD256", 32, &MakeHash<THash_RipeMD256>, kRipeMD256KnownAnswer};

static const uint8_t kRipeMD320KnownAnswer[40] = {
    0xb7, 0xbd, 0x2c, 0x75, 0xb7, 0x13, 0x50, 0x91, 0xe4, 0x67, 0x09, 0x46, 0xf1, 0x41, 0x5a, 0x48, 0x45, 0xdf, 0x8e, 0x07,
    0xba, 0x67, 0x4e, 0xa9, 0xfd, 0x66, 0xed, 0x01, 0xd9, 0x6f, 0x23, 0x20, 0xb5, 0x11, 0x12, 0xc5, 0xa7, 0x41, 0xa6, 0x5c};
const THashClass THash_RipeMD320::Class = {"THash_RipeMD320", 40, &MakeHash<THash_RipeMD320>, kRipeMD320KnownAnswer};

}  // namespace quellmark
