#include "crypto/ciphers/safer.h"

#include <algorithm>
#include <cstring>

#include "crypto/bytes.h"

namespace quellmark {

namespace {

// The encipherment of an all-zero block under an all-zero key, six rounds
// (first row of Crypto++'s TestData/saferval.dat).
const uint8_t kK64KnownAnswer[8] = {0x03, 0x28, 0x08, 0xc9, 0x0e, 0xe7, 0xab, 0x7f};

}  // namespace

const TCipherClass TCipher_SAFER::Class = {"TCipher_SAFER", {8, 16, 768}, &MakeCipher<TCipher_SAFER>, nullptr};
const TCipherClass TCipher_SAFER_K40::Class = {"TCipher_SAFER_K40", {8, 5, 768}, &MakeCipher<TCipher_SAFER_K40>, nullptr};
const TCipherClass TCipher_SAFER_SK40::Class = {"TCipher_SAFER_SK40", {8, 5, 768}, &MakeCipher<TCipher_SAFER_SK40>, nullptr};
const TCipherClass TCipher_SAFER_K64::Class = {"TCipher_SAFER_K64", {8, 8, 768}, &MakeCipher<TCipher_SAFER_K64>, kK64KnownAnswer};
const TCipherClass TCipher_SAFER_SK64::Class = {"TCipher_SAFER_SK64", {8, 8, 768}, &MakeCipher<TCipher_SAFER_SK64>, nullptr};
const TCipherClass TCipher_SAFER_K128::Class = {"TCipher_SAFER_K128", {8, 16, 768}, &MakeCipher<TCipher_SAFER_K128>, nullptr};
const TCipherClass TCipher_SAFER_SK128::Class = {"TCipher_SAFER_SK128", {8, 16, 768}, &MakeCipher<TCipher_SAFER_SK128>, nullptr};

namespace {

// The eight bytes of a block while it is being worked on, one to a word so
// that no step has to cut them to eight bits: only the low byte of each word
// counts, and it is cut where it indexes a table and where it is stored.
struct Lanes {
    uint32_t a, b, c, d, e, f, g, h;
};

Lanes LoadLanes(const uint8_t* p) { return {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]}; }
void StoreLanes(uint8_t* p, const Lanes& s) {
    p[0] = uint8_t(s.a); p[1] = uint8_t(s.b); p[2] = uint8_t(s.c); p[3] = uint8_t(s.d);
    p[4] = uint8_t(s.e); p[5] = uint8_t(s.f); p[6] = uint8_t(s.g); p[7] = uint8_t(s.h);
}

// Pseudo-Hadamard transform (2x + y, x + y) and its inverse, modulo 256.
inline void Pht(uint32_t& x, uint32_t& y) { y += x; x += y; }
inline void InversePht(uint32_t& x, uint32_t& y) { x -= y; y -= x; }

// Bytes 0, 3, 4 and 7 take a subkey by exclusive-or, the others by addition;
// the output transformation is this step alone.
inline void MixXorAdd(Lanes& s, const uint32_t* k) {
    s.a ^= k[0]; s.b += k[1]; s.c += k[2]; s.d ^= k[3];
    s.e ^= k[4]; s.f += k[5]; s.g += k[6]; s.h ^= k[7];
}
inline void UnmixXorAdd(Lanes& s, const uint32_t* k) {
    s.a ^= k[0]; s.b -= k[1]; s.c -= k[2]; s.d ^= k[3];
    s.e ^= k[4]; s.f -= k[5]; s.g -= k[6]; s.h ^= k[7];
}

inline void EncipherRound(Lanes& s, const uint8_t* exp, const uint8_t* log, const uint32_t* k1, const uint32_t* k2) {
    MixXorAdd(s, k1);
    s.a = exp[s.a & 0xFF] + k2[0]; s.b = log[s.b & 0xFF] ^ k2[1];
    s.c = log[s.c & 0xFF] ^ k2[2]; s.d = exp[s.d & 0xFF] + k2[3];
    s.e = exp[s.e & 0xFF] + k2[4]; s.f = log[s.f & 0xFF] ^ k2[5];
    s.g = log[s.g & 0xFF] ^ k2[6]; s.h = exp[s.h & 0xFF] + k2[7];
    Pht(s.a, s.b); Pht(s.c, s.d); Pht(s.e, s.f); Pht(s.g, s.h);
    Pht(s.a, s.c); Pht(s.e, s.g); Pht(s.b, s.d); Pht(s.f, s.h);
    Pht(s.a, s.e); Pht(s.b, s.f); Pht(s.c, s.g); Pht(s.d, s.h);
    // The byte shuffle that makes the next round's transforms pair other bytes.
    s = {s.a, s.e, s.b, s.f, s.c, s.g, s.d, s.h};
}

inline void DecipherRound(Lanes& s, const uint8_t* exp, const uint8_t* log, const uint32_t* k1, const uint32_t* k2) {
    s = {s.a, s.c, s.e, s.g, s.b, s.d, s.f, s.h};
    InversePht(s.a, s.e); InversePht(s.b, s.f); InversePht(s.c, s.g); InversePht(s.d, s.h);
    InversePht(s.a, s.c); InversePht(s.e, s.g); InversePht(s.b, s.d); InversePht(s.f, s.h);
    InversePht(s.a, s.b); InversePht(s.c, s.d); InversePht(s.e, s.f); InversePht(s.g, s.h);
    s.a = log[(s.a - k2[0]) & 0xFF] ^ k1[0]; s.b = exp[(s.b ^ k2[1]) & 0xFF] - k1[1];
    s.c = exp[(s.c ^ k2[2]) & 0xFF] - k1[2]; s.d = log[(s.d - k2[3]) & 0xFF] ^ k1[3];
    s.e = log[(s.e - k2[4]) & 0xFF] ^ k1[4]; s.f = exp[(s.f ^ k2[5]) & 0xFF] - k1[5];
    s.g = exp[(s.g ^ k2[6]) & 0xFF] - k1[6]; s.h = log[(s.h - k2[7]) & 0xFF] ^ k1[7];
}

uint8_t Rotl8(uint8_t x, int n) { return uint8_t(x << n | x >> (8 - n)); }

int32_t DefaultRounds(uint8_t variant) {
    switch (variant & 3) {
    case 1: return 5;   // 40-bit keys
    case 2: return 6;   // 64-bit keys
    case 3: return 10;  // 128-bit keys
    default: return 8;
    }
}

}  // namespace

