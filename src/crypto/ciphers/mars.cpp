#include "crypto/ciphers/mars.h"

#include <cstring>

#include "crypto/bytes.h"

namespace quellmark {

const TCipherClass TCipher_Mars::Class = {"TCipher_Mars", {16, 156, 160}, &MakeCipher<TCipher_Mars>, nullptr};

namespace {

const uint32_t* const S0 = TCipher_Mars::kSBox;
const uint32_t* const S1 = TCipher_Mars::kSBox + 256;

// One forward mixing round with a as the source word.
inline void ForwardMix(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
    b ^= S0[a & 0xff];
    b += S1[(a >> 8) & 0xff];
    c += S0[(a >> 16) & 0xff];
    d ^= S1[a >> 24];
    a = Ror32(a, 24);
}

inline void ForwardUnmix(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
    a = Rol32(a, 24);
    d ^= S1[a >> 24];
    c -= S0[(a >> 16) & 0xff];
    b -= S1[(a >> 8) & 0xff];
    b ^= S0[a & 0xff];
}

inline void BackwardMix(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
    b ^= S1[a & 0xff];
    c -= S0[a >> 24];
    d -= S1[(a >> 16) & 0xff];
    d ^= S0[(a >> 8) & 0xff];
    a = Rol32(a, 24);
}

inline void BackwardUnmix(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
    a = Ror32(a, 24);
    d ^= S0[(a >> 8) & 0xff];
    d += S1[(a >> 16) & 0xff];
    c += S0[a >> 24];
    b ^= S1[a & 0xff];
}

// The E-function of the core on `in` with the round's two key words.
struct Outputs {
    uint32_t l, m, r;
};
inline Outputs E(uint32_t in, uint32_t addKey, uint32_t mulKey) {
    uint32_t m = in + addKey;
    uint32_t r = Rol32(Rol32(in, 13) * mulKey, 5);
    uint32_t l = TCipher_Mars::kSBox[m & 0x1ff] ^ r;
    m = Rol32(m, static_cast<int>(r & 31));
    r = Rol32(r, 5);
    l ^= r;
    l = Rol32(l, static_cast<int>(r & 31));
    return {l, m, r};
}

// Core round i (0..15) with a as the source word; the first eight rounds add
// L to the next word and XOR R into the last, the second eight the reverse.
template <bool FirstHalf>
inline void Core(const uint32_t* k, int i, uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
    const Outputs e = E(a, k[2 * i + 4], k[2 * i + 5]);
    a = Rol32(a, 13);
    c += e.m;
    if constexpr (FirstHalf) {
        b += e.l;
        d ^= e.r;
    } else {
        d += e.l;
        b ^= e.r;
    }
}

template <bool FirstHalf>
inline void CoreInverse(const uint32_t* k, int i, uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
    a = Ror32(a, 13);
    const Outputs e = E(a, k[2 * i + 4], k[2 * i + 5]);
    c -= e.m;
    if constexpr (FirstHalf) {
        b -= e.l;
        d ^= e.r;
    } else {
        d -= e.l;
        b ^= e.r;
    }
}

// After each round the words rotate one place, so four rounds bring them
// back; the rounds are written four at a time with the names rotated instead.
void EncipherWords(const uint32_t* k, uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
    a += k[0];
    b += k[1];
    c += k[2];
    d += k[3];
    for (int i = 0; i < 8; i += 4) {
        ForwardMix(a, b, c, d);
        a += d;
        ForwardMix(b, c, d, a);
        b += c;
        ForwardMix(c, d, a, b);
        ForwardMix(d, a, b, c);
    }
    for (int i = 0; i < 8; i += 4) {
        Core<true>(k, i, a, b, c, d);
        Core<true>(k, i + 1, b, c, d, a);
        Core<true>(k, i + 2, c, d, a, b);
        Core<true>(k, i + 3, d, a, b, c);
    }
    for (int i = 8; i < 16; i += 4) {
        Core<false>(k, i, a, b, c, d);
        Core<false>(k, i + 1, b, c, d, a);
        Core<false>(k, i + 2, c, d, a, b);
        Core<false>(k, i + 3, d, a, b, c);
    }
    for (int i = 0; i < 8; i += 4) {
        BackwardMix(a, b, c, d);
        BackwardMix(b, c, d, a);
        c -= b;
        BackwardMix(c, d, a, b);
        d -= a;
        BackwardMix(d, a, b, c);
    }
    a -= k[36];
    b -= k[37];
    c -= k[38];
    d -= k[39];
}

// N blocks side by side, lane by lane within each step: every block's rounds
// are one long dependency chain, and running several keeps the processor busy.
template <int N>
struct Lanes {
    uint32_t a[N], b[N], c[N], d[N];
};

template <int N>
void DecipherLanes(const uint32_t* k, Lanes<N>& w) {
    auto& [a, b, c, d] = w;
    for (int l = 0; l < N; ++l) {
        a[l] += k[36];
        b[l] += k[37];
        c[l] += k[38];
        d[l] += k[39];
    }
    for (int i = 0; i < 8; i += 4) {
        for (int l = 0; l < N; ++l) {
            BackwardUnmix(d[l], a[l], b[l], c[l]);
            d[l] += a[l];
        }
        for (int l = 0; l < N; ++l) {
            BackwardUnmix(c[l], d[l], a[l], b[l]);
            c[l] += b[l];
        }
        for (int l = 0; l < N; ++l) BackwardUnmix(b[l], c[l], d[l], a[l]);
        for (int l = 0; l < N; ++l) BackwardUnmix(a[l], b[l], c[l], d[l]);
    }
    for (int i = 12; i >= 8; i -= 4) {
        for (int l = 0; l < N; ++l) CoreInverse<false>(k, i + 3, d[l], a[l], b[l], c[l]);
        for (int l = 0; l < N; ++l) CoreInverse<false>(k, i + 2, c[l], d[l], a[l], b[l]);
        for (int l = 0; l < N; ++l) CoreInverse<false>(k, i + 1, b[l], c[l], d[l], a[l]);
        for (int l = 0; l < N; ++l) CoreInverse<false>(k, i, a[l], b[l], c[l], d[l]);
    }
    for (int i = 4; i >= 0; i -= 4) {
        for (int l = 0; l < N; ++l) CoreInverse<true>(k, i + 3, d[l], a[l], b[l], c[l]);
        for (int l = 0; l < N; ++l) CoreInverse<true>(k, i + 2, c[l], d[l], a[l], b[l]);
        for (int l = 0; l < N; ++l) CoreInverse<true>(k, i + 1, b[l], c[l], d[l], a[l]);
        for (int l = 0; l < N; ++l) CoreInverse<true>(k, i, a[l], b[l], c[l], d[l]);
    }
    for (int i = 0; i < 8; i += 4) {
        for (int l = 0; l < N; ++l) ForwardUnmix(d[l], a[l], b[l], c[l]);
        for (int l = 0; l < N; ++l) ForwardUnmix(c[l], d[l], a[l], b[l]);
        for (int l = 0; l < N; ++l) {
            b[l] -= c[l];
            ForwardUnmix(b[l], c[l], d[l], a[l]);
        }
        for (int l = 0; l < N; ++l) {
            a[l] -= d[l];
            ForwardUnmix(a[l], b[l], c[l], d[l]);
        }
    }
    for (int l = 0; l < N; ++l) {
        a[l] -= k[0];
        b[l] -= k[1];
        c[l] -= k[2];
        d[l] -= k[3];
    }
}

template <int N>
void DecipherBlocksOf(const uint32_t* k, uint8_t* blocks) {
    Lanes<N> w;
    for (int l = 0; l < N; ++l) {
        const uint8_t* p = blocks + 16 * l;
        w.a[l] = LoadLE32(p);
        w.b[l] = LoadLE32(p + 4);
        w.c[l] = LoadLE32(p + 8);
        w.d[l] = LoadLE32(p + 12);
    }
    DecipherLanes<N>(k, w);
    for (int l = 0; l < N; ++l) {
        uint8_t* p = blocks + 16 * l;
        StoreLE32(p, w.a[l]);
        StoreLE32(p + 4, w.b[l]);
        StoreLE32(p + 8, w.c[l]);
        StoreLE32(p + 12, w.d[l]);
    }
}

// The bits of w that lie inside a run of ten or more equal bits, the run's
// two ends excluded, except that the top bit counts when it ends a run of
// zeros; the two lowest bits never count.
uint32_t RunMask(uint32_t w) {
    uint32_t mask = 0;
    int start = 0;
    while (start < 32) {
        const uint32_t bit = (w >> start) & 1;
        int end = start;
        while (end < 31 && ((w >> (end + 1)) & 1) == bit) ++end;
        if (end - start + 1 >= 10) {
            for (int i = start + 1; i < end; ++i) mask |= 1u << i;
            if (end == 31 && bit == 0) mask |= 1u << 31;
        }
        start = end + 1;
    }
    return mask & ~3u;
}

}  // namespace

void TCipher_Mars::Encipher(const uint32_t (&k)[40], uint8_t* block) {
    uint32_t a = LoadLE32(block), b = LoadLE32(block + 4), c = LoadLE32(block + 8), d = LoadLE32(block + 12);
    EncipherWords(k, a, b, c, d);
    StoreLE32(block, a);
    StoreLE32(block + 4, b);
    StoreLE32(block + 8, c);
    StoreLE32(block + 12, d);
}

void TCipher_Mars::Decipher(const uint32_t (&k)[40], uint8_t* block) { DecipherBlocksOf<1>(k, block); }

void TCipher_Mars::EncipherBlock(uint8_t* block) { Encipher(UserDataAs<Schedule>().k, block); }

void TCipher_Mars::DecipherBlock(uint8_t* block) { Decipher(UserDataAs<Schedule>().k, block); }

void TCipher_Mars::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const uint32_t* k = UserDataAs<Schedule>().k;
    for (; count >= 2; count -= 2, blocks += 32) DecipherBlocksOf<2>(k, blocks);
    if (count) DecipherBlocksOf<1>(k, blocks);
}

