#pragma once
// TCipher: the base of every cipher. A concrete class supplies its context
// (block size, maximum key size, key-schedule size), its two block routines
// and its key schedule; the key setup from a password, the initial vector,
// the eight modes and the scrubbing of secrets are common code here.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "crypto/hash.h"
#include "crypto/protection.h"

namespace quellmark {

enum TCipherMode : uint8_t {
    cmCTS = 0,     // CBC with XOR-accumulated feedback; the mode of every container
    cmCBC = 1,
    cmCFB = 2,     // 8-bit cipher feedback
    cmOFB = 3,     // 8-bit output feedback
    cmECB = 4,
    cmCTSMAC = 5,  // the MAC modes only move the feedback and write nothing
    cmCBCMAC = 6,
    cmCFBMAC = 7,
};

// The largest block size any cipher class may declare.
constexpr int32_t kMaxBlockSize = 256;

struct TCipherContext {
    int32_t blockSize;
    int32_t maxKeySize;
    int32_t userDataSize;
};

class TCipher;

// What the registries and managers need to know of a cipher class without
// making an instance.
struct TCipherClass {
    const char* className;
    TCipherContext context;
    std::shared_ptr<TCipher> (*create)();
    const uint8_t* knownAnswer;  // null: the shared test block
};

template <class T>
std::shared_ptr<TCipher> MakeCipher() { return std::make_shared<T>(); }

// Creates a cipher of class `cls`, chained to `chain`, keyed from `keyText` when one is given.
std::shared_ptr<TCipher> CreateCipher(const TCipherClass& cls, const std::string* keyText = nullptr,
                                      std::shared_ptr<TProtection> chain = nullptr);

class ECipherException : public Exception {
public:
    ECipherException(std::string message, int32_t errorCode) : Exception(std::move(message)), errorCode_(errorCode) {}
    int32_t ErrorCode() const { return errorCode_; }

private:
    int32_t errorCode_;
};

constexpr int32_t ErrKeySize = 2;
constexpr int32_t ErrNotReady = 3;

// Key hash of new ciphers (RIPEMD-256), and the fallback when a cipher's key
// hash class is set to none.
extern const THashClass* const DefaultKeyHashClass;
// Whether a key longer than a cipher's maximum is refused (ErrKeySize)
// instead of cut to the maximum. It is one setting for the whole process and
// this class is its only owner: it is read through Enabled() and changed only
// for the lifetime of a Scope, which puts the previous value back when it
// ends, also when it ends by an exception.
class TStrictKeyLength {
public:
    static bool Enabled() { return enabled_; }

    class Scope {
    public:
        explicit Scope(bool on = true) : previous_(enabled_) { enabled_ = on; }
        ~Scope() { enabled_ = previous_; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        bool previous_;
    };

private:
    static inline bool enabled_ = false;
};

constexpr uint32_t stReady = 1u << 1;  // a key schedule and a vector are loaded

class TCipher : public TProtection {
public:
    explicit TCipher(const TCipherClass& cls);
    ~TCipher() override;

    const TCipherClass& Class() const { return class_; }
    std::string ClassName() const override { return class_.className; }
    int32_t BlockSize() const { return class_.context.blockSize; }
    int32_t MaxKeySize() const { return class_.context.maxKeySize; }
    int32_t UserDataSize() const { return class_.context.userDataSize; }
    const uint8_t* KnownAnswer() const;

    TCipherMode Mode = cmCTS;

    // ---- protection behaviour ----
    void BeginCoding(TProtectionAction action) override;
    void EndCoding(TProtectionAction action) override;
    void ProcessChunk(uint8_t* buffer, int32_t size, TProtectionAction action) override;

