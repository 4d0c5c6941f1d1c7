#include <cryptopp/ripemd.h>

#include "compare.h"
#include "crypto/hashes/ripemd.h"

namespace {

// Our hash of the whole input in one call beside Crypto++'s.
template <class TheirHash>
MakeWork CompareHash(const THashClass& cls) {
    return [&cls](const std::vector<uint8_t>& data, std::vector<uint8_t>&) {
        std::shared_ptr<THash> ours = cls.create();
        return WorkPair{[ours, &data] {
                            ours->Restart();
                            ours->AddData(data.data(), static_cast<int32_t>(data.size()));
                            ours->Finish();
                        },
                        [&data] {
                            uint8_t digest[64];
                            TheirHash().CalculateDigest(digest, data.data(), data.size());
                        }};
    };
}

const int registered = RegisterComparison("RIPEMD-256 / Crypto++", CompareHash<CryptoPP::RIPEMD256>(THash_RipeMD256::Class));

}  // namespace
