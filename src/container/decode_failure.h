#pragma once
// What a failed decode says about the password. A container has no check
// value of its own, so most failures could come from a wrong password; but
// some certainly do not, and the user should then hear the real cause
// instead of being asked for another password.
#include <cstdint>
#include <exception>
#include <string>

namespace quellmark {

class TVosselDecoder;

struct TDecodeFailure {
    // False when the password cannot have caused the failure: the container
    // or the scratch directory could not be read or written, or the
    // deciphered body begins with a sound cabinet header (which a wrong key
    // never produces) and the cabinet is then cut short, damaged, or could
    // not be unpacked.
    bool passwordMayBeWrong = true;
    // What went wrong, in words for the user.
    std::string reason;
};

// Explains `error`, the failure that `decoder`'s last DecodeContainer raised.
TDecodeFailure ExplainDecodeFailure(const TVosselDecoder& decoder, const std::exception& error);

// What the start of a deciphered body shows about its container. A wrong
// password or cipher turns the cabinet header into noise; a header whose fixed
// fields all hold what the cabinet format demands (signature, zero reserved
// fields, version 1.3, known flags, offsets inside the cabinet) shows that the
// body was deciphered right, and then the cabinet size it gives can be trusted.
enum class TBodyState {
    TooShort,      // fewer bytes than any cabinet header
    NoCabinet,     // no cabinet signature: the password is wrong, or no container
    BrokenHeader,  // the signature, but the rest of the header does not hold together
    CutShort,      // a sound header that promises more bytes than there are
    Whole,         // a sound header and all the bytes it promises
};

struct TBodyFacts {
    TBodyState state;
    int64_t size;       // bytes in the body
    uint32_t declared;  // the cabinet size its header gives
};

// Examines the deciphered body in `file`; raises EFOpenError when it cannot be read.
TBodyFacts ExamineBody(const std::string& file);

// True when `file` begins with a sound cabinet header (see TBodyState);
// `declaredSize` receives the cabinet's size as its header states it.
bool HasSoundCabinetHeader(const std::string& file, uint32_t& declaredSize);

}  // namespace quellmark
