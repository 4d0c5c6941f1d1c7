#include "platform/registry_tree.h"

#include <algorithm>

namespace quellmark {

namespace {

unsigned char Fold(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

// The separator sorts before every other character, so "A\B" comes before "A B".
int Rank(char c) { return c == '\\' ? -1 : Fold(c); }

template <class Values>
auto FindValue(Values& values, std::string_view name) {
    return std::find_if(values.begin(), values.end(), [&](const auto& v) { return SameRegistryName(v.first, name); });
}

}  // namespace

RegistryValue RegistryValue::Dword(uint32_t number) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(number >> (8 * i));
    return {REG_DWORD, bytes};
}

uint32_t RegistryValue::AsDword() const {
    uint32_t number = 0;
    for (std::size_t i = 0; i < 4 && i < data.size(); ++i) number |= uint32_t{static_cast<unsigned char>(data[i])} << (8 * i);
    return number;
}

bool RegistryPathLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Rank(x) < Rank(y); });
}

bool SameRegistryName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Fold(x) == Fold(y); });
}

std::vector<std::string> SplitRegistryPath(std::string_view path) {
    std::vector<std::string> parts;
    if (path.empty()) return parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        parts.emplace_back(path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

bool RegistryTree::HasKey(std::string_view path) const {
    return path.find('\\') == std::string_view::npos ? !path.empty() : keys_.count(std::string(path)) > 0;
}

bool RegistryTree::AddKey(std::string_view path) {
    // Walk up from the key itself to the deepest one already there (keys
    // come parents first, so usually its parent); only the keys below it are
    // missing. The root is never stored.
    const std::size_t root = path.find('\\');
    std::vector<std::size_t> missing;  // where each missing key's path ends, deepest first
    for (std::size_t end = path.size();;) {
        if (keys_.count(std::string(path.substr(0, end)))) break;
        missing.push_back(end);
        if (root == std::string_view::npos) break;
        const std::size_t up = path.rfind('\\', end - 1);
        if (up == root) break;
        end = up;
    }
    for (auto end = missing.rbegin(); end != missing.rend(); ++end) keys_.emplace(std::string(path.substr(0, *end)), Values{});
    return !missing.empty();
}

const RegistryValue* RegistryTree::Find(std::string_view path, std::string_view name) const {
    const auto key = keys_.find(std::string(path));
    if (key == keys_.end()) return nullptr;
    const auto value = FindValue(key->second, name);
    return value == key->second.end() ? nullptr : &value->second;
}

bool RegistryTree::Set(std::string_view path, std::string_view name, RegistryValue value) {
    AddKey(path);
    Values& values = keys_.find(std::string(path))->second;
    const auto existing = FindValue(values, name);
    if (existing == values.end()) {
        values.emplace_back(std::string(name), std::move(value));
        return true;
    }
    if (existing->second == value) return false;
    existing->second = std::move(value);
    return true;
}

bool RegistryTree::Remove(std::string_view path, std::string_view name) {
    const auto key = keys_.find(std::string(path));
    if (key == keys_.end()) return false;
    const auto value = FindValue(key->second, name);
    if (value == key->second.end()) return false;
    key->second.erase(value);
    return true;
}

}  // namespace quellmark
