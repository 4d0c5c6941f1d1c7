#include <cryptopp/3way.h>

#include "compare.h"
#include "crypto/ciphers/three_way.h"

namespace quellmark {

// Crypto++ reads the words big-endian, so the bytes differ, but the work per block is the same.
static const int registered =
    RegisterComparison("3-Way cts decipher / Crypto++ CBC", CompareCtsDecipher<CryptoPP::ThreeWay>(TCipher_3Way::Class, 12));

}  // namespace quellmark
