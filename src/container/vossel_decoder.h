#pragma once
// TVosselDecoder turns one container into unpacked files. A container is a
// 256-byte header (the first four bytes, little-endian, name the cipher by
// its registry index; the rest is not read) followed by an MS-CAB cabinet
// enciphered in cts mode under a key made from the password.
#include <cstdint>
#include <memory>
#include <string>

#include "base/string_list.h"
#include "cabinet/cab_reader.h"
#include "crypto/managers.h"

namespace quellmark {

constexpr int64_t kContainerHeaderSize = 256;

class TVosselDecoder {
public:
    TVosselDecoder();

    // Deciphers `containerPath` into a temporary cabinet in `scratchDir`,
    // unpacks it there and appends the unpacked names to `files`. Any failure
    // is an exception; after one, the temporary cabinet stays behind under its
    // unique name (see TempCabinet).
    void DecodeContainer(TStringList& files, const std::string& containerPath, const std::string& scratchDir,
                         const std::string& password);
    // The cipher name at a registry index; empty outside the list.
    std::string AlgorithmAt(int32_t index) const;
    void CollectFileName(TSTCabReader& sender, const std::string& name, int32_t size, uint16_t folder, uint16_t date,
                         uint16_t time, uint16_t attributes, bool& abort);

    // Where the temporary cabinet of the last decode was made, so that a
    // caller that must leave nothing behind can remove it after a failure.
    const std::string& TempCabinet() const { return tempCabinet_; }
    // True once the last decode has deciphered the whole body into the
    // temporary cabinet: a failure before that point never involved the
    // password (the container or the scratch directory could not be read or
    // written), one after it may.
    bool BodyDeciphered() const { return bodyDeciphered_; }
    // Reports the decipherment's progress (bytes done, total; (0, 0) at the end).
    TProgressEvent OnProgress;

private:
    TStringList cipherNames_;
    TStringList fileNames_;
    std::string tempCabinet_;
    bool bodyDeciphered_ = false;
};

// The algorithm index stored in a container header.
int32_t ReadAlgorithmIndex(const std::string& containerPath);

}  // namespace quellmark
