// TEA and its extended form run 16 cycles here, so they are timed beside
// Crypto++'s TEA and XTEA set to 16 cycles: the same amount of work, though
// the round formulas are grouped differently and the results differ.
#include <cryptopp/tea.h>

#include "compare.h"
#include "crypto/ciphers/tea.h"

namespace {

template <class TheirCipher>
MakeWork CompareSixteenCycles(const TCipherClass& cls) {
    return [&cls](const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
        uint8_t key[16];
        for (int i = 0; i < 16; ++i) key[i] = static_cast<uint8_t>(i * 13 + 1);
        std::shared_ptr<TCipher> ours = CreateCipher(cls);
        ours->Init(key, 16, nullptr);
        std::vector<uint8_t> iv(ours->Vector(), ours->Vector() + 8);
        auto theirs = std::make_shared<typename CryptoPP::CBC_Mode<TheirCipher>::Decryption>();
        theirs->SetKey(key, 16,
                       CryptoPP::MakeParameters(CryptoPP::Name::Rounds(), 16)(
                           CryptoPP::Name::IV(), CryptoPP::ConstByteArrayParameter(iv.data(), iv.size(), false)));
        return WorkPair{
            [ours, &data, &out] {
                for (std::size_t at = 0; at < kCompareBytes; at += 4096)
                    ours->DecipherData(data.data() + at, out.data() + at, 4096);
                ours->RewindFeedback();
            },
            [theirs, iv, &data, &out] {
                theirs->Resynchronize(iv.data());
                for (std::size_t at = 0; at < kCompareBytes; at += 4096)
                    theirs->ProcessData(out.data() + at, data.data() + at, 4096);
            }};
    };
}

const int registered = RegisterComparison("TEA cts decipher / Crypto++ TEA-16 CBC",
                                          CompareSixteenCycles<CryptoPP::TEA>(TCipher_TEA::Class)) +
                       RegisterComparison("TEAN cts decipher / Crypto++ XTEA-16 CBC",
                                          CompareSixteenCycles<CryptoPP::XTEA>(TCipher_TEAN::Class));

}  // namespace
