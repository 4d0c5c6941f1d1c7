#include <cryptopp/twofish.h>

#include "compare.h"
#include "crypto/ciphers/twofish.h"

namespace quellmark {

static const int registered =
    RegisterComparison("Twofish cts decipher / Crypto++ CBC", CompareCtsDecipher<CryptoPP::Twofish>(TCipher_Twofish::Class, 32));

}  // namespace quellmark