void TCipher_Mars::KeySchedule(const uint8_t* key, int32_t size) {
    // The key is taken in whole words; a key of fewer than four bytes is
    // zero-padded to one word rather than left without any.
    const int n = size < 4 ? 1 : size / 4;
    uint8_t padded[156] = {};
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));
    uint32_t words[39];
    for (int i = 0; i < n; ++i) words[i] = LoadLE32(padded + 4 * i);

    // t[7 + i] is T[i]; T[-7..-1] are the first seven S-box words.
    uint32_t t[47];
    std::memcpy(t, kSBox, 7 * sizeof(uint32_t));
    for (int i = 0; i < 39; ++i) t[7 + i] = Rol32(t[i] ^ t[i + 5], 3) ^ words[i % n] ^ static_cast<uint32_t>(i);
    t[46] = static_cast<uint32_t>(n);
    for (int pass = 0; pass < 7; ++pass) {
        for (int i = 1; i < 40; ++i) t[7 + i] = Rol32(t[7 + i] + kSBox[t[6 + i] & 0x1ff], 9);
        t[7] = Rol32(t[7] + kSBox[t[46] & 0x1ff], 9);
    }
    uint32_t* k = UserDataAs<Schedule>().k;
    for (int i = 0; i < 40; ++i) k[(7 * i) % 40] = t[7 + i];

    // The multiplication keys get their two low bits set, and long runs of
    // equal bits inside them are broken up with a rotated word of the S-box.
    for (int i = 5; i <= 35; i += 2) {
        const uint32_t w = k[i] | 3;
        const uint32_t mask = RunMask(w);
        const uint32_t pattern = Rol32(kSBox[265 + (k[i] & 3)], static_cast<int>(k[i + 3] & 31));
        k[i] = w ^ (pattern & mask);
    }
    FillSecret(padded, 0, sizeof padded);
    FillSecret(words, 0, sizeof words);
    FillSecret(t, 0, sizeof t);
}

}  // namespace quellmark
