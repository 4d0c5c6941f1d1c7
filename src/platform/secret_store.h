#pragma once
// Where the desktop keeps its users' secrets: the keyring behind the Secret
// Service on the session bus (GNOME Keyring, KWallet, KeePassXC). The program
// keeps one secret there, the remembered password.
#include <chrono>
#include <optional>
#include <string>

namespace quellmark {

// One secret in a keyring. Every operation fails softly: a keyring that is
// absent, locked or refuses reads as holding nothing and storing nothing,
// so the caller can keep the secret elsewhere.
class TSecretStore {
public:
    virtual ~TSecretStore() = default;
    // The stored secret; nullopt when there is none or the keyring cannot give it.
    virtual std::optional<std::string> Lookup() = 0;
    // Replaces the stored secret; false when the keyring did not take it.
    virtual bool Store(const std::string& secret) = 0;
    // Removes the stored secret, if the keyring can be reached.
    virtual void Clear() = 0;
};

inline constexpr char kKeyringSchema[] = "org.quellmark.Password";
inline constexpr char kKeyringLabel[] = "Quellmark password";
// The one attribute the item carries, besides the schema name: application=quellmark.
inline constexpr char kKeyringAttribute[] = "application";
inline constexpr char kKeyringAttributeValue[] = "quellmark";

// The Secret Service of the session bus, through libsecret. The secret is
// kept as bytes (the password is in the containers' code page, not UTF-8)
// in the default collection.
class TDesktopKeyring : public TSecretStore {
public:
    // How long a provider may take to answer before the keyring counts as absent.
    static constexpr std::chrono::milliseconds kAnswerWait{3000};

    explicit TDesktopKeyring(std::chrono::milliseconds answerWait = kAnswerWait) : answerWait_(answerWait) {}

    // True when a Secret Service provider answers on the session bus within
    // the wait (a provider that the bus starts on demand counts). Without a
    // session bus it is false at once: no bus is ever started for it.
    bool Answers();

    std::optional<std::string> Lookup() override;
    bool Store(const std::string& secret) override;
    void Clear() override;

private:
    std::chrono::milliseconds answerWait_;
};

}  // namespace quellmark
