// HAVAL after Zheng, Pieprzyk and Seberry (AUSCRYPT '92), version 1.
#include "crypto/hashes/haval.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "crypto/bytes.h"

namespace quellmark {

namespace {

// The starting words and the step constants are the hexadecimal digits of
// the fractional part of pi, in order.
constexpr uint32_t kInitial[8] = {0x243F6A88, 0x85A308D3, 0x13198A2E, 0x03707344,
                                  0xA4093822, 0x299F31D0, 0x082EFA98, 0xEC4E6C89};

constexpr uint32_t kConst[5][32] = {
    {},
    {0x452821E6, 0x38D01377, 0xBE5466CF, 0x34E90C6C, 0xC0AC29B7, 0xC97C50DD, 0x3F84D5B5, 0xB5470917,
     0x9216D5D9, 0x8979FB1B, 0xD1310BA6, 0x98DFB5AC, 0x2FFD72DB, 0xD01ADFB7, 0xB8E1AFED, 0x6A267E96,
     0xBA7C9045, 0xF12C7F99, 0x24A19947, 0xB3916CF7, 0x0801F2E2, 0x858EFC16, 0x636920D8, 0x71574E69,
     0xA458FEA3, 0xF4933D7E, 0x0D95748F, 0x728EB658, 0x718BCD58, 0x82154AEE, 0x7B54A41D, 0xC25A59B5},
    {0x9C30D539, 0x2AF26013, 0xC5D1B023, 0x286085F0, 0xCA417918, 0xB8DB38EF, 0x8E79DCB0, 0x603A180E,
     0x6C9E0E8B, 0xB01E8A3E, 0xD71577C1, 0xBD314B27, 0x78AF2FDA, 0x55605C60, 0xE65525F3, 0xAA55AB94,
     0x57489862, 0x63E81440, 0x55CA396A, 0x2AAB10B6, 0xB4CC5C34, 0x1141E8CE, 0xA15486AF, 0x7C72E993,
     0xB3EE1411, 0x636FBC2A, 0x2BA9C55D, 0x741831F6, 0xCE5C3E16, 0x9B87931E, 0xAFD6BA33, 0x6C24CF5C},
    {0x7A325381, 0x28958677, 0x3B8F4898, 0x6B4BB9AF, 0xC4BFE81B, 0x66282193, 0x61D809CC, 0xFB21A991,
     0x487CAC60, 0x5DEC8032, 0xEF845D5D, 0xE98575B1, 0xDC262302, 0xEB651B88, 0x23893E81, 0xD396ACC5,
     0x0F6D6FF3, 0x83F44239, 0x2E0B4482, 0xA4842004, 0x69C8F04A, 0x9E1F9B5E, 0x21C66842, 0xF6E96C9A,
     0x670C9C61, 0xABD388F0, 0x6A51A0D2, 0xD8542F68, 0x960FA728, 0xAB5133A3, 0x6EEF0B6C, 0x137A3BE4},
    {0xBA3BF050, 0x7EFB2A98, 0xA1F1651D, 0x39AF0176, 0x66CA593E, 0x82430E88, 0x8CEE8619, 0x456F9FB4,
     0x7D84A5C3, 0x3B8B5EBE, 0xE06F75D8, 0x85C12073, 0x401A449F, 0x56C16AA6, 0x4ED3AA62, 0x363F7706,
     0x1BFEDF72, 0x429B023D, 0x37D0D724, 0xD00A1248, 0xDB0FEAD3, 0x49F1C09B, 0x075372C9, 0x80991B7B,
     0x25D479D8, 0xF6E8DEF7, 0xE3FE501A, 0xB6794C3B, 0x976CE0BD, 0x04C006BA, 0xC1A94FB6, 0x409F60C4}};

// The message word each step of each pass reads.
constexpr uint8_t kOrder[5][32] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
    {5, 14, 26, 18, 11, 28, 7, 16, 0, 23, 20, 22, 1, 10, 4, 8, 30, 3, 21, 9, 17, 24, 29, 6, 19, 12, 15, 13, 2, 25, 31, 27},
    {19, 9, 4, 20, 28, 17, 8, 22, 29, 14, 25, 12, 24, 30, 16, 26, 31, 15, 7, 3, 1, 0, 18, 27, 13, 6, 21, 10, 23, 11, 5, 2},
    {24, 4, 0, 14, 2, 7, 28, 23, 26, 6, 30, 20, 18, 25, 19, 3, 22, 11, 31, 21, 8, 27, 12, 9, 1, 29, 5, 15, 17, 10, 16, 13},
    {27, 3, 21, 26, 17, 11, 20, 29, 19, 0, 12, 7, 13, 8, 31, 10, 5, 9, 14, 30, 18, 6, 28, 24, 2, 23, 16, 22, 4, 1, 25, 15}};

// The permutations phi: for 3, 4 and 5 passes and each pass, which of the
// step's inputs x6 ... x0 feeds each argument (x6 first) of the pass's function.
constexpr uint8_t kPhi[3][5][7] = {
    {{1, 0, 3, 5, 6, 2, 4}, {4, 2, 1, 0, 5, 3, 6}, {6, 1, 2, 3, 4, 5, 0}},
    {{2, 6, 1, 4, 5, 3, 0}, {3, 5, 2, 0, 1, 6, 4}, {1, 4, 3, 6, 0, 2, 5}, {6, 4, 0, 5, 2, 1, 3}},
    {{3, 4, 1, 0, 5, 2, 6}, {6, 2, 1, 0, 3, 4, 5}, {2, 6, 0, 4, 3, 1, 5}, {1, 5, 3, 2, 0, 4, 6}, {2, 5, 0, 6, 4, 3, 1}}};

// The five Boolean functions of the paper, each factored to save operations.
template <int F>
inline uint32_t Boolean(uint32_t x6, uint32_t x5, uint32_t x4, uint32_t x3, uint32_t x2, uint32_t x1, uint32_t x0) {
    if constexpr (F == 0) return x0 ^ (x1 & (x0 ^ x4)) ^ (x2 & x5) ^ (x3 & x6);
    else if constexpr (F == 1) return x0 ^ (x2 & ((x1 & x3) ^ (x4 & x5) ^ x1 ^ x6 ^ x0)) ^ (x4 & (x1 ^ x5)) ^ (x3 & x5);
    else if constexpr (F == 2) return x0 ^ (x3 & ((x1 & x2) ^ x6 ^ x0)) ^ (x1 & x4) ^ (x2 & x5);
    else if constexpr (F == 3)
        return x0 ^ (x4 & ((x2 & x5) ^ (x3 & x6) ^ x1 ^ x3 ^ x5 ^ x6 ^ x0)) ^ (x3 & ((x1 & x2) ^ x5 ^ x6)) ^ (x2 & x6);
    else return x0 ^ (x0 & ((x1 & x2 & x3) ^ x5)) ^ (x1 & x4) ^ (x2 & x5) ^ (x3 & x6);
}

// Step J of pass P (counting from 0) with `Passes` passes. The eight
// registers take turns: step J overwrites register 7 - J (mod 8), and its
// inputs x0 ... x6 are the registers that follow it, x_k being k - J (mod 8).
template <int Passes, int P, int J>
inline void Step(uint32_t (&t)[8], const uint32_t* w) {
    constexpr const uint8_t* phi = kPhi[Passes - 3][P];
    constexpr auto reg = [](int k) { return (k - J) & 7; };
    const uint32_t f = Boolean<P>(t[reg(phi[0])], t[reg(phi[1])], t[reg(phi[2])], t[reg(phi[3])],
                                  t[reg(phi[4])], t[reg(phi[5])], t[reg(phi[6])]);
    uint32_t& target = t[reg(7)];
    target = Ror32(f, 7) + Ror32(target, 11) + w[kOrder[P][J]] + kConst[P][J];
}

template <int Passes, int P, int... J>
inline void Pass(uint32_t (&t)[8], const uint32_t* w, std::integer_sequence<int, J...>) {
    (Step<Passes, P, J>(t, w), ...);
}

template <int Passes, int... P>
inline void AllPasses(uint32_t (&t)[8], const uint32_t* w, std::integer_sequence<int, P...>) {
    (Pass<Passes, P>(t, w, std::make_integer_sequence<int, 32>()), ...);
}

template <int Passes>
void Compress(uint32_t digest[8], const uint8_t* block) {
    uint32_t w[32];
    for (int i = 0; i < 32; ++i) w[i] = LoadLE32(block + 4 * i);
    uint32_t t[8];
    std::copy(digest, digest + 8, t);
    AllPasses<Passes>(t, w, std::make_integer_sequence<int, Passes>());
    for (int i = 0; i < 8; ++i) digest[i] += t[i];
}

}  // namespace

