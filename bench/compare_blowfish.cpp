#include <cryptopp/blowfish.h>

#include "compare.h"
#include "crypto/ciphers/blowfish.h"

namespace quellmark {

static const int registered =
    RegisterComparison("Blowfish cts decipher / Crypto++ CBC", CompareCtsDecipher<CryptoPP::Blowfish>(TCipher_Blowfish::Class, 32));

}  // namespace quellmark
