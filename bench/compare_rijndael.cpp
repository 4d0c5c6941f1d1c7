#include <cryptopp/aes.h>
#include <openssl/evp.h>

#include "compare.h"
#include "crypto/ciphers/rijndael.h"

namespace quellmark {

namespace {

// A password-keyed Rijndael is AES-256; compare it with OpenSSL's AES-256-CBC
// decryption of the same 4096-byte chunks.
MakeWork CompareOpenSsl() {
    return [](const std::vector<uint8_t>& data, std::vector<uint8_t>& out) {
        std::vector<uint8_t> key(32);
        for (int i = 0; i < 32; ++i) key[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i * 13 + 1);
        std::shared_ptr<TCipher> ours = CreateCipher(TCipher_Rijndael::Class);
        ours->Init(key.data(), 32, nullptr);
        std::vector<uint8_t> iv(ours->Vector(), ours->Vector() + 16);
        std::shared_ptr<EVP_CIPHER_CTX> theirs(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
        EVP_DecryptInit_ex(theirs.get(), EVP_aes_256_cbc(), nullptr, key.data(), iv.data());
        EVP_CIPHER_CTX_set_padding(theirs.get(), 0);
        return WorkPair{
            OursChunked(ours, data, out),
            [theirs, iv, &data, &out] {
                EVP_DecryptInit_ex(theirs.get(), nullptr, nullptr, nullptr, iv.data());
                int written = 0;
                for (std::size_t at = 0; at < kCompareBytes; at += 4096)
                    EVP_DecryptUpdate(theirs.get(), out.data() + at, &written, data.data() + at, 4096);
            }};
    };
}

const int registered[] = {
    RegisterComparison("Rijndael cts decipher / Crypto++ CBC", CompareCtsDecipher<CryptoPP::AES>(TCipher_Rijndael::Class, 32)),
    RegisterComparison("Rijndael cts decipher / OpenSSL AES-256-CBC", CompareOpenSsl()),
};

}  // namespace

}  // namespace quellmark
