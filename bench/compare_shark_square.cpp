#include <cryptopp/shark.h>
#include <cryptopp/square.h>

#include "compare.h"
#include "crypto/ciphers/shark.h"
#include "crypto/ciphers/square.h"

namespace quellmark {

namespace {

const int registeredShark =
    RegisterComparison("SHARK cts decipher / Crypto++ CBC", CompareCtsDecipher<CryptoPP::SHARK>(TCipher_Shark::Class, 16));
const int registeredSquare =
    RegisterComparison("Square cts decipher / Crypto++ CBC", CompareCtsDecipher<CryptoPP::Square>(TCipher_Square::Class, 16));

}  // namespace

}  // namespace quellmark
