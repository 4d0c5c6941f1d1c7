#include "crypto/ciphers/twofish.h"

#include <array>
#include <cstring>

#include "crypto/bytes.h"

namespace quellmark {

namespace {

// The encipherment of an all-zero block under the all-zero 128-bit key (the
// first row of the designers' ecb_tbl.txt).
const uint8_t kKnownAnswer[16] = {0x9f, 0x58, 0x9f, 0x5c, 0xf6, 0x12, 0x2c, 0x32,
                                  0xb6, 0xbf, 0xec, 0x2f, 0x2a, 0xe8, 0xc3, 0x5a};

// ---- fixed tables, built at compile time from their published definitions ----

using Nibbles = std::array<std::array<uint8_t, 16>, 4>;

// The four 4-bit permutations t0 ... t3 behind q0 and behind q1.
constexpr Nibbles kQ0Nibbles = {{
    {0x8, 0x1, 0x7, 0xD, 0x6, 0xF, 0x3, 0x2, 0x0, 0xB, 0x5, 0x9, 0xE, 0xC, 0xA, 0x4},
    {0xE, 0xC, 0xB, 0x8, 0x1, 0x2, 0x3, 0x5, 0xF, 0x4, 0xA, 0x6, 0x7, 0x0, 0x9, 0xD},
    {0xB, 0xA, 0x5, 0xE, 0x6, 0xD, 0x9, 0x0, 0xC, 0x8, 0xF, 0x3, 0x2, 0x4, 0x7, 0x1},
    {0xD, 0x7, 0xF, 0x4, 0x1, 0x2, 0x6, 0xE, 0x9, 0xB, 0x3, 0x0, 0x8, 0x5, 0xC, 0xA},
}};
constexpr Nibbles kQ1Nibbles = {{
    {0x2, 0x8, 0xB, 0xD, 0xF, 0x7, 0x6, 0xE, 0x3, 0x1, 0x9, 0x4, 0x0, 0xA, 0xC, 0x5},
    {0x1, 0xE, 0x2, 0xB, 0x4, 0xC, 0x3, 0x7, 0x6, 0xD, 0xA, 0x5, 0xF, 0x9, 0x0, 0x8},
    {0x4, 0xC, 0x7, 0x5, 0x1, 0x6, 0x9, 0xA, 0x0, 0xE, 0xD, 0x8, 0x2, 0xB, 0x3, 0xF},
    {0xB, 0x9, 0x5, 0x1, 0xC, 0x3, 0xD, 0xE, 0x6, 0x4, 0x7, 0xF, 0x2, 0x0, 0x8, 0xA},
}};

constexpr uint8_t Ror4(uint8_t x) { return uint8_t((x >> 1 | x << 3) & 0xF); }

// q: the byte split into nibbles, mixed and substituted twice.
constexpr std::array<uint8_t, 256> MakeQ(const Nibbles& t) {
    std::array<uint8_t, 256> q{};
    for (int x = 0; x < 256; ++x) {
        uint8_t a = uint8_t(x >> 4), b = uint8_t(x & 0xF);
        for (int stage = 0; stage < 2; ++stage) {
            const uint8_t a1 = a ^ b;
            const uint8_t b1 = uint8_t((a ^ Ror4(b) ^ (a << 3)) & 0xF);
            a = t[2 * stage][a1];
            b = t[2 * stage + 1][b1];
        }
        q[x] = uint8_t(b << 4 | a);
    }
    return q;
}

constexpr std::array<uint8_t, 256> kQ0 = MakeQ(kQ0Nibbles);
constexpr std::array<uint8_t, 256> kQ1 = MakeQ(kQ1Nibbles);
static_assert(kQ0[0] == 0xA9 && kQ0[255] == 0xE0 && kQ1[0] == 0x75 && kQ1[255] == 0x91);

// Multiplication in GF(2^8) modulo the given polynomial (its x^8 term implied).
constexpr uint8_t GfMultiply(uint8_t a, uint8_t b, uint8_t polynomial) {
    uint8_t product = 0;
    while (b) {
        if (b & 1) product ^= a;
        a = uint8_t(a << 1) ^ ((a & 0x80) ? polynomial : 0);
        b >>= 1;
    }
    return product;
}

// MDS matrix over GF(2^8) modulo x^8 + x^6 + x^5 + x^3 + 1.
constexpr uint8_t kMds[4][4] = {
    {0x01, 0xEF, 0x5B, 0x5B},
    {0x5B, 0xEF, 0xEF, 0x01},
    {0xEF, 0x5B, 0x01, 0xEF},
    {0xEF, 0x01, 0xEF, 0x5B},
};
constexpr uint8_t kMdsPolynomial = 0x69;

// kMdsColumn[c][y]: column c of the MDS matrix times the byte y, as a word.
constexpr std::array<std::array<uint32_t, 256>, 4> MakeMdsColumns() {
    std::array<std::array<uint32_t, 256>, 4> columns{};
    for (int c = 0; c < 4; ++c)
        for (int y = 0; y < 256; ++y)
            for (int r = 0; r < 4; ++r)
                columns[c][y] |= uint32_t(GfMultiply(kMds[r][c], uint8_t(y), kMdsPolynomial)) << (8 * r);
    return columns;
}
constexpr auto kMdsColumn = MakeMdsColumns();

// Reed-Solomon matrix over GF(2^8) modulo x^8 + x^6 + x^3 + x^2 + 1: eight key
// bytes give one word of S-box key.
constexpr uint8_t kRs[4][8] = {
    {0x01, 0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E},
    {0xA4, 0x56, 0x82, 0xF3, 0x1E, 0xC6, 0x68, 0xE5},
    {0x02, 0xA1, 0xFC, 0xC1, 0x47, 0xAE, 0x3D, 0x19},
    {0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E, 0x03},
};
constexpr uint8_t kRsPolynomial = 0x4D;

uint32_t RsWord(const uint8_t* m) {
    uint32_t word = 0;
    for (int r = 0; r < 4; ++r) {
        uint8_t sum = 0;
        for (int c = 0; c < 8; ++c) sum ^= GfMultiply(kRs[r][c], m[c], kRsPolynomial);
        word |= uint32_t(sum) << (8 * r);
    }
    return word;
}

// The chain of q permutations of h for byte position `position`, keyed by
// the `words` key words in `l` (l[0] last), without the MDS step.
uint8_t QChain(int position, uint8_t x, const uint32_t* l, int words) {
    // Which permutation each stage uses, first stage (only with four key words) first.
    static constexpr bool kUsesQ1[4][5] = {
        {true, true, false, false, true},
        {false, true, true, false, false},
        {false, false, false, true, true},
        {true, false, true, true, false},
    };
    const auto q = [&](int stage, uint8_t v) { return kUsesQ1[position][stage] ? kQ1[v] : kQ0[v]; };
    const auto keyByte = [&](int word) { return uint8_t(l[word] >> (8 * position)); };
    if (words == 4) x = q(0, x) ^ keyByte(3);
    if (words >= 3) x = q(1, x) ^ keyByte(2);
    x = q(2, x) ^ keyByte(1);
    x = q(3, x) ^ keyByte(0);
    return q(4, x);
}

// h(X, L): the word X as four bytes through the q chains, then through the MDS matrix.
uint32_t H(uint32_t x, const uint32_t* l, int words) {
    uint32_t result = 0;
    for (int position = 0; position < 4; ++position)
        result ^= kMdsColumn[position][QChain(position, uint8_t(x >> (8 * position)), l, words)];
    return result;
}

// ---- the rounds ----

struct Words {
    const uint32_t* k;
    const uint32_t (*s)[256];
    uint32_t G0(uint32_t x) const { return s[0][x & 0xFF] ^ s[1][x >> 8 & 0xFF] ^ s[2][x >> 16 & 0xFF] ^ s[3][x >> 24]; }
    // g of the word rotated left by 8 bits.
    uint32_t G1(uint32_t x) const { return s[0][x >> 24] ^ s[1][x & 0xFF] ^ s[2][x >> 8 & 0xFF] ^ s[3][x >> 16 & 0xFF]; }
};

// The two halves trade places every round; two rounds per step keep the names fixed.
inline void EncipherTwoRounds(const Words& w, int round, uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
    uint32_t t0 = w.G0(a), t1 = w.G1(b);
    c = Ror32(c ^ (t0 + t1 + w.k[8 + 2 * round]), 1);
    d = Rol32(d, 1) ^ (t0 + 2 * t1 + w.k[9 + 2 * round]);
    t0 = w.G0(c);
    t1 = w.G1(d);
    a = Ror32(a ^ (t0 + t1 + w.k[10 + 2 * round]), 1);
    b = Rol32(b, 1) ^ (t0 + 2 * t1 + w.k[11 + 2 * round]);
}

inline void DecipherTwoRounds(const Words& w, int round, uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
    uint32_t t0 = w.G0(c), t1 = w.G1(d);
    a = Rol32(a, 1) ^ (t0 + t1 + w.k[10 + 2 * round]);
    b = Ror32(b ^ (t0 + 2 * t1 + w.k[11 + 2 * round]), 1);
    t0 = w.G0(a);
    t1 = w.G1(b);
    c = Rol32(c, 1) ^ (t0 + t1 + w.k[8 + 2 * round]);
    d = Ror32(d ^ (t0 + 2 * t1 + w.k[9 + 2 * round]), 1);
}

}  // namespace

const TCipherClass TCipher_Twofish::Class = {"TCipher_Twofish", {16, 32, 4256}, &MakeCipher<TCipher_Twofish>, kKnownAnswer};

void TCipher_Twofish::EncipherBlock(uint8_t* block) {
    const Schedule& sched = UserDataAs<Schedule>();
    const Words w{sched.k, sched.s};
    uint32_t a = LoadLE32(block) ^ w.k[0], b = LoadLE32(block + 4) ^ w.k[1];
    uint32_t c = LoadLE32(block + 8) ^ w.k[2], d = LoadLE32(block + 12) ^ w.k[3];
    for (int round = 0; round < 16; round += 2) EncipherTwoRounds(w, round, a, b, c, d);
    // The last round's exchange of halves is undone on output.
    StoreLE32(block, c ^ w.k[4]);
    StoreLE32(block + 4, d ^ w.k[5]);
    StoreLE32(block + 8, a ^ w.k[6]);
    StoreLE32(block + 12, b ^ w.k[7]);
}

void TCipher_Twofish::DecipherBlock(uint8_t* block) {
    const Schedule& sched = UserDataAs<Schedule>();
    const Words w{sched.k, sched.s};
    uint32_t c = LoadLE32(block) ^ w.k[4], d = LoadLE32(block + 4) ^ w.k[5];
    uint32_t a = LoadLE32(block + 8) ^ w.k[6], b = LoadLE32(block + 12) ^ w.k[7];
    for (int round = 14; round >= 0; round -= 2) DecipherTwoRounds(w, round, a, b, c, d);
    StoreLE32(block, a ^ w.k[0]);
    StoreLE32(block + 4, b ^ w.k[1]);
    StoreLE32(block + 8, c ^ w.k[2]);
    StoreLE32(block + 12, d ^ w.k[3]);
}

// Two blocks side by side: each round is a chain of dependent table look-ups,
// and two independent chains fill the gaps.
void TCipher_Twofish::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Schedule& sched = UserDataAs<Schedule>();
    const Words w{sched.k, sched.s};
    for (; count >= 2; count -= 2, blocks += 32) {
        uint8_t* p = blocks;
        uint8_t* q = blocks + 16;
        uint32_t c0 = LoadLE32(p) ^ w.k[4], d0 = LoadLE32(p + 4) ^ w.k[5];
        uint32_t a0 = LoadLE32(p + 8) ^ w.k[6], b0 = LoadLE32(p + 12) ^ w.k[7];
        uint32_t c1 = LoadLE32(q) ^ w.k[4], d1 = LoadLE32(q + 4) ^ w.k[5];
        uint32_t a1 = LoadLE32(q + 8) ^ w.k[6], b1 = LoadLE32(q + 12) ^ w.k[7];
        for (int round = 14; round >= 0; round -= 2) {
            DecipherTwoRounds(w, round, a0, b0, c0, d0);
            DecipherTwoRounds(w, round, a1, b1, c1, d1);
        }
        StoreLE32(p, a0 ^ w.k[0]);
        StoreLE32(p + 4, b0 ^ w.k[1]);
        StoreLE32(p + 8, c0 ^ w.k[2]);
        StoreLE32(p + 12, d0 ^ w.k[3]);
        StoreLE32(q, a1 ^ w.k[0]);
        StoreLE32(q + 4, b1 ^ w.k[1]);
        StoreLE32(q + 8, c1 ^ w.k[2]);
        StoreLE32(q + 12, d1 ^ w.k[3]);
    }
    if (count) DecipherBlock(blocks);
}

