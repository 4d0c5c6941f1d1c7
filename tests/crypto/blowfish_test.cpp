// Blowfish against the designer's published vectors and against Crypto++.
#include <cryptopp/blowfish.h>
#include <gtest/gtest.h>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/blowfish.h"
#include "crypto/differential.h"

namespace quellmark {

namespace {

TEST(Blowfish, PublishedVectors) { ExpectBlockVectors(TCipher_Blowfish::Class, "blowfish.txt"); }

// Crypto++ takes 4 to 56 bytes. The schedule uses a key cyclically, so a
// shorter key equals itself repeated: 1 or 2 bytes as 4, 3 bytes as 6.
std::vector<uint8_t> RepeatedToFourBytes(const std::vector<uint8_t>& key) {
    std::vector<uint8_t> repeated = key;
    while (repeated.size() < 4) repeated.insert(repeated.end(), key.begin(), key.end());
    return repeated;
}

TEST(Blowfish, AgreesWithCryptoPPForEveryKeyLength) {
    std::mt19937 rng(1993);
    TCipher_Blowfish ours;
    ExpectSameCoding(ours, WithTheirKey(CryptoPPCipher<CryptoPP::Blowfish>(), RepeatedToFourBytes),
                     {.keyLengths = Lengths(1, 56), .blocksPerKey = 4}, rng);
}

}  // namespace

}  // namespace quellmark