void THash_Haval256::RestartState() {
    if (requestedPasses_ >= 3 && requestedPasses_ <= 5)
        passes_ = requestedPasses_;
    else
        passes_ = DigestSize() <= 20 ? 3 : DigestSize() <= 28 ? 4 : 5;
    compress_ = passes_ == 3 ? &Compress<3> : passes_ == 4 ? &Compress<4> : &Compress<5>;
    std::memset(block_, 0, sizeof block_);
    count_ = 0;
    std::copy(std::begin(kInitial), std::end(kInitial), digest_);
}

void THash_Haval256::AddData(const void* data, int32_t size) {
    if (size <= 0) return;
    const auto* in = static_cast<const uint8_t*>(data);
    std::size_t left = static_cast<std::size_t>(size);
    std::size_t index = static_cast<std::size_t>(count_ % 128);
    count_ += left;
    if (index != 0) {
        std::size_t take = std::min(left, 128 - index);
        std::memcpy(block_ + index, in, take);
        in += take;
        left -= take;
        if (index + take < 128) return;
        compress_(digest_, block_);
    }
    for (; left >= 128; in += 128, left -= 128) compress_(digest_, in);
    std::memcpy(block_, in, left);
}

void THash_Haval256::FinishDigest() {
    // 0x01, zeros to byte 118, then the version (1), pass count and output
    // length in bits as HAVAL packs them, and the 64-bit bit length.
    std::size_t index = static_cast<std::size_t>(count_ % 128);
    block_[index++] = 0x01;
    if (index > 118) {
        std::memset(block_ + index, 0, 128 - index);
        compress_(digest_, block_);
        index = 0;
    }
    std::memset(block_ + index, 0, 118 - index);
    block_[118] = static_cast<uint8_t>(passes_ << 3 | 1);
    block_[119] = static_cast<uint8_t>(DigestSize() * 2);
    StoreLE64(block_ + 120, count_ * 8);
    compress_(digest_, block_);
    std::memset(block_, 0, sizeof block_);
    Fold();
}

