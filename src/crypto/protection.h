#pragma once
// TProtection: the common base of every cipher and hash. It codes data in
// chunks, memory, files, texts and streams, optionally passes every chunk
// through a chained second protection, and honours a set of permitted actions.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/exception.h"
#include "base/text.h"

namespace quellmark {

class TStream;

enum TProtectionAction : uint8_t { actEncipher, actDecipher, actShred, actDigest, actErase };

// A set of actions, one bit per action.
class TProtectionActions {
public:
    constexpr TProtectionActions() = default;
    static constexpr TProtectionActions All() { return TProtectionActions(0x1F); }
    constexpr bool Contains(TProtectionAction a) const { return bits_ >> a & 1; }
    constexpr void Include(TProtectionAction a) { bits_ = uint8_t(bits_ | 1 << a); }
    constexpr void Exclude(TProtectionAction a) { bits_ = uint8_t(bits_ & ~(1 << a)); }
    constexpr bool operator==(const TProtectionActions&) const = default;

private:
    constexpr explicit TProtectionActions(uint8_t bits) : bits_(bits) {}
    uint8_t bits_ = 0;
};

// Raised for a chain of protections that would lead back to itself.
class EProtection : public Exception {
public:
    using Exception::Exception;
};

class TProtection;

// The progress handler of coding runs: (the coding object, bytes done, total).
// A report of (0, 0) marks the end of a run.
using TProgressEvent = std::function<void(TProtection& sender, int64_t current, int64_t maximum)>;

class TProtection : public std::enable_shared_from_this<TProtection> {
public:
    TProtection() = default;
    TProtection(const TProtection&) = delete;
    TProtection& operator=(const TProtection&) = delete;
    virtual ~TProtection() = default;

    // The full class name, used in messages (for example "TCipher_Blowfish").
    virtual std::string ClassName() const = 0;

    const std::shared_ptr<TProtection>& ChainedProtection() const { return chained_; }
    // Raises EProtection, and changes nothing, when `p` leads back to this object.
    void SetChainedProtection(std::shared_ptr<TProtection> p);

    TProtectionActions PermittedActions = TProtectionActions::All();

    // Told of the progress of this object's stream runs. Its owner sets it for
    // the length of a run (see TProgressScope); the protections chained to it
    // code chunks, not streams, and report nothing of their own.
    TProgressEvent OnProgress;

    virtual void BeginCoding(TProtectionAction action);
    virtual void EndCoding(TProtectionAction action);
    virtual void ProcessChunk(uint8_t* buffer, int32_t size, TProtectionAction action);
    // Codes up to `count` bytes from the source's position into dest (the
    // source itself when dest is null) in chunks of 4096 bytes. A negative
    // count means the whole source from its start.
    virtual void ProcessStream(TStream* source, TStream* dest, int64_t count, TProtectionAction action);
    virtual void ProcessFile(const std::string& sourceName, const std::string& destName, TProtectionAction action);
    virtual std::string ProcessText(const std::string& text, TProtectionAction action, TStringFormat format);
    virtual int32_t ProcessMemory(uint8_t* buffer, int32_t size, TProtectionAction action);

    static constexpr int32_t kChunkSize = 4096;

protected:
    void ReportProgress(int64_t current, int64_t maximum);
    // The chunk loop of ProcessStream, run between BeginCoding and
    // EndCoding: reports (0, count), then reads, codes and writes chunk by
    // chunk, reporting the bytes done after each. A class may code the same
    // chunks another way if the output, the reports and its own state at
    // the end are those this loop gives.
    virtual void CodeChunks(TStream& source, TStream& dest, int64_t count, TProtectionAction action);

private:
    std::shared_ptr<TProtection> chained_;
};

}  // namespace quellmark
