#include "crypto/ciphers/idea.h"

#include "crypto/bytes.h"

namespace quellmark {

namespace {

// The designers' example: key 0001 0002 ... 0008, block 0000 0001 0002 0003.
const uint8_t kKnownAnswer[8] = {0x11, 0xfb, 0xed, 0x2b, 0x01, 0x98, 0x6d, 0xe5};

// Multiplication modulo 65537, where the word 0 stands for 2^16. The product
// of two non-zero words splits as hi * 2^16 + lo, and 2^16 = -1 modulo 65537,
// so it reduces to lo - hi (plus 65537 when that is negative). A zero product
// means one factor was 2^16 = -1: the result is then 1 - a - b modulo 2^16.
inline uint32_t Mul(uint32_t a, uint32_t b) {
    const uint32_t p = a * b;
    if (p) {
        const uint32_t lo = p & 0xFFFF, hi = p >> 16;
        return (lo - hi + (lo < hi)) & 0xFFFF;
    }
    return (1 - a - b) & 0xFFFF;
}

// The multiplicative inverse modulo 65537 as x^65535 (Fermat); 0 (2^16 = -1)
// is its own inverse.
uint16_t MulInverse(uint16_t x) {
    uint64_t base = x ? x : 65536, result = 1;
    for (uint32_t e = 65535; e; e >>= 1) {
        if (e & 1) result = result * base % 65537;
        base = base * base % 65537;
    }
    return static_cast<uint16_t>(result & 0xFFFF);
}

inline uint16_t Negate(uint16_t x) { return static_cast<uint16_t>(-x); }

struct Words {
    uint32_t x1, x2, x3, x4;
};

inline Words Load(const uint8_t* p) { return {LoadBE16(p), LoadBE16(p + 2), LoadBE16(p + 4), LoadBE16(p + 6)}; }

inline void Round(Words& w, const uint16_t* z) {
    w.x1 = Mul(w.x1, z[0]);
    w.x2 = (w.x2 + z[1]) & 0xFFFF;
    w.x3 = (w.x3 + z[2]) & 0xFFFF;
    w.x4 = Mul(w.x4, z[3]);
    uint32_t t1 = Mul(w.x1 ^ w.x3, z[4]);
    const uint32_t t2 = Mul((t1 + (w.x2 ^ w.x4)) & 0xFFFF, z[5]);
    t1 = (t1 + t2) & 0xFFFF;
    w.x1 ^= t2;
    w.x4 ^= t1;
    // The middle words trade places.
    const uint32_t x2 = w.x2;
    w.x2 = w.x3 ^ t2;
    w.x3 = x2 ^ t1;
}

// The output transformation also undoes the last round's exchange of the middle words.
inline void Output(uint8_t* p, const Words& w, const uint16_t* z) {
    StoreBE16(p, static_cast<uint16_t>(Mul(w.x1, z[0])));
    StoreBE16(p + 2, static_cast<uint16_t>(w.x3 + z[1]));
    StoreBE16(p + 4, static_cast<uint16_t>(w.x2 + z[2]));
    StoreBE16(p + 6, static_cast<uint16_t>(Mul(w.x4, z[3])));
}

void Crypt(uint8_t* block, const uint16_t* z) {
    Words w = Load(block);
    for (int round = 0; round < 8; ++round) Round(w, z + 6 * round);
    Output(block, w, z + 48);
}

}  // namespace

const TCipherClass TCipher_IDEA::Class = {"TCipher_IDEA", {8, 16, 208}, &MakeCipher<TCipher_IDEA>, kKnownAnswer};

void TCipher_IDEA::EncipherBlock(uint8_t* block) { Crypt(block, UserDataAs<Schedule>().encipher); }

void TCipher_IDEA::DecipherBlock(uint8_t* block) { Crypt(block, UserDataAs<Schedule>().decipher); }

// Four blocks at a time: the multiplications of one block form a long chain,
// and independent blocks keep the multiplier busy.
void TCipher_IDEA::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const uint16_t* z = UserDataAs<Schedule>().decipher;
    for (; count >= 4; count -= 4, blocks += 32) {
        Words a = Load(blocks), b = Load(blocks + 8), c = Load(blocks + 16), d = Load(blocks + 24);
        for (int round = 0; round < 8; ++round) {
            Round(a, z + 6 * round);
            Round(b, z + 6 * round);
            Round(c, z + 6 * round);
            Round(d, z + 6 * round);
        }
        Output(blocks, a, z + 48);
        Output(blocks + 8, b, z + 48);
        Output(blocks + 16, c, z + 48);
        Output(blocks + 24, d, z + 48);
    }
    for (; count > 0; --count, blocks += 8) Crypt(blocks, z);
}

void TCipher_IDEA::KeySchedule(const uint8_t* key, int32_t size) {
    Schedule& k = UserDataAs<Schedule>();
    // The 128-bit key, zero-padded, as a big-endian number in two halves.
    uint8_t padded[16] = {};
    for (int32_t i = 0; i < size; ++i) padded[i] = key[i];
    uint64_t high = uint64_t(LoadBE32(padded)) << 32 | LoadBE32(padded + 4);
    uint64_t low = uint64_t(LoadBE32(padded + 8)) << 32 | LoadBE32(padded + 12);
    // Subkeys are the key's 16-bit words from the top; after each eight the
    // key is rotated left by 25 bits.
    for (int i = 0; i < 52; ++i) {
        const int word = i % 8;
        const uint64_t half = word < 4 ? high : low;
        k.encipher[i] = static_cast<uint16_t>(half >> (48 - 16 * (word % 4)));
        if (word == 7) {
            const uint64_t h = high << 25 | low >> 39, l = low << 25 | high >> 39;
            high = h;
            low = l;
        }
    }
    FillSecret(padded, 0, sizeof padded);
    high = low = 0;

    // Deciphering runs the same rounds with the inverses in reverse order.
    // Round r takes the inverses of the multiplier and adder keys that the
    // output transformation or round 8 - r applied last; the adders are
    // exchanged in the middle rounds because those rounds exchange the words.
    const uint16_t* e = k.encipher;
    uint16_t* d = k.decipher;
    for (int r = 0; r <= 8; ++r) {
        const int from = 48 - 6 * r;  // the enciphering keys this step undoes
        d[6 * r] = MulInverse(e[from]);
        d[6 * r + 3] = MulInverse(e[from + 3]);
        const bool outer = r == 0 || r == 8;
        d[6 * r + 1] = Negate(e[from + (outer ? 1 : 2)]);
        d[6 * r + 2] = Negate(e[from + (outer ? 2 : 1)]);
        if (r < 8) {
            d[6 * r + 4] = e[from - 2];
            d[6 * r + 5] = e[from - 1];
        }
    }
}

}  // namespace quellmark
