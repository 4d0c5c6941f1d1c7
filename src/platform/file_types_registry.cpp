#include "platform/file_types.h"

namespace quellmark {

TReadOnlyRegistry::TReadOnlyRegistry(const TFileTypeKeys& keys, TRootKey root) : keys_(keys), root_(root) {}

void TReadOnlyRegistry::SetRootKey(TRootKey root) {
    root_ = root;
    CloseKey();
}

std::string TReadOnlyRegistry::Resolve(std::string_view key) const {
    if (!key.empty() && key.front() == '\\') return std::string(key.substr(1));
    if (!current_ || current_->empty()) return std::string(key);
    return key.empty() ? *current_ : *current_ + "\\" + std::string(key);
}

bool TReadOnlyRegistry::OpenKeyReadOnly(std::string_view key) {
    std::string path = Resolve(key);
    if (!keys_.DefaultValue(root_, path)) return false;
    current_ = std::move(path);
    return true;
}

void TReadOnlyRegistry::CloseKey() { current_.reset(); }

bool TReadOnlyRegistry::KeyExists(std::string_view key) const { return keys_.DefaultValue(root_, Resolve(key)).has_value(); }

std::string TReadOnlyRegistry::ReadString(std::string_view name) const {
    if (!current_ || !name.empty()) return {};
    return keys_.DefaultValue(root_, *current_).value_or("");
}

}  // namespace quellmark
