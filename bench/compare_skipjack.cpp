#include <cryptopp/skipjack.h>

#include "compare.h"
#include "crypto/ciphers/skipjack.h"

namespace quellmark {

static const int registered = RegisterComparison("Skipjack cts decipher / Crypto++ CBC",
                                                 CompareCtsDecipher<CryptoPP::SKIPJACK>(TCipher_Skipjack::Class, 10));

}  // namespace quellmark
