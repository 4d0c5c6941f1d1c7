#include "crypto/ciphers/three_way.h"

#include "crypto/bytes.h"

namespace quellmark {

namespace {

// The encipherment of the block 01000000 01000000 01000000 under the all-zero
// key: the first of the designer's test values.
const uint8_t kKnownAnswer[12] = {0x6e, 0xc7, 0x59, 0x40, 0xc4, 0x9d, 0xae, 0x83, 0xf7, 0xec, 0x21, 0xad};

constexpr uint32_t kFirstEncipherConstant = 0x0B0B;
constexpr uint32_t kFirstDecipherConstant = 0xB1B1;

// Four words side by side in one SSE register: the rounds use only bitwise
// operations and shifts, so they work unchanged on four blocks at once.
typedef uint32_t Lanes __attribute__((vector_size(16)));

// W is a single word or four lanes of words.
template <class W>
struct Words {
    W a0, a1, a2;
};

template <int n, class W>
inline W Rotl(W x) {
    return x << n | x >> (32 - n);
}

// Reverses the order of the bits within one word.
inline uint32_t ReverseBits(uint32_t x) {
    x = (x & 0x55555555u) << 1 | (x >> 1 & 0x55555555u);
    x = (x & 0x33333333u) << 2 | (x >> 2 & 0x33333333u);
    x = (x & 0x0F0F0F0Fu) << 4 | (x >> 4 & 0x0F0F0F0Fu);
    return __builtin_bswap32(x);
}

// mu: the 96 bits in reverse order, so the first and last words trade places.
inline void Mu(Words<uint32_t>& w) {
    const uint32_t first = ReverseBits(w.a0);
    w.a0 = ReverseBits(w.a2);
    w.a1 = ReverseBits(w.a1);
    w.a2 = first;
}

// theta, the linear layer. Written out, each output word is its input word
// exclusive-or twelve shifted copies of the three words; the copies shifted
// by 8, 16 and 24 in both directions collect into rotations of a0 ^ a1 ^ a2,
// leaving four shifts of single words per output word. Those of the last
// word are the halves of the other two words' terms, shifted by 16.
template <class W>
inline void Theta(Words<W>& w) {
    W c = w.a0 ^ w.a1 ^ w.a2;
    c = Rotl<16>(c) ^ Rotl<8>(c);
    const W b0 = (w.a0 << 24) ^ (w.a0 >> 24) ^ (w.a1 << 8) ^ (w.a2 >> 8);
    const W b1 = (w.a1 << 24) ^ (w.a1 >> 24) ^ (w.a2 << 8) ^ (w.a0 >> 8);
    w.a0 ^= c ^ b0;
    w.a1 ^= c ^ b1;
    w.a2 ^= c ^ (b0 >> 16) ^ (b1 << 16);
}

// pi_1, gamma (the non-linear step) and pi_2 in one.
template <class W>
inline void PiGammaPi(Words<W>& w) {
    const W b0 = Rotl<22>(w.a0), b2 = Rotl<1>(w.a2);
    const W a1 = w.a1;
    w.a0 = Rotl<1>(b0 ^ (a1 | ~b2));
    w.a1 = a1 ^ (b2 | ~b0);
    w.a2 = Rotl<22>(b2 ^ (b0 | ~a1));
}

template <class W>
inline void AddKey(Words<W>& w, const uint32_t* key, uint32_t constant) {
    w.a0 ^= key[0] ^ constant << 16;
    w.a1 ^= key[1];
    w.a2 ^= key[2] ^ constant;
}

// Eleven rounds and the output transformation under one direction's key.
template <class W, class Direction>
inline void Rounds(Words<W>& w, const Direction& d) {
    for (int round = 0; round < 11; ++round) {
        AddKey(w, d.key, d.constants[round]);
        Theta(w);
        PiGammaPi(w);
    }
    AddKey(w, d.key, d.constants[11]);
    Theta(w);
}

inline Words<uint32_t> Load(const uint8_t* p) { return {LoadLE32(p), LoadLE32(p + 4), LoadLE32(p + 8)}; }
inline void Store(uint8_t* p, const Words<uint32_t>& w) {
    StoreLE32(p, w.a0);
    StoreLE32(p + 4, w.a1);
    StoreLE32(p + 8, w.a2);
}

// Each next constant is the previous one times x in GF(2)[x] modulo x^16 + x^12 + x^4 + 1.
void MakeConstants(uint32_t start, uint32_t (&constants)[12]) {
    uint32_t c = start;
    for (uint32_t& out : constants) {
        out = c;
        c <<= 1;
        if (c & 0x10000) c ^= 0x11011;
    }
}

}  // namespace

const TCipherClass TCipher_3Way::Class = {"TCipher_3Way", {12, 12, 120}, &MakeCipher<TCipher_3Way>, kKnownAnswer};

void TCipher_3Way::EncipherBlock(uint8_t* block) {
    Words<uint32_t> w = Load(block);
    Rounds(w, UserDataAs<Schedule>().encipher);
    Store(block, w);
}

void TCipher_3Way::DecipherBlock(uint8_t* block) {
    Words<uint32_t> w = Load(block);
    Mu(w);
    Rounds(w, UserDataAs<Schedule>().decipher);
    Mu(w);
    Store(block, w);
}

// Four blocks at a time, one in each lane; the bit reversals on the way in
// and out stay per block.
void TCipher_3Way::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Direction& d = UserDataAs<Schedule>().decipher;
    for (; count >= 4; count -= 4, blocks += 48) {
        Words<uint32_t> single[4];
        for (int b = 0; b < 4; ++b) {
            single[b] = Load(blocks + 12 * b);
            Mu(single[b]);
        }
        Words<Lanes> w;
        for (int b = 0; b < 4; ++b) {
            w.a0[b] = single[b].a0;
            w.a1[b] = single[b].a1;
            w.a2[b] = single[b].a2;
        }
        Rounds(w, d);
        for (int b = 0; b < 4; ++b) {
            single[b] = {w.a0[b], w.a1[b], w.a2[b]};
            Mu(single[b]);
            Store(blocks + 12 * b, single[b]);
        }
    }
    for (; count > 0; --count, blocks += 12) DecipherBlock(blocks);
}

void TCipher_3Way::KeySchedule(const uint8_t* key, int32_t size) {
    Schedule& k = UserDataAs<Schedule>();
    LoadLE32Padded(k.encipher.key, 3, key, static_cast<std::size_t>(size));
    MakeConstants(kFirstEncipherConstant, k.encipher.constants);
    // The inverse key: theta, then the bits of the whole key reversed.
    Words<uint32_t> inverse{k.encipher.key[0], k.encipher.key[1], k.encipher.key[2]};
    Theta(inverse);
    Mu(inverse);
    k.decipher.key[0] = inverse.a0;
    k.decipher.key[1] = inverse.a1;
    k.decipher.key[2] = inverse.a2;
    FillSecret(&inverse, 0, sizeof inverse);
    MakeConstants(kFirstDecipherConstant, k.decipher.constants);
}

}  // namespace quellmark
