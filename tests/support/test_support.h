#pragma once
// Small helpers shared by the tests.
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"

namespace quellmark {

inline std::vector<uint8_t> RandomBytes(std::mt19937& rng, std::size_t size) {
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<uint8_t>(rng());
    return bytes;
}

inline std::vector<uint8_t> BytesOf(const std::string& text) { return {text.begin(), text.end()}; }
inline std::string Hex(const std::string& bytes) { return HexOf(BytesOf(bytes)); }

// `prefix` followed by `number` in decimal ("v" and 7 give "v7"). Appending,
// where `"v" + std::to_string(7)` inserts, keeps g++ 12 from a false -Wrestrict.
inline std::string Numbered(std::string prefix, long number) { return prefix += std::to_string(number); }

// `text` in double quotes, as ozv names files (appended, for the same reason).
inline std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    quoted += text;
    return quoted += '"';
}

inline bool Says(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Sets `target` to `value` while the guard lives and puts the old value back
// when it goes, however the test leaves the scope.
template <class T>
class ScopedValue {
public:
    ScopedValue(T& target, T value) : target_(target), old_(std::exchange(target, std::move(value))) {}
    ~ScopedValue() { target_ = std::move(old_); }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

private:
    T& target_;
    T old_;
};

}  // namespace quellmark
