#include "crypto/managers.h"

#include "crypto/registry.h"

namespace quellmark {

namespace {

// "comment, " (when there is a comment) + bits + unit.
std::string DescribeClass(const std::string& comment, int32_t bytes, const char* unit) {
    return (comment.empty() ? "" : comment + ", ") + std::to_string(bytes * 8) + unit;
}

template <class Info>
const Info* FindByFullName(const TAlgorithmRegistry<Info>& registry, const std::string& className) {
    const TStringList& entries = registry.Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i) {
        const Info* cls = registry.ClassAt(entries, i);
        if (cls && className == cls->className) return cls;
    }
    return nullptr;
}

}  // namespace

// ---- THashManager ----

const THashClass& THashManager::HashClass() const { return hashClass_ ? *hashClass_ : *DefaultKeyHashClass; }

std::string THashManager::Algorithm() const { return HashTitle(HashClass()); }

void THashManager::SetAlgorithm(std::string_view name) { Select(LookupHashClass(name)); }

// Naming the class already in effect changes nothing. Anything else, a name
// that finds nothing included, drops the hash object and stores the result,
// so an unknown name leaves no selection behind and the default class works.
void THashManager::Select(const THashClass* cls) {
    if (cls == &HashClass()) return;
    hashObject_.reset();
    hashClass_ = cls;
}

std::string THashManager::Description() const {
    return DescribeClass(HashRegistry().Comment(HashClass()), HashClass().digestSize, "bit Digestsize");
}

THash& THashManager::Hash() {
    if (!hashObject_) hashObject_ = HashClass().create();
    return *hashObject_;
}

std::string THashManager::CalcStream(TStream& stream, int64_t count) {
    THash& hash = Hash();
    TProgressScope progress(hash, OnProgress);
    hash.ProcessStream(&stream, nullptr, count, actDigest);
    return std::string(reinterpret_cast<const char*>(hash.DigestBytes()), static_cast<std::size_t>(hash.DigestSize()));
}

void THashManager::WriteProperties(TPropertyMap& properties) const {
    if (hashClass_) properties["Hash"] = hashClass_->className;
}

void THashManager::ReadProperties(const TPropertyMap& properties) {
    auto it = properties.find("Hash");
    if (it == properties.end()) return;
    if (const THashClass* cls = FindByFullName(HashRegistry(), it->second)) Select(cls);
}

// ---- TCipherManager ----

const TCipherClass& TCipherManager::CipherClass() const {
    return cipherClass_ ? *cipherClass_ : FallbackCipherClass();
}

std::string TCipherManager::Algorithm() const { return CipherTitle(CipherClass()); }

void TCipherManager::SetAlgorithm(std::string_view name) { Select(LookupCipherClass(name)); }

// As THashManager::Select: an unknown name (cls null) clears the selection
// and drops the cipher with its key, even when Blowfish is already in effect.
void TCipherManager::Select(const TCipherClass* cls) {
    if (cls == &CipherClass()) return;
    cipherObject_.reset();
    cipherClass_ = cls;
}

std::string TCipherManager::Description() const {
    return DescribeClass(CipherRegistry().Comment(CipherClass()), CipherClass().context.maxKeySize, "bit Key");
}

void TCipherManager::SetMode(TCipherMode mode) {
    mode_ = mode;
    if (cipherObject_) cipherObject_->Mode = mode;
}

void TCipherManager::SetHashManager(THashManager* manager) {
    hashManager_ = manager;
    FreeNotification(manager);
}

void TCipherManager::Notification(TComponent* removed) {
    if (removed == hashManager_) hashManager_ = nullptr;
}

TCipher& TCipherManager::Cipher() {
    if (!cipherObject_) {
        cipherObject_ = CreateCipher(CipherClass());
        cipherObject_->Mode = mode_;
    }
    return *cipherObject_;
}

void TCipherManager::InitKey(std::string_view text, const uint8_t* vector) {
    TCipher& cipher = Cipher();
    if (hashManager_) cipher.SetKeyHashClass(&hashManager_->HashClass());
    cipher.InitKey(text, vector);
}

void TCipherManager::CodeStream(TStream* source, TStream* dest, int64_t count, TProtectionAction action) {
    TCipher& cipher = Cipher();
    TProgressScope progress(cipher, OnProgress);
    cipher.ProcessStream(source, dest, count, action);
}

void TCipherManager::EncipherStream(TStream* source, TStream* dest, int64_t count) {
    CodeStream(source, dest, count, actEncipher);
}

void TCipherManager::DecipherStream(TStream* source, TStream* dest, int64_t count) {
    CodeStream(source, dest, count, actDecipher);
}

void TCipherManager::WriteProperties(TPropertyMap& properties) const {
    properties["Mode"] = std::to_string(static_cast<int>(mode_));
    if (cipherClass_) properties["Cipher"] = cipherClass_->className;
}

void TCipherManager::ReadProperties(const TPropertyMap& properties) {
    if (auto it = properties.find("Mode"); it != properties.end()) {
        int mode = std::atoi(it->second.c_str());
        if (mode >= cmCTS && mode <= cmCFBMAC) SetMode(static_cast<TCipherMode>(mode));
    }
    if (auto it = properties.find("Cipher"); it != properties.end())
        if (const TCipherClass* cls = FindByFullName(CipherRegistry(), it->second)) Select(cls);
}

}  // namespace quellmark
