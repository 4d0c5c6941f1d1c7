#pragma once
// TMAC: chained to a hash, it makes the hash keyed. At every Restart the
// digest of the MAC password, made with a fresh hash of the same class, is
// XORed into the hash's starting state; at every Finish the digest is passed
// through the TMAC's own chained protection, if it has one.
//
//     auto mac = std::make_shared<TMAC>("secret");
//     hash.SetChainedProtection(mac);
//     hash.Restart(); hash.AddData(...); hash.Finish();
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "crypto/hash.h"
#include "crypto/protection.h"

namespace quellmark {

class TMAC : public TProtection, public TMACHook {
public:
    explicit TMAC(std::string password = {}, std::shared_ptr<TProtection> chained = nullptr);
    ~TMAC() override;

    std::string ClassName() const override { return "TMAC"; }

    const std::string& Password() const { return password_; }
    // The previous password is wiped before it is replaced.
    void SetPassword(const std::string& password);

    // Called after each overwrite pass over the password (0xAA, 0x55, 0x00)
    // with its bytes as they then are; lets a test watch the wipe.
    std::function<void(const uint8_t* bytes, std::size_t size)> OnPasswordWipe;

    void HashRestarted(THash& hash) override;
    void HashFinished(THash& hash) override;

private:
    void WipePassword();

    std::string password_;
};

}  // namespace quellmark
