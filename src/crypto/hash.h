#pragma once
// THash: the base of every message digest and checksum. A hash absorbs data
// between Restart and Finish and then offers its digest bytes; it can also be
// run as a protection, where it digests, shreds or XOR-codes the data.
#include <memory>
#include <string>

#include "crypto/protection.h"

namespace quellmark {

class THash;

// What the registries and the key setup need to know of a hash class
// without making an instance.
struct THashClass {
    const char* className;
    int32_t digestSize;
    std::shared_ptr<THash> (*create)();
    const uint8_t* knownAnswer;  // digest of the common test input
};

template <class T>
std::shared_ptr<THash> MakeHash() { return std::make_shared<T>(); }

// The common 32-byte test input of every hash and cipher class.
extern const uint8_t kTestInput[32];

class THash : public TProtection {
public:
    explicit THash(const THashClass& cls) : class_(cls) {}
    ~THash() override = default;

    const THashClass& Class() const { return class_; }
    std::string ClassName() const override { return class_.className; }
    int32_t DigestSize() const { return class_.digestSize; }
    const uint8_t* KnownAnswer() const { return class_.knownAnswer; }

    // Starts a new computation (the class's RestartState), then lets the
    // chained protection know. Not virtual: a class changes only its own
    // step, so the notification can neither be forgotten nor come twice.
    void Restart();
    virtual void AddData(const void* data, int32_t size) = 0;
    // Completes the digest (the class's FinishDigest), then lets the chained
    // protection know.
    void Finish();
    // Points at the object's own digest bytes: valid until the next Restart,
    // and writable (the key setup enciphers them in place).
    virtual uint8_t* DigestBytes() = 0;

    // Restart, AddData over `data`, Finish; the digest as bytes.
    std::string DigestOf(const void* data, int32_t size);
    // A fresh hash of class `cls` (chained to `chain`) over the bytes of
    // `text`, with the digest returned as text in `format`.
    static std::string CalcString(const THashClass& cls, const std::string& text,
                                  std::shared_ptr<TProtection> chain, TStringFormat format);

    void BeginCoding(TProtectionAction action) override;
    void EndCoding(TProtectionAction action) override;
    void ProcessChunk(uint8_t* buffer, int32_t size, TProtectionAction action) override;

protected:
    // The class's own part of Restart: its starting state, nothing else.
    virtual void RestartState() = 0;
    // The class's own part of Finish: padding, final compression, output
    // transform, leaving the digest in DigestBytes.
    virtual void FinishDigest() = 0;
    // Classes call this from their destructor: the digest never outlives them.
    // (THash's own destructor cannot: by then DigestBytes is gone.)
    void ClearDigest();

private:
    void NotifyRestart();
    void NotifyFinish();
    void CodePieces(uint8_t* buffer, int32_t size, TProtectionAction action);

    const THashClass& class_;
};

// A keyed hash: chained to a hash, it mixes the digest of a password into the
// hash's starting state. The hook lets the keyed-hash class plug in without
// this file knowing it.
class TMACHook {
public:
    virtual ~TMACHook() = default;
    virtual void HashRestarted(THash& hash) = 0;
    virtual void HashFinished(THash& hash) = 0;
};

}  // namespace quellmark
