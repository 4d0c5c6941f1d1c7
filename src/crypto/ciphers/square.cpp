#include "crypto/ciphers/square.h"

#include "crypto/bytes.h"
#include "crypto/ciphers/square_field.h"

namespace quellmark {

namespace {

using square_field::Matrix;

// The column transform theta multiplies each row, as a polynomial, by
// c(x) = 3x^3 + x^2 + x + 2 modulo x^4 + 1: output byte m gains
// c[(m - j) mod 4] times input byte j.
constexpr Matrix<4> kTheta = {{
    {0x02, 0x03, 0x01, 0x01},
    {0x01, 0x02, 0x03, 0x01},
    {0x01, 0x01, 0x02, 0x03},
    {0x03, 0x01, 0x01, 0x02},
}};

constexpr Matrix<4> kThetaInverse = square_field::Invert(kTheta);

// A round maps the state's rows (w0 .. w3) to new rows: the substitution,
// then the transposition, which makes byte i of every old row part of new
// row i, then theta. Entry x of table j is what a byte x at position j of
// the transposed row adds to it: theta's column j times box[x], as a
// little-endian word.
struct RoundTables {
    uint32_t column[4][256];
};

constexpr RoundTables MakeRoundTables(const Matrix<4>& m, const std::array<uint8_t, 256>& box) {
    RoundTables tables{};
    for (int j = 0; j < 4; ++j)
        for (int x = 0; x < 256; ++x) {
            uint32_t entry = 0;
            for (int row = 0; row < 4; ++row) entry |= uint32_t(square_field::Multiply(m[row][j], box[x])) << (8 * row);
            tables.column[j][x] = entry;
        }
    return tables;
}

constexpr std::array<uint8_t, 256> Identity() {
    std::array<uint8_t, 256> identity{};
    for (int x = 0; x < 256; ++x) identity[x] = static_cast<uint8_t>(x);
    return identity;
}

alignas(64) constexpr RoundTables kEncipherTables = MakeRoundTables(kTheta, square_field::kSBox);
alignas(64) constexpr RoundTables kDecipherTables = MakeRoundTables(kThetaInverse, square_field::kSBoxInverse);
// Theta alone, for the round keys; the other columns are rotations of the first.
constexpr RoundTables kThetaTables = MakeRoundTables(kTheta, Identity());

// The encipherment of an all-zero block under an all-zero key.
const uint8_t kKnownAnswer[16] = {0x3c, 0x00, 0x42, 0x8f, 0x8a, 0xbb, 0xc0, 0xb8,
                                  0x4f, 0x05, 0x7c, 0xc1, 0x9c, 0x26, 0xf8, 0xcf};

inline uint32_t Theta(uint32_t w) {
    const auto& t = kThetaTables.column[0];
    return t[w & 0xFF] ^ Rol32(t[(w >> 8) & 0xFF], 8) ^ Rol32(t[(w >> 16) & 0xFF], 16) ^ Rol32(t[w >> 24], 24);
}

// Byte i of each of the four rows, looked up in the four tables.
#define SQUARE_COLUMN(t, s0, s1, s2, s3, i)                                                                   \
    ((t).column[0][((s0) >> (8 * (i))) & 0xFF] ^ (t).column[1][((s1) >> (8 * (i))) & 0xFF] ^                   \
     (t).column[2][((s2) >> (8 * (i))) & 0xFF] ^ (t).column[3][((s3) >> (8 * (i))) & 0xFF])
// The last round: substitution and transposition only.
#define SQUARE_LAST(box, s0, s1, s2, s3, i)                                                                   \
    (uint32_t((box)[((s0) >> (8 * (i))) & 0xFF]) | uint32_t((box)[((s1) >> (8 * (i))) & 0xFF]) << 8 |          \
     uint32_t((box)[((s2) >> (8 * (i))) & 0xFF]) << 16 | uint32_t((box)[((s3) >> (8 * (i))) & 0xFF]) << 24)

// Enciphering and deciphering share this shape; they differ in tables,
// S-box and round keys.
void Crypt(const RoundTables& t, const std::array<uint8_t, 256>& box, const TCipher_Square::RoundKeys& k,
           const uint8_t* in, uint8_t* out) {
    uint32_t s0 = LoadLE32(in) ^ k[0][0], s1 = LoadLE32(in + 4) ^ k[0][1];
    uint32_t s2 = LoadLE32(in + 8) ^ k[0][2], s3 = LoadLE32(in + 12) ^ k[0][3];
    for (int r = 1; r < 8; ++r) {
        const uint32_t n0 = SQUARE_COLUMN(t, s0, s1, s2, s3, 0) ^ k[r][0];
        const uint32_t n1 = SQUARE_COLUMN(t, s0, s1, s2, s3, 1) ^ k[r][1];
        const uint32_t n2 = SQUARE_COLUMN(t, s0, s1, s2, s3, 2) ^ k[r][2];
        const uint32_t n3 = SQUARE_COLUMN(t, s0, s1, s2, s3, 3) ^ k[r][3];
        s0 = n0; s1 = n1; s2 = n2; s3 = n3;
    }
    StoreLE32(out, SQUARE_LAST(box, s0, s1, s2, s3, 0) ^ k[8][0]);
    StoreLE32(out + 4, SQUARE_LAST(box, s0, s1, s2, s3, 1) ^ k[8][1]);
    StoreLE32(out + 8, SQUARE_LAST(box, s0, s1, s2, s3, 2) ^ k[8][2]);
    StoreLE32(out + 12, SQUARE_LAST(box, s0, s1, s2, s3, 3) ^ k[8][3]);
}

}  // namespace

const TCipherClass TCipher_Square::Class = {"TCipher_Square", {16, 16, 288}, &MakeCipher<TCipher_Square>, kKnownAnswer};

void TCipher_Square::Encipher(const RoundKeys& encipher, const uint8_t* in, uint8_t* out) {
    Crypt(kEncipherTables, square_field::kSBox, encipher, in, out);
}

void TCipher_Square::EncipherBlock(uint8_t* block) { Encipher(UserDataAs<Schedule>().encipher, block, block); }

void TCipher_Square::DecipherBlock(uint8_t* block) {
    Crypt(kDecipherTables, square_field::kSBoxInverse, UserDataAs<Schedule>().decipher, block, block);
}

// Two blocks at a time: the rounds of one block are a chain of dependent
// look-ups, and interleaving two chains keeps more loads in flight.
void TCipher_Square::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const RoundKeys& k = UserDataAs<Schedule>().decipher;
    const auto& t = kDecipherTables;
    const auto& box = square_field::kSBoxInverse;
    for (; count >= 2; count -= 2, blocks += 32) {
        uint8_t* p = blocks;
        uint8_t* q = blocks + 16;
        uint32_t a0 = LoadLE32(p) ^ k[0][0], a1 = LoadLE32(p + 4) ^ k[0][1];
        uint32_t a2 = LoadLE32(p + 8) ^ k[0][2], a3 = LoadLE32(p + 12) ^ k[0][3];
        uint32_t b0 = LoadLE32(q) ^ k[0][0], b1 = LoadLE32(q + 4) ^ k[0][1];
        uint32_t b2 = LoadLE32(q + 8) ^ k[0][2], b3 = LoadLE32(q + 12) ^ k[0][3];
        for (int r = 1; r < 8; ++r) {
            const uint32_t m0 = SQUARE_COLUMN(t, a0, a1, a2, a3, 0) ^ k[r][0];
            const uint32_t n0 = SQUARE_COLUMN(t, b0, b1, b2, b3, 0) ^ k[r][0];
            const uint32_t m1 = SQUARE_COLUMN(t, a0, a1, a2, a3, 1) ^ k[r][1];
            const uint32_t n1 = SQUARE_COLUMN(t, b0, b1, b2, b3, 1) ^ k[r][1];
            const uint32_t m2 = SQUARE_COLUMN(t, a0, a1, a2, a3, 2) ^ k[r][2];
            const uint32_t n2 = SQUARE_COLUMN(t, b0, b1, b2, b3, 2) ^ k[r][2];
            const uint32_t m3 = SQUARE_COLUMN(t, a0, a1, a2, a3, 3) ^ k[r][3];
            const uint32_t n3 = SQUARE_COLUMN(t, b0, b1, b2, b3, 3) ^ k[r][3];
            a0 = m0; a1 = m1; a2 = m2; a3 = m3;
            b0 = n0; b1 = n1; b2 = n2; b3 = n3;
        }
        for (int i = 0; i < 4; ++i) {
            StoreLE32(p + 4 * i, SQUARE_LAST(box, a0, a1, a2, a3, i) ^ k[8][i]);
            StoreLE32(q + 4 * i, SQUARE_LAST(box, b0, b1, b2, b3, i) ^ k[8][i]);
        }
    }
    if (count) DecipherBlock(blocks);
}

