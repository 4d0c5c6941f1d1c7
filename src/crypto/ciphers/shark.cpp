#include "crypto/ciphers/shark.h"

#include "crypto/bytes.h"
#include "crypto/ciphers/square_field.h"

namespace quellmark {

namespace {

using square_field::Matrix;

// The inverse of SHARK's diffusion matrix. Row r gives output byte r,
// column c multiplies input byte c, byte 0 being the most significant byte
// of a 64-bit value. The key schedule applies it to move round keys through
// the diffusion layer.
constexpr Matrix<8> kInverseDiffusion = {{
    {0xE7, 0x30, 0x90, 0x85, 0xD0, 0x4B, 0x91, 0x41},
    {0x53, 0x95, 0x9B, 0xA5, 0x96, 0xBC, 0xA1, 0x68},
    {0x02, 0x45, 0xF7, 0x65, 0x5C, 0x1F, 0xB6, 0x52},
    {0xA2, 0xCA, 0x22, 0x94, 0x44, 0x63, 0x2A, 0xA2},
    {0xFC, 0x67, 0x8E, 0x10, 0x29, 0x75, 0x85, 0x71},
    {0x24, 0x45, 0xA2, 0xCF, 0x2F, 0x22, 0xC1, 0x0E},
    {0xA1, 0xF1, 0x71, 0x40, 0x91, 0x27, 0x18, 0xA5},
    {0x56, 0xF4, 0xAF, 0x32, 0xD2, 0xA4, 0xDC, 0x71},
}};

constexpr Matrix<8> kDiffusion = square_field::Invert(kInverseDiffusion);

// One round's substitution and diffusion as eight look-ups: entry x of table
// c is column c of the matrix times box[x], so a round is the exclusive-or
// of one entry per state byte.
struct RoundTables {
    uint64_t column[8][256];
};

constexpr RoundTables MakeRoundTables(const Matrix<8>& m, const std::array<uint8_t, 256>& box) {
    RoundTables tables{};
    for (int c = 0; c < 8; ++c)
        for (int x = 0; x < 256; ++x) {
            uint64_t entry = 0;
            for (int r = 0; r < 8; ++r) entry |= uint64_t(square_field::Multiply(m[r][c], box[x])) << (56 - 8 * r);
            tables.column[c][x] = entry;
        }
    return tables;
}

alignas(64) constexpr RoundTables kEncipherTables = MakeRoundTables(kDiffusion, square_field::kSBox);
alignas(64) constexpr RoundTables kDecipherTables = MakeRoundTables(kInverseDiffusion, square_field::kSBoxInverse);

// The encipherment of an all-zero block under an all-zero key.
const uint8_t kKnownAnswer[8] = {0x0a, 0x42, 0x16, 0x77, 0x4e, 0xcf, 0x4b, 0x21};

inline uint64_t Diffuse(const RoundTables& t, uint64_t s) {
    return t.column[0][s >> 56] ^ t.column[1][(s >> 48) & 0xFF] ^ t.column[2][(s >> 40) & 0xFF] ^
           t.column[3][(s >> 32) & 0xFF] ^ t.column[4][(s >> 24) & 0xFF] ^ t.column[5][(s >> 16) & 0xFF] ^
           t.column[6][(s >> 8) & 0xFF] ^ t.column[7][s & 0xFF];
}

inline uint64_t Substitute(const std::array<uint8_t, 256>& box, uint64_t s) {
    uint64_t out = 0;
    for (int shift = 0; shift < 64; shift += 8) out |= uint64_t(box[(s >> shift) & 0xFF]) << shift;
    return out;
}

// Five full rounds, then a last round of key addition and substitution
// only, closed by the seventh round key. Deciphering is the same shape
// with the inverse tables and the deciphering keys.
uint64_t Crypt(const RoundTables& t, const std::array<uint8_t, 256>& box, const uint64_t* k, uint64_t s) {
    for (int r = 0; r < 5; ++r) s = Diffuse(t, s ^ k[r]);
    return Substitute(box, s ^ k[5]) ^ k[6];
}

// The inverse diffusion matrix applied to a 64-bit value. The deciphering
// tables already hold that matrix times the inverse S-box, so passing each
// byte through the S-box first leaves the matrix alone.
uint64_t InverseDiffusion(uint64_t v) { return Diffuse(kDecipherTables, Substitute(square_field::kSBox, v)); }

}  // namespace

const TCipherClass TCipher_Shark::Class = {"TCipher_Shark", {8, 16, 112}, &MakeCipher<TCipher_Shark>, kKnownAnswer};

void TCipher_Shark::EncipherBlock(uint8_t* block) {
    const Schedule& k = UserDataAs<Schedule>();
    StoreLE64(block, Crypt(kEncipherTables, square_field::kSBox, k.encipher, LoadLE64(block)));
}

void TCipher_Shark::DecipherBlock(uint8_t* block) {
    const Schedule& k = UserDataAs<Schedule>();
    StoreLE64(block, Crypt(kDecipherTables, square_field::kSBoxInverse, k.decipher, LoadLE64(block)));
}

// Two blocks at a time: each block's rounds are one chain of dependent
// look-ups, and running two chains side by side keeps the loads in flight.
void TCipher_Shark::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Schedule& k = UserDataAs<Schedule>();
    const auto& box = square_field::kSBoxInverse;
    for (; count >= 2; count -= 2, blocks += 16) {
        uint64_t a = LoadLE64(blocks), b = LoadLE64(blocks + 8);
        for (int r = 0; r < 5; ++r) {
            a = Diffuse(kDecipherTables, a ^ k.decipher[r]);
            b = Diffuse(kDecipherTables, b ^ k.decipher[r]);
        }
        StoreLE64(blocks, Substitute(box, a ^ k.decipher[5]) ^ k.decipher[6]);
        StoreLE64(blocks + 8, Substitute(box, b ^ k.decipher[5]) ^ k.decipher[6]);
    }
    if (count) DecipherBlock(blocks);
}

void TCipher_Shark::KeySchedule(const uint8_t* key, int32_t size) {
    uint8_t padded[16] = {};
    for (int32_t i = 0; i < size; ++i) padded[i] = key[i];

    // Seven words of key material, read from key byte 1 onwards and wrapping
    // round the 16 padded bytes, the first byte read being the most significant.
    uint64_t material[7];
    for (int w = 0; w < 7; ++w) {
        uint64_t word = 0;
        for (int b = 0; b < 8; ++b) word = word << 8 | padded[(1 + 8 * w + b) % 16];
        material[w] = word;
    }

    // The round keys are the key material enciphered in 64-bit cipher
    // feedback from a zero vector, under a fixed schedule taken from the
    // first enciphering table.
    uint64_t fixed[7];
    for (int r = 0; r < 7; ++r) fixed[r] = kEncipherTables.column[0][r];
    fixed[6] = InverseDiffusion(fixed[6]);

    Schedule& k = UserDataAs<Schedule>();
    uint64_t feedback = 0;
    for (int r = 0; r < 7; ++r) {
        feedback = material[r] ^ Crypt(kEncipherTables, square_field::kSBox, fixed, feedback);
        k.encipher[r] = feedback;
    }
    k.encipher[6] = InverseDiffusion(k.encipher[6]);

    k.decipher[0] = k.encipher[6];
    for (int r = 1; r < 6; ++r) k.decipher[r] = InverseDiffusion(k.encipher[6 - r]);
    k.decipher[6] = k.encipher[0];

    FillSecret(padded, 0, sizeof padded);
    FillSecret(material, 0, sizeof material);
    FillSecret(&feedback, 0, sizeof feedback);
}

}  // namespace quellmark
