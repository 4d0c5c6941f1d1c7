#include "crypto/hashes/sapphire.h"

#include "crypto/bytes.h"

namespace quellmark {

THash_Sapphire320::~THash_Sapphire320() {
    ClearDigest();
    // The card order is a function of the data, so it goes too.
    FillSecret(cards_, 0, sizeof cards_);
    lastPlain_ = lastCipher_ = 0;
}

void THash_Sapphire320::RestartState() {
    FillSecret(digest_, 0, sizeof digest_);
    count_ = 0;
    // The unkeyed starting state of the Sapphire II hash: fixed indices and
    // the cards in reverse order.
    rotor_ = 1;
    ratchet_ = 3;
    avalanche_ = 5;
    lastPlain_ = 7;
    lastCipher_ = 11;
    for (int i = 0; i < 256; ++i) cards_[i] = static_cast<uint8_t>(255 - i);
}

// Sapphire II: a 256-position rotor rewired on the fly by swapping cards.
// All index arithmetic is modulo 256, which the uint8_t types give.
void THash_Sapphire320::Encipher(uint8_t plain) {
    uint8_t* c = cards_;
    ratchet_ = static_cast<uint8_t>(ratchet_ + c[rotor_]);
    ++rotor_;
    const uint8_t held = c[lastCipher_];
    c[lastCipher_] = c[ratchet_];
    c[ratchet_] = c[lastPlain_];
    c[lastPlain_] = c[rotor_];
    c[rotor_] = held;
    avalanche_ = static_cast<uint8_t>(avalanche_ + c[held]);
    const uint8_t first = c[static_cast<uint8_t>(c[ratchet_] + c[rotor_])];
    const uint8_t second = c[c[static_cast<uint8_t>(c[lastPlain_] + c[lastCipher_] + c[avalanche_])]];
    lastCipher_ = static_cast<uint8_t>(plain ^ first ^ second);
    lastPlain_ = plain;
}

void THash_Sapphire320::AddData(const void* data, int32_t size) {
    if (size <= 0) return;
    const auto* in = static_cast<const uint8_t*>(data);
    for (int32_t i = 0; i < size; ++i) Encipher(in[i]);
    count_ += static_cast<uint64_t>(size);
}

void THash_Sapphire320::FinishDigest() {
    const int32_t size = DigestSize();
    // Stir the state with 256 bytes that depend on the digest size, so the
    // sizes give unrelated digests; these bytes count as data.
    uint8_t stir = static_cast<uint8_t>(size);
    for (int n = 255; n >= 0; --n) {
        stir = static_cast<uint8_t>(stir ^ n);
        AddData(&stir, 1);
    }
    // The trailer names the construction (marker, version, size, starting
    // indices) and the bit length, stirring included.
    uint8_t trailer[40] = {0x80, 2, 0, static_cast<uint8_t>(size), 1, 3, 5, 7, 11};
    const uint64_t bits = count_ * 8;
    for (int i = 0; i < 8; ++i) trailer[9 + i] = static_cast<uint8_t>(bits >> (8 * i));
    // Each digest byte is the cipher output for one trailer byte.
    for (int32_t i = 0; i < size; ++i) {
        AddData(&trailer[i], 1);
        digest_[i] ^= lastCipher_;
    }
}

namespace {

const uint8_t kSapphire320Answer[40] = {
    0xd8, 0xed, 0xa5, 0x74, 0x99, 0x48, 0xac, 0x0b, 0x00, 0x90, 0xcd, 0x87, 0x61, 0xf2,
    0x18, 0xdb, 0xa4, 0x1d, 0xcb, 0x73, 0xe4, 0x33, 0x99, 0xdd, 0x37, 0x12, 0x06, 0x93,
    0x97, 0x33, 0x95, 0x00, 0x4a, 0xcf, 0x86, 0xdb, 0x23, 0x6d, 0xe7, 0x6b};
const uint8_t kSapphire288Answer[36] = {
    0x40, 0xf6, 0x5a, 0x37, 0xd8, 0xcb, 0x11, 0x65, 0xdc, 0xfb, 0xde, 0x63,
    0x2b, 0x2c, 0xbe, 0x9c, 0x2b, 0xb7, 0xf3, 0xed, 0x22, 0xd1, 0xeb, 0xef,
    0x0f, 0xa1, 0x88, 0xed, 0x23, 0xf0, 0x7f, 0x9c, 0x7e, 0x61, 0x37, 0x40};
const uint8_t kSapphire256Answer[32] = {
    0xe7, 0xc8, 0x2b, 0x6d, 0x25, 0x8a, 0xfd, 0xe0, 0x34, 0x42, 0x93, 0xa3, 0xe2, 0xe5, 0x28, 0x96,
    0xa5, 0x46, 0x50, 0x6b, 0x13, 0x93, 0x86, 0x1b, 0x40, 0xc6, 0x93, 0x4b, 0x51, 0xfa, 0x66, 0xdd};
const uint8_t kSapphire224Answer[28] = {
    0x8f, 0x3e, 0xc5, 0x57, 0x92, 0x31, 0x6c, 0xdf, 0xca, 0x40, 0x18, 0x3a, 0x86, 0x08,
    0x08, 0x99, 0x34, 0xfd, 0xeb, 0x21, 0xab, 0xa4, 0x52, 0x0f, 0x40, 0x17, 0xd3, 0xd0};
const uint8_t kSapphire192Answer[24] = {
    0x95, 0x41, 0x3f, 0xe0, 0x2b, 0x52, 0x7e, 0x50, 0xb5, 0xff, 0x57, 0xeb,
    0x76, 0x3d, 0x32, 0x51, 0x29, 0xeb, 0x79, 0x6f, 0x4a, 0x64, 0xfb, 0x17};
const uint8_t kSapphire160Answer[20] = {
    0x73, 0xd9, 0x1a, 0xce, 0xb1, 0x75, 0xfd, 0x04, 0x90, 0x7a,
    0x97, 0x41, 0x3c, 0x20, 0x0f, 0x53, 0x2c, 0x22, 0xb3, 0x8c};
const uint8_t kSapphire128Answer[16] = {
    0x47, 0xae, 0x16, 0x13, 0xc9, 0x3a, 0x94, 0x2d, 0x26, 0x74, 0x8d, 0x62, 0x43, 0x26, 0x88, 0xd8};

}  // namespace

const THashClass THash_Sapphire320::Class = {"THash_Sapphire320", 40, &MakeHash<THash_Sapphire320>, kSapphire320Answer};
const THashClass THash_Sapphire288::Class = {"THash_Sapphire288", 36, &MakeHash<THash_Sapphire288>, kSapphire288Answer};
const THashClass THash_Sapphire256::Class = {"THash_Sapphire256", 32, &MakeHash<THash_Sapphire256>, kSapphire256Answer};
const THashClass THash_Sapphire224::Class = {"THash_Sapphire224", 28, &MakeHash<THash_Sapphire224>, kSapphire224Answer};
const THashClass THash_Sapphire192::Class = {"THash_Sapphire192", 24, &MakeHash<THash_Sapphire192>, kSapphire192Answer};
const THashClass THash_Sapphire160::Class = {"THash_Sapphire160", 20, &MakeHash<THash_Sapphire160>, kSapphire160Answer};
const THashClass THash_Sapphire128::Class = {"THash_Sapphire128", 16, &MakeHash<THash_Sapphire128>, kSapphire128Answer};

}  // namespace quellmark
