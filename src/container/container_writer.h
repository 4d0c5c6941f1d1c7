#pragma once
// Writes containers: the 256-byte header with the algorithm index (the rest
// zero) and the cabinet enciphered in cts mode, in the same 4096-byte chunks
// a decoder reads, so every container written here decodes.
#include <cstdint>
#include <string>

#include "crypto/protection.h"

namespace quellmark {

// Enciphers the cabinet at `cabinetPath` into a new container at
// `containerPath` with the cipher at registry index `algorithmIndex`. The
// container appears whole or not at all (written aside, then renamed).
void WriteContainer(const std::string& cabinetPath, const std::string& containerPath, int32_t algorithmIndex,
                    const std::string& password, const TProgressEvent& progress = nullptr);

}  // namespace quellmark
