#include "crypto/ciphers/gost.h"

#include <array>

#include "crypto/bytes.h"

namespace quellmark {

namespace {

// The encipherment of the zero block under the first key of the GOST R 34.11-94
// hash example (RFC 5831).
const uint8_t kKnownAnswer[8] = {0x1b, 0x0b, 0xbc, 0x32, 0xce, 0xbc, 0xab, 0x42};

// The S-boxes, the first for the lowest nibble of a word.
constexpr uint8_t kBoxes[8][16] = {
    {4, 10, 9, 2, 13, 8, 0, 14, 6, 11, 1, 12, 7, 15, 5, 3},
    {14, 11, 4, 12, 6, 13, 15, 10, 2, 3, 8, 1, 0, 7, 5, 9},
    {5, 8, 1, 13, 10, 3, 4, 2, 14, 15, 12, 7, 6, 0, 9, 11},
    {7, 13, 10, 1, 0, 8, 9, 15, 14, 4, 6, 12, 11, 2, 5, 3},
    {6, 12, 7, 1, 5, 15, 13, 8, 4, 10, 9, 14, 0, 3, 11, 2},
    {4, 11, 10, 0, 7, 2, 1, 13, 3, 6, 8, 5, 9, 12, 15, 14},
    {13, 11, 4, 1, 3, 15, 5, 9, 0, 10, 14, 7, 6, 8, 2, 12},
    {1, 15, 13, 0, 5, 7, 10, 4, 9, 2, 3, 14, 6, 11, 8, 12},
};

// The round function as four byte tables: table i maps byte i of x through
// its two S-boxes, puts the result back at byte i and rotates left by 11, so
// f(x) is the exclusive-or of four look-ups.
using FTables = std::array<std::array<uint32_t, 256>, 4>;

constexpr FTables MakeFTables() {
    FTables t{};
    for (int i = 0; i < 4; ++i)
        for (uint32_t b = 0; b < 256; ++b) {
            const uint32_t substituted = uint32_t(kBoxes[2 * i][b & 15]) | uint32_t(kBoxes[2 * i + 1][b >> 4]) << 4;
            const uint32_t placed = substituted << (8 * i);
            t[i][b] = placed << 11 | placed >> 21;
        }
    return t;
}

constexpr FTables kF = MakeFTables();

inline uint32_t F(uint32_t x) {
    return kF[0][x & 0xFF] ^ kF[1][x >> 8 & 0xFF] ^ kF[2][x >> 16 & 0xFF] ^ kF[3][x >> 24];
}

// One pair of rounds with the key words ka, kb.
#define GOST_PAIR(x, y, ka, kb) \
    do {                        \
        (y) ^= F((x) + (ka));   \
        (x) ^= F((y) + (kb));   \
    } while (0)

// Key words k0..k7 in order, then k7..k0.
#define GOST_FORWARD(x, y, k)             \
    do {                                  \
        GOST_PAIR(x, y, (k)[0], (k)[1]);  \
        GOST_PAIR(x, y, (k)[2], (k)[3]);  \
        GOST_PAIR(x, y, (k)[4], (k)[5]);  \
        GOST_PAIR(x, y, (k)[6], (k)[7]);  \
    } while (0)
#define GOST_BACKWARD(x, y, k)            \
    do {                                  \
        GOST_PAIR(x, y, (k)[7], (k)[6]);  \
        GOST_PAIR(x, y, (k)[5], (k)[4]);  \
        GOST_PAIR(x, y, (k)[3], (k)[2]);  \
        GOST_PAIR(x, y, (k)[1], (k)[0]);  \
    } while (0)

}  // namespace

const TCipherClass TCipher_Gost::Class = {"TCipher_Gost", {8, 32, 32}, &MakeCipher<TCipher_Gost>, kKnownAnswer};

void TCipher_Gost::EncipherBlock(uint8_t* block) {
    const uint32_t* k = UserDataAs<Schedule>().k;
    uint32_t x = LoadLE32(block), y = LoadLE32(block + 4);
    GOST_FORWARD(x, y, k);
    GOST_FORWARD(x, y, k);
    GOST_FORWARD(x, y, k);
    GOST_BACKWARD(x, y, k);
    StoreLE32(block, y);
    StoreLE32(block + 4, x);
}

void TCipher_Gost::DecipherBlock(uint8_t* block) {
    const uint32_t* k = UserDataAs<Schedule>().k;
    uint32_t x = LoadLE32(block), y = LoadLE32(block + 4);
    GOST_FORWARD(x, y, k);
    GOST_BACKWARD(x, y, k);
    GOST_BACKWARD(x, y, k);
    GOST_BACKWARD(x, y, k);
    StoreLE32(block, y);
    StoreLE32(block + 4, x);
}

// Two blocks at a time: every round waits on the one before, and a second
// independent block fills those waits.
void TCipher_Gost::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const uint32_t* k = UserDataAs<Schedule>().k;
    for (; count >= 2; count -= 2, blocks += 16) {
        uint32_t x0 = LoadLE32(blocks), y0 = LoadLE32(blocks + 4);
        uint32_t x1 = LoadLE32(blocks + 8), y1 = LoadLE32(blocks + 12);
        for (int i = 0; i < 8; i += 2) {
            GOST_PAIR(x0, y0, k[i], k[i + 1]);
            GOST_PAIR(x1, y1, k[i], k[i + 1]);
        }
        for (int pass = 0; pass < 3; ++pass)
            for (int i = 7; i > 0; i -= 2) {
                GOST_PAIR(x0, y0, k[i], k[i - 1]);
                GOST_PAIR(x1, y1, k[i], k[i - 1]);
            }
        StoreLE32(blocks, y0);
        StoreLE32(blocks + 4, x0);
        StoreLE32(blocks + 8, y1);
        StoreLE32(blocks + 12, x1);
    }
    if (count) DecipherBlock(blocks);
}

#undef GOST_BACKWARD
#undef GOST_FORWARD
#undef GOST_PAIR

void TCipher_Gost::KeySchedule(const uint8_t* key, int32_t size) {
    LoadLE32Padded(UserDataAs<Schedule>().k, 8, key, static_cast<std::size_t>(size));
}

}  // namespace quellmark
