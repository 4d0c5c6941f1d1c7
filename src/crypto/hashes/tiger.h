#pragma once
// Tiger (Anderson and Biham) on the MD4 block handling, with the first
// definition's 0x01 padding. One departure from the published function, kept
// because digests already stored depend on it: the key schedule's two right
// shifts by 23 of a complemented word are arithmetic (they copy bit 63 into
// the vacated bits), where published Tiger shifts in zeros. Inputs whose key
// schedule never meets such a word with bit 63 set give the published digest.
#include <cstdint>
#include <cstring>

#include "crypto/bytes.h"
#include "crypto/hashes/md4_family.h"

namespace quellmark {

// The four S-boxes (scripts/tiger-sboxes.py).
extern const uint64_t kTigerSBoxes[4][256];

// How the key schedule shifts a complemented word right by 23.
struct TigerSignedShift {
    static uint64_t Shift23(uint64_t w) { return static_cast<uint64_t>(static_cast<int64_t>(w) >> 23); }
};
struct TigerPublishedShift {
    static uint64_t Shift23(uint64_t w) { return w >> 23; }
};

class THash_Tiger : public THash_MD4 {
public:
    static const THashClass Class;
    THash_Tiger() : THash_MD4(Class) { Restart(); }

    // Passes per block, 3 to 32; anything else means 3. A new value takes
    // effect at the next Restart, so a computation never changes midway.
    void SetPasses(int32_t passes) { requestedPasses_ = passes; }
    int32_t Passes() const { return passes_; }

protected:
    void RestartState() override;
    void FinishDigest() override;
    void CompressBlock(const uint8_t* block) override { CompressBlocks(block, 1); }
    void CompressBlocks(const uint8_t* data, std::size_t count) override;
    // The compression with a chosen key-schedule shift (this class uses
    // TigerSignedShift); a subclass can watch or replace the shift.
    template <class Shift>
    void CompressWith(const uint8_t* data, std::size_t count);

    int32_t requestedPasses_ = 3;
    int32_t passes_ = 3;
};

namespace tiger_detail {

inline void Round(uint64_t& a, uint64_t& b, uint64_t& c, uint64_t word, uint64_t mul) {
    const auto& t = kTigerSBoxes;
    c ^= word;
    // The lookups combine pairwise, so a and b wait on two exclusive-ors, not three.
    a -= (t[0][c & 0xFF] ^ t[1][(c >> 16) & 0xFF]) ^ (t[2][(c >> 32) & 0xFF] ^ t[3][(c >> 48) & 0xFF]);
    b += (t[3][(c >> 8) & 0xFF] ^ t[2][(c >> 24) & 0xFF]) ^ (t[1][(c >> 40) & 0xFF] ^ t[0][c >> 56]);
    b *= mul;
}

// Eight rounds, the three registers taking turns.
inline void Pass(uint64_t& a, uint64_t& b, uint64_t& c, const uint64_t* x, uint64_t mul) {
    Round(a, b, c, x[0], mul);
    Round(b, c, a, x[1], mul);
    Round(c, a, b, x[2], mul);
    Round(a, b, c, x[3], mul);
    Round(b, c, a, x[4], mul);
    Round(c, a, b, x[5], mul);
    Round(a, b, c, x[6], mul);
    Round(b, c, a, x[7], mul);
}

template <class Shift>
inline void KeySchedule(uint64_t* x) {
    x[0] -= x[7] ^ 0xA5A5A5A5A5A5A5A5;
    x[1] ^= x[0];
    x[2] += x[1];
    x[3] -= x[2] ^ (~x[1] << 19);
    x[4] ^= x[3];
    x[5] += x[4];
    x[6] -= x[5] ^ Shift::Shift23(~x[4]);
    x[7] ^= x[6];
    x[0] += x[7];
    x[1] -= x[0] ^ (~x[7] << 19);
    x[2] ^= x[1];
    x[3] += x[2];
    x[4] -= x[3] ^ Shift::Shift23(~x[2]);
    x[5] ^= x[4];
    x[6] += x[5];
    x[7] -= x[6] ^ 0x0123456789ABCDEF;
}

// One compression of a 64-byte block into the three state words.
template <class Shift>
inline void Compress(uint64_t& a0, uint64_t& b0, uint64_t& c0, const uint8_t* block, int passes) {
    uint64_t x[8];
    for (int i = 0; i < 8; ++i) x[i] = LoadLE64(block + 8 * i);
    uint64_t a = a0, b = b0, c = c0;
    Pass(a, b, c, x, 5);
    KeySchedule<Shift>(x);
    Pass(c, a, b, x, 7);
    KeySchedule<Shift>(x);
    Pass(b, c, a, x, 9);
    // Further passes continue the turn-taking: each moves the registers one
    // place on (a gets c, b gets a, c gets b) after it has run.
    for (int extra = 3; extra < passes; ++extra) {
        KeySchedule<Shift>(x);
        Pass(a, b, c, x, 9);
        const uint64_t t = a;
        a = c;
        c = b;
        b = t;
    }
    a0 ^= a;
    b0 = b - b0;
    c0 += c;
}

}  // namespace tiger_detail

template <class Shift>
void THash_Tiger::CompressWith(const uint8_t* data, std::size_t count) {
    // The three 64-bit words live in the first six digest words, low half
    // first; they stay in registers from one block to the next.
    uint64_t state[3];
    std::memcpy(state, digest_, sizeof state);
    uint64_t a = state[0], b = state[1], c = state[2];
    const int passes = passes_;
    for (; count != 0; --count, data += 64) tiger_detail::Compress<Shift>(a, b, c, data, passes);
    state[0] = a;
    state[1] = b;
    state[2] = c;
    std::memcpy(digest_, state, sizeof state);
}

}  // namespace quellmark
