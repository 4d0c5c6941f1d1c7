#include "crypto/hashes/md4_family.h"

#include <algorithm>
#include <cstring>

#include "crypto/bytes.h"

namespace quellmark {

void THash_MD4::Start(std::initializer_list<uint32_t> words) {
    std::memset(block_, 0, sizeof block_);
    count_ = 0;
    std::fill(std::begin(digest_), std::end(digest_), 0u);
    std::copy(words.begin(), words.end(), digest_);
}

void THash_MD4::RestartState() { Start({0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476}); }

void THash_MD4::AddData(const void* data, int32_t size) {
    if (size <= 0) return;
    const auto* in = static_cast<const uint8_t*>(data);
    std::size_t left = static_cast<std::size_t>(size);
    std::size_t index = static_cast<std::size_t>(count_ % 64);
    count_ += left;
    if (index != 0) {
        std::size_t take = std::min(left, 64 - index);
        std::memcpy(block_ + index, in, take);
        in += take;
        left -= take;
        if (index + take < 64) return;
        CompressBlock(block_);
    }
    // Whole blocks are compressed straight from the caller's data.
    const std::size_t whole = left / 64;
    if (whole != 0) CompressBlocks(in, whole);
    in += 64 * whole;
    left -= 64 * whole;
    std::memcpy(block_, in, left);
}

void THash_MD4::PadAndCompress(bool bigEndianLength, uint8_t marker) {
    std::size_t index = static_cast<std::size_t>(count_ % 64);
    block_[index++] = marker;
    if (index > 56) {
        std::memset(block_ + index, 0, 64 - index);
        CompressBlock(block_);
        index = 0;
    }
    std::memset(block_ + index, 0, 56 - index);
    const uint64_t bits = count_ * 8;
    for (int i = 0; i < 8; ++i) {
        const uint8_t byte = static_cast<uint8_t>(bits >> (8 * i));
        block_[bigEndianLength ? 63 - i : 56 + i] = byte;
    }
    CompressBlock(block_);
    std::memset(block_, 0, sizeof block_);
}

void THash_MD4::FinishDigest() { PadAndCompress(false); }

// MD4 as published in RFC 1320: three rounds of sixteen steps.
void THash_MD4::CompressBlock(const uint8_t* block) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLE32(block + 4 * i);
    uint32_t a = digest_[0], b = digest_[1], c = digest_[2], d = digest_[3];
    static constexpr int kShift1[4] = {3, 7, 11, 19}, kShift2[4] = {3, 5, 9, 13}, kShift3[4] = {3, 9, 11, 15};
    static constexpr int kOrder3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    // Each step adds its word and constant before the Boolean function, which
    // waits for b, the result of the step before. The majority is split into
    // (c & d) + (b & (c ^ d)), two parts that share no bits, so that only the
    // second waits for b.
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
        const uint32_t sum = a + x[i];
        uint32_t t = Rol32(sum + (d ^ (b & (c ^ d))), kShift1[i % 4]);  // (b & c) | (~b & d)
        a = d; d = c; c = b; b = t;
    }
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
        const uint32_t sum = a + x[(i % 4) * 4 + i / 4] + 0x5A827999u + (c & d);
        uint32_t t = Rol32(sum + (b & (c ^ d)), kShift2[i % 4]);
        a = d; d = c; c = b; b = t;
    }
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
        const uint32_t sum = a + x[kOrder3[i]] + 0x6ED9EBA1u;
        uint32_t t = Rol32(sum + (b ^ c ^ d), kShift3[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    digest_[0] += a; digest_[1] += b; digest_[2] += c; digest_[3] += d;
}

static const uint8_t kMD4KnownAnswer[16] = {0x25, 0xea, 0xbf, 0xcc, 0x8c, 0xc9, 0x6f, 0xd9,
                                           0x2d, 0xcf, 0x7e, 0xbd, 0x7f, 0x87, 0x7c, 0x7c};
const THashClass THash_MD4::Class = {"THash_MD4", 16, &MakeHash<THash_MD4>, kMD4KnownAnswer};

}  // namespace quellmark