TCipher_SAFER::~TCipher_SAFER() { WipeWideSubkeys(); }

void TCipher_SAFER::Scrub() {
    TCipher::Scrub();
    WipeWideSubkeys();
}

void TCipher_SAFER::WipeWideSubkeys() {
    for (uint8_t fill : {uint8_t(0xAA), uint8_t(0x55), uint8_t(0x00)}) FillSecret(wideSubkeys_, fill, sizeof wideSubkeys_);
}

void TCipher_SAFER::SetRounds(int32_t rounds) {
    rounds_ = rounds;
    roundsFollowVariant_ = false;
}

void TCipher_SAFER::EncipherBlock(uint8_t* block) {
    const Schedule& k = UserDataAs<Schedule>();
    const auto& wide = wideSubkeys_;
    Lanes s = LoadLanes(block);
    for (int32_t r = 1; r <= scheduleRounds_; ++r) EncipherRound(s, k.exp, k.log, wide[2 * r - 2], wide[2 * r - 1]);
    MixXorAdd(s, wide[2 * scheduleRounds_]);
    StoreLanes(block, s);
}

void TCipher_SAFER::DecipherBlock(uint8_t* block) {
    const Schedule& k = UserDataAs<Schedule>();
    const auto& wide = wideSubkeys_;
    Lanes s = LoadLanes(block);
    UnmixXorAdd(s, wide[2 * scheduleRounds_]);
    for (int32_t r = scheduleRounds_; r >= 1; --r) DecipherRound(s, k.exp, k.log, wide[2 * r - 2], wide[2 * r - 1]);
    StoreLanes(block, s);
}

