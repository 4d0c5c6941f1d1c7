#include "crypto/ciphers/des.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "crypto/bytes.h"

namespace quellmark {

const TCipherClass TCipher_1DES::Class = {"TCipher_1DES", {8, 8, 256}, &MakeCipher<TCipher_1DES>, nullptr};
const TCipherClass TCipher_2DES::Class = {"TCipher_2DES", {8, 16, 512}, &MakeCipher<TCipher_2DES>, nullptr};
const TCipherClass TCipher_2DDES::Class = {"TCipher_2DDES", {16, 16, 512}, &MakeCipher<TCipher_2DDES>, nullptr};
const TCipherClass TCipher_3DES::Class = {"TCipher_3DES", {8, 24, 768}, &MakeCipher<TCipher_3DES>, nullptr};
const TCipherClass TCipher_3DDES::Class = {"TCipher_3DDES", {16, 24, 768}, &MakeCipher<TCipher_3DDES>, nullptr};
const TCipherClass TCipher_3TDES::Class = {"TCipher_3TDES", {24, 24, 768}, &MakeCipher<TCipher_3TDES>, nullptr};
const TCipherClass TCipher_DESX::Class = {"TCipher_DESX", {8, 16, 272}, &MakeCipher<TCipher_DESX>, nullptr};

namespace {

// ---- the published tables of FIPS 46-3 (bit numbers count from 1 at the most significant bit) ----

// S-boxes S1 to S8: four rows of sixteen columns each.
constexpr uint8_t kSBox[8][64] = {
    {14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7,
     0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11, 9, 5, 3, 8,
     4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0,
     15, 12, 8, 2, 4, 9, 1, 7, 5, 11, 3, 14, 10, 0, 6, 13},
    {15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10,
     3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10, 6, 9, 11, 5,
     0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15,
     13, 8, 10, 1, 3, 15, 4, 2, 11, 6, 7, 12, 0, 5, 14, 9},
    {10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8,
     13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12, 11, 15, 1,
     13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7,
     1, 10, 13, 0, 6, 9, 8, 7, 4, 15, 14, 3, 11, 5, 2, 12},
    {7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15,
     13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1, 10, 14, 9,
     10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4,
     3, 15, 0, 6, 10, 1, 13, 8, 9, 4, 5, 11, 12, 7, 2, 14},
    {2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9,
     14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10, 3, 9, 8, 6,
     4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14,
     11, 8, 12, 7, 1, 14, 2, 13, 6, 15, 0, 9, 10, 4, 5, 3},
    {12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11,
     10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14, 0, 11, 3, 8,
     9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6,
     4, 3, 2, 12, 9, 5, 15, 10, 11, 14, 1, 7, 6, 0, 8, 13},
    {4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1,
     13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12, 2, 15, 8, 6,
     1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2,
     6, 11, 13, 8, 1, 4, 10, 7, 9, 5, 0, 15, 14, 2, 3, 12},
    {13, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7,
     1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11, 0, 14, 9, 2,
     7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8,
     2, 1, 14, 7, 4, 10, 8, 13, 15, 12, 9, 0, 3, 5, 6, 11},
};

// The permutation P of the round function: output bit i is input bit kP[i].
constexpr uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1, 15, 23, 26, 5, 18, 31, 10,
                            2, 8, 24, 14, 32, 27, 3, 9, 19, 13, 30, 6, 22, 11, 4, 25};

// Permuted choice 1 (64 key bits to 56) and 2 (56 bits to a 48-bit round key).
constexpr uint8_t kPC1[56] = {57, 49, 41, 33, 25, 17, 9, 1, 58, 50, 42, 34, 26, 18,
                              10, 2, 59, 51, 43, 35, 27, 19, 11, 3, 60, 52, 44, 36,
                              63, 55, 47, 39, 31, 23, 15, 7, 62, 54, 46, 38, 30, 22,
                              14, 6, 61, 53, 45, 37, 29, 21, 13, 5, 28, 20, 12, 4};
constexpr uint8_t kPC2[48] = {14, 17, 11, 24, 1, 5, 3, 28, 15, 6, 21, 10,
                              23, 19, 12, 4, 26, 8, 16, 7, 27, 20, 13, 2,
                              41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
                              44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};
// Left rotations of the two 28-bit key halves before each round.
constexpr uint8_t kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// ---- the round function as eight combined tables ----
//
// The halves are kept rotated left by one bit. Then the six input bits of
// S-boxes 1, 3, 5 and 7 lie in the low six bits of the bytes of (half ror 4),
// and those of S-boxes 2, 4, 6 and 8 in the low six bits of the bytes of the
// half itself, so the expansion E costs one rotation. kSP[i][v] is S-box i+1
// applied to the 6-bit input v, sent through P and rotated the same way.
constexpr std::array<std::array<uint32_t, 64>, 8> MakeSP() {
    std::array<std::array<uint32_t, 64>, 8> sp{};
    for (int box = 0; box < 8; ++box) {
        for (int v = 0; v < 64; ++v) {
            const int row = ((v >> 4) & 2) | (v & 1);
            const int column = (v >> 1) & 15;
            const uint32_t nibble = kSBox[box][row * 16 + column];
            const uint32_t beforeP = nibble << (28 - 4 * box);
            uint32_t afterP = 0;
            for (int bit = 0; bit < 32; ++bit)
                if ((beforeP >> (32 - kP[bit])) & 1) afterP |= 1u << (31 - bit);
            sp[box][v] = (afterP << 1) | (afterP >> 31);
        }
    }
    return sp;
}
constexpr auto kSP = MakeSP();

inline uint32_t RoundFunction(uint32_t half, uint32_t k0, uint32_t k1) {
    const uint32_t a = Ror32(half, 4) ^ k0;
    const uint32_t b = half ^ k1;
    return kSP[0][(a >> 24) & 63] ^ kSP[2][(a >> 16) & 63] ^ kSP[4][(a >> 8) & 63] ^ kSP[6][a & 63] ^
           kSP[1][(b >> 24) & 63] ^ kSP[3][(b >> 16) & 63] ^ kSP[5][(b >> 8) & 63] ^ kSP[7][b & 63];
}

// Exchanges the bits of a selected by mask << shift with the bits of b selected by mask.
inline void SwapBits(uint32_t& a, uint32_t& b, int shift, uint32_t mask) {
    const uint32_t t = ((a >> shift) ^ b) & mask;
    b ^= t;
    a ^= t << shift;
}

// The initial permutation as five exchanges of bit groups between the halves,
// leaving both halves rotated left by one bit for the rounds.
inline void InitialPermutation(uint32_t& l, uint32_t& r) {
    SwapBits(l, r, 4, 0x0F0F0F0F);
    SwapBits(l, r, 16, 0x0000FFFF);
    SwapBits(r, l, 2, 0x33333333);
    SwapBits(r, l, 8, 0x00FF00FF);
    SwapBits(l, r, 1, 0x55555555);
    l = Rol32(l, 1);
    r = Rol32(r, 1);
}

// The inverse of InitialPermutation.
inline void FinalPermutation(uint32_t& l, uint32_t& r) {
    l = Ror32(l, 1);
    r = Ror32(r, 1);
    SwapBits(l, r, 1, 0x55555555);
    SwapBits(r, l, 8, 0x00FF00FF);
    SwapBits(r, l, 2, 0x33333333);
    SwapBits(l, r, 16, 0x0000FFFF);
    SwapBits(l, r, 4, 0x0F0F0F0F);
}

// Sixteen rounds on N independent blocks in step, ending with the halves
// swapped as DES leaves them before its final permutation.
template <int N>
inline void Rounds(const DesKeys& keys, uint32_t (&l)[N], uint32_t (&r)[N]) {
    const uint32_t* k = keys.k;
    for (int i = 0; i < 32; i += 4) {
        for (int n = 0; n < N; ++n) l[n] ^= RoundFunction(r[n], k[i], k[i + 1]);
        for (int n = 0; n < N; ++n) r[n] ^= RoundFunction(l[n], k[i + 2], k[i + 3]);
    }
    for (int n = 0; n < N; ++n) std::swap(l[n], r[n]);
}

template <int N>
inline void Enter(const uint8_t* blocks, uint32_t (&l)[N], uint32_t (&r)[N]) {
    for (int n = 0; n < N; ++n) {
        l[n] = LoadBE32(blocks + 8 * n);
        r[n] = LoadBE32(blocks + 8 * n + 4);
        InitialPermutation(l[n], r[n]);
    }
}

template <int N>
inline void Leave(uint8_t* blocks, uint32_t (&l)[N], uint32_t (&r)[N]) {
    for (int n = 0; n < N; ++n) {
        FinalPermutation(l[n], r[n]);
        StoreBE32(blocks + 8 * n, l[n]);
        StoreBE32(blocks + 8 * n + 4, r[n]);
    }
}

template <int N>
inline void Single(const DesKeys& keys, uint8_t* blocks) {
    uint32_t l[N], r[N];
    Enter(blocks, l, r);
    Rounds(keys, l, r);
    Leave(blocks, l, r);
}

template <int N>
inline void TripleN(const DesKeys& first, const DesKeys& second, const DesKeys& third, uint8_t* blocks) {
    uint32_t l[N], r[N];
    Enter(blocks, l, r);
    Rounds(first, l, r);
    Rounds(second, l, r);
    Rounds(third, l, r);
    Leave(blocks, l, r);
}

// Three passes over the N lanes of one block, exchanging the words at block
// bytes 4-7 and 8-11 between the passes; every other byte keeps its lane.
template <int N>
inline void LanesN(const DesKeys& first, const DesKeys& second, const DesKeys& third, uint8_t* block) {
    const DesKeys* passes[3] = {&first, &second, &third};
    uint32_t l[N], r[N];
    for (int n = 0; n < N; ++n) {
        l[n] = LoadBE32(block + 8 * n);
        r[n] = LoadBE32(block + 8 * n + 4);
    }
    for (int pass = 0; pass < 3; ++pass) {
        if (pass > 0) std::swap(r[0], l[1]);
        for (int n = 0; n < N; ++n) InitialPermutation(l[n], r[n]);
        Rounds(*passes[pass], l, r);
        for (int n = 0; n < N; ++n) FinalPermutation(l[n], r[n]);
    }
    for (int n = 0; n < N; ++n) {
        StoreBE32(block + 8 * n, l[n]);
        StoreBE32(block + 8 * n + 4, r[n]);
    }
}

// Key bit n (1 to 64, most significant bit of byte 0 first).
inline uint32_t KeyBit(const uint8_t* key, int n) { return (key[(n - 1) >> 3] >> (7 - ((n - 1) & 7))) & 1; }

}  // namespace

