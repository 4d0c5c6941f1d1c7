#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/arc4.h>
#include <cryptopp/rc2.h>
#include <cryptopp/rc5.h>
#include <cryptopp/rc6.h>

#include "compare.h"
#include "crypto/ciphers/rc2.h"
#include "crypto/ciphers/rc4.h"
#include "crypto/ciphers/rc5.h"
#include "crypto/ciphers/rc6.h"

namespace quellmark {

namespace {


// RC4 has no block chaining of its own: our cts decipherment in the block
// frame beside Crypto++'s plain keystream over the same bytes.
MakeWork CompareRC4() {
    return [](const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
        const std::vector<uint8_t> key = CompareKey(32);
        std::shared_ptr<TCipher> ours = CreateCipher(TCipher_RC4::Class);
        ours->Init(key.data(), 32, nullptr);
        auto theirs = std::make_shared<CryptoPP::Weak::ARC4>(key.data(), key.size());
        return WorkPair{
            OursChunked(ours, data, out),
            [theirs, key, &data, &out] {
                theirs->SetKey(key.data(), key.size());
                for (std::size_t at = 0; at < kCompareBytes; at += 4096)
                    theirs->ProcessData(out.data() + at, data.data() + at, 4096);
            }};
    };
}

const int registered[] = {
    RegisterComparison("RC2 cts decipher / Crypto++ CBC", CompareCtsDecipher<CryptoPP::RC2>(TCipher_RC2::Class, 32)),
    RegisterComparison("RC4 cts decipher / Crypto++ ARC4", CompareRC4()),
    RegisterComparison("RC5 cts decipher / Crypto++ CBC", CompareWithRounds<CryptoPP::RC5>(TCipher_RC5::Class, 32, 12)),
    RegisterComparison("RC6 cts decipher / Crypto++ CBC", CompareWithRounds<CryptoPP::RC6>(TCipher_RC6::Class, 32, 20)),
};

}  // namespace

}  // namespace quellmark
