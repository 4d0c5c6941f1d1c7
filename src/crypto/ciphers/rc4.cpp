#include "crypto/ciphers/rc4.h"

#include <cstring>

#include "crypto/bytes.h"

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

void TCipher_RC4::Init(const uint8_t* key, int32_t size, const uint8_t* vector) {
    CheckKeySize(size);
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
    // The vector is made from the keystream, so the saved state is the one after it.
    LoadVector(vector);
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
