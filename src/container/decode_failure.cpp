#include "container/decode_failure.h"

#include <fstream>
#include <sys/stat.h>

#include "base/exception.h"
#include "cabinet/cab_reader.h"
#include "container/vossel_decoder.h"

namespace quellmark {

namespace {

uint32_t U32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The failure came from the system (a file that could not be opened,
// created or written), not from the content of the cabinet.
bool IsSystemFailure(const std::exception& error) {
    if (const auto* cabinet = dynamic_cast<const ESTCabinet*>(&error)) return cabinet->SystemError() != 0;
    return dynamic_cast<const EFOpenError*>(&error) || dynamic_cast<const EFCreateError*>(&error) ||
           dynamic_cast<const EWriteError*>(&error);
}

}  // namespace

bool HasSoundCabinetHeader(const std::string& file, uint32_t& declaredSize) {
    constexpr std::size_t kHeaderSize = 36;
    unsigned char header[kHeaderSize];
    std::ifstream in(file, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(header), kHeaderSize)) return false;
    declaredSize = U32(header + 8);
    const uint32_t firstEntry = U32(header + 16);
    const uint16_t flags = static_cast<uint16_t>(header[30] | header[31] << 8);
    return header[0] == 'M' && header[1] == 'S' && header[2] == 'C' && header[3] == 'F' && U32(header + 4) == 0 &&
           U32(header + 12) == 0 && U32(header + 20) == 0 && header[24] == 3 && header[25] == 1 && (flags & ~7u) == 0 &&
           declaredSize >= kHeaderSize && firstEntry >= kHeaderSize && firstEntry < declaredSize;
}

TDecodeFailure ExplainDecodeFailure(const TVosselDecoder& decoder, const std::exception& error) {
    const std::string message = error.what();
    // Before the whole body was deciphered, nothing had used the password.
    if (!decoder.BodyDeciphered()) return {false, message};
    uint32_t declaredSize = 0;
    if (!HasSoundCabinetHeader(decoder.TempCabinet(), declaredSize)) return {true, message};
    struct stat info{};
    if (::stat(decoder.TempCabinet().c_str(), &info) == 0 && static_cast<uint64_t>(info.st_size) < declaredSize)
        return {false, "The attachment is incomplete: its cabinet should be " + std::to_string(declaredSize) +
                           " bytes long, but only " + std::to_string(info.st_size) + " bytes are there"};
    if (IsSystemFailure(error)) return {false, message};
    return {false, "The attachment is damaged: " + message};
}

}  // namespace quellmark
