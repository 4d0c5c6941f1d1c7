#pragma once
// The cipher and hash managers: the way the rest of the system uses an
// algorithm by name. An unknown name is no error: the cipher manager then
// works with Blowfish, the hash manager with RIPEMD-256.
#include <memory>
#include <string>
#include <string_view>

#include "crypto/cipher.h"
#include "base/component.h"
#include "crypto/hash.h"

namespace quellmark {

class TStream;

class THashManager : public TComponent {
public:
    explicit THashManager(TComponent* owner = nullptr) : TComponent(owner) {}

    std::string Algorithm() const;
    void SetAlgorithm(std::string_view name);
    std::string Description() const;
    TProgressEvent OnProgress;

    // The selected class, or the default hash class when none is selected.
    const THashClass& HashClass() const;
    // The hash instance, made on first need.
    THash& Hash();

    // The digest of `count` bytes of the stream from its position (all of it
    // when count is negative), reporting progress through OnProgress.
    std::string CalcStream(TStream& stream, int64_t count);

    void WriteProperties(TPropertyMap& properties) const override;
    void ReadProperties(const TPropertyMap& properties) override;

private:
    void Select(const THashClass* cls);

    const THashClass* hashClass_ = nullptr;
    std::shared_ptr<THash> hashObject_;
};

class TCipherManager : public TComponent {
public:
    explicit TCipherManager(TComponent* owner = nullptr) : TComponent(owner) {}

    std::string Algorithm() const;
    void SetAlgorithm(std::string_view name);
    std::string Description() const;
    TCipherMode Mode() const { return mode_; }
    void SetMode(TCipherMode mode);
    THashManager* HashManager() const { return hashManager_; }
    void SetHashManager(THashManager* manager);
    TProgressEvent OnProgress;

    // The selected class, or Blowfish when none is selected.
    const TCipherClass& CipherClass() const;
    // The cipher instance, made unkeyed on first need.
    TCipher& Cipher();

    void InitKey(std::string_view text, const uint8_t* vector = nullptr);
    void EncipherStream(TStream* source, TStream* dest, int64_t count);
    void DecipherStream(TStream* source, TStream* dest, int64_t count);

    void WriteProperties(TPropertyMap& properties) const override;
    void ReadProperties(const TPropertyMap& properties) override;

protected:
    void Notification(TComponent* removed) override;

private:
    void Select(const TCipherClass* cls);
    void CodeStream(TStream* source, TStream* dest, int64_t count, TProtectionAction action);

    THashManager* hashManager_ = nullptr;
    const TCipherClass* cipherClass_ = nullptr;
    std::shared_ptr<TCipher> cipherObject_;
    TCipherMode mode_ = cmCTS;
};

// Gives a manager's progress handler to the object it codes with for the
// length of one coding run, and always takes it back again.
class TProgressScope {
public:
    TProgressScope(TProtection& coder, const TProgressEvent& handler) : coder_(coder) { coder_.OnProgress = handler; }
    ~TProgressScope() { coder_.OnProgress = nullptr; }
    TProgressScope(const TProgressScope&) = delete;
    TProgressScope& operator=(const TProgressScope&) = delete;

private:
    TProtection& coder_;
};

}  // namespace quellmark
