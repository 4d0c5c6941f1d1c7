#pragma once
// The side-by-side comparison with independent libraries. Each algorithm
// file registers its comparisons; compare.cpp times them all in one run.
#include <cryptopp/modes.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "crypto/cipher.h"
#include "crypto/hash.h"

namespace quellmark {

constexpr std::size_t kCompareBytes = 4 << 20;

using Work = std::function<void()>;
struct WorkPair {
    Work ours;
    Work theirs;
};

// `make` builds the two pieces of work over `data` (kCompareBytes of input)
// and `out` (as large); it runs only when the comparison is measured.
using MakeWork = std::function<WorkPair(const std::vector<uint8_t>& data, std::vector<uint8_t>& out)>;
int RegisterComparison(const std::string& name, MakeWork make);

// The key every cipher comparison uses: `size` bytes of a fixed pattern.
inline std::vector<uint8_t> CompareKey(int size) {
    std::vector<uint8_t> key(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i) key[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 13 + 1);
    return key;
}

// Our side of a cipher comparison: cts decipherment in 4096-byte chunks.
inline Work OursChunked(std::shared_ptr<TCipher> ours, const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
    return [ours, &data, &out] {
        for (std::size_t at = 0; at < kCompareBytes; at += 4096) ours->DecipherData(data.data() + at, out.data() + at, 4096);
        ours->RewindFeedback();
    };
}

// Our cts stream decipherment in 4096-byte chunks, as a container body is
// read, beside the other library's CBC decryption (the same amount of block
// work) of the same chunks.
template <class TheirCipher>
MakeWork CompareCtsDecipher(const TCipherClass& cls, int keyBytes) {
    return [&cls, keyBytes](const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
        const std::vector<uint8_t> key = CompareKey(keyBytes);
        std::shared_ptr<TCipher> ours = CreateCipher(cls);
        ours->Init(key.data(), keyBytes, nullptr);
        std::vector<uint8_t> iv(ours->Vector(), ours->Vector() + ours->BlockSize());
        auto theirs = std::make_shared<typename CryptoPP::CBC_Mode<TheirCipher>::Decryption>(key.data(), key.size(), iv.data());
        const std::size_t chunk = 4096 / iv.size() * iv.size();  // Crypto++ CBC takes whole blocks only
        return WorkPair{
            OursChunked(ours, data, out),
            [theirs, iv, chunk, &data, &out] {
                theirs->Resynchronize(iv.data());
                for (std::size_t at = 0; at + chunk <= kCompareBytes; at += 4096)
                    theirs->ProcessData(out.data() + at, data.data() + at, chunk);
            }};
    };
}

// Our hash of the whole input in one call beside the other library's.
template <class TheirHash>
MakeWork CompareHash(const THashClass& cls) {
    return [&cls](const std::vector<uint8_t>& data, std::vector<uint8_t>&) {
        std::shared_ptr<THash> ours = cls.create();
        return WorkPair{[ours, &data] {
                            ours->Restart();
                            ours->AddData(data.data(), static_cast<int32_t>(data.size()));
                            ours->Finish();
                        },
                        [&data] {
                            uint8_t digest[64];
                            TheirHash().CalculateDigest(digest, data.data(), data.size());
                        }};
    };
}

// Our cts decipherment beside Crypto++'s CBC decryption with an explicit
// round count, for ciphers whose round count differs between the two by default.
template <class TheirCipher>
MakeWork CompareWithRounds(const TCipherClass& cls, int keyBytes, int rounds) {
    return [&cls, keyBytes, rounds](const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
        const std::vector<uint8_t> key = CompareKey(keyBytes);
        std::shared_ptr<TCipher> ours = CreateCipher(cls);
        ours->Init(key.data(), keyBytes, nullptr);
        std::vector<uint8_t> iv(ours->Vector(), ours->Vector() + ours->BlockSize());
        auto theirs = std::make_shared<typename CryptoPP::CBC_Mode<TheirCipher>::Decryption>();
        theirs->SetKey(key.data(), key.size(),
                       CryptoPP::MakeParameters(CryptoPP::Name::Rounds(), rounds)(
                           CryptoPP::Name::IV(), CryptoPP::ConstByteArrayParameter(static_cast<const CryptoPP::byte*>(iv.data()), iv.size(), false)));
        return WorkPair{
            OursChunked(ours, data, out),
            [theirs, iv, &data, &out] {
                theirs->Resynchronize(iv.data());
                for (std::size_t at = 0; at < kCompareBytes; at += 4096)
                    theirs->ProcessData(out.data() + at, data.data() + at, 4096);
            }};
    };
}

}  // namespace quellmark