// ---- shared machinery ----

void TCipher_1DES::MakeKeys(const uint8_t* key, bool decipher, DesKeys& out) {
    // The two 28-bit halves C and D after permuted choice 1.
    uint32_t c = 0, d = 0;
    for (int i = 0; i < 28; ++i) {
        c = c << 1 | KeyBit(key, kPC1[i]);
        d = d << 1 | KeyBit(key, kPC1[i + 28]);
    }
    for (int round = 0; round < 16; ++round) {
        const int s = kShifts[round];
        c = ((c << s) | (c >> (28 - s))) & 0x0FFFFFFF;
        d = ((d << s) | (d >> (28 - s))) & 0x0FFFFFFF;
        // Permuted choice 2 picks bit n of C (n <= 28) or bit n - 28 of D.
        uint8_t group[8] = {};
        for (int i = 0; i < 48; ++i) {
            const int n = kPC2[i];
            const uint32_t bit = n <= 28 ? (c >> (28 - n)) & 1 : (d >> (56 - n)) & 1;
            group[i / 6] = static_cast<uint8_t>(group[i / 6] << 1 | bit);
        }
        // Groups 1, 3, 5, 7 meet (half ror 4) and groups 2, 4, 6, 8 the half itself.
        const uint32_t k0 = uint32_t(group[0]) << 24 | uint32_t(group[2]) << 16 | uint32_t(group[4]) << 8 | group[6];
        const uint32_t k1 = uint32_t(group[1]) << 24 | uint32_t(group[3]) << 16 | uint32_t(group[5]) << 8 | group[7];
        const int at = decipher ? 2 * (15 - round) : 2 * round;
        out.k[at] = k0;
        out.k[at + 1] = k1;
        FillSecret(group, 0, sizeof group);
    }
    c = d = 0;
}