void TCipher_Twofish::KeySchedule(const uint8_t* key, int32_t size) {
    const int words = size <= 16 ? 2 : size <= 24 ? 3 : 4;  // 64-bit halves of the padded key
    uint8_t padded[32] = {};
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));

    // Even and odd key words for the subkeys; Reed-Solomon words, last first, for the S-boxes.
    uint32_t even[4] = {}, odd[4] = {}, sboxKey[4] = {};
    for (int i = 0; i < words; ++i) {
        even[i] = LoadLE32(padded + 8 * i);
        odd[i] = LoadLE32(padded + 8 * i + 4);
        sboxKey[words - 1 - i] = RsWord(padded + 8 * i);
    }

    Schedule& sched = UserDataAs<Schedule>();
    constexpr uint32_t kStep = 0x01010101;
    for (uint32_t i = 0; i < 20; ++i) {
        const uint32_t a = H(2 * i * kStep, even, words);
        const uint32_t b = Rol32(H((2 * i + 1) * kStep, odd, words), 8);
        sched.k[2 * i] = a + b;
        sched.k[2 * i + 1] = Rol32(a + 2 * b, 9);
    }
    for (int position = 0; position < 4; ++position)
        for (int x = 0; x < 256; ++x)
            sched.s[position][x] = kMdsColumn[position][QChain(position, uint8_t(x), sboxKey, words)];

    FillSecret(padded, 0, sizeof padded);
    FillSecret(even, 0, sizeof even);
    FillSecret(odd, 0, sizeof odd);
    FillSecret(sboxKey, 0, sizeof sboxKey);
}

}  // namespace quellmark
