#include "crypto/ciphers/rc4.h"

#include <cstring>

#include "crypto/bytes.h"

namespace quellmark {

const TCipherClass TCipher_RC4::Class = {"TCipher_RC4", {16, 256, 512}, &MakeCipher<TCipher_RC4>, nullptr};

TCipher_RC4::~TCipher_RC4() { WipeIndices(); }

void TCipher_RC4::WipeIndices() {
    FillSecret(&i_, 0, 1);
    FillSecret(&j_, 0, 1);
    FillSecret(&savedI_, 0, 1);
    FillSecret(&savedJ_, 0, 1);
}

void TCipher_RC4::Scrub() {
    TCipher::Scrub();
    WipeIndices();
}

// The indices stay in locals across the whole run so the compiler keeps them in registers.
void TCipher_RC4::Keystream(uint8_t* data, int32_t size) {
    uint8_t* s = UserDataAs<Schedule>().s;
    uint8_t i = i_, j = j_;
    for (int32_t n = 0; n < size; ++n) {
        i = static_cast<uint8_t>(i + 1);
        const uint8_t si = s[i];
        j = static_cast<uint8_t>(j + si);
        const uint8_t sj = s[j];
        s[i] = sj;
        s[j] = si;
        data[n] ^= s[static_cast<uint8_t>(si + sj)];
    }
    i_ = i;
    j_ = j;
}

void TCipher_RC4::EncipherBlock(uint8_t* block) { Keystream(block, 16); }
void TCipher_RC4::DecipherBlock(uint8_t* block) { Keystream(block, 16); }
// The keystream runs through consecutive blocks in order, so a batch is one stretch of it.
void TCipher_RC4::DecipherBlocks(uint8_t* blocks, int32_t count) { Keystream(blocks, count * 16); }

// The keystream and the cts or cbc chaining in one pass over each block, the
// block's ciphertext kept aside until the feedback has taken it in.
void TCipher_RC4::DecipherChained(const uint8_t* source, uint8_t* dest, int32_t count, uint8_t* feedback, bool cts) {
    uint8_t* s = UserDataAs<Schedule>().s;
    uint8_t i = i_, j = j_;
    uint64_t f[2];
    std::memcpy(f, feedback, 16);
    for (int32_t n = 0; n < count; ++n, source += 16, dest += 16) {
        uint64_t c[2];
        std::memcpy(c, source, 16);
        uint8_t p[16];
        std::memcpy(p, f, 16);
        for (int b = 0; b < 16; ++b) {
            i = static_cast<uint8_t>(i + 1);
            const uint8_t si = s[i];
            j = static_cast<uint8_t>(j + si);
            const uint8_t sj = s[j];
            s[i] = sj;
            s[j] = si;
            p[b] ^= source[b] ^ s[static_cast<uint8_t>(si + sj)];
        }
        std::memcpy(dest, p, 16);
        f[0] = cts ? f[0] ^ c[0] : c[0];
        f[1] = cts ? f[1] ^ c[1] : c[1];
    }
    std::memcpy(feedback, f, 16);
    i_ = i;
    j_ = j;
}

void TCipher_RC4::KeySchedule(const uint8_t* key, int32_t size) {
    // The schedule takes the key cyclically; an empty key has nothing to cycle.
    if (size == 0) RaiseKeySizeError(1);
    Schedule& k = UserDataAs<Schedule>();
    for (int n = 0; n < 256; ++n) k.s[n] = static_cast<uint8_t>(n);
    uint8_t j = 0;
    for (int n = 0, at = 0; n < 256; ++n) {
        j = static_cast<uint8_t>(j + k.s[n] + key[at]);
        std::swap(k.s[n], k.s[j]);
        if (++at == size) at = 0;
    }
    i_ = j_ = 0;
}

// The vector is made from the keystream, so the saved state is the one after it.
void TCipher_RC4::VectorLoaded() {
    Schedule& k = UserDataAs<Schedule>();
    std::memcpy(k.saved, k.s, sizeof k.s);
    savedI_ = i_;
    savedJ_ = j_;
}

void TCipher_RC4::RewindFeedback() {
    TCipher::RewindFeedback();
    Schedule& k = UserDataAs<Schedule>();
    std::memcpy(k.s, k.saved, sizeof k.s);
    i_ = savedI_;
    j_ = savedJ_;
}

}  // namespace quellmark
