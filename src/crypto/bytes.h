#pragma once
// Word access in a stated byte order, rotations and buffer exclusive-or:
// the small tools every cipher and hash is written with.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quellmark {

inline uint16_t LoadBE16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline void StoreBE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v >> 8); p[1] = uint8_t(v);
}
inline uint32_t LoadBE32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline void StoreBE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v);
}
inline uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}
inline void StoreLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24);
}

// Fills `count` words from the first `size` key bytes read as little-endian
// words; bytes beyond `size` count as zero, so a short key is zero-padded.
inline void LoadLE32Padded(uint32_t* words, std::size_t count, const uint8_t* key, std::size_t size) {
    for (std::size_t i = 0; i < count; ++i) {
        uint32_t w = 0;
        for (std::size_t b = 0; b < 4; ++b) {
            const std::size_t at = 4 * i + b;
            if (at < size) w |= uint32_t(key[at]) << (8 * b);
        }
        words[i] = w;
    }
}

inline uint64_t LoadLE64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return std::endian::native == std::endian::little ? v : __builtin_bswap64(v);
}
inline void StoreLE64(uint8_t* p, uint64_t v) {
    if constexpr (std::endian::native != std::endian::little) v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

inline uint32_t Rol32(uint32_t x, int n) { return std::rotl(x, n); }
inline uint32_t Ror32(uint32_t x, int n) { return std::rotr(x, n); }

// dest[i] = a[i] ^ b[i]. Safe when dest is a or b (same position): every
// byte is read before the byte at its own position is written.
inline void XorBuffers(uint8_t* dest, const uint8_t* a, const uint8_t* b, std::size_t size) {
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        x ^= y;
        std::memcpy(dest + i, &x, 8);
    }
    for (; i < size; ++i) dest[i] = a[i] ^ b[i];
}

// Overwrites secret bytes in a way the optimiser may not drop.
inline void FillSecret(void* buffer, uint8_t value, std::size_t size) {
    volatile uint8_t* p = static_cast<volatile uint8_t*>(buffer);
    for (std::size_t i = 0; i < size; ++i) p[i] = value;
}

}  // namespace quellmark
