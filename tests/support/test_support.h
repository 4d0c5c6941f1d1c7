#pragma once
// Small helpers shared by the tests.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/text.h"

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
