#include "crypto/ciphers/tea.h"

#include "crypto/bytes.h"

namespace quellmark {

namespace {

constexpr uint32_t kDelta = 0x9E3779B9;
constexpr int32_t kFewestCycles = 16;
constexpr int32_t kMostCycles = 32;

// TEA half-rounds. The published TEA adds the sum to the word before the
// exclusive-or, ((w << 4) + ka) ^ (w + sum) ^ ((w >> 5) + kb); here the sum
// is added after the first exclusive-or. Existing containers were made this
// way, so it stays.
inline uint32_t TeaMix(uint32_t w, uint32_t sum, uint32_t ka, uint32_t kb) {
    return ((((w << 4) + ka) ^ w) + sum) ^ ((w >> 5) + kb);
}

// The extended form: XTEA's choice of key word, but the shifted word, the
// sum and the key word are added where XTEA combines them as
// (((w << 4) ^ (w >> 5)) + w) ^ (sum + key word).
inline uint32_t TeanMix(uint32_t w, uint32_t sum, uint32_t keyWord) {
    return ((w << 4) ^ (w >> 5)) + (sum ^ w) + keyWord;
}

}  // namespace

const TCipherClass TCipher_TEA::Class = {"TCipher_TEA", {8, 16, 32}, &MakeCipher<TCipher_TEA>, nullptr};
const TCipherClass TCipher_TEAN::Class = {"TCipher_TEAN", {8, 16, 32}, &MakeCipher<TCipher_TEAN>, nullptr};

void TCipher_TEA::KeySchedule(const uint8_t* key, int32_t size) {
    if (cycles_ < kFewestCycles) cycles_ = kFewestCycles;
    if (cycles_ > kMostCycles) cycles_ = kMostCycles;
    LoadLE32Padded(UserDataAs<Schedule>().k, 4, key, static_cast<std::size_t>(size));
}

void TCipher_TEA::EncipherBlock(uint8_t* block) {
    const uint32_t* k = UserDataAs<Schedule>().k;
    uint32_t y = LoadLE32(block), z = LoadLE32(block + 4), sum = 0;
    for (int32_t i = 0; i < cycles_; ++i) {
        sum += kDelta;
        y += TeaMix(z, sum, k[0], k[1]);
        z += TeaMix(y, sum, k[2], k[3]);
    }
    StoreLE32(block, y);
    StoreLE32(block + 4, z);
}

void TCipher_TEA::DecipherBlock(uint8_t* block) {
    const uint32_t* k = UserDataAs<Schedule>().k;
    uint32_t y = LoadLE32(block), z = LoadLE32(block + 4);
    uint32_t sum = kDelta * static_cast<uint32_t>(cycles_);
    for (int32_t i = 0; i < cycles_; ++i) {
        z -= TeaMix(y, sum, k[2], k[3]);
        y -= TeaMix(z, sum, k[0], k[1]);
        sum -= kDelta;
    }
    StoreLE32(block, y);
    StoreLE32(block + 4, z);
}

// Four blocks at a time: each half-round waits on the one before it, and
// independent blocks fill those waits.
void TCipher_TEA::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const uint32_t* k = UserDataAs<Schedule>().k;
    for (; count >= 4; count -= 4, blocks += 32) {
        uint32_t y[4], z[4];
        for (int b = 0; b < 4; ++b) {
            y[b] = LoadLE32(blocks + 8 * b);
            z[b] = LoadLE32(blocks + 8 * b + 4);
        }
        uint32_t sum = kDelta * static_cast<uint32_t>(cycles_);
        for (int32_t i = 0; i < cycles_; ++i) {
            for (int b = 0; b < 4; ++b) z[b] -= TeaMix(y[b], sum, k[2], k[3]);
            for (int b = 0; b < 4; ++b) y[b] -= TeaMix(z[b], sum, k[0], k[1]);
            sum -= kDelta;
        }
        for (int b = 0; b < 4; ++b) {
            StoreLE32(blocks + 8 * b, y[b]);
            StoreLE32(blocks + 8 * b + 4, z[b]);
        }
    }
    for (; count > 0; --count, blocks += 8) TCipher_TEA::DecipherBlock(blocks);
}

void TCipher_TEAN::EncipherBlock(uint8_t* block) {
    const uint32_t* k = UserDataAs<Schedule>().k;
    uint32_t y = LoadLE32(block), z = LoadLE32(block + 4), sum = 0;
    for (int32_t i = 0; i < cycles_; ++i) {
        y += TeanMix(z, sum, k[sum & 3]);
        sum += kDelta;
        z += TeanMix(y, sum, k[sum >> 11 & 3]);
    }
    StoreLE32(block, y);
    StoreLE32(block + 4, z);
}

void TCipher_TEAN::DecipherBlock(uint8_t* block) {
    const uint32_t* k = UserDataAs<Schedule>().k;
    uint32_t y = LoadLE32(block), z = LoadLE32(block + 4);
    uint32_t sum = kDelta * static_cast<uint32_t>(cycles_);
    for (int32_t i = 0; i < cycles_; ++i) {
        z -= TeanMix(y, sum, k[sum >> 11 & 3]);
        sum -= kDelta;
        y -= TeanMix(z, sum, k[sum & 3]);
    }
    StoreLE32(block, y);
    StoreLE32(block + 4, z);
}

void TCipher_TEAN::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const uint32_t* k = UserDataAs<Schedule>().k;
    for (; count >= 4; count -= 4, blocks += 32) {
        uint32_t y[4], z[4];
        for (int b = 0; b < 4; ++b) {
            y[b] = LoadLE32(blocks + 8 * b);
            z[b] = LoadLE32(blocks + 8 * b + 4);
        }
        uint32_t sum = kDelta * static_cast<uint32_t>(cycles_);
        for (int32_t i = 0; i < cycles_; ++i) {
            const uint32_t high = k[sum >> 11 & 3];
            for (int b = 0; b < 4; ++b) z[b] -= TeanMix(y[b], sum, high);
            sum -= kDelta;
            const uint32_t low = k[sum & 3];
            for (int b = 0; b < 4; ++b) y[b] -= TeanMix(z[b], sum, low);
        }
        for (int b = 0; b < 4; ++b) {
            StoreLE32(blocks + 8 * b, y[b]);
            StoreLE32(blocks + 8 * b + 4, z[b]);
        }
    }
    for (; count > 0; --count, blocks += 8) TCipher_TEAN::DecipherBlock(blocks);
}

}  // namespace quellmark
