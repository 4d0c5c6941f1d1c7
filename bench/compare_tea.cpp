// TEA and its extended form run 16 cycles here, so they are timed beside
// Crypto++'s TEA and XTEA set to 16 cycles: the same amount of work, though
// the round formulas are grouped differently and the results differ.
#include <cryptopp/tea.h>

#include "compare.h"
#include "crypto/ciphers/tea.h"

namespace quellmark {

namespace {

const int registered = RegisterComparison("TEA cts decipher / Crypto++ TEA-16 CBC",
                                          CompareWithRounds<CryptoPP::TEA>(TCipher_TEA::Class, 16, 16)) +
                       RegisterComparison("TEAN cts decipher / Crypto++ XTEA-16 CBC",
                                          CompareWithRounds<CryptoPP::XTEA>(TCipher_TEAN::Class, 16, 16));

}  // namespace

}  // namespace quellmark