    // ---- state and key setup ----
    virtual void SetState(uint32_t bit, bool on);
    bool Ready() const { return (state_ & stReady) != 0; }
    // Keys the cipher with `size` raw key bytes. Every class goes through the
    // same three steps, which is why this is not virtual: the secrets are
    // scrubbed and an overlong key is cut to MaxKeySize() (or refused, see
    // TStrictKeyLength), the class builds its schedule (KeySchedule), and the
    // vector is loaded: a copy of `vector`, or without one the encipherment of
    // the scrubbed all-0xFF vector. Only then is the cipher ready.
    void Init(const uint8_t* key, int32_t size, const uint8_t* vector);
    virtual void EncipherBlock(uint8_t* block) = 0;
    virtual void DecipherBlock(uint8_t* block) = 0;
    // Deciphers `count` consecutive blocks in place. The modes whose blocks
    // decipher independently (cts, cbc, ecb) call this, so a class can
    // override it to work on several blocks at once.
    virtual void DecipherBlocks(uint8_t* blocks, int32_t count);
    // Deciphers `count` consecutive blocks of `source` into `dest` with the
    // chaining of cts (`cts` true: P = D(C) ^ F, then F ^= C) or of cbc
    // (P = D(C) ^ F, then F = C), moving `feedback` along. `source` and
    // `dest` are the same buffer or do not overlap. The base deciphers with
    // DecipherBlocks and chains afterwards; a class can do both in one pass.
    virtual void DecipherChained(const uint8_t* source, uint8_t* dest, int32_t count, uint8_t* feedback, bool cts);
    // Puts the feedback back to the vector, keeping the run's last feedback in the work buffer.
    virtual void RewindFeedback();
    // Whether the block routines move state of the object on, as a key
    // stream generator does: such a class codes a stream in order on one
    // thread. Every other class's block routines (EncipherBlock,
    // DecipherBlock, DecipherBlocks, DecipherChained with a feedback of the
    // caller's) only read the object, so several threads may use it at once.
    virtual bool HasRunningState() const { return false; }
    // Whether a long stream deciphers faster on several threads. A class
    // that deciphers about as fast as memory is copied (AES instructions)
    // gains nothing: the chunks' reading, chaining and writing, which stay
    // on one thread, take as long as deciphering them.
    virtual bool GainsFromThreads() const { return true; }
    // Overwrites every secret buffer and clears the state.
    virtual void Scrub();

    // Keys the cipher from a text through the key hash.
    void InitKey(std::string_view text, const uint8_t* vector = nullptr);
    THash& KeyHash();
    void SetKeyHashClass(const THashClass* cls);
    const THashClass& KeyHashClass() const { return *keyHashClass_; }

    // ---- coding in the current mode ----
    // `source` and `dest` are the same buffer or do not overlap.
    void EncipherData(const uint8_t* source, uint8_t* dest, int32_t size);
    void DecipherData(const uint8_t* source, uint8_t* dest, int32_t size);

    const uint8_t* Vector() const { return vector_.get(); }
    const uint8_t* Feedback() const { return feedback_.get(); }
    const uint8_t* Buffer() const { return buffer_.get(); }
    const uint8_t* UserData() const { return userData_.get(); }

protected:
    // Deciphers a cts or cbc stream on the process's thread pool when that
    // pays and gives the same result; every other run takes the common loop.
    void CodeChunks(TStream& source, TStream& dest, int64_t count, TProtectionAction action) override;
    // The class's key schedule from the first `size` bytes of `key`, called by
    // Init on a scrubbed cipher with 0 <= size <= MaxKeySize() (`key` may be
    // null when `size` is 0). A size the algorithm cannot take is refused
    // here with RaiseKeySizeError.
    virtual void KeySchedule(const uint8_t* key, int32_t size) = 0;
    // Called by Init once the vector is loaded. A class whose coding moves its
    // state on (a stream cipher in the block frame) keeps here the state that
    // RewindFeedback returns to: the one after the vector's encipherment.
    virtual void VectorLoaded() {}
    // Refuses a key size the algorithm cannot take (ErrKeySize).
    [[noreturn]] void RaiseKeySizeError(int32_t minimum) const;
    // The key schedule, laid out as the class's own struct.
    template <class Schedule>
    Schedule& UserDataAs() {
        static_assert(std::is_trivially_copyable_v<Schedule>);
        return *reinterpret_cast<Schedule*>(userData_.get());
    }

private:
    // The first step of Init: scrubs, and cuts (or refuses) an overlong key.
    void CheckKeySize(int32_t& size);
    // The last step of Init: loads the initial vector (the encipherment of
    // the current vector when none is given), sets the feedback to it and
    // marks the cipher ready.
    void LoadVector(const uint8_t* vector);
    void CheckReady() const;
    void EncipherModes(const uint8_t* source, uint8_t* dest, int32_t size);
    void DecipherModes(const uint8_t* source, uint8_t* dest, int32_t size);
    void CodeTail(const uint8_t* source, uint8_t* dest, int32_t size, bool write);
    void CodeByteFeedback(const uint8_t* source, uint8_t* dest, int32_t size, bool enciphering);
    void ScrubBase();

    struct AlignedFree {
        void operator()(uint8_t* p) const { ::operator delete[](p, std::align_val_t{16}); }
    };
    using Bytes = std::unique_ptr<uint8_t[], AlignedFree>;
    static Bytes Allocate(int32_t size);

    const TCipherClass& class_;
    uint32_t state_ = 0;
    std::shared_ptr<THash> keyHash_;
    const THashClass* keyHashClass_;
    Bytes buffer_;    // W: scratch block of the modes
    Bytes vector_;    // V: initial vector
    Bytes feedback_;  // F: running chaining register
    Bytes userData_;  // the key schedule
};

}  // namespace quellmark
