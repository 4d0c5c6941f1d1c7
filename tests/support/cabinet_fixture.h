#pragma once
// A temporary directory that can also hold cabinets made with our writer.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "temp_dir.h"

namespace quellmark {

class CabinetTest : public TempDirTest {
protected:
    // A cabinet of the given (stored name, content) pairs.
    std::string MakeCabinet(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files,
                            bool compress = true, uint32_t attributes = 0);
};

}  // namespace quellmark
