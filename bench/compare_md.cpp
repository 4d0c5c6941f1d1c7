#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <cryptopp/md4.h>
#include <cryptopp/md5.h>

#include "compare.h"
#include "crypto/hashes/md4_family.h"
#include "crypto/hashes/md5.h"

namespace quellmark {

namespace {

const int registered[] = {
    RegisterComparison("MD4 / Crypto++", CompareHash<CryptoPP::Weak::MD4>(THash_MD4::Class)),
    RegisterComparison("MD5 / Crypto++", CompareHash<CryptoPP::Weak::MD5>(THash_MD5::Class)),
};

}  // namespace

}  // namespace quellmark
