#include "crypto/hashes/checksums.h"

#include <array>

#include "crypto/bytes.h"

namespace quellmark {

namespace {

// Remainders of every byte value for a CRC processed least significant bit
// first; `poly` is the reflected polynomial.
template <class T>
constexpr std::array<T, 256> ReflectedTable(T poly) {
    std::array<T, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        T crc = static_cast<T>(i);
        for (int bit = 0; bit < 8; ++bit) crc = static_cast<T>((crc & 1) ? (crc >> 1) ^ poly : crc >> 1);
        table[i] = crc;
    }
    return table;
}

// The same for a 16-bit CRC processed most significant bit first: the
// remainder of each byte value as the register's top byte.
constexpr std::array<uint16_t, 256> ForwardTable16(uint16_t poly) {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        uint16_t crc = static_cast<uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ poly : crc << 1);
        table[i] = crc;
    }
    return table;
}

constexpr auto kCrc32Table = ReflectedTable<uint32_t>(0xEDB88320);
constexpr auto kCrc16ArcTable = ReflectedTable<uint16_t>(0xA001);
constexpr auto kCrc16CcittTable = ForwardTable16(0x1021);

// Spot checks against the well-known tables.
static_assert(kCrc32Table[1] == 0x77073096 && kCrc32Table[255] == 0x2D02EF8D);
static_assert(kCrc16ArcTable[1] == 0xC0C1 && kCrc16ArcTable[255] == 0x4040);
static_assert(kCrc16CcittTable[1] == 0x1021 && kCrc16CcittTable[255] == 0x1EF0);

const uint8_t* Bytes(const void* data) { return static_cast<const uint8_t*>(data); }

}  // namespace

// XOR-16

void THash_XOR16::AddData(const void* data, int32_t size) {
    const uint8_t* in = Bytes(data);
    uint16_t value = value_;
    for (int32_t i = 0; i < size; ++i) value = static_cast<uint16_t>(std::rotl(value, 5) ^ in[i]);
    value_ = value;
}

// XOR-32

THash_XOR32::~THash_XOR32() {
    ClearDigest();
    even_ = odd_ = 0;
    last_ = 0;
}

void THash_XOR32::Reset(uint32_t start) {
    value_ = start;
    count_ = 0;
    even_ = odd_ = 0;
    last_ = 0;
}

void THash_XOR32::AddData(const void* data, int32_t size) {
    const uint8_t* in = Bytes(data);
    for (int32_t i = 0; i < size; ++i) {
        const uint8_t byte = in[i];
        if (count_ == 0) {
            even_ = value_;
            // A one-byte input has no byte 1: its first word is the byte alone.
            odd_ = value_ ^ byte;
        } else {
            const uint32_t word = last_ | uint32_t(byte) << 8;
            if (count_ & 1) {
                even_ = Rol32(even_, 5) ^ word;
                if (count_ == 1) odd_ ^= uint32_t(byte) << 8;  // completes the unrotated first word
            } else {
                odd_ = Rol32(odd_, 5) ^ word;
            }
        }
        last_ = byte;
        ++count_;
    }
}

void THash_XOR32::FinishDigest() {
    if (count_ != 0) value_ = (count_ & 1) ? odd_ : even_;
}

// CRC-16 CCITT

void THash_CRC16_CCITT::AddData(const void* data, int32_t size) {
    const uint8_t* in = Bytes(data);
    uint16_t value = value_;
    for (int32_t i = 0; i < size; ++i)
        value = static_cast<uint16_t>(((value << 8) | in[i]) ^ kCrc16CcittTable[value >> 8]);
    value_ = value;
}

// CRC-16 Standard

void Thash_CRC16_Standard::AddData(const void* data, int32_t size) {
    const uint8_t* in = Bytes(data);
    uint16_t value = value_;
    for (int32_t i = 0; i < size; ++i) value = static_cast<uint16_t>((value >> 8) ^ kCrc16ArcTable[(value ^ in[i]) & 0xFF]);
    value_ = value;
}

// CRC-32

void THash_CRC32::AddData(const void* data, int32_t size) {
    const uint8_t* in = Bytes(data);
    uint32_t value = value_;
    for (int32_t i = 0; i < size; ++i) value = (value >> 8) ^ kCrc32Table[(value ^ in[i]) & 0xFF];
    value_ = value;
}

void THash_CRC32::FinishDigest() { value_ = ~value_; }

namespace {

const uint8_t kXor16Answer[2] = {0x79, 0xe8};
const uint8_t kXor32Answer[4] = {0x8d, 0xad, 0x89, 0x7f};
const uint8_t kCcittAnswer[2] = {0xb0, 0xd1};
const uint8_t kArcAnswer[2] = {0xed, 0x75};
const uint8_t kCrc32Answer[4] = {0x58, 0xee, 0x1f, 0x31};

}  // namespace

const THashClass THash_XOR16::Class = {"THash_XOR16", 2, &MakeHash<THash_XOR16>, kXor16Answer};
const THashClass THash_XOR32::Class = {"THash_XOR32", 4, &MakeHash<THash_XOR32>, kXor32Answer};
const THashClass THash_CRC16_CCITT::Class = {"THash_CRC16_CCITT", 2, &MakeHash<THash_CRC16_CCITT>, kCcittAnswer};
const THashClass Thash_CRC16_Standard::Class = {"Thash_CRC16_Standard", 2, &MakeHash<Thash_CRC16_Standard>, kArcAnswer};
const THashClass THash_CRC32::Class = {"THash_CRC32", 4, &MakeHash<THash_CRC32>, kCrc32Answer};

}  // namespace quellmark
