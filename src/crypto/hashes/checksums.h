#pragma once
// The checksums: two rotate-and-XOR sums and three CRCs. Each keeps one
// running value, which is also the digest (little-endian).
#include <bit>
#include <cstdint>

#include "crypto/hash.h"

namespace quellmark {

static_assert(std::endian::native == std::endian::little, "running values are handed out in native order");

class TChecksum : public THash {
protected:
    explicit TChecksum(const THashClass& cls) : THash(cls) {}
};

// Each byte: rotate the 16-bit value left by 5, then XOR the byte into its low half.
class THash_XOR16 : public TChecksum {
public:
    static const THashClass Class;
    THash_XOR16() : THash_XOR16(Class) { Restart(); }
    ~THash_XOR16() override { ClearDigest(); }

    void AddData(const void* data, int32_t size) override;
    uint8_t* DigestBytes() override { return reinterpret_cast<uint8_t*>(&value_); }

protected:
    explicit THash_XOR16(const THashClass& cls) : TChecksum(cls) {}
    void RestartState() override { Reset(0); }
    // The running value is the checksum: nothing is left to do.
    void FinishDigest() override {}
    void Reset(uint16_t start) { value_ = start; }

    uint16_t value_ = 0;
};

// The data as 16-bit little-endian words: each word rotates the 32-bit value
// left by 5 and is XORed into its low half. An odd-sized input first XORs in
// the word of bytes 0 and 1 unrotated and then takes its words from byte 1
// on, so byte 1 is used twice.
class THash_XOR32 : public TChecksum {
public:
    static const THashClass Class;
    THash_XOR32() : THash_XOR32(Class) { Restart(); }
    ~THash_XOR32() override;

    void AddData(const void* data, int32_t size) override;
    uint8_t* DigestBytes() override { return reinterpret_cast<uint8_t*>(&value_); }

protected:
    explicit THash_XOR32(const THashClass& cls) : TChecksum(cls) {}
    void RestartState() override { Reset(0); }
    void FinishDigest() override;
    void Reset(uint32_t start);

    uint32_t value_ = 0;  // the starting value until Finish, then the checksum

private:
    // Whether the words start at byte 0 or byte 1 depends on the parity of
    // the whole length, known only at Finish, so both readings run side by
    // side; this keeps the sum independent of how the data is split.
    uint64_t count_ = 0;
    uint32_t even_ = 0;  // words from byte 0: the sum of an even-sized input
    uint32_t odd_ = 0;   // first word unrotated, then words from byte 1
    uint8_t last_ = 0;   // the previous byte, the low half of the next word
};

// CRC-16 with polynomial 0x1021 from 0xFFFF, most significant bit first, in
// the message-shifting form (data bytes enter at the bottom of the register)
// and without the two zero bytes that would complete it.
class THash_CRC16_CCITT : public THash_XOR16 {
public:
    static const THashClass Class;
    THash_CRC16_CCITT() : THash_XOR16(Class) { Restart(); }

    void AddData(const void* data, int32_t size) override;

protected:
    void RestartState() override { Reset(0xFFFF); }
};

// CRC-16/ARC: reflected polynomial 0xA001 from 0, no final XOR.
class Thash_CRC16_Standard : public THash_XOR16 {
public:
    static const THashClass Class;
    Thash_CRC16_Standard() : THash_XOR16(Class) { Restart(); }

    void AddData(const void* data, int32_t size) override;
};

// CRC-32: reflected polynomial 0xEDB88320 from 0xFFFFFFFF, complemented at Finish.
class THash_CRC32 : public THash_XOR32 {
public:
    static const THashClass Class;
    THash_CRC32() : THash_XOR32(Class) { Restart(); }

    void AddData(const void* data, int32_t size) override;

protected:
    void RestartState() override { Reset(0xFFFFFFFF); }
    void FinishDigest() override;
};

}  // namespace quellmark
