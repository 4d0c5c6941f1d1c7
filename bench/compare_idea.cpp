#include <cryptopp/idea.h>

#include "compare.h"
#include "crypto/ciphers/idea.h"

namespace quellmark {

static const int registered =
    RegisterComparison("IDEA cts decipher / Crypto++ CBC", CompareCtsDecipher<CryptoPP::IDEA>(TCipher_IDEA::Class, 16));

}  // namespace quellmark
