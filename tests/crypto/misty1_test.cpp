// MISTY1 against the RFC 2994 example and against Botan.
#include <gtest/gtest.h>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/misty1.h"
#include "crypto/differential.h"

namespace quellmark {

namespace {

TEST(Misty1, Rfc2994Example) { ExpectBlockVectors(TCipher_Misty::Class, "misty1.txt"); }

// Botan takes exactly 16 key bytes; a shorter key of ours is the same key
// zero-padded.
TEST(Misty1, AgreesWithBotanForEveryKeyLength) {
    std::mt19937 rng(2994);
    TCipher_Misty ours;
    ExpectSameCoding(ours, WithTheirKey(BotanCipher("MISTY1"), ZeroPaddedTo(16)),
                     {.keyLengths = Lengths(0, 16), .blocksPerKey = 20}, rng);
}

}  // namespace

}  // namespace quellmark
