#include "crypto/ciphers/rijndael.h"

#include <wmmintrin.h>

#include <cstring>

#include "crypto/bytes.h"

namespace quellmark {

const TCipherClass TCipher_Rijndael::Class = {"TCipher_Rijndael", {16, 32, 480}, &MakeCipher<TCipher_Rijndael>, nullptr};

namespace {

// The S-box of FIPS-197, figure 7.
constexpr uint8_t kSBox[256] = {
    0x63, 0x7c, 0x77, 0x7b, 0xf2, 0x6b, 0x6f, 0xc5, 0x30, 0x01, 0x67, 0x2b, 0xfe, 0xd7, 0xab, 0x76,
    0xca, 0x82, 0xc9, 0x7d, 0xfa, 0x59, 0x47, 0xf0, 0xad, 0xd4, 0xa2, 0xaf, 0x9c, 0xa4, 0x72, 0xc0,
    0xb7, 0xfd, 0x93, 0x26, 0x36, 0x3f, 0xf7, 0xcc, 0x34, 0xa5, 0xe5, 0xf1, 0x71, 0xd8, 0x31, 0x15,
    0x04, 0xc7, 0x23, 0xc3, 0x18, 0x96, 0x05, 0x9a, 0x07, 0x12, 0x80, 0xe2, 0xeb, 0x27, 0xb2, 0x75,
    0x09, 0x83, 0x2c, 0x1a, 0x1b, 0x6e, 0x5a, 0xa0, 0x52, 0x3b, 0xd6, 0xb3, 0x29, 0xe3, 0x2f, 0x84,
    0x53, 0xd1, 0x00, 0xed, 0x20, 0xfc, 0xb1, 0x5b, 0x6a, 0xcb, 0xbe, 0x39, 0x4a, 0x4c, 0x58, 0xcf,
    0xd0, 0xef, 0xaa, 0xfb, 0x43, 0x4d, 0x33, 0x85, 0x45, 0xf9, 0x02, 0x7f, 0x50, 0x3c, 0x9f, 0xa8,
    0x51, 0xa3, 0x40, 0x8f, 0x92, 0x9d, 0x38, 0xf5, 0xbc, 0xb6, 0xda, 0x21, 0x10, 0xff, 0xf3, 0xd2,
    0xcd, 0x0c, 0x13, 0xec, 0x5f, 0x97, 0x44, 0x17, 0xc4, 0xa7, 0x7e, 0x3d, 0x64, 0x5d, 0x19, 0x73,
    0x60, 0x81, 0x4f, 0xdc, 0x22, 0x2a, 0x90, 0x88, 0x46, 0xee, 0xb8, 0x14, 0xde, 0x5e, 0x0b, 0xdb,
    0xe0, 0x32, 0x3a, 0x0a, 0x49, 0x06, 0x24, 0x5c, 0xc2, 0xd3, 0xac, 0x62, 0x91, 0x95, 0xe4, 0x79,
    0xe7, 0xc8, 0x37, 0x6d, 0x8d, 0xd5, 0x4e, 0xa9, 0x6c, 0x56, 0xf4, 0xea, 0x65, 0x7a, 0xae, 0x08,
    0xba, 0x78, 0x25, 0x2e, 0x1c, 0xa6, 0xb4, 0xc6, 0xe8, 0xdd, 0x74, 0x1f, 0x4b, 0xbd, 0x8b, 0x8a,
    0x70, 0x3e, 0xb5, 0x66, 0x48, 0x03, 0xf6, 0x0e, 0x61, 0x35, 0x57, 0xb9, 0x86, 0xc1, 0x1d, 0x9e,
    0xe1, 0xf8, 0x98, 0x11, 0x69, 0xd9, 0x8e, 0x94, 0x9b, 0x1e, 0x87, 0xe9, 0xce, 0x55, 0x28, 0xdf,
    0x8c, 0xa1, 0x89, 0x0d, 0xbf, 0xe6, 0x42, 0x68, 0x41, 0x99, 0x2d, 0x0f, 0xb0, 0x54, 0xbb, 0x16,
};

constexpr uint8_t Times2(uint8_t x) { return static_cast<uint8_t>(x << 1 ^ ((x & 0x80) ? 0x1b : 0)); }

constexpr uint8_t Multiply(uint8_t x, uint8_t y) {
    uint8_t product = 0;
    for (; y; y >>= 1, x = Times2(x))
        if (y & 1) product ^= x;
    return product;
}

constexpr uint32_t Column(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    return uint32_t(b0) | uint32_t(b1) << 8 | uint32_t(b2) << 16 | uint32_t(b3) << 24;
}

constexpr uint32_t Rotl(uint32_t x, int n) { return x << n | x >> (32 - n); }

// Round tables over little-endian columns (row 0 in the low byte): te[r][x] is
// what byte x in row r contributes to its column after SubBytes and
// MixColumns; td[r][x] the same after InvSubBytes and InvMixColumns.
struct Tables {
    uint8_t inverse[256];
    uint32_t te[4][256];
    uint32_t td[4][256];
};

constexpr Tables MakeTables() {
    Tables t{};
    for (int x = 0; x < 256; ++x) t.inverse[kSBox[x]] = static_cast<uint8_t>(x);
    for (int x = 0; x < 256; ++x) {
        const uint8_t s = kSBox[x], v = t.inverse[x];
        const uint32_t e = Column(Multiply(s, 2), s, s, Multiply(s, 3));
        const uint32_t d = Column(Multiply(v, 14), Multiply(v, 9), Multiply(v, 13), Multiply(v, 11));
        t.te[0][x] = e;
        t.td[0][x] = d;
        for (int r = 1; r < 4; ++r) {
            t.te[r][x] = Rotl(e, 8 * r);
            t.td[r][x] = Rotl(d, 8 * r);
        }
    }
    return t;
}

constexpr Tables kTables = MakeTables();

inline uint32_t SubWord(uint32_t w) {
    return Column(kSBox[w & 0xFF], kSBox[(w >> 8) & 0xFF], kSBox[(w >> 16) & 0xFF], kSBox[w >> 24]);
}

// InvMixColumns of one column: the td tables undo the S-box first, so feed them S-box outputs.
inline uint32_t InvMixColumn(uint32_t w) {
    const auto& td = kTables.td;
    return td[0][kSBox[w & 0xFF]] ^ td[1][kSBox[(w >> 8) & 0xFF]] ^ td[2][kSBox[(w >> 16) & 0xFF]] ^
           td[3][kSBox[w >> 24]];
}

// ---- the AES instructions ----

#define AESNI __attribute__((target("aes,sse4.1")))

AESNI inline __m128i LoadKey(const uint32_t* rk) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(rk)); }

