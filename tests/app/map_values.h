#pragma once
// Placement values kept in a map, for tests.
#include <map>
#include <optional>
#include <string>

#include "app/placement.h"

namespace quellmark {

struct MapValues : TPlacementValues {
    std::map<std::string, std::string> values;
    std::optional<std::string> Read(const std::string& name) override {
        auto it = values.find(name);
        return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    void Write(const std::string& name, const std::string& value) override { values[name] = value; }
};

}  // namespace quellmark
