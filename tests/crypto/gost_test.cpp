// GOST 28147-89 against the RFC 5831 example, Crypto++'s test values and
// Crypto++ itself (which uses the same S-boxes and byte order).
#include <cryptopp/gost.h>
#include <gtest/gtest.h>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/gost.h"
#include "crypto/differential.h"

namespace quellmark {

namespace {

TEST(Gost, PublishedVectors) { ExpectBlockVectors(TCipher_Gost::Class, "gost.txt"); }

TEST(Gost, AgreesWithCryptoPPInBothDirectionsForEveryKeyLength) {
    std::mt19937 rng(28147);
    TCipher_Gost ours;
    // A short key is zero-padded.
    ExpectSameCoding(ours, WithTheirKey(CryptoPPCipher<CryptoPP::GOST>(), ZeroPaddedTo(32)),
                     {.keyLengths = Lengths(0, 32)}, rng);
}

}  // namespace

}  // namespace quellmark