AESNI void EncipherAesNi(const uint32_t* rk, int rounds, uint8_t* block) {
    __m128i s = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(block)), LoadKey(rk));
    for (int r = 1; r < rounds; ++r) s = _mm_aesenc_si128(s, LoadKey(rk + 4 * r));
    s = _mm_aesenclast_si128(s, LoadKey(rk + 4 * rounds));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(block), s);
}

// Eight blocks at a time: one block's rounds wait on each other, eight
// independent ones keep the AES unit's pipeline full.
AESNI void DecipherAesNi(const uint32_t* dk, int rounds, uint8_t* blocks, int32_t count) {
    auto* p = reinterpret_cast<__m128i*>(blocks);
    for (; count >= 8; count -= 8, p += 8) {
        __m128i b[8];
        for (int i = 0; i < 8; ++i) b[i] = _mm_xor_si128(_mm_loadu_si128(p + i), LoadKey(dk));
        for (int r = 1; r < rounds; ++r) {
            const __m128i k = LoadKey(dk + 4 * r);
            for (int i = 0; i < 8; ++i) b[i] = _mm_aesdec_si128(b[i], k);
        }
        for (int i = 0; i < 8; ++i) _mm_storeu_si128(p + i, _mm_aesdeclast_si128(b[i], LoadKey(dk + 4 * rounds)));
    }
    for (; count > 0; --count, ++p) {
        __m128i b = _mm_xor_si128(_mm_loadu_si128(p), LoadKey(dk));
        for (int r = 1; r < rounds; ++r) b = _mm_aesdec_si128(b, LoadKey(dk + 4 * r));
        _mm_storeu_si128(p, _mm_aesdeclast_si128(b, LoadKey(dk + 4 * rounds)));
    }
}

