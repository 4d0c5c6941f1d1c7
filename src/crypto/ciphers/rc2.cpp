#include "crypto/ciphers/rc2.h"

#include "crypto/bytes.h"

namespace quellmark {

const TCipherClass TCipher_RC2::Class = {"TCipher_RC2", {8, 128, 128}, &MakeCipher<TCipher_RC2>, nullptr};

const uint8_t TCipher_RC2::kPiTable[256] = {
    0xd9, 0x78, 0xf9, 0xc4, 0x19, 0xdd, 0xb5, 0xed, 0x28, 0xe9, 0xfd, 0x79, 0x4a, 0xa0, 0xd8, 0x9d,
    0xc6, 0x7e, 0x37, 0x83, 0x2b, 0x76, 0x53, 0x8e, 0x62, 0x4c, 0x64, 0x88, 0x44, 0x8b, 0xfb, 0xa2,
    0x17, 0x9a, 0x59, 0xf5, 0x87, 0xb3, 0x4f, 0x13, 0x61, 0x45, 0x6d, 0x8d, 0x09, 0x81, 0x7d, 0x32,
    0xbd, 0x8f, 0x40, 0xeb, 0x86, 0xb7, 0x7b, 0x0b, 0xf0, 0x95, 0x21, 0x22, 0x5c, 0x6b, 0x4e, 0x82,
    0x54, 0xd6, 0x65, 0x93, 0xce, 0x60, 0xb2, 0x1c, 0x73, 0x56, 0xc0, 0x14, 0xa7, 0x8c, 0xf1, 0xdc,
    0x12, 0x75, 0xca, 0x1f, 0x3b, 0xbe, 0xe4, 0xd1, 0x42, 0x3d, 0xd4, 0x30, 0xa3, 0x3c, 0xb6, 0x26,
    0x6f, 0xbf, 0x0e, 0xda, 0x46, 0x69, 0x07, 0x57, 0x27, 0xf2, 0x1d, 0x9b, 0xbc, 0x94, 0x43, 0x03,
    0xf8, 0x11, 0xc7, 0xf6, 0x90, 0xef, 0x3e, 0xe7, 0x06, 0xc3, 0xd5, 0x2f, 0xc8, 0x66, 0x1e, 0xd7,
    0x08, 0xe8, 0xea, 0xde, 0x80, 0x52, 0xee, 0xf7, 0x84, 0xaa, 0x72, 0xac, 0x35, 0x4d, 0x6a, 0x2a,
    0x96, 0x1a, 0xd2, 0x71, 0x5a, 0x15, 0x49, 0x74, 0x4b, 0x9f, 0xd0, 0x5e, 0x04, 0x18, 0xa4, 0xec,
    0xc2, 0xe0, 0x41, 0x6e, 0x0f, 0x51, 0xcb, 0xcc, 0x24, 0x91, 0xaf, 0x50, 0xa1, 0xf4, 0x70, 0x39,
    0x99, 0x7c, 0x3a, 0x85, 0x23, 0xb8, 0xb4, 0x7a, 0xfc, 0x02, 0x36, 0x5b, 0x25, 0x55, 0x97, 0x31,
    0x2d, 0x5d, 0xfa, 0x98, 0xe3, 0x8a, 0x92, 0xae, 0x05, 0xdf, 0x29, 0x10, 0x67, 0x6c, 0xba, 0xc9,
    0xd3, 0x00, 0xe6, 0xcf, 0xe1, 0x9e, 0xa8, 0x2c, 0x63, 0x16, 0x01, 0x3f, 0x58, 0xe2, 0x89, 0xa9,
    0x0d, 0x38, 0x34, 0x1b, 0xab, 0x33, 0xff, 0xb0, 0xbb, 0x48, 0x0c, 0x5f, 0xb9, 0xb1, 0xcd, 0x2e,
    0xc5, 0xf3, 0xdb, 0x47, 0xe5, 0xa5, 0x9c, 0x77, 0x0a, 0xa6, 0x20, 0x68, 0xfe, 0x7f, 0xc1, 0xad,
};

namespace {

inline uint16_t Rol16(uint16_t x, int n) { return static_cast<uint16_t>(x << n | x >> (16 - n)); }
inline uint16_t Ror16(uint16_t x, int n) { return static_cast<uint16_t>(x >> n | x << (16 - n)); }

inline uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline void Store16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// One mixing round over the four words, consuming key words k[0..3].
inline void Mix(uint16_t& r0, uint16_t& r1, uint16_t& r2, uint16_t& r3, const uint16_t* k) {
    r0 = Rol16(static_cast<uint16_t>(r0 + k[0] + (r3 & r2) + (~r3 & r1)), 1);
    r1 = Rol16(static_cast<uint16_t>(r1 + k[1] + (r0 & r3) + (~r0 & r2)), 2);
    r2 = Rol16(static_cast<uint16_t>(r2 + k[2] + (r1 & r0) + (~r1 & r3)), 3);
    r3 = Rol16(static_cast<uint16_t>(r3 + k[3] + (r2 & r1) + (~r2 & r0)), 5);
}

inline void Mash(uint16_t& r0, uint16_t& r1, uint16_t& r2, uint16_t& r3, const uint16_t* k) {
    r0 = static_cast<uint16_t>(r0 + k[r3 & 63]);
    r1 = static_cast<uint16_t>(r1 + k[r0 & 63]);
    r2 = static_cast<uint16_t>(r2 + k[r1 & 63]);
    r3 = static_cast<uint16_t>(r3 + k[r2 & 63]);
}

// The inverse of Mix with the same four key words.
inline void Unmix(uint16_t& r0, uint16_t& r1, uint16_t& r2, uint16_t& r3, const uint16_t* k) {
    r3 = static_cast<uint16_t>(Ror16(r3, 5) - k[3] - (r2 & r1) - (~r2 & r0));
    r2 = static_cast<uint16_t>(Ror16(r2, 3) - k[2] - (r1 & r0) - (~r1 & r3));
    r1 = static_cast<uint16_t>(Ror16(r1, 2) - k[1] - (r0 & r3) - (~r0 & r2));
    r0 = static_cast<uint16_t>(Ror16(r0, 1) - k[0] - (r3 & r2) - (~r3 & r1));
}

inline void Unmash(uint16_t& r0, uint16_t& r1, uint16_t& r2, uint16_t& r3, const uint16_t* k) {
    r3 = static_cast<uint16_t>(r3 - k[r2 & 63]);
    r2 = static_cast<uint16_t>(r2 - k[r1 & 63]);
    r1 = static_cast<uint16_t>(r1 - k[r0 & 63]);
    r0 = static_cast<uint16_t>(r0 - k[r3 & 63]);
}

}  // namespace

// Five mixing rounds, a mashing round, six mixing rounds, a mashing round,
// five mixing rounds: sixteen mixing rounds use the 64 key words once each.
void TCipher_RC2::EncipherBlock(uint8_t* block) {
    const uint16_t* k = UserDataAs<Schedule>().k;
    uint16_t r0 = Load16(block), r1 = Load16(block + 2), r2 = Load16(block + 4), r3 = Load16(block + 6);
    int j = 0;
    for (int i = 0; i < 5; ++i, j += 4) Mix(r0, r1, r2, r3, k + j);
    Mash(r0, r1, r2, r3, k);
    for (int i = 0; i < 6; ++i, j += 4) Mix(r0, r1, r2, r3, k + j);
    Mash(r0, r1, r2, r3, k);
    for (int i = 0; i < 5; ++i, j += 4) Mix(r0, r1, r2, r3, k + j);
    Store16(block, r0);
    Store16(block + 2, r1);
    Store16(block + 4, r2);
    Store16(block + 6, r3);
}

void TCipher_RC2::DecipherBlock(uint8_t* block) {
    const uint16_t* k = UserDataAs<Schedule>().k;
    uint16_t r0 = Load16(block), r1 = Load16(block + 2), r2 = Load16(block + 4), r3 = Load16(block + 6);
    int j = 60;
    for (int i = 0; i < 5; ++i, j -= 4) Unmix(r0, r1, r2, r3, k + j);
    Unmash(r0, r1, r2, r3, k);
    for (int i = 0; i < 6; ++i, j -= 4) Unmix(r0, r1, r2, r3, k + j);
    Unmash(r0, r1, r2, r3, k);
    for (int i = 0; i < 5; ++i, j -= 4) Unmix(r0, r1, r2, r3, k + j);
    Store16(block, r0);
    Store16(block + 2, r1);
    Store16(block + 4, r2);
    Store16(block + 6, r3);
}

// Two blocks at a time: each block's rounds form one long dependency chain,
// and interleaving two chains keeps the processor busy.
void TCipher_RC2::DecipherBlocks(uint8_t* blocks, int32_t count) {
    const uint16_t* k = UserDataAs<Schedule>().k;
    for (; count >= 2; count -= 2, blocks += 16) {
        uint16_t a0 = Load16(blocks), a1 = Load16(blocks + 2), a2 = Load16(blocks + 4), a3 = Load16(blocks + 6);
        uint16_t b0 = Load16(blocks + 8), b1 = Load16(blocks + 10), b2 = Load16(blocks + 12), b3 = Load16(blocks + 14);
        int j = 60;
        for (int i = 0; i < 5; ++i, j -= 4) {
            Unmix(a0, a1, a2, a3, k + j);
            Unmix(b0, b1, b2, b3, k + j);
        }
        Unmash(a0, a1, a2, a3, k);
        Unmash(b0, b1, b2, b3, k);
        for (int i = 0; i < 6; ++i, j -= 4) {
            Unmix(a0, a1, a2, a3, k + j);
            Unmix(b0, b1, b2, b3, k + j);
        }
        Unmash(a0, a1, a2, a3, k);
        Unmash(b0, b1, b2, b3, k);
        for (int i = 0; i < 5; ++i, j -= 4) {
            Unmix(a0, a1, a2, a3, k + j);
            Unmix(b0, b1, b2, b3, k + j);
        }
        Store16(blocks, a0);
        Store16(blocks + 2, a1);
        Store16(blocks + 4, a2);
        Store16(blocks + 6, a3);
        Store16(blocks + 8, b0);
        Store16(blocks + 10, b1);
        Store16(blocks + 12, b2);
        Store16(blocks + 14, b3);
    }
    if (count) DecipherBlock(blocks);
}

void TCipher_RC2::KeySchedule(const uint8_t* key, int32_t size) {
    // The expansion reaches back `size` bytes; with no key bytes there is nothing to expand.
    if (size == 0) RaiseKeySizeError(1);
    uint8_t l[128];
    for (int32_t i = 0; i < size; ++i) l[i] = key[i];
    for (int32_t i = size; i < 128; ++i) l[i] = kPiTable[static_cast<uint8_t>(l[i - 1] + l[i - size])];
    // With 1024 effective bits the reduction touches only the first byte.
    l[0] = kPiTable[l[0]];
    uint16_t* k = UserDataAs<Schedule>().k;
    for (int i = 0; i < 64; ++i) k[i] = Load16(l + 2 * i);
    FillSecret(l, 0, sizeof l);
}

}  // namespace quellmark
