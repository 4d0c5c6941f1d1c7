#pragma once
// Writes MS-CAB cabinets (MSZIP-compressed or stored) from files on disk.
#include <cstdint>
#include <string>
#include <vector>

namespace quellmark {

struct CabSource {
    std::string path;        // the file to read
    std::string storedName;  // its name in the cabinet, "/" between directories
    uint32_t attributes = 0;  // extra cabinet attributes (read-only 0x01, run after extraction 0x40, ...)
};

// Writes `sources` into a new cabinet at `cabinetPath`, in one folder. Each
// file keeps its modification time; names outside ASCII are stored as UTF-8
// and flagged so. Throws Exception on failure.
void WriteCabinet(const std::string& cabinetPath, const std::vector<CabSource>& sources, bool compress);

}  // namespace quellmark