// The shorter outputs fold the words beyond the output into those it keeps.
void THash_Haval256::Fold() {
    uint32_t* h = digest_;
    switch (DigestSize()) {
        case 16:
            h[0] += Ror32((h[7] & 0x000000FF) | (h[6] & 0xFF000000) | (h[5] & 0x00FF0000) | (h[4] & 0x0000FF00), 8);
            h[1] += Ror32((h[7] & 0x0000FF00) | (h[6] & 0x000000FF) | (h[5] & 0xFF000000) | (h[4] & 0x00FF0000), 16);
            h[2] += Ror32((h[7] & 0x00FF0000) | (h[6] & 0x0000FF00) | (h[5] & 0x000000FF) | (h[4] & 0xFF000000), 24);
            h[3] += (h[7] & 0xFF000000) | (h[6] & 0x00FF0000) | (h[5] & 0x0000FF00) | (h[4] & 0x000000FF);
            break;
        case 20:
            h[0] += Ror32((h[7] & 0x0000003F) | (h[6] & 0xFE000000) | (h[5] & 0x01F80000), 19);
            h[1] += Ror32((h[7] & 0x00000FC0) | (h[6] & 0x0000003F) | (h[5] & 0xFE000000), 25);
            h[2] += (h[7] & 0x0007F000) | (h[6] & 0x00000FC0) | (h[5] & 0x0000003F);
            h[3] += ((h[7] & 0x01F80000) | (h[6] & 0x0007F000) | (h[5] & 0x00000FC0)) >> 6;
            h[4] += ((h[7] & 0xFE000000) | (h[6] & 0x01F80000) | (h[5] & 0x0007F000)) >> 12;
            break;
        case 24:
            h[0] += Ror32((h[7] & 0x0000001F) | (h[6] & 0xFC000000), 26);
            h[1] += (h[7] & 0x000003E0) | (h[6] & 0x0000001F);
            h[2] += ((h[7] & 0x0000FC00) | (h[6] & 0x000003E0)) >> 5;
            h[3] += ((h[7] & 0x001F0000) | (h[6] & 0x0000FC00)) >> 10;
            h[4] += ((h[7] & 0x03E00000) | (h[6] & 0x001F0000)) >> 16;
            h[5] += ((h[7] & 0xFC000000) | (h[6] & 0x03E00000)) >> 21;
            break;
        case 28:
            h[0] += (h[7] >> 27) & 0x1F;
            h[1] += (h[7] >> 22) & 0x1F;
            h[2] += (h[7] >> 18) & 0x0F;
            h[3] += (h[7] >> 13) & 0x1F;
            h[4] += (h[7] >> 9) & 0x0F;
            h[5] += (h[7] >> 4) & 0x1F;
            h[6] += h[7] & 0x0F;
            break;
        default:
            break;
    }
}