void TCipher_1DES::PadKey(const uint8_t* key, int32_t size, uint8_t* padded, int32_t length) {
    std::memset(padded, 0, static_cast<std::size_t>(length));
    // An empty key may come without any bytes behind it.
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(std::min(size, length)));
}

void TCipher_1DES::Triple(const DesKeys& first, const DesKeys& second, const DesKeys& third, uint8_t* blocks, int32_t count) {
    for (; count >= 2; count -= 2, blocks += 16) TripleN<2>(first, second, third, blocks);
    if (count) TripleN<1>(first, second, third, blocks);
}

void TCipher_1DES::TripleLanes(const DesKeys& first, const DesKeys& second, const DesKeys& third, uint8_t* block, int lanes) {
    if (lanes == 3)
        LanesN<3>(first, second, third, block);
    else
        LanesN<2>(first, second, third, block);
}

// ---- single DES ----

void TCipher_1DES::EncipherBlock(uint8_t* block) { Single<1>(UserDataAs<Schedule>().enc, block); }

void TCipher_1DES::DecipherBlock(uint8_t* block) { Single<1>(UserDataAs<Schedule>().dec, block); }

// Two blocks in step: the rounds of one block form a single dependency chain,
// and a second chain beside it fills the waits on the table look-ups.
void TCipher_1DES::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const DesKeys& keys = UserDataAs<Schedule>().dec;
    for (; count >= 2; count -= 2, blocks += 16) Single<2>(keys, blocks);
    if (count) Single<1>(keys, blocks);
}

