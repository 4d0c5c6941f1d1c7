#pragma once
// What SHARK and Square share: arithmetic in GF(2^8) modulo
// x^8 + x^7 + x^6 + x^5 + x^4 + x^2 + 1 (0x1F5), the one S-box both designs
// publish, and a compile-time matrix inversion over that field, so each
// cipher's deciphering tables follow from its enciphering ones.
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace quellmark {

namespace square_field {

constexpr uint8_t Multiply(uint8_t a, uint8_t b) {
    unsigned product = 0, x = a;
    for (; b != 0; b >>= 1) {
        if (b & 1) product ^= x;
        x <<= 1;
        if (x & 0x100) x ^= 0x1F5;
    }
    return static_cast<uint8_t>(product);
}

constexpr uint8_t Inverse(uint8_t a) {
    for (unsigned b = 1; b < 256; ++b)
        if (Multiply(a, static_cast<uint8_t>(b)) == 1) return static_cast<uint8_t>(b);
    return 0;  // zero has no inverse
}

template <std::size_t N>
using Matrix = std::array<std::array<uint8_t, N>, N>;

// Gauss-Jordan elimination; the matrices inverted here are the published,
// invertible diffusion layers, so a pivot always exists.
template <std::size_t N>
constexpr Matrix<N> Invert(Matrix<N> m) {
    Matrix<N> inverse{};
    for (std::size_t i = 0; i < N; ++i) inverse[i][i] = 1;
    for (std::size_t col = 0; col < N; ++col) {
        std::size_t pivot = col;
        while (m[pivot][col] == 0) ++pivot;
        std::swap(m[pivot], m[col]);
        std::swap(inverse[pivot], inverse[col]);
        const uint8_t scale = Inverse(m[col][col]);
        for (std::size_t k = 0; k < N; ++k) {
            m[col][k] = Multiply(m[col][k], scale);
            inverse[col][k] = Multiply(inverse[col][k], scale);
        }
        for (std::size_t row = 0; row < N; ++row) {
            const uint8_t factor = m[row][col];
            if (row == col || factor == 0) continue;
            for (std::size_t k = 0; k < N; ++k) {
                m[row][k] ^= Multiply(factor, m[col][k]);
                inverse[row][k] ^= Multiply(factor, inverse[col][k]);
            }
        }
    }
    return inverse;
}

// The S-box of SHARK (FSE 1996) and of Square (FSE 1997), the same table in
// both designs: the inverse in this field followed by an affine map. Copied
// from Crypto++ (sharkbox.cpp, squaretb.cpp), which carries the designers' table.
inline constexpr std::array<uint8_t, 256> kSBox = {
    177, 206, 195, 149, 90,  173, 231, 2,   77,  68,  251, 145, 12,  135, 161, 80,
    203, 103, 84,  221, 70,  143, 225, 78,  240, 253, 252, 235, 249, 196, 26,  110,
    94,  245, 204, 141, 28,  86,  67,  254, 7,   97,  248, 117, 89,  255, 3,   34,
    138, 209, 19,  238, 136, 0,   14,  52,  21,  128, 148, 227, 237, 181, 83,  35,
    75,  71,  23,  167, 144, 53,  171, 216, 184, 223, 79,  87,  154, 146, 219, 27,
    60,  200, 153, 4,   142, 224, 215, 125, 133, 187, 64,  44,  58,  69,  241, 66,
    101, 32,  65,  24,  114, 37,  147, 112, 54,  5,   242, 11,  163, 121, 236, 8,
    39,  49,  50,  182, 124, 176, 10,  115, 91,  123, 183, 129, 210, 13,  106, 38,
    158, 88,  156, 131, 116, 179, 172, 48,  122, 105, 119, 15,  174, 33,  222, 208,
    46,  151, 16,  164, 152, 168, 212, 104, 45,  98,  41,  109, 22,  73,  118, 199,
    232, 193, 150, 55,  229, 202, 244, 233, 99,  18,  194, 166, 20,  188, 211, 40,
    175, 47,  230, 36,  82,  198, 160, 9,   189, 140, 207, 93,  17,  95,  1,   197,
    159, 61,  162, 155, 201, 59,  190, 81,  25,  31,  63,  92,  178, 239, 74,  205,
    191, 186, 111, 100, 217, 243, 62,  180, 170, 220, 213, 6,   192, 126, 246, 102,
    108, 132, 113, 56,  185, 29,  127, 157, 72,  139, 42,  218, 165, 51,  130, 57,
    214, 120, 134, 250, 228, 43,  169, 30,  137, 96,  107, 234, 85,  76,  247, 226,
};

constexpr std::array<uint8_t, 256> InvertPermutation(const std::array<uint8_t, 256>& box) {
    std::array<uint8_t, 256> inverse{};
    for (std::size_t x = 0; x < 256; ++x) inverse[box[x]] = static_cast<uint8_t>(x);
    return inverse;
}

inline constexpr std::array<uint8_t, 256> kSBoxInverse = InvertPermutation(kSBox);

}  // namespace square_field

}  // namespace quellmark