static const uint8_t kHaval128KnownAnswer[16] = {0xd8, 0xcb, 0xcd, 0xec, 0x7a, 0xfd, 0xc8, 0xa5,
                                                0xf2, 0x7b, 0xd2, 0x12, 0xb9, 0x33, 0x9a, 0xbd};
static const uint8_t kHaval160KnownAnswer[20] = {0x13, 0xdd, 0xbd, 0x32, 0x33, 0xbc, 0x04, 0x8d, 0x6d, 0xf6,
                                                0x63, 0x56, 0x37, 0xe2, 0xa0, 0xd0, 0x53, 0x1b, 0x99, 0x03};
static const uint8_t kHaval192KnownAnswer[24] = {0x30, 0xae, 0xec, 0x3f, 0xc1, 0x8e, 0x61, 0x18,
                                                0xa4, 0xf2, 0xa3, 0xe8, 0x06, 0x6c, 0x3b, 0x64,
                                                0xa6, 0xa9, 0x2e, 0x7d, 0xe2, 0x52, 0xa0, 0xb5};
static const uint8_t kHaval224KnownAnswer[28] = {0x32, 0x3a, 0xdc, 0xb3, 0x75, 0xb5, 0x8f, 0x5a, 0x6a, 0xf1,
                                                0x66, 0x89, 0x99, 0x5a, 0x7a, 0x98, 0x71, 0x6e, 0x22, 0x77,
                                                0xbc, 0x02, 0x29, 0x38, 0x67, 0xa5, 0xcc, 0xe1};
static const uint8_t kHaval256KnownAnswer[32] = {
    0xe9, 0x92, 0xc1, 0xfb, 0x79, 0xe9, 0xba, 0xa8, 0x28, 0x5c, 0x7a, 0x73, 0x0b, 0xeb, 0x0c, 0x7c,
    0xad, 0xf3, 0xf7, 0xad, 0x26, 0xd7, 0xef, 0xe2, 0x1f, 0xf4, 0xbf, 0x67, 0x57, 0x69, 0xd5, 0x9a};

const THashClass THash_Haval256::Class = {"THash_Haval256", 32, &MakeHash<THash_Haval256>, kHaval256KnownAnswer};
const THashClass THash_Haval224::Class = {"THash_Haval224", 28, &MakeHash<THash_Haval224>, kHaval224KnownAnswer};
const THashClass THash_Haval192::Class = {"THash_Haval192", 24, &MakeHash<THash_Haval192>, kHaval192KnownAnswer};
const THashClass THash_Haval160::Class = {"THash_Haval160", 20, &MakeHash<THash_Haval160>, kHaval160KnownAnswer};
const THashClass THash_Haval128::Class = {"THash_Haval128", 16, &MakeHash<THash_Haval128>, kHaval128KnownAnswer};

}  // namespace quellmark
