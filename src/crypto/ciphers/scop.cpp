#include "crypto/ciphers/scop.h"

#include <cstring>

#include "crypto/bytes.h"

namespace quellmark {

const TCipherClass TCipher_SCOP::Class = {"TCipher_SCOP", {128, 48, 3104}, &MakeCipher<TCipher_SCOP>, nullptr};

namespace {

// The polynomial generator of the key setup. Its 48 bytes are coefficients
// (bytes 0 to 43) and, in bytes 32 to 47, the state: four little-endian words,
// so some coefficients change as the state moves.
class KeyGenerator {
public:
    explicit KeyGenerator(const uint8_t (&t)[48]) { std::memcpy(t_, t, sizeof t_); }
    ~KeyGenerator() { FillSecret(t_, 0, sizeof t_); }

    // One step: four output words.
    void Step(uint32_t out[4]) {
        uint32_t h[4];
        for (int k = 0; k < 4; ++k) {
            const uint32_t s = LoadLE32(t_ + 32 + 4 * k);
            const uint32_t x = s >> 16, y = s & 0xFFFF;
            const uint8_t* c = t_ + 8 * k;
            // Horner's rule: c0 x^4 + c1 x^3 + c2 x^2 + c3 x + 1, modulo 2^32.
            const uint32_t a = (((c[0] * x + c[1]) * x + c[2]) * x + c[3]) * x + 1;
            const uint32_t b = (((c[4] * y + c[9]) * y + c[14]) * y + c[19]) * y + 1;
            out[k] = a << 16 | (b & 0xFFFF);
            h[k] = (a & 0xFFFF0000) | b >> 16;
        }
        StoreLE32(t_ + 32, h[0] >> 16 | h[3] << 16);
        StoreLE32(t_ + 36, h[0] << 16 | h[1] >> 16);
        StoreLE32(t_ + 40, h[1] << 16 | h[2] >> 16);
        StoreLE32(t_ + 44, h[2] << 16 | h[3] >> 16);
        FillSecret(h, 0, sizeof h);
    }

private:
    uint8_t t_[48];
};

}  // namespace

template <bool Enciphering>
void TCipher_SCOP::CodeBlock(uint8_t* block) {
    uint32_t* w = UserDataAs<Schedule>().working.w;
    uint32_t* k = w + kK;
    uint32_t* v = w + kV;
    // Every block starts from the same i, a and b; only V carries over.
    uint32_t i = w[kI] & 0xFF, a = w[kA] & 0xFF, b = w[kB];
    for (int n = 0; n < 32; ++n) {
        const uint32_t u = v[a];
        a = (a + b) & 0xFF;
        const uint32_t x = v[a];
        b = k[i] + x;  // k[i] is read before the store: for i >= 128 it may be this very entry
        v[a] = b;
        i = (i + 1) & 0xFF;
        a = (a + x) & 0xFF;
        uint8_t* p = block + 4 * n;
        StoreLE32(p, Enciphering ? LoadLE32(p) + (x + u) : LoadLE32(p) - (x + u));
    }
}

void TCipher_SCOP::EncipherBlock(uint8_t* block) { CodeBlock<true>(block); }
void TCipher_SCOP::DecipherBlock(uint8_t* block) { CodeBlock<false>(block); }

void TCipher_SCOP::RewindFeedback() {
    TCipher::RewindFeedback();
    Schedule& s = UserDataAs<Schedule>();
    s.working = s.saved;
}

void TCipher_SCOP::KeySchedule(const uint8_t* key, int32_t size) {
    uint8_t t[48] = {};
    // A short key is stretched by adding neighbouring bytes. An empty key has
    // no bytes to stretch and stays all zero, as a key of zero bytes would.
    if (size > 0) {
        std::memcpy(t, key, static_cast<std::size_t>(size));
        for (int j = size; j < 48; ++j) t[j] = uint8_t(t[j - size] + t[j - size + 1]);
    }
    uint8_t counter = 1;
    for (int j = 0; j < 32; ++j)
        if (t[j] == 0) t[j] = counter++;

    KeyGenerator generator(t);
    FillSecret(t, 0, sizeof t);
    uint32_t out[4];
    for (int n = 0; n < 8; ++n) generator.Step(out);

    // Twelve groups of 32 words from word 3 on fill b, K and all of V but its last entry.
    uint32_t* w = UserDataAs<Schedule>().working.w;
    for (int group = 0; group < 12; ++group) {
        for (int n = 0; n < 8; ++n) {
            generator.Step(out);
            std::memcpy(w + kB + 32 * group + 4 * n, out, sizeof out);
        }
        generator.Step(out);
    }
    generator.Step(out);
    const uint32_t last = out[3];
    w[kB + last % 128] |= 1;
    w[kI] = last >> 24;
    w[kA] = last >> 16;
    w[kSpare] = last >> 8;
    FillSecret(out, 0, sizeof out);
}

// The vector is made by enciphering, which moves the generator on, so the
// state kept for rewinding is the one after it.
void TCipher_SCOP::VectorLoaded() {
    Schedule& s = UserDataAs<Schedule>();
    s.saved = s.working;
}

}  // namespace quellmark
