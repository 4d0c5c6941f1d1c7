#include <cryptopp/sha.h>

#include "compare.h"
#include "crypto/hashes/sha.h"

namespace quellmark {

namespace {

const int registered = RegisterComparison("SHA-1 / Crypto++", CompareHash<CryptoPP::SHA1>(THash_SHA1::Class));

}  // namespace

}  // namespace quellmark