void TCipher_1DES::KeySchedule(const uint8_t* key, int32_t size) {
    uint8_t padded[8];
    PadKey(key, size, padded, 8);
    Schedule& s = UserDataAs<Schedule>();
    MakeKeys(padded, false, s.enc);
    MakeKeys(padded, true, s.dec);
    FillSecret(padded, 0, sizeof padded);
}

// ---- two-key triple DES ----

void TCipher_2DES::EncipherBlock(uint8_t* block) {
    const Schedule& s = UserDataAs<Schedule>();
    Triple(s.e1, s.d2, s.e1, block, 1);
}

void TCipher_2DES::DecipherBlock(uint8_t* block) {
    const Schedule& s = UserDataAs<Schedule>();
    Triple(s.d1, s.e2, s.d1, block, 1);
}

void TCipher_2DES::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Schedule& s = UserDataAs<Schedule>();
    Triple(s.d1, s.e2, s.d1, blocks, count);
}

void TCipher_2DES::KeySchedule(const uint8_t* key, int32_t size) {
    uint8_t padded[16];
    PadKey(key, size, padded, 16);
    Schedule& s = UserDataAs<Schedule>();
    MakeKeys(padded, false, s.e1);
    MakeKeys(padded + 8, true, s.d2);
    MakeKeys(padded, true, s.d1);
    MakeKeys(padded + 8, false, s.e2);
    FillSecret(padded, 0, sizeof padded);
}

void TCipher_2DDES::EncipherBlock(uint8_t* block) {
    const Schedule& s = UserDataAs<Schedule>();
    TripleLanes(s.e1, s.d2, s.e1, block, 2);
}

void TCipher_2DDES::DecipherBlock(uint8_t* block) {
    const Schedule& s = UserDataAs<Schedule>();
    TripleLanes(s.d1, s.e2, s.d1, block, 2);
}

void TCipher_2DDES::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Schedule& s = UserDataAs<Schedule>();
    for (int32_t i = 0; i < count; ++i) TripleLanes(s.d1, s.e2, s.d1, blocks + 16 * i, 2);
}

// ---- three-key triple DES ----

void TCipher_3DES::EncipherBlock(uint8_t* block) {
    const Schedule& s = UserDataAs<Schedule>();
    Triple(s.e1, s.d2, s.e3, block, 1);
}

