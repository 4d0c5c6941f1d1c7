#include "crypto/hashes/square_hash.h"

#include <algorithm>
#include <cstring>

#include "crypto/bytes.h"
#include "crypto/ciphers/square.h"

namespace quellmark {

namespace {

const uint8_t kKnownAnswer[16] = {0x80, 0x8f, 0x35, 0xea, 0x00, 0xa7, 0x77, 0x33,
                                  0x37, 0xce, 0x55, 0x98, 0x26, 0xdd, 0xb3, 0x24};

}  // namespace

const THashClass THash_Square::Class = {"THash_Square", 16, &MakeHash<THash_Square>, kKnownAnswer};

void THash_Square::RestartState() {
    std::memset(buffer_, 0, sizeof buffer_);
    count_ = 0;
    digest_[0] = 0x67452301;
    digest_[1] = 0xEFCDAB89;
    digest_[2] = 0x98BADCFE;
    digest_[3] = 0x10325476;
}

// The chaining value keys Square, which enciphers the block. The new
// chaining value is the cipher output with bytes 0 to 3 of the block buffer
// folded into its four words, one byte per word. That buffer is not always
// the block being compressed: whole blocks taken straight from the caller's
// data leave it as it was (all zero in a one-call computation), so digests
// depend on how the data are split into AddData calls. Existing digests
// rely on exactly this.
void THash_Square::CompressBlock(const uint8_t* block) {
    TCipher_Square::RoundKeys keys;
    TCipher_Square::ExpandKey(digest_, keys, nullptr);
    uint8_t out[16];
    TCipher_Square::Encipher(keys, block, out);
    for (int i = 0; i < 4; ++i) digest_[i] = LoadLE32(out + 4 * i) ^ buffer_[i];
}

void THash_Square::AddData(const void* data, int32_t size) {
    if (size <= 0) return;
    const auto* in = static_cast<const uint8_t*>(data);
    std::size_t left = static_cast<std::size_t>(size);
    std::size_t index = static_cast<std::size_t>(count_ % 16);
    count_ += left;
    if (index != 0) {
        std::size_t take = std::min(left, 16 - index);
        std::memcpy(buffer_ + index, in, take);
        in += take;
        left -= take;
        if (index + take < 16) return;
        CompressBlock(buffer_);
    }
    for (; left >= 16; in += 16, left -= 16) CompressBlock(in);
    std::memcpy(buffer_, in, left);
}

void THash_Square::FinishDigest() {
    std::size_t index = static_cast<std::size_t>(count_ % 16);
    buffer_[index++] = 0x80;
    std::memset(buffer_ + index, 0, 16 - index);
    if (index > 8) {
        CompressBlock(buffer_);
        std::memset(buffer_, 0, sizeof buffer_);
    }
    const uint64_t bits = count_ * 8;
    for (int i = 0; i < 8; ++i) buffer_[8 + i] = static_cast<uint8_t>(bits >> (8 * i));
    CompressBlock(buffer_);
    std::memset(buffer_, 0, sizeof buffer_);
}

}  // namespace quellmark
