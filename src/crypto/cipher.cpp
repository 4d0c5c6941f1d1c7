#include "crypto/cipher.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/thread_pool.h"
#include "crypto/bytes.h"
#include "crypto/hashes/ripemd.h"
#include "crypto/parallel_decipher.h"
#include "crypto/random_fill.h"

namespace quellmark {

const THashClass* const DefaultKeyHashClass = &THash_RipeMD256::Class;

std::shared_ptr<TCipher> CreateCipher(const TCipherClass& cls, const std::string* keyText,
                                      std::shared_ptr<TProtection> chain) {
    std::shared_ptr<TCipher> cipher = cls.create();
    cipher->SetChainedProtection(std::move(chain));
    // The constructor could only run the base scrub; a class may scrub more.
    cipher->Scrub();
    if (keyText) cipher->InitKey(*keyText);
    return cipher;
}

TCipher::Bytes TCipher::Allocate(int32_t size) {
    auto* p = static_cast<uint8_t*>(::operator new[](static_cast<std::size_t>(std::max(size, 1)), std::align_val_t{16}));
    return Bytes(p);
}

TCipher::TCipher(const TCipherClass& cls)
    : class_(cls),
      keyHashClass_(DefaultKeyHashClass),
      buffer_(Allocate(cls.context.blockSize)),
      vector_(Allocate(cls.context.blockSize)),
      feedback_(Allocate(cls.context.blockSize)),
      userData_(Allocate(cls.context.userDataSize)) {
    if (cls.context.blockSize <= 0 || cls.context.blockSize > kMaxBlockSize)
        throw Exception(std::string(cls.className) + " declares an impossible block size");
    ScrubBase();
}

TCipher::~TCipher() {
    // A class that scrubs more than the base does so in its own destructor.
    ScrubBase();
}

const uint8_t* TCipher::KnownAnswer() const { return class_.knownAnswer ? class_.knownAnswer : kTestInput; }

void TCipher::SetState(uint32_t bit, bool on) { state_ = on ? (state_ | bit) : (state_ & ~bit); }

void TCipher::Scrub() { ScrubBase(); }

void TCipher::ScrubBase() {
    state_ = 0;
    const auto block = static_cast<std::size_t>(BlockSize());
    const auto user = static_cast<std::size_t>(UserDataSize());
    for (uint8_t fill : {uint8_t(0xAA), uint8_t(0x55)}) {
        FillSecret(vector_.get(), fill, block);
        FillSecret(feedback_.get(), fill, block);
        FillSecret(buffer_.get(), fill, block);
        FillSecret(userData_.get(), fill, user);
    }
    FillSecret(vector_.get(), 0xFF, block);
    FillSecret(feedback_.get(), 0xFF, block);
    FillSecret(buffer_.get(), 0x00, block);
    FillSecret(userData_.get(), 0x00, user);
}

void TCipher::RaiseKeySizeError(int32_t minimum) const {
    char message[256];
    std::snprintf(message, sizeof message, "Length from Encryptionkey is invalid.\r\nKeysize for %s must be to %d-%d bytes",
                  class_.className, minimum, MaxKeySize());
    throw ECipherException(message, ErrKeySize);
}

void TCipher::CheckKeySize(int32_t& size) {
    SetState(stReady, false);
    Scrub();
    if (size < 0) size = 0;
    if (size > MaxKeySize()) {
        if (TStrictKeyLength::Enabled()) RaiseKeySizeError(0);
        size = MaxKeySize();
    }
}

void TCipher::Init(const uint8_t* key, int32_t size, const uint8_t* vector) {
    CheckKeySize(size);
    KeySchedule(key, size);
    LoadVector(vector);
    VectorLoaded();
}

void TCipher::LoadVector(const uint8_t* vector) {
    const auto block = static_cast<std::size_t>(BlockSize());
    if (vector)
        std::memcpy(vector_.get(), vector, block);
    else
        EncipherBlock(vector_.get());
    std::memcpy(feedback_.get(), vector_.get(), block);
    SetState(stReady, true);
}

void TCipher::RewindFeedback() {
    const auto block = static_cast<std::size_t>(BlockSize());
    if (std::memcmp(feedback_.get(), vector_.get(), block) != 0) {
        std::memcpy(buffer_.get(), feedback_.get(), block);
        std::memcpy(feedback_.get(), vector_.get(), block);
    }
}

THash& TCipher::KeyHash() {
    if (!keyHash_) keyHash_ = keyHashClass_->create();
    return *keyHash_;
}

// No class (null) always drops the key hash, even when the default class is
// already in effect; the next KeyHash makes a fresh object of the default.
void TCipher::SetKeyHashClass(const THashClass* cls) {
    if (cls == keyHashClass_) return;
    keyHash_.reset();
    keyHashClass_ = cls ? cls : DefaultKeyHashClass;
}

void TCipher::InitKey(std::string_view text, const uint8_t* vector) {
    THash& hash = KeyHash();
    hash.Restart();
    hash.AddData(text.data(), static_cast<int32_t>(text.size()));
    hash.Finish();
    const int32_t digestSize = hash.DigestSize();
    Init(hash.DigestBytes(), std::min(MaxKeySize(), digestSize), vector);
    // Encipher the digest in place so the key material does not stay readable
    // in the hash object, then undo what that did to the feedback.
    EncipherData(hash.DigestBytes(), hash.DigestBytes(), digestSize);
    RewindFeedback();
}

void TCipher::CheckReady() const {
    if (Ready()) return;
    char message[256];
    std::snprintf(message, sizeof message, "%s is not initialized call Init() or InitKey() before.", class_.className);
    throw ECipherException(message, ErrNotReady);
}

void TCipher::BeginCoding(TProtectionAction action) {
    CheckReady();
    if (action == actErase)
        RandomFill(TimeSeed(), feedback_.get(), BlockSize());
    else if (action != actDigest)
        RewindFeedback();
    TProtection::BeginCoding(action);
}

void TCipher::EndCoding(TProtectionAction action) {
    TProtection::EndCoding(action);
    if (action == actErase)
        RandomFill(TimeSeed(), feedback_.get(), BlockSize());
    else if (action != actDigest)
        RewindFeedback();
}

void TCipher::ProcessChunk(uint8_t* buffer, int32_t size, TProtectionAction action) {
    if (action == actDecipher) {
        if (PermittedActions.Contains(action)) DecipherData(buffer, buffer, size);
        TProtection::ProcessChunk(buffer, size, action);
    } else {
        TProtection::ProcessChunk(buffer, size, action);
        if (PermittedActions.Contains(action)) EncipherData(buffer, buffer, size);
    }
}

// A parallel run must give what ProcessChunk would, chunk by chunk, so it is
// taken only where ProcessChunk comes down to DecipherChained and the tail
// rule: deciphering, permitted, cts or cbc, nothing chained, and a class
// whose block routines may run side by side and gain from it. Coding a stream in place keeps
// the common loop, which reads each chunk before it writes over it.
void TCipher::CodeChunks(TStream& source, TStream& dest, int64_t count, TProtectionAction action) {
    const bool parallel = action == actDecipher && PermittedActions.Contains(actDecipher) && !ChainedProtection() &&
                          (Mode == cmCTS || Mode == cmCBC) && !HasRunningState() && GainsFromThreads() &&
                          &source != &dest && count >= ParallelDecipherMinimum() && TThreadPool::Shared().Threads() > 1;
    if (!parallel) {
        TProtection::CodeChunks(source, dest, count, action);
        return;
    }
    ReportProgress(0, count);
    DecipherStreamInParallel(*this, Mode == cmCTS, {feedback_.get(), buffer_.get()}, source, dest, count,
                             TThreadPool::Shared(), [this, count](int64_t done) { ReportProgress(done, count); });
}

void TCipher::EncipherData(const uint8_t* source, uint8_t* dest, int32_t size) {
    CheckReady();
    EncipherModes(source, dest, size);
}

void TCipher::DecipherData(const uint8_t* source, uint8_t* dest, int32_t size) {
    CheckReady();
    DecipherModes(source, dest, size);
}

}  // namespace quellmark
