#include "crypto/ciphers/rc6.h"

#include "crypto/bytes.h"
#include "crypto/ciphers/rc5.h"

namespace quellmark {

const TCipherClass TCipher_RC6::Class = {"TCipher_RC6", {16, 256, 272}, &MakeCipher<TCipher_RC6>, nullptr};

namespace {

// The data-dependent rotation amount of a word: the top five bits of x(2x+1) rotated left 5.
inline uint32_t Spread(uint32_t x) { return Rol32(x * (2 * x + 1), 5); }

}  // namespace

void TCipher_RC6::EncipherBlock(uint8_t* block) {
    const uint32_t* s = UserDataAs<Schedule>().s;
    uint32_t a = LoadLE32(block), b = LoadLE32(block + 4) + s[0];
    uint32_t c = LoadLE32(block + 8), d = LoadLE32(block + 12) + s[1];
    for (int32_t i = 1; i <= rounds_; ++i) {
        const uint32_t t = Spread(b), u = Spread(d);
        const uint32_t nextA = Rol32(a ^ t, static_cast<int>(u & 31)) + s[2 * i];
        const uint32_t nextC = Rol32(c ^ u, static_cast<int>(t & 31)) + s[2 * i + 1];
        // (a, b, c, d) <- (b, c, d, a)
        a = b;
        b = nextC;
        c = d;
        d = nextA;
    }
    StoreLE32(block, a + s[2 * rounds_ + 2]);
    StoreLE32(block + 4, b);
    StoreLE32(block + 8, c + s[2 * rounds_ + 3]);
    StoreLE32(block + 12, d);
}

void TCipher_RC6::DecipherBlock(uint8_t* block) {
    const uint32_t* s = UserDataAs<Schedule>().s;
    uint32_t a = LoadLE32(block) - s[2 * rounds_ + 2], b = LoadLE32(block + 4);
    uint32_t c = LoadLE32(block + 8) - s[2 * rounds_ + 3], d = LoadLE32(block + 12);
    for (int32_t i = rounds_; i >= 1; --i) {
        // (a, b, c, d) <- (d, a, b, c), then undo the round
        const uint32_t oldA = d;
        d = c;
        c = b;
        b = a;
        const uint32_t t = Spread(b), u = Spread(d);
        c = Ror32(c - s[2 * i + 1], static_cast<int>(t & 31)) ^ u;
        a = Ror32(oldA - s[2 * i], static_cast<int>(u & 31)) ^ t;
    }
    StoreLE32(block, a);
    StoreLE32(block + 4, b - s[0]);
    StoreLE32(block + 8, c);
    StoreLE32(block + 12, d - s[1]);
}

// Two blocks at a time, for the same reason as in RC5.
void TCipher_RC6::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const uint32_t* s = UserDataAs<Schedule>().s;
    const uint32_t lastA = s[2 * rounds_ + 2], lastC = s[2 * rounds_ + 3];
    for (; count >= 2; count -= 2, blocks += 32) {
        uint32_t a0 = LoadLE32(blocks) - lastA, b0 = LoadLE32(blocks + 4);
        uint32_t c0 = LoadLE32(blocks + 8) - lastC, d0 = LoadLE32(blocks + 12);
        uint32_t a1 = LoadLE32(blocks + 16) - lastA, b1 = LoadLE32(blocks + 20);
        uint32_t c1 = LoadLE32(blocks + 24) - lastC, d1 = LoadLE32(blocks + 28);
        for (int32_t i = rounds_; i >= 1; --i) {
            const uint32_t old0 = d0, old1 = d1;
            d0 = c0; c0 = b0; b0 = a0;
            d1 = c1; c1 = b1; b1 = a1;
            const uint32_t t0 = Spread(b0), u0 = Spread(d0);
            const uint32_t t1 = Spread(b1), u1 = Spread(d1);
            c0 = Ror32(c0 - s[2 * i + 1], static_cast<int>(t0 & 31)) ^ u0;
            c1 = Ror32(c1 - s[2 * i + 1], static_cast<int>(t1 & 31)) ^ u1;
            a0 = Ror32(old0 - s[2 * i], static_cast<int>(u0 & 31)) ^ t0;
            a1 = Ror32(old1 - s[2 * i], static_cast<int>(u1 & 31)) ^ t1;
        }
        StoreLE32(blocks, a0);
        StoreLE32(blocks + 4, b0 - s[0]);
        StoreLE32(blocks + 8, c0);
        StoreLE32(blocks + 12, d0 - s[1]);
        StoreLE32(blocks + 16, a1);
        StoreLE32(blocks + 20, b1 - s[0]);
        StoreLE32(blocks + 24, c1);
        StoreLE32(blocks + 28, d1 - s[1]);
    }
    if (count) DecipherBlock(blocks);
}

void TCipher_RC6::KeySchedule(const uint8_t* key, int32_t size) {
    if (rounds_ < 16 || rounds_ > 24) rounds_ = 20;
    ExpandRC5Key(key, size, UserDataAs<Schedule>().s, 2 * rounds_ + 4);
}

}  // namespace quellmark