void TCipher_3DES::DecipherBlock(uint8_t* block) {
    const Schedule& s = UserDataAs<Schedule>();
    Triple(s.d3, s.e2, s.d1, block, 1);
}

void TCipher_3DES::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Schedule& s = UserDataAs<Schedule>();
    Triple(s.d3, s.e2, s.d1, blocks, count);
}

void TCipher_3DES::KeySchedule(const uint8_t* key, int32_t size) {
    uint8_t padded[24];
    PadKey(key, size, padded, 24);
    Schedule& s = UserDataAs<Schedule>();
    MakeKeys(padded, false, s.e1);
    MakeKeys(padded + 8, true, s.d2);
    MakeKeys(padded + 16, false, s.e3);
    MakeKeys(padded + 16, true, s.d3);
    MakeKeys(padded + 8, false, s.e2);
    MakeKeys(padded, true, s.d1);
    FillSecret(padded, 0, sizeof padded);
}

void TCipher_3DDES::EncipherBlock(uint8_t* block) {
    const Schedule& s = UserDataAs<Schedule>();
    TripleLanes(s.e1, s.d2, s.e3, block, 2);
}

void TCipher_3DDES::DecipherBlock(uint8_t* block) {
    const Schedule& s = UserDataAs<Schedule>();
    TripleLanes(s.d3, s.e2, s.d1, block, 2);
}

void TCipher_3DDES::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Schedule& s = UserDataAs<Schedule>();
    for (int32_t i = 0; i < count; ++i) TripleLanes(s.d3, s.e2, s.d1, blocks + 16 * i, 2);
}

void TCipher_3TDES::EncipherBlock(uint8_t* block) {
    const Schedule& s = UserDataAs<Schedule>();
    TripleLanes(s.e1, s.d2, s.e3, block, 3);
}

void TCipher_3TDES::DecipherBlock(uint8_t* block) {
    const Schedule& s = UserDataAs<Schedule>();
    TripleLanes(s.d3, s.e2, s.d1, block, 3);
}

void TCipher_3TDES::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Schedule& s = UserDataAs<Schedule>();
    for (int32_t i = 0; i < count; ++i) TripleLanes(s.d3, s.e2, s.d1, blocks + 24 * i, 3);
}

// ---- DESX ----

