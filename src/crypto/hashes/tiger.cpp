#include "crypto/hashes/tiger.h"

namespace quellmark {

void THash_Tiger::RestartState() {
    passes_ = requestedPasses_ >= 3 && requestedPasses_ <= 32 ? requestedPasses_ : 3;
    // 0x0123456789ABCDEF, 0xFEDCBA9876543210, 0xF096A5B4C3B2E187 as low and high halves.
    Start({0x89ABCDEF, 0x01234567, 0x76543210, 0xFEDCBA98, 0xC3B2E187, 0xF096A5B4});
}

void THash_Tiger::CompressBlocks(const uint8_t* data, std::size_t count) { CompressWith<TigerSignedShift>(data, count); }

void THash_Tiger::FinishDigest() { PadAndCompress(false, 0x01); }

static const uint8_t kTigerKnownAnswer[24] = {0x76, 0x10, 0xd2, 0xcd, 0xa5, 0x17, 0xa4, 0xd6,
                                             0xff, 0x35, 0x73, 0x4f, 0xce, 0x5c, 0x77, 0x95,
                                             0xf3, 0xa1, 0x51, 0x6e, 0x1e, 0x02, 0x4d, 0x87};
const THashClass THash_Tiger::Class = {"THash_Tiger", 24, &MakeHash<THash_Tiger>, kTigerKnownAnswer};

}  // namespace quellmark
