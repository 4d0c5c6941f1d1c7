#include "vector_file.h"

#include <fstream>
#include <stdexcept>

#include "base/text.h"

namespace quellmark {

std::vector<uint8_t> VectorRecord::Bytes(const std::string& name) const {
    auto bytes = ParseHex(Text(name));
    if (!bytes) throw std::runtime_error("bad hex in field " + name + " of the record at line " + std::to_string(line));
    return *bytes;
}

std::vector<VectorRecord> ReadVectors(const std::string& name) {
    std::ifstream in(std::string(QUELLMARK_VECTORS_DIR) + "/" + name);
    if (!in) throw std::runtime_error("cannot open test vectors " + name);
    std::vector<VectorRecord> records;
    VectorRecord current;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::string text = Trim(line);
        if (!text.empty() && text[0] == '#') continue;
        if (text.empty()) {
            if (!current.fields.empty()) records.push_back(std::move(current));
            current = {};
            continue;
        }
        auto eq = text.find('=');
        if (eq == std::string::npos) throw std::runtime_error(name + ":" + std::to_string(number) + ": no '='");
        if (current.fields.empty()) current.line = number;
        current.fields[Trim(text.substr(0, eq))] = Trim(text.substr(eq + 1));
    }
    if (!current.fields.empty()) records.push_back(std::move(current));
    if (records.empty()) throw std::runtime_error("no records in test vectors " + name);
    return records;
}

}  // namespace quellmark
