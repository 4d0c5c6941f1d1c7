#include <cryptopp/cast.h>

#include "compare.h"
#include "crypto/ciphers/cast128.h"
#include "crypto/ciphers/cast256.h"

namespace quellmark {

static const int registered[] = {
    RegisterComparison("CAST-128 cts decipher / Crypto++ CBC", CompareCtsDecipher<CryptoPP::CAST128>(TCipher_Cast128::Class, 16)),
    RegisterComparison("CAST-256 cts decipher / Crypto++ CBC", CompareCtsDecipher<CryptoPP::CAST256>(TCipher_Cast256::Class, 32)),
};

}  // namespace quellmark
