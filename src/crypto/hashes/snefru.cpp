#include "crypto/hashes/snefru.h"

#include <algorithm>
#include <cstring>

#include "crypto/bytes.h"

namespace quellmark {

void SnefruPasses(uint32_t block[16], int passes) {
    static constexpr int kRotation[4] = {16, 8, 16, 24};
    passes = std::clamp(passes, 0, 8);  // there are S-boxes for eight passes
    for (int pass = 0; pass < passes; ++pass) {
        const uint32_t* boxes[2] = {kSnefruSBoxes[2 * pass], kSnefruSBoxes[2 * pass + 1]};
        for (int round = 0; round < 4; ++round) {
            // Each word's low byte selects an entry that is XORed into both
            // neighbours; words 0 and 1 use the first box, 2 and 3 the
            // second, and so on around the block.
            for (int i = 0; i < 16; ++i) {
                const uint32_t entry = boxes[(i >> 1) & 1][block[i] & 0xFF];
                block[(i + 1) & 15] ^= entry;
                block[(i + 15) & 15] ^= entry;
            }
            // Rotating brings the next byte of every word to the bottom.
            for (int i = 0; i < 16; ++i) block[i] = Ror32(block[i], kRotation[round]);
        }
    }
}

THash_Snefru::~THash_Snefru() {
    ClearDigest();
    FillSecret(state_, 0, sizeof state_);
    FillSecret(buffer_, 0, sizeof buffer_);
}

void THash_Snefru::RestartState() {
    std::memset(state_, 0, sizeof state_);
    std::memset(buffer_, 0, sizeof buffer_);
    count_ = 0;
}

void THash_Snefru::CompressBlock(const uint8_t* block) {
    for (int i = 0; i < 8; ++i) state_[8 + i] = LoadLE32(block + 4 * i);
    SnefruPasses(state_, securityLevel_);
    // Both halves are taken after mixing (Merkle's reference XORs in the
    // words from before it); the stored digests depend on this form.
    for (int i = 0; i < 8; ++i) state_[i] ^= state_[15 - i];
}

void THash_Snefru::AddData(const void* data, int32_t size) {
    if (size <= 0) return;
    const auto* in = static_cast<const uint8_t*>(data);
    std::size_t left = static_cast<std::size_t>(size);
    const std::size_t index = static_cast<std::size_t>(count_ % 32);
    count_ += left;
    if (index != 0) {
        const std::size_t take = std::min(left, 32 - index);
        std::memcpy(buffer_ + index, in, take);
        in += take;
        left -= take;
        if (index + take < 32) return;
        CompressBlock(buffer_);
    }
    // Whole blocks are compressed straight from the caller's data.
    for (; left >= 32; in += 32, left -= 32) CompressBlock(in);
    std::memcpy(buffer_, in, left);
}

void THash_Snefru::FinishDigest() {
    // No marker byte: zeros follow the data, and the bit length shares the
    // last block when it still fits behind the data (bytes 24 to 31).
    const std::size_t index = static_cast<std::size_t>(count_ % 32);
    std::memset(buffer_ + index, 0, 32 - index);
    if (index >= 24) {
        CompressBlock(buffer_);
        std::memset(buffer_, 0, sizeof buffer_);
    }
    const uint64_t bits = count_ * 8;
    for (int i = 0; i < 8; ++i) buffer_[24 + i] = static_cast<uint8_t>(bits >> (8 * i));
    CompressBlock(buffer_);
    std::memset(buffer_, 0, sizeof buffer_);
}

static const uint8_t kSnefruKnownAnswer[32] = {
    0xd6, 0x90, 0xee, 0x67, 0x28, 0xd9, 0xba, 0x02, 0xa3, 0xc7, 0x90, 0xee, 0x50, 0x73, 0x19, 0x74,
    0x1f, 0xbf, 0x6b, 0x83, 0xeb, 0x9a, 0x6b, 0xdf, 0xf5, 0x7a, 0xd8, 0xc3, 0x07, 0x8d, 0xa4, 0x34};
const THashClass THash_Snefru::Class = {"THash_Snefru", 32, &MakeHash<THash_Snefru>, kSnefruKnownAnswer};

}  // namespace quellmark
