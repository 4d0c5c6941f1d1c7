// RC2 at an effective key length of 1024 bits. RFC 2268 publishes no vector
// for that length, so Crypto++ (whose default effective length is 1024)
// is the reference here.
#include <cryptopp/rc2.h>
#include <gtest/gtest.h>

#include "crypto/ciphers/rc2.h"
#include "crypto/differential.h"

namespace quellmark {

namespace {

TEST(RC2, AgreesWithCryptoPPAtEffectiveLength1024ForEveryKeyLength) {
    std::mt19937 rng(2268);
    TCipher_RC2 ours;
    ExpectSameCoding(ours, CryptoPPCipher<CryptoPP::RC2>(1024u), {.keyLengths = Lengths(1, 128), .blocksPerKey = 4}, rng);
}

}  // namespace

}  // namespace quellmark
