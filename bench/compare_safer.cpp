#include <cryptopp/safer.h>

#include "compare.h"
#include "crypto/ciphers/safer.h"

namespace quellmark {

// Crypto++ picks the same round counts for these key sizes: 6 for SAFER-K with
// an 8-byte key, 10 with a 16-byte key.
static const int registeredK64 = RegisterComparison("SAFER-K64 cts decipher / Crypto++ CBC",
                                                    CompareCtsDecipher<CryptoPP::SAFER_K>(TCipher_SAFER_K64::Class, 8));
static const int registeredSK128 = RegisterComparison(
    "SAFER-SK128 cts decipher / Crypto++ CBC", CompareCtsDecipher<CryptoPP::SAFER_SK>(TCipher_SAFER_SK128::Class, 16));

}  // namespace quellmark