// DecipherAesNi and the chaining of cts or cbc in one pass: each block's
// ciphertext is read before its plaintext is written, so no copy of it is
// needed, and the feedback stays in a register throughout.
template <bool Cts>
AESNI void DecipherChainedAesNi(const uint32_t* dk, int rounds, const uint8_t* source, uint8_t* dest, int32_t count,
                                uint8_t* feedback) {
    // The first and last keys stay in registers; the stores below could
    // otherwise, for all the compiler knows, change them.
    const __m128i first = LoadKey(dk), last = LoadKey(dk + 4 * rounds);
    __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(feedback));
    auto* in = reinterpret_cast<const __m128i*>(source);
    auto* out = reinterpret_cast<__m128i*>(dest);
    // P = D(C) ^ F, then F moves on by C.
    auto chain = [&f](__m128i plain, __m128i cipher) AESNI {
        plain = _mm_xor_si128(plain, f);
        f = Cts ? _mm_xor_si128(f, cipher) : cipher;
        return plain;
    };
    for (; count >= 8; count -= 8, in += 8, out += 8) {
        __m128i b[8];
        for (int i = 0; i < 8; ++i) b[i] = _mm_xor_si128(_mm_loadu_si128(in + i), first);
        for (int r = 1; r < rounds; ++r) {
            const __m128i k = LoadKey(dk + 4 * r);
            for (int i = 0; i < 8; ++i) b[i] = _mm_aesdec_si128(b[i], k);
        }
        // Block i's ciphertext is read again just before its plaintext overwrites it.
        for (int i = 0; i < 8; ++i)
            _mm_storeu_si128(out + i, chain(_mm_aesdeclast_si128(b[i], last), _mm_loadu_si128(in + i)));
    }
    for (; count > 0; --count, ++in, ++out) {
        const __m128i c = _mm_loadu_si128(in);
        __m128i b = _mm_xor_si128(c, first);
        for (int r = 1; r < rounds; ++r) b = _mm_aesdec_si128(b, LoadKey(dk + 4 * r));
        _mm_storeu_si128(out, chain(_mm_aesdeclast_si128(b, last), c));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(feedback), f);
}

#undef AESNI

}  // namespace

bool TCipher_Rijndael::AesInstructionsAvailable() {
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse4.1");
    }();
    return available;
}

void TCipher_Rijndael::UseAesInstructions(bool on) { useAesNi_ = on && AesInstructionsAvailable(); }

