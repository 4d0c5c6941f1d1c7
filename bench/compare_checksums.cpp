#include <cryptopp/crc.h>

#include "compare.h"
#include "crypto/hashes/checksums.h"

namespace quellmark {

namespace {

// Our CRC-32 of the whole input in one call beside Crypto++'s.
MakeWork CompareCrc32() {
    return [](const std::vector<uint8_t>& data, std::vector<uint8_t>&) {
        auto ours = std::make_shared<THash_CRC32>();
        return WorkPair{[ours, &data] {
                            ours->Restart();
                            ours->AddData(data.data(), static_cast<int32_t>(data.size()));
                            ours->Finish();
                        },
                        [&data] {
                            uint8_t digest[4];
                            CryptoPP::CRC32().CalculateDigest(digest, data.data(), data.size());
                        }};
    };
}

const int registered = RegisterComparison("CRC-32 / Crypto++", CompareCrc32());

}  // namespace

}  // namespace quellmark
