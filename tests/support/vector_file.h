#pragma once
// Reads the published test vectors in tests/vectors/: records separated by
// blank lines, each line "Name = value" (hex values), "#" starting a comment.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quellmark {

struct VectorRecord {
    std::map<std::string, std::string> fields;
    int line = 0;  // where the record starts, for failure messages

    bool Has(const std::string& name) const { return fields.count(name) != 0; }
    const std::string& Text(const std::string& name) const { return fields.at(name); }
    std::vector<uint8_t> Bytes(const std::string& name) const;
};

// All records of tests/vectors/<name>; fails the calling test when the file is missing or empty.
std::vector<VectorRecord> ReadVectors(const std::string& name);

}  // namespace quellmark
