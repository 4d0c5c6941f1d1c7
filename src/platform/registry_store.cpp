#include "platform/registry_store.h"

#include <algorithm>
#include <cstring>

#include "platform/registry_text.h"
#include "platform/unicode.h"

namespace quellmark {

namespace {

[[noreturn]] void InvalidDataType(const std::string& name) {
    throw ERegistryException("Invalid data type for '" + name + "'");
}
[[noreturn]] void FailedToSet(const std::string& name) {
    throw ERegistryException("Failed to set data for '" + name + "'");
}
[[noreturn]] void FailedToGet(const std::string& name) {
    throw ERegistryException("Failed to get data for '" + name + "'");
}

bool IsText(const RegistryValue& value) { return value.type == REG_SZ || value.type == REG_EXPAND_SZ; }

}  // namespace

TRegistry::TRegistry() : TRegistry(UserRegistry()) {}

TRegistry::TRegistry(RegistryFile& store) : store_(store) {}

std::string TRegistry::Resolve(const std::string& key) const {
    std::string_view rest = key;
    const bool fromRoot = !rest.empty() && rest.front() == '\\';
    if (fromRoot) rest.remove_prefix(1);
    if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
    std::string path = fromRoot || current_.empty() ? std::string(kCurrentUserRoot) : current_;
    if (rest.empty()) return path;
    for (const std::string& part : SplitRegistryPath(rest)) {
        if (part.empty() || !IsStorableRegistryName(part)) return {};
        path += '\\' + part;
    }
    if (SplitRegistryPath(path).size() > kMaxRegistryDepth + 1) return {};
    return path;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    const std::string path = Resolve(key);
    if (path.empty()) return false;
    try {
        // Only a key that is missing needs the lock and a write.
        if (!store_.Load().HasKey(path)) {
            if (!canCreate) return false;
            store_.Update([&](RegistryTree& tree) { return tree.AddKey(path); });
        }
    } catch (const ERegistryFileError& error) {
        store_.Notice(error.Message());
        return false;
    }
    current_ = path;
    return true;
}

void TRegistry::CloseKey() { current_.clear(); }

std::string TRegistry::CurrentPath() const {
    const std::size_t rootLength = std::strlen(kCurrentUserRoot);
    return current_.size() > rootLength ? current_.substr(rootLength + 1) : std::string();
}

bool TRegistry::KeyExists(const std::string& key) {
    const std::string path = Resolve(key);
    if (path.empty()) return false;
    try {
        return store_.Load().HasKey(path);
    } catch (const ERegistryFileError& error) {
        store_.Notice(error.Message());
        return false;
    }
}

std::optional<RegistryValue> TRegistry::Find(const std::string& name) {
    if (current_.empty()) return std::nullopt;
    try {
        const RegistryTree tree = store_.Load();
        if (const RegistryValue* value = tree.Find(current_, name)) return *value;
    } catch (const ERegistryFileError& error) {
        store_.Notice(error.Message());
    }
    return std::nullopt;
}

bool TRegistry::ValueExists(const std::string& name) { return Find(name).has_value(); }

TRegDataType TRegistry::GetDataType(const std::string& name) {
    const auto value = Find(name);
    if (!value) return rdUnknown;
    switch (value->type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
    }
}

int TRegistry::GetDataSize(const std::string& name) {
    const auto value = Find(name);
    return value ? static_cast<int>(value->data.size()) : -1;
}

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int bufferSize) {
    const auto value = Find(name);
    if (!value) return 0;
    if (IsText(*value) || value->type == REG_DWORD) InvalidDataType(name);
    if (value->data.size() > static_cast<std::size_t>(std::max(bufferSize, 0))) InvalidDataType(name);
    if (!value->data.empty()) std::memcpy(buffer, value->data.data(), value->data.size());
    return static_cast<int>(value->data.size());
}

int32_t TRegistry::ReadInteger(const std::string& name) {
    const auto value = Find(name);
    if (!value) FailedToGet(name);
    if (value->type != REG_DWORD) InvalidDataType(name);
    return static_cast<int32_t>(value->AsDword());
}

std::string TRegistry::ReadString(const std::string& name) {
    const auto value = Find(name);
    if (!value) return {};
    if (!IsText(*value)) InvalidDataType(name);
    return value->data;
}

void TRegistry::Put(const std::string& name, RegistryValue value) {
    if (current_.empty() || !IsStorableRegistryName(name)) FailedToSet(name);
    try {
        store_.Update([&](RegistryTree& tree) { return tree.Set(current_, name, value); });
    } catch (const ERegistryFileError& error) {
        store_.Notice(error.Message());
        FailedToSet(name);
    }
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int size) {
    if (size < 0 || (size > 0 && !buffer)) FailedToSet(name);
    Put(name, RegistryValue::Binary(size == 0 ? std::string()
                                              : std::string(static_cast<const char*>(buffer), static_cast<std::size_t>(size))));
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
    Put(name, RegistryValue::Dword(static_cast<uint32_t>(value)));
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    // A NUL would end the string early for every reader; other bytes must be text.
    if (value.find('\0') != std::string::npos || !IsValidUtf8(value)) FailedToSet(name);
    Put(name, RegistryValue::String(value));
}

bool TRegistry::DeleteValue(const std::string& name) {
    if (current_.empty()) return false;
    bool removed = false;
    try {
        store_.Update([&](RegistryTree& tree) { return removed = tree.Remove(current_, name); });
    } catch (const ERegistryFileError& error) {
        store_.Notice(error.Message());
        return false;
    }
    return removed;
}

}  // namespace quellmark
