#pragma once
// The contents of a registry store in memory: keys named by backslash paths
// from their root (HKEY_CURRENT_USER\Software\...), each with typed values.
// Key and value names compare without regard to letter case, as in the
// Windows registry; the spelling first used is the one kept.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quellmark {

// Value types by their Windows registry numbers, the same numbers that the
// export text form writes as hex(N).
enum : uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_MULTI_SZ = 7,
};

// One value. Strings (REG_SZ, REG_EXPAND_SZ) hold UTF-8 text without a
// terminator, REG_DWORD four little-endian bytes, every other type its bytes.
struct RegistryValue {
    uint32_t type = REG_NONE;
    std::string data;

    static RegistryValue String(std::string text) { return {REG_SZ, std::move(text)}; }
    static RegistryValue Binary(std::string bytes) { return {REG_BINARY, std::move(bytes)}; }
    static RegistryValue Dword(uint32_t number);
    uint32_t AsDword() const;  // the number of a REG_DWORD value
    bool operator==(const RegistryValue&) const = default;
};

// Orders paths component by component, letter case aside, so that a key
// comes right before the keys beneath it.
struct RegistryPathLess {
    bool operator()(std::string_view a, std::string_view b) const;
};
bool SameRegistryName(std::string_view a, std::string_view b);

class RegistryTree {
public:
    using Values = std::vector<std::pair<std::string, RegistryValue>>;  // in order of creation
    using Keys = std::map<std::string, Values, RegistryPathLess>;

    bool HasKey(std::string_view path) const;
    // Adds the key and every missing key above it, down from the one below
    // the root (roots always exist and are not stored). True when anything
    // was added.
    bool AddKey(std::string_view path);
    // Null when the key or the value is missing.
    const RegistryValue* Find(std::string_view path, std::string_view name) const;
    // Creates the key when needed. True when the stored value changed.
    bool Set(std::string_view path, std::string_view name, RegistryValue value);
    // True when there was such a value.
    bool Remove(std::string_view path, std::string_view name);

    const Keys& AllKeys() const { return keys_; }
    bool operator==(const RegistryTree&) const = default;

private:
    Keys keys_;
};

// How many keys deep, below its root, a path may go: the Windows registry's
// own limit. It also bounds the work a hostile settings file can cause.
inline constexpr std::size_t kMaxRegistryDepth = 512;

// The path split at its backslashes; an empty path gives no components.
std::vector<std::string> SplitRegistryPath(std::string_view path);

}  // namespace quellmark