#undef SQUARE_COLUMN
#undef SQUARE_LAST

void TCipher_Square::ExpandKey(const uint32_t key[4], RoundKeys& encipher, RoundKeys* decipher) {
    for (int j = 0; j < 4; ++j) encipher[0][j] = key[j];
    for (int i = 1; i <= 8; ++i) {
        const uint32_t* p = encipher[i - 1];
        uint32_t* n = encipher[i];
        n[0] = p[0] ^ Ror32(p[3], 8) ^ (1u << (i - 1));
        n[1] = n[0] ^ p[1];
        n[2] = n[1] ^ p[2];
        n[3] = n[2] ^ p[3];
        if (decipher)
            for (int j = 0; j < 4; ++j) (*decipher)[8 - i][j] = n[j];
        // Enciphering applies theta before each key addition but the last,
        // so those round keys are stored with theta already applied; the
        // untransformed key was needed above for the next one.
        for (int j = 0; j < 4; ++j) encipher[i - 1][j] = Theta(encipher[i - 1][j]);
    }
    if (decipher)
        for (int j = 0; j < 4; ++j) (*decipher)[8][j] = encipher[0][j];
}

void TCipher_Square::KeySchedule(const uint8_t* key, int32_t size) {
    uint8_t padded[16] = {};
    for (int32_t i = 0; i < size; ++i) padded[i] = key[i];
    uint32_t words[4];
    for (int j = 0; j < 4; ++j) words[j] = LoadLE32(padded + 4 * j);
    Schedule& k = UserDataAs<Schedule>();
    ExpandKey(words, k.encipher, &k.decipher);
    FillSecret(padded, 0, sizeof padded);
    FillSecret(words, 0, sizeof words);
}

}  // namespace quellmark