// Two blocks at a time: a round is a chain of dependent byte steps, and two
// independent chains side by side keep more of the processor busy.
void TCipher_SAFER::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const Schedule& k = UserDataAs<Schedule>();
    const auto& wide = wideSubkeys_;
    for (; count >= 2; count -= 2, blocks += 16) {
        Lanes s0 = LoadLanes(blocks), s1 = LoadLanes(blocks + 8);
        UnmixXorAdd(s0, wide[2 * scheduleRounds_]);
        UnmixXorAdd(s1, wide[2 * scheduleRounds_]);
        for (int32_t r = scheduleRounds_; r >= 1; --r) {
            DecipherRound(s0, k.exp, k.log, wide[2 * r - 2], wide[2 * r - 1]);
            DecipherRound(s1, k.exp, k.log, wide[2 * r - 2], wide[2 * r - 1]);
        }
        StoreLanes(blocks, s0);
        StoreLanes(blocks + 8, s1);
    }
    if (count) DecipherBlock(blocks);
}

void TCipher_SAFER::KeySchedule(const uint8_t* key, int32_t size) {
    if (classVariant_ == kChosenByKeyLength)
        variant_ = size <= 5 ? kSK40 : size <= 8 ? kSK64 : kSK128;
    // A count of the class's own choosing follows the variant, so that this
    // class, keyed again with a key of another length, uses that variant's count.
    if (roundsFollowVariant_ || rounds_ < 4 || rounds_ > kMaxRounds) {
        rounds_ = DefaultRounds(variant_);
        roundsFollowVariant_ = true;
    }
    scheduleRounds_ = rounds_;
    const bool strengthened = (variant_ & 4) != 0;

    Schedule& k = UserDataAs<Schedule>();
    unsigned power = 1;
    for (int i = 0; i < 256; ++i) {
        k.exp[i] = uint8_t(power);  // 45^128 = 256 is kept as 0
        k.log[k.exp[i]] = uint8_t(i);
        power = power * 45 % 257;
    }

    // Two registers of eight key bytes and a ninth byte.
    uint8_t ka[9] = {}, kb[9] = {};
    if (size > 0) std::memcpy(ka, key, static_cast<std::size_t>(std::min(size, 8)));
    if ((variant_ & 3) == 1) {
        // The 40-bit expansion: five key bytes give the other four.
        ka[5] = ka[0] ^ ka[2] ^ 0x81;
        ka[6] = ka[0] ^ ka[3] ^ ka[4] ^ 0x42;
        ka[7] = ka[1] ^ ka[2] ^ ka[4] ^ 0x24;
        ka[8] = ka[1] ^ ka[3] ^ 0x18;
        std::memcpy(kb, ka, sizeof kb);
    } else {
        if (size <= 8)
            std::memcpy(kb, ka, sizeof kb);
        else
            std::memcpy(kb, key + 8, static_cast<std::size_t>(size - 8));
        for (int j = 0; j < 8; ++j) {
            ka[8] ^= ka[j];
            kb[8] ^= kb[j];
        }
    }

    std::memcpy(k.subkeys[0], kb, 8);
    for (uint8_t& byte : ka) byte = Rotl8(byte, 5);
    for (int i = 1; i <= scheduleRounds_; ++i) {
        for (int j = 0; j < 9; ++j) {
            ka[j] = Rotl8(ka[j], 6);
            kb[j] = Rotl8(kb[j], 6);
        }
        uint8_t* fromKa = k.subkeys[2 * i - 1];  // subkey 2i
        uint8_t* fromKb = k.subkeys[2 * i];      // subkey 2i + 1
        for (int j = 0; j < 8; ++j) {
            // The strengthened schedule walks through all nine register bytes.
            const uint8_t a = strengthened ? ka[(j + 2 * i - 1) % 9] : ka[j];
            const uint8_t b = strengthened ? kb[(j + 2 * i) % 9] : kb[j];
            fromKa[j] = uint8_t(a + k.exp[k.exp[18 * i + j + 1]]);
            fromKb[j] = uint8_t(b + k.exp[k.exp[18 * i + j + 10]]);
        }
    }
    FillSecret(ka, 0, sizeof ka);
    FillSecret(kb, 0, sizeof kb);
    for (int n = 0; n <= 2 * scheduleRounds_; ++n)
        for (int j = 0; j < 8; ++j) wideSubkeys_[n][j] = k.subkeys[n][j];
}

}  // namespace quellmark
