#include <cryptopp/ripemd.h>

#include "compare.h"
#include "crypto/hashes/ripemd.h"

namespace quellmark {

namespace {

const int registered[] = {
    RegisterComparison("RIPEMD-128 / Crypto++", CompareHash<CryptoPP::RIPEMD128>(THash_RipeMD128::Class)),
    RegisterComparison("RIPEMD-160 / Crypto++", CompareHash<CryptoPP::RIPEMD160>(THash_RipeMD160::Class)),
    RegisterComparison("RIPEMD-256 / Crypto++", CompareHash<CryptoPP::RIPEMD256>(THash_RipeMD256::Class)),
    RegisterComparison("RIPEMD-320 / Crypto++", CompareHash<CryptoPP::RIPEMD320>(THash_RipeMD320::Class)),
};

}  // namespace

}  // namespace quellmark