namespace {

// The substitution of the post-whitening key derivation: the same 256 bytes
// as the table of RFC 2268, section 6.
constexpr uint8_t kWhiteningTable[256] = {
    0xbd, 0x56, 0xea, 0xf2, 0xa2, 0xf1, 0xac, 0x2a, 0xb0, 0x93, 0xd1, 0x9c, 0x1b, 0x33, 0xfd, 0xd0,
    0x30, 0x04, 0xb6, 0xdc, 0x7d, 0xdf, 0x32, 0x4b, 0xf7, 0xcb, 0x45, 0x9b, 0x31, 0xbb, 0x21, 0x5a,
    0x41, 0x9f, 0xe1, 0xd9, 0x4a, 0x4d, 0x9e, 0xda, 0xa0, 0x68, 0x2c, 0xc3, 0x27, 0x5f, 0x80, 0x36,
    0x3e, 0xee, 0xfb, 0x95, 0x1a, 0xfe, 0xce, 0xa8, 0x34, 0xa9, 0x13, 0xf0, 0xa6, 0x3f, 0xd8, 0x0c,
    0x78, 0x24, 0xaf, 0x23, 0x52, 0xc1, 0x67, 0x17, 0xf5, 0x66, 0x90, 0xe7, 0xe8, 0x07, 0xb8, 0x60,
    0x48, 0xe6, 0x1e, 0x53, 0xf3, 0x92, 0xa4, 0x72, 0x8c, 0x08, 0x15, 0x6e, 0x86, 0x00, 0x84, 0xfa,
    0xf4, 0x7f, 0x8a, 0x42, 0x19, 0xf6, 0xdb, 0xcd, 0x14, 0x8d, 0x50, 0x12, 0xba, 0x3c, 0x06, 0x4e,
    0xec, 0xb3, 0x35, 0x11, 0xa1, 0x88, 0x8e, 0x2b, 0x94, 0x99, 0xb7, 0x71, 0x74, 0xd3, 0xe4, 0xbf,
    0x3a, 0xde, 0x96, 0x0e, 0xbc, 0x0a, 0xed, 0x77, 0xfc, 0x37, 0x6b, 0x03, 0x79, 0x89, 0x62, 0xc6,
    0xd7, 0xc0, 0xd2, 0x7c, 0x6a, 0x8b, 0x22, 0xa3, 0x5b, 0x05, 0x5d, 0x02, 0x75, 0xd5, 0x61, 0xe3,
    0x18, 0x8f, 0x55, 0x51, 0xad, 0x1f, 0x0b, 0x5e, 0x85, 0xe5, 0xc2, 0x57, 0x63, 0xca, 0x3d, 0x6c,
    0xb4, 0xc5, 0xcc, 0x70, 0xb2, 0x91, 0x59, 0x0d, 0x47, 0x20, 0xc8, 0x4f, 0x58, 0xe0, 0x01, 0xe2,
    0x16, 0x38, 0xc4, 0x6f, 0x3b, 0x0f, 0x65, 0x46, 0xbe, 0x7e, 0x2d, 0x7b, 0x82, 0xf9, 0x40, 0xb5,
    0x1d, 0x73, 0xf8, 0xeb, 0x26, 0xc7, 0x87, 0x97, 0x25, 0x54, 0xb1, 0x28, 0xaa, 0x98, 0x9d, 0xa5,
    0x64, 0x6d, 0x7a, 0xd4, 0x10, 0x81, 0x44, 0xef, 0x49, 0xd6, 0xae, 0x2e, 0xdd, 0x76, 0x5c, 0x2f,
    0xa7, 0x1c, 0xc9, 0x09, 0x69, 0x9a, 0x83, 0xcf, 0x29, 0x39, 0xb9, 0xe9, 0x4c, 0xff, 0x43, 0xab,
};

inline void Whiten(uint8_t* block, const uint8_t* key) {
    StoreBE32(block, LoadBE32(block) ^ LoadBE32(key));
    StoreBE32(block + 4, LoadBE32(block + 4) ^ LoadBE32(key + 4));
}

}  // namespace

void TCipher_DESX::DerivePostWhitening(const uint8_t* desKey, const uint8_t* preWhitening, uint8_t* postWhitening) {
    uint8_t reg[8] = {};
    for (int i = 0; i < 16; ++i) {
        const uint8_t b = i < 8 ? desKey[i] : preWhitening[i - 8];
        const uint8_t t = kWhiteningTable[reg[0] ^ reg[1]];
        std::memmove(reg, reg + 1, 7);
        reg[7] = t ^ b;
    }
    std::memcpy(postWhitening, reg, 8);
    FillSecret(reg, 0, sizeof reg);
}

void TCipher_DESX::EncipherBlock(uint8_t* block) {
    const Schedule& s = UserDataAs<Schedule>();
    Whiten(block, s.pre);
    Single<1>(s.enc, block);
    Whiten(block, s.post);
}

void TCipher_DESX::DecipherBlock(uint8_t* block) {
    const Schedule& s = UserDataAs<Schedule>();
    Whiten(block, s.post);
    Single<1>(s.dec, block);
    Whiten(block, s.pre);
}

void TCipher_DESX::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Schedule& s = UserDataAs<Schedule>();
    for (; count >= 2; count -= 2, blocks += 16) {
        Whiten(blocks, s.post);
        Whiten(blocks + 8, s.post);
        Single<2>(s.dec, blocks);
        Whiten(blocks, s.pre);
        Whiten(blocks + 8, s.pre);
    }
    if (count) DecipherBlock(blocks);
}

void TCipher_DESX::KeySchedule(const uint8_t* key, int32_t size) {
    uint8_t padded[16];
    PadKey(key, size, padded, 16);
    Schedule& s = UserDataAs<Schedule>();
    MakeKeys(padded, false, s.enc);
    MakeKeys(padded, true, s.dec);
    std::memcpy(s.pre, padded + 8, 8);
    DerivePostWhitening(padded, padded + 8, s.post);
    FillSecret(padded, 0, sizeof padded);
}

}  // namespace quellmark