void TCipher_Rijndael::EncipherTables(uint8_t* block) {
    const uint32_t* rk = UserDataAs<Schedule>().enc;
    const auto& te = kTables.te;
    uint32_t s0 = LoadLE32(block) ^ rk[0], s1 = LoadLE32(block + 4) ^ rk[1];
    uint32_t s2 = LoadLE32(block + 8) ^ rk[2], s3 = LoadLE32(block + 12) ^ rk[3];
    for (int32_t r = 1; r < rounds_; ++r) {
        rk += 4;
        // Column c takes row i from column c + i (ShiftRows).
        const uint32_t t0 = te[0][s0 & 0xFF] ^ te[1][(s1 >> 8) & 0xFF] ^ te[2][(s2 >> 16) & 0xFF] ^ te[3][s3 >> 24] ^ rk[0];
        const uint32_t t1 = te[0][s1 & 0xFF] ^ te[1][(s2 >> 8) & 0xFF] ^ te[2][(s3 >> 16) & 0xFF] ^ te[3][s0 >> 24] ^ rk[1];
        const uint32_t t2 = te[0][s2 & 0xFF] ^ te[1][(s3 >> 8) & 0xFF] ^ te[2][(s0 >> 16) & 0xFF] ^ te[3][s1 >> 24] ^ rk[2];
        const uint32_t t3 = te[0][s3 & 0xFF] ^ te[1][(s0 >> 8) & 0xFF] ^ te[2][(s1 >> 16) & 0xFF] ^ te[3][s2 >> 24] ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 4;
    const uint8_t* sb = kSBox;
    StoreLE32(block, Column(sb[s0 & 0xFF], sb[(s1 >> 8) & 0xFF], sb[(s2 >> 16) & 0xFF], sb[s3 >> 24]) ^ rk[0]);
    StoreLE32(block + 4, Column(sb[s1 & 0xFF], sb[(s2 >> 8) & 0xFF], sb[(s3 >> 16) & 0xFF], sb[s0 >> 24]) ^ rk[1]);
    StoreLE32(block + 8, Column(sb[s2 & 0xFF], sb[(s3 >> 8) & 0xFF], sb[(s0 >> 16) & 0xFF], sb[s1 >> 24]) ^ rk[2]);
    StoreLE32(block + 12, Column(sb[s3 & 0xFF], sb[(s0 >> 8) & 0xFF], sb[(s1 >> 16) & 0xFF], sb[s2 >> 24]) ^ rk[3]);
}

void TCipher_Rijndael::DecipherTables(uint8_t* block) {
    const uint32_t* dk = UserDataAs<Schedule>().dec;
    const auto& td = kTables.td;
    uint32_t s0 = LoadLE32(block) ^ dk[0], s1 = LoadLE32(block + 4) ^ dk[1];
    uint32_t s2 = LoadLE32(block + 8) ^ dk[2], s3 = LoadLE32(block + 12) ^ dk[3];
    for (int32_t r = 1; r < rounds_; ++r) {
        dk += 4;
        // Column c takes row i from column c - i (InvShiftRows).
        const uint32_t t0 = td[0][s0 & 0xFF] ^ td[1][(s3 >> 8) & 0xFF] ^ td[2][(s2 >> 16) & 0xFF] ^ td[3][s1 >> 24] ^ dk[0];
        const uint32_t t1 = td[0][s1 & 0xFF] ^ td[1][(s0 >> 8) & 0xFF] ^ td[2][(s3 >> 16) & 0xFF] ^ td[3][s2 >> 24] ^ dk[1];
        const uint32_t t2 = td[0][s2 & 0xFF] ^ td[1][(s1 >> 8) & 0xFF] ^ td[2][(s0 >> 16) & 0xFF] ^ td[3][s3 >> 24] ^ dk[2];
        const uint32_t t3 = td[0][s3 & 0xFF] ^ td[1][(s2 >> 8) & 0xFF] ^ td[2][(s1 >> 16) & 0xFF] ^ td[3][s0 >> 24] ^ dk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    dk += 4;
    const uint8_t* ib = kTables.inverse;
    StoreLE32(block, Column(ib[s0 & 0xFF], ib[(s3 >> 8) & 0xFF], ib[(s2 >> 16) & 0xFF], ib[s1 >> 24]) ^ dk[0]);
    StoreLE32(block + 4, Column(ib[s1 & 0xFF], ib[(s0 >> 8) & 0xFF], ib[(s3 >> 16) & 0xFF], ib[s2 >> 24]) ^ dk[1]);
    StoreLE32(block + 8, Column(ib[s2 & 0xFF], ib[(s1 >> 8) & 0xFF], ib[(s0 >> 16) & 0xFF], ib[s3 >> 24]) ^ dk[2]);
    StoreLE32(block + 12, Column(ib[s3 & 0xFF], ib[(s2 >> 8) & 0xFF], ib[(s1 >> 16) & 0xFF], ib[s0 >> 24]) ^ dk[3]);
}

void TCipher_Rijndael::EncipherBlock(uint8_t* block) {
    if (useAesNi_)
        EncipherAesNi(UserDataAs<Schedule>().enc, rounds_, block);
    else
        EncipherTables(block);
}

void TCipher_Rijndael::DecipherBlock(uint8_t* block) { DecipherBlocks(block, 1); }

void TCipher_Rijndael::DecipherBlocks(uint8_t* blocks, int32_t count) {
    if (useAesNi_) {
        DecipherAesNi(UserDataAs<Schedule>().dec, rounds_, blocks, count);
        return;
    }
    for (int32_t i = 0; i < count; ++i) DecipherTables(blocks + 16 * i);
}

void TCipher_Rijndael::DecipherChained(const uint8_t* source, uint8_t* dest, int32_t count, uint8_t* feedback, bool cts) {
    const uint32_t* dk = UserDataAs<Schedule>().dec;
    if (!useAesNi_)
        TCipher::DecipherChained(source, dest, count, feedback, cts);
    else if (cts)
        DecipherChainedAesNi<true>(dk, rounds_, source, dest, count, feedback);
    else
        DecipherChainedAesNi<false>(dk, rounds_, source, dest, count, feedback);
}

void TCipher_Rijndael::KeySchedule(const uint8_t* key, int32_t size) {
    // Shorter keys are zero-padded to the next AES key length.
    const int32_t words = size <= 16 ? 4 : size <= 24 ? 6 : 8;
    rounds_ = words + 6;
    uint8_t padded[32] = {};
    if (size > 0) std::memcpy(padded, key, static_cast<std::size_t>(size));

    Schedule& k = UserDataAs<Schedule>();
    uint32_t* w = k.enc;
    const int32_t total = 4 * (rounds_ + 1);
    for (int32_t i = 0; i < words; ++i) w[i] = LoadLE32(padded + 4 * i);
    uint8_t rcon = 1;
    for (int32_t i = words; i < total; ++i) {
        uint32_t t = w[i - 1];
        if (i % words == 0) {
            t = SubWord(Ror32(t, 8)) ^ rcon;  // RotWord, SubWord, Rcon in the first byte
            rcon = Times2(rcon);
        } else if (words > 6 && i % words == 4) {
            t = SubWord(t);
        }
        w[i] = w[i - words] ^ t;
    }
    // The equivalent inverse cipher: the round keys in reverse order, the
    // inner ones through InvMixColumns.
    for (int32_t r = 0; r <= rounds_; ++r)
        for (int c = 0; c < 4; ++c) {
            const uint32_t e = k.enc[4 * (rounds_ - r) + c];
            k.dec[4 * r + c] = (r == 0 || r == rounds_) ? e : InvMixColumn(e);
        }
    FillSecret(padded, 0, sizeof padded);
}

}  // namespace quellmark
