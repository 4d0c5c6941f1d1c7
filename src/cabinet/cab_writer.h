#pragma once
// Writes MS-CAB cabinets (MSZIP-compressed or stored) from files on disk.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quellmark {

struct CabSource {
    std::string path;        // the file to read
    std::string storedName;  // its name in the cabinet, "/" between directories
    uint32_t attributes = 0;  // extra cabinet attributes (read-only 0x01, run after extraction 0x40, ...)
};

// Where a modification time (seconds since 1970) stands against the times a
// cabinet can record: local time from 1980-01-01 00:00:00 to
// 2107-12-31 23:59:58, in steps of two seconds.
enum class CabTimeFit { Inside, TooEarly, TooLate };
CabTimeFit FitCabinetTime(int64_t unixSeconds);

// Called as the cabinet is written: `done` of `total` bytes of the files read.
using CabProgress = std::function<void(int64_t done, int64_t total)>;

// Writes `sources` into a new cabinet at `cabinetPath`, in one folder. Each
// file keeps its modification time, or the nearest one a cabinet can record
// (see FitCabinetTime); names outside ASCII are stored as UTF-8 and flagged
// so. Throws Exception on failure.
void WriteCabinet(const std::string& cabinetPath, const std::vector<CabSource>& sources, bool compress,
                  const CabProgress& progress = nullptr);

}  // namespace quellmark
