#pragma once
// TRegistry: the program's access to the current user's settings, shaped
// like the registry class of the Windows program: open (or create) a key,
// then read and write typed values under it. Everything lives under the
// root HKEY_CURRENT_USER of a RegistryFile, by default the user's own.
//
// Key paths use backslashes. A path that starts with one is taken from the
// root; any other from the open key, or from the root when none is open.
// Names of keys and values ignore letter case; the empty name is the key's
// default value.
#include <cstdint>
#include <optional>
#include <string>

#include "base/exception.h"
#include "platform/registry_file.h"

namespace quellmark {

inline constexpr char kCurrentUserRoot[] = "HKEY_CURRENT_USER";

// The registry layer's failures: "Invalid data type for '<name>'" for a value
// read as a type it does not have, "Failed to set data for '<name>'" for a
// value that could not be stored, "Failed to get data for '<name>'" for a
// number read from a value that is not there.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry {
public:
    TRegistry();
    explicit TRegistry(RegistryFile& store);

    // Opens the key, creating it (and the keys above it) when `canCreate` is
    // set. False when the key is missing and not to be created, the path is
    // malformed, or the store cannot be read or written; the key that was
    // open then stays open.
    bool OpenKey(const std::string& key, bool canCreate);
    void CloseKey();
    // The open key's path below the root ("Software\\Brindlecor"); empty when
    // none is open or the root itself is.
    std::string CurrentPath() const;
    bool KeyExists(const std::string& key);

    bool ValueExists(const std::string& name);
    // rdUnknown also for a missing value.
    TRegDataType GetDataType(const std::string& name);
    // The value's size in bytes (a string's in UTF-8), -1 when it is missing.
    int GetDataSize(const std::string& name);

    // Copies a binary value (or one of a type the registry does not name)
    // into `buffer` and returns its size; 0 when the value is missing. Raises
    // "Invalid data type" for a string or integer, or when the value is larger
    // than `bufferSize`.
    int ReadBinaryData(const std::string& name, void* buffer, int bufferSize);
    // Raises "Failed to get data" when missing, "Invalid data type" when not
    // a 32-bit integer.
    int32_t ReadInteger(const std::string& name);
    bool ReadBool(const std::string& name) { return ReadInteger(name) != 0; }
    // "" when missing; raises "Invalid data type" when not a string.
    std::string ReadString(const std::string& name);

    // Each write is stored at once. A value that cannot be stored (no key
    // open, the store unwritable, a string that is not UTF-8 text without
    // NUL characters) raises "Failed to set data".
    void WriteBinaryData(const std::string& name, const void* buffer, int size);
    void WriteInteger(const std::string& name, int32_t value);
    void WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    void WriteString(const std::string& name, const std::string& value);
    // True when the value existed and is now gone.
    bool DeleteValue(const std::string& name);

private:
    // The full path of `key` as OpenKey resolves it; empty when malformed.
    std::string Resolve(const std::string& key) const;
    // The open key's value, or null when missing (or the store unreadable).
    std::optional<RegistryValue> Find(const std::string& name);
    void Put(const std::string& name, RegistryValue value);

    RegistryFile& store_;
    std::string current_;  // full path of the open key; empty when none is open
};

}  // namespace quellmark
