#include "container/decode_failure.h"

#include <sys/stat.h>

#include "base/exception.h"
#include "base/streams.h"
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

TBodyFacts ExamineBody(const std::string& file) {
    constexpr std::size_t kHeaderSize = 36;
    unsigned char header[kHeaderSize] = {};
    TBodyFacts facts{TBodyState::Whole, 0, 0};
    {
        TFileStream body(file, FileMode::OpenRead);
        body.Read(header, kHeaderSize);
        facts.size = body.Size();
    }
    facts.declared = U32(header + 8);
    const uint32_t firstEntry = U32(header + 16);
    const uint16_t flags = static_cast<uint16_t>(header[30] | header[31] << 8);
    if (facts.size < static_cast<int64_t>(kHeaderSize))
        facts.state = TBodyState::TooShort;
    else if (header[0] != 'M' || header[1] != 'S' || header[2] != 'C' || header[3] != 'F')
        facts.state = TBodyState::NoCabinet;
    else if (U32(header + 4) != 0 || U32(header + 12) != 0 || U32(header + 20) != 0 || header[24] != 3 ||
             header[25] != 1 || (flags & ~7u) != 0 || firstEntry < kHeaderSize || firstEntry >= facts.declared)
        facts.state = TBodyState::BrokenHeader;
    else if (facts.declared > facts.size)
        facts.state = TBodyState::CutShort;
    return facts;
}

bool HasSoundCabinetHeader(const std::string& file, uint32_t& declaredSize) {
    try {
        const TBodyFacts facts = ExamineBody(file);
        declaredSize = facts.declared;
        return facts.state == TBodyState::CutShort || facts.state == TBodyState::Whole;
    } catch (const EStreamError&) {
        return false;
    }
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
