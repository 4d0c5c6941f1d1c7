#include "crypto/mac.h"

#include <algorithm>
#include <climits>

#include "crypto/bytes.h"

namespace quellmark {

namespace {

constexpr uint8_t kWipeFills[3] = {0xAA, 0x55, 0x00};

}  // namespace

TMAC::TMAC(std::string password, std::shared_ptr<TProtection> chained) : password_(std::move(password)) {
    SetChainedProtection(std::move(chained));
}

TMAC::~TMAC() { WipePassword(); }

void TMAC::SetPassword(const std::string& password) {
    WipePassword();
    password_ = password;
}

void TMAC::WipePassword() {
    if (password_.empty()) return;
    auto* bytes = reinterpret_cast<uint8_t*>(password_.data());
    for (uint8_t fill : kWipeFills) {
        FillSecret(bytes, fill, password_.size());
        if (OnPasswordWipe) OnPasswordWipe(bytes, password_.size());
    }
}

void TMAC::HashRestarted(THash& hash) {
    if (password_.empty()) return;
    // The key digest comes from a fresh hash of the same class, so keying
    // works for every class alike; it goes through our own chain, as the
    // keyed hash's digest does.
    std::shared_ptr<THash> keyHash = hash.Class().create();
    keyHash->SetChainedProtection(ChainedProtection());
    keyHash->Restart();
    const auto size = static_cast<int32_t>(std::min<std::size_t>(password_.size(), INT32_MAX));
    keyHash->AddData(password_.data(), size);
    keyHash->Finish();

    const auto digestSize = static_cast<std::size_t>(hash.DigestSize());
    uint8_t* key = keyHash->DigestBytes();
    XorBuffers(hash.DigestBytes(), hash.DigestBytes(), key, digestSize);
    for (uint8_t fill : kWipeFills) FillSecret(key, fill, digestSize);
}

void TMAC::HashFinished(THash& hash) {
    if (const auto& chained = ChainedProtection()) chained->ProcessMemory(hash.DigestBytes(), hash.DigestSize(), actShred);
}

}  // namespace quellmark
