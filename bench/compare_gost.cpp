#include <cryptopp/gost.h>

#include "compare.h"
#include "crypto/ciphers/gost.h"

namespace quellmark {

static const int registered =
    RegisterComparison("GOST cts decipher / Crypto++ CBC", CompareCtsDecipher<CryptoPP::GOST>(TCipher_Gost::Class, 32));

}  // namespace quellmark
