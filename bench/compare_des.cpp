#include <cryptopp/des.h>

#include "compare.h"
#include "crypto/ciphers/des.h"

namespace quellmark {

static const int registered[] = {
    RegisterComparison("DES cts decipher / Crypto++ CBC", CompareCtsDecipher<CryptoPP::DES>(TCipher_1DES::Class, 8)),
    RegisterComparison("2DES cts decipher / Crypto++ DES-EDE2 CBC", CompareCtsDecipher<CryptoPP::DES_EDE2>(TCipher_2DES::Class, 16)),
    RegisterComparison("3DES cts decipher / Crypto++ DES-EDE3 CBC", CompareCtsDecipher<CryptoPP::DES_EDE3>(TCipher_3DES::Class, 24)),
    // Crypto++ takes a 24-byte DES-XEX3 key; ours uses its first 16 bytes.
    RegisterComparison("DESX cts decipher / Crypto++ DES-XEX3 CBC", CompareCtsDecipher<CryptoPP::DES_XEX3>(TCipher_DESX::Class, 24)),
};

}  // namespace quellmark
