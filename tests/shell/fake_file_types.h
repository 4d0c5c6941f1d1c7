#pragma once
// File-type keys from a fixed table, counting how often they are asked.
#include <map>
#include <string>

#include "platform/file_types.h"

namespace quellmark {

class FakeFileTypes : public TFileTypeKeys {
public:
    // Key paths as the lookups give them, leading "\" dropped; letter case matters here.
    std::map<std::string, std::string> classes, machine;
    mutable int reads = 0;

    std::optional<std::string> DefaultValue(TRootKey root, std::string_view key) const override {
        ++reads;
        const auto& table = root == TRootKey::ClassesRoot ? classes : machine;
        const auto found = table.find(std::string(key));
        return found == table.end() ? std::nullopt : std::optional(found->second);
    }
};

}  // namespace quellmark
