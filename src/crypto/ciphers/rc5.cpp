#include "crypto/ciphers/rc5.h"

#include <algorithm>

#include "crypto/bytes.h"

namespace quellmark {

const TCipherClass TCipher_RC5::Class = {"TCipher_RC5", {8, 256, 136}, &MakeCipher<TCipher_RC5>, nullptr};

void ExpandRC5Key(const uint8_t* key, int32_t size, uint32_t* s, int32_t count) {
    constexpr uint32_t P = 0xB7E15163, Q = 0x9E3779B9;
    // A key of up to 256 bytes is at most 64 words; an empty key is one zero word.
    uint32_t l[64] = {};
    const int32_t c = std::max<int32_t>((size + 3) / 4, 1);
    for (int32_t i = 0; i < size; ++i) l[i / 4] |= uint32_t(key[i]) << (8 * (i % 4));
    s[0] = P;
    for (int32_t i = 1; i < count; ++i) s[i] = s[i - 1] + Q;
    uint32_t a = 0, b = 0;
    for (int32_t n = 3 * std::max(count, c), i = 0, j = 0; n > 0; --n) {
        a = s[i] = Rol32(s[i] + a + b, 3);
        b = l[j] = Rol32(l[j] + a + b, static_cast<int>((a + b) & 31));
        if (++i == count) i = 0;
        if (++j == c) j = 0;
    }
    FillSecret(l, 0, sizeof l);
}

void TCipher_RC5::EncipherBlock(uint8_t* block) {
    const uint32_t* s = UserDataAs<Schedule>().s;
    uint32_t a = LoadLE32(block) + s[0], b = LoadLE32(block + 4) + s[1];
    for (int32_t i = 1; i <= rounds_; ++i) {
        a = Rol32(a ^ b, static_cast<int>(b & 31)) + s[2 * i];
        b = Rol32(b ^ a, static_cast<int>(a & 31)) + s[2 * i + 1];
    }
    StoreLE32(block, a);
    StoreLE32(block + 4, b);
}

void TCipher_RC5::DecipherBlock(uint8_t* block) {
    const uint32_t* s = UserDataAs<Schedule>().s;
    uint32_t a = LoadLE32(block), b = LoadLE32(block + 4);
    for (int32_t i = rounds_; i >= 1; --i) {
        b = Ror32(b - s[2 * i + 1], static_cast<int>(a & 31)) ^ a;
        a = Ror32(a - s[2 * i], static_cast<int>(b & 31)) ^ b;
    }
    StoreLE32(block, a - s[0]);
    StoreLE32(block + 4, b - s[1]);
}

// Two blocks at a time: every step of a block waits for the one before, and
// two independent chains keep the processor busy.
void TCipher_RC5::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const uint32_t* s = UserDataAs<Schedule>().s;
    for (; count >= 2; count -= 2, blocks += 16) {
        uint32_t a0 = LoadLE32(blocks), b0 = LoadLE32(blocks + 4);
        uint32_t a1 = LoadLE32(blocks + 8), b1 = LoadLE32(blocks + 12);
        for (int32_t i = rounds_; i >= 1; --i) {
            b0 = Ror32(b0 - s[2 * i + 1], static_cast<int>(a0 & 31)) ^ a0;
            b1 = Ror32(b1 - s[2 * i + 1], static_cast<int>(a1 & 31)) ^ a1;
            a0 = Ror32(a0 - s[2 * i], static_cast<int>(b0 & 31)) ^ b0;
            a1 = Ror32(a1 - s[2 * i], static_cast<int>(b1 & 31)) ^ b1;
        }
        StoreLE32(blocks, a0 - s[0]);
        StoreLE32(blocks + 4, b0 - s[1]);
        StoreLE32(blocks + 8, a1 - s[0]);
        StoreLE32(blocks + 12, b1 - s[1]);
    }
    if (count) DecipherBlock(blocks);
}

void TCipher_RC5::KeySchedule(const uint8_t* key, int32_t size) {
    if (rounds_ < 8 || rounds_ > 16) rounds_ = 12;
    ExpandRC5Key(key, size, UserDataAs<Schedule>().s, 2 * rounds_ + 2);
}

}  // namespace quellmark
