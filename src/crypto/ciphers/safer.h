#pragma once
// SAFER (Massey, 1993-1995): 64-bit block of bytes, exponent and logarithm
// boxes over GF(257), three layers of pseudo-Hadamard transforms per round.
// The variants differ only in how the key is expanded into subkeys:
// 40, 64 or 128-bit keys, with the plain (K) or strengthened (SK) schedule.
#include "crypto/cipher.h"

namespace quellmark {

// TCipher_SAFER itself picks the strengthened variant from the key length
// (up to 5 bytes SK-40, up to 8 SK-64, longer SK-128); the six subclasses
// each stay with one variant.
class TCipher_SAFER : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_SAFER() : TCipher_SAFER(Class, kChosenByKeyLength) {}
    ~TCipher_SAFER() override;

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;
    void Scrub() override;

    // A count of 4 to 13 given here is used from the next key setup on and
    // kept through every later one; anything else, or no count at all, gives
    // the variant's own count (5, 6 or 10).
    int32_t Rounds() const { return rounds_; }
    void SetRounds(int32_t rounds);
    // The variant the last Init used: 1, 2, 3 (K-40, K-64, K-128) or 5, 6, 7 (SK-40, SK-64, SK-128).
    uint8_t Variant() const { return variant_; }

    static constexpr uint8_t kK40 = 1, kK64 = 2, kK128 = 3, kSK40 = 5, kSK64 = 6, kSK128 = 7;

protected:
    static constexpr uint8_t kChosenByKeyLength = 0;
    TCipher_SAFER(const TCipherClass& cls, uint8_t variant) : TCipher(cls), classVariant_(variant), variant_(variant) {}

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    static constexpr int kMaxRounds = 13;
    struct Schedule {
        uint8_t exp[256];        // 45^i mod 257, 256 kept as 0
        uint8_t log[256];        // the inverse of exp
        uint8_t subkeys[32][8];  // subkey n at [n - 1]: 1 + 2 * rounds of them
    };
    static_assert(sizeof(Schedule) == 768);

    const uint8_t classVariant_;
    uint8_t variant_;
    int32_t rounds_ = 0;               // the count the next key setup starts from
    bool roundsFollowVariant_ = true;  // false once SetRounds gave a count of its own
    int32_t scheduleRounds_ = 0;       // the count the current subkeys were made for
    // The subkeys again, a word per byte: the rounds then take each key byte
    // straight into an addition or exclusive-or instead of loading it first.
    uint32_t wideSubkeys_[32][8] = {};

    void WipeWideSubkeys();
};

class TCipher_SAFER_K40 : public TCipher_SAFER {
public:
    static const TCipherClass Class;
    TCipher_SAFER_K40() : TCipher_SAFER(Class, kK40) {}

protected:
    TCipher_SAFER_K40(const TCipherClass& cls, uint8_t variant) : TCipher_SAFER(cls, variant) {}
};

class TCipher_SAFER_SK40 final : public TCipher_SAFER_K40 {
public:
    static const TCipherClass Class;
    TCipher_SAFER_SK40() : TCipher_SAFER_K40(Class, kSK40) {}
};

class TCipher_SAFER_K64 : public TCipher_SAFER {
public:
    static const TCipherClass Class;
    TCipher_SAFER_K64() : TCipher_SAFER(Class, kK64) {}

protected:
    TCipher_SAFER_K64(const TCipherClass& cls, uint8_t variant) : TCipher_SAFER(cls, variant) {}
};

class TCipher_SAFER_SK64 final : public TCipher_SAFER_K64 {
public:
    static const TCipherClass Class;
    TCipher_SAFER_SK64() : TCipher_SAFER_K64(Class, kSK64) {}
};

class TCipher_SAFER_K128 : public TCipher_SAFER {
public:
    static const TCipherClass Class;
    TCipher_SAFER_K128() : TCipher_SAFER(Class, kK128) {}

protected:
    TCipher_SAFER_K128(const TCipherClass& cls, uint8_t variant) : TCipher_SAFER(cls, variant) {}
};

class TCipher_SAFER_SK128 final : public TCipher_SAFER_K128 {
public:
    static const TCipherClass Class;
    TCipher_SAFER_SK128() : TCipher_SAFER_K128(Class, kSK128) {}
};

}  // namespace quellmark
