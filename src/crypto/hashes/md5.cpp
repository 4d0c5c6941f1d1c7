// MD5 after Rivest, RFC 1321.
#include "crypto/hashes/md5.h"

#include "crypto/bytes.h"

namespace quellmark {

namespace {

// The additive constants: the integer part of 2^32 * |sin(i + 1)|.
constexpr uint32_t kSine[64] = {
    0xD76AA478, 0xE8C7B756, 0x242070DB, 0xC1BDCEEE, 0xF57C0FAF, 0x4787C62A, 0xA8304613, 0xFD469501,
    0x698098D8, 0x8B44F7AF, 0xFFFF5BB1, 0x895CD7BE, 0x6B901122, 0xFD987193, 0xA679438E, 0x49B40821,
    0xF61E2562, 0xC040B340, 0x265E5A51, 0xE9B6C7AA, 0xD62F105D, 0x02441453, 0xD8A1E681, 0xE7D3FBC8,
    0x21E1CDE6, 0xC33707D6, 0xF4D50D87, 0x455A14ED, 0xA9E3E905, 0xFCEFA3F8, 0x676F02D9, 0x8D2A4C8A,
    0xFFFA3942, 0x8771F681, 0x6D9D6122, 0xFDE5380C, 0xA4BEEA44, 0x4BDECFA9, 0xF6BB4B60, 0xBEBFBC70,
    0x289B7EC6, 0xEAA127FA, 0xD4EF3085, 0x04881D05, 0xD9D4D039, 0xE6DB99E5, 0x1FA27CF8, 0xC4AC5665,
    0xF4292244, 0x432AFF97, 0xAB9423A7, 0xFC93A039, 0x655B59C3, 0x8F0CCC92, 0xFFEFF47D, 0x85845DD1,
    0x6FA87E4F, 0xFE2CE6E0, 0xA3014314, 0x4E0811A1, 0xF7537E82, 0xBD3AF235, 0x2AD7D2BB, 0xEB86D391};

constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

// Which message word step i of round R reads.
constexpr int WordAt(int round, int i) {
    switch (round) {
        case 0: return i;
        case 1: return (1 + 5 * i) % 16;
        case 2: return (5 + 3 * i) % 16;
        default: return (7 * i) % 16;
    }
}

template <int R>
inline void Round(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, const uint32_t* x) {
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
        // The word and constant go in first: they do not wait for b, the
        // result of the step before, and neither do the parts of the
        // Boolean function that only read c and d.
        uint32_t sum = a + x[WordAt(R, i)] + kSine[16 * R + i];
        if constexpr (R == 0) {
            sum += d ^ (b & (c ^ d));                // (b & c) | (~b & d)
        } else if constexpr (R == 1) {
            sum += c & ~d;                           // (b & d) | (c & ~d): the two
            sum += b & d;                            // halves share no bits, so add them
        } else if constexpr (R == 2) {
            sum += b ^ c ^ d;
        } else {
            sum += c ^ (b | ~d);
        }
        const uint32_t t = b + Rol32(sum, kShift[R][i % 4]);
        a = d;
        d = c;
        c = b;
        b = t;
    }
}

inline void Block(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, const uint8_t* block) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLE32(block + 4 * i);
    const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;
    Round<0>(a, b, c, d, x);
    Round<1>(a, b, c, d, x);
    Round<2>(a, b, c, d, x);
    Round<3>(a, b, c, d, x);
    a += a0; b += b0; c += c0; d += d0;
}

}  // namespace

void THash_MD5::RestartState() { Start({0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476}); }

void THash_MD5::CompressBlock(const uint8_t* block) { CompressBlocks(block, 1); }

void THash_MD5::CompressBlocks(const uint8_t* data, std::size_t count) {
    uint32_t a = digest_[0], b = digest_[1], c = digest_[2], d = digest_[3];
    for (; count != 0; --count, data += 64) Block(a, b, c, d, data);
    digest_[0] = a; digest_[1] = b; digest_[2] = c; digest_[3] = d;
}

static const uint8_t kMD5KnownAnswer[16] = {0x3e, 0xd8, 0x34, 0x8c, 0xd2, 0xa4, 0x45, 0xd6,
                                           0x75, 0x5d, 0x4b, 0xc9, 0xfe, 0xdc, 0xc2, 0xc6};
const THashClass THash_MD5::Class = {"THash_MD5", 16, &MakeHash<THash_MD5>, kMD5KnownAnswer};

}  // namespace quellmark
