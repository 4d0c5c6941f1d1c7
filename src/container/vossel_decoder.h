#pragma once
// TVosselDecoder turns one container into unpacked files. A container is a
// 256-byte header (the first four bytes, little-endian, name the cipher by
// its registry index; the rest is not read) followed by an MS-CAB cabinet
// enciphered in cts mode under a key made from the password.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/string_list.h"
#include "cabinet/cab_reader.h"
#include "crypto/managers.h"

namespace quellmark {

constexpr int64_t kContainerHeaderSize = 256;

// An entry of a container's cabinet that is cut across cabinets of a set. A
// container holds one cabinet, so such an entry cannot come out whole.
struct SplitEntry {
    std::string name;            // as listed
    std::string otherCabinet;    // the cabinet it begins in or goes on in, as the cabinet names it
    bool beginsEarlier = false;  // begins in otherCabinet (never unpacked); otherwise goes on in it
};

class TVosselDecoder {
public:
    TVosselDecoder();

    // Deciphers `containerPath` into a temporary cabinet in `scratchDir`,
    // unpacks it there and appends the unpacked names to `files`. Any failure
    // is an exception; after one, the temporary cabinet stays behind under its
    // unique name (see TempCabinet). Entries that begin in an earlier cabinet
    // of a set are not unpacked and not named (see SplitEntries); one that
    // goes on in a later cabinet makes the unpacking fail unless that cabinet
    // is found.
    void DecodeContainer(TStringList& files, const std::string& containerPath, const std::string& scratchDir,
                         const std::string& password);
    // The cipher name at a registry index; empty outside the list.
    std::string AlgorithmAt(int32_t index) const;
    void CollectFileName(TSTCabReader& sender, const std::string& name, int32_t size, uint16_t folder, uint16_t date,
                         uint16_t time, uint16_t attributes, bool& abort);

    // Where the temporary cabinet of the last decode was made, so that a
    // caller that must leave nothing behind can remove it after a failure.
    const std::string& TempCabinet() const { return tempCabinet_; }
    // The entries of the last decode's cabinet that are cut across cabinets
    // of a set, in directory order; known once the cabinet was listed, so
    // also after a failed unpacking.
    const std::vector<SplitEntry>& SplitEntries() const { return splitEntries_; }
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
    std::vector<SplitEntry> splitEntries_;
    bool bodyDeciphered_ = false;
};

// The algorithm index stored in a container header.
int32_t ReadAlgorithmIndex(const std::string& containerPath);

}  // namespace quellmark
