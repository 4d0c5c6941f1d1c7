#include "crypto/ciphers/diamond2.h"

#include <array>
#include <cstring>

#include "crypto/bytes.h"

namespace quellmark {

const TCipherClass TCipher_Diamond2::Class = {"TCipher_Diamond2", {16, 256, 0}, &MakeCipher<TCipher_Diamond2>, nullptr};
const TCipherClass TCipher_Diamond2Lite::Class = {"TCipher_Diamond2Lite", {8, 256, 0}, &MakeCipher<TCipher_Diamond2Lite>,
                                                  nullptr};

namespace {

// The table of the reflected CRC-32 (polynomial 0xEDB88320), built from its definition.
constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// Draws the key-driven random numbers of the table construction: a CRC-32
// accumulator (no final complement) fed with the key bytes, cycling, and the
// key length after each pass through the key.
class KeyRandom {
public:
    KeyRandom(const uint8_t* key, uint32_t size) : key_(key), size_(size) {}
    ~KeyRandom() { FillSecret(&crc_, 0, sizeof crc_); }

    // A value in 0..limit; `previous` (the table built last, or null) maps
    // each key byte before it is absorbed.
    uint32_t Next(uint32_t limit, const uint8_t* previous) {
        if (limit == 0) return 0;
        uint32_t mask = 0;
        for (uint32_t v = limit; v > 0; v >>= 1) mask = mask << 1 | 1;
        uint32_t value;
        int attempts = 0;
        do {
            const uint8_t k = key_[position_++];
            Absorb(previous ? previous[k] : k);
            if (position_ >= size_) {
                position_ = 0;
                Absorb(uint8_t(size_));
                Absorb(uint8_t(size_ >> 8));
            }
            value = crc_ & mask;
            // Give up rejecting after 97 tries, at a negligible bias.
            if (++attempts > 97 && value > limit) value -= limit;
        } while (value > limit);
        return value;
    }

private:
    void Absorb(uint8_t b) { crc_ = kCrcTable[(crc_ ^ b) & 0xff] ^ (crc_ >> 8); }

    const uint8_t* key_;
    uint32_t size_;
    uint32_t position_ = 0;
    uint32_t crc_ = 0xFFFFFFFFu;
};

// One table: the values 255 down to 0, each placed at a random one of the
// positions still free, counted in increasing order.
void MakeTable(KeyRandom& random, uint8_t* table, const uint8_t* previous) {
    uint8_t free[256];
    for (int p = 0; p < 256; ++p) free[p] = static_cast<uint8_t>(p);
    for (int value = 255; value >= 0; --value) {
        const uint32_t pick = random.Next(static_cast<uint32_t>(value), previous);
        table[free[pick]] = static_cast<uint8_t>(value);
        std::memmove(free + pick, free + pick + 1, static_cast<std::size_t>(value) - pick);
    }
}

// The block as one little-endian number, byte 0 lowest.
template <int B>
using Word = std::conditional_t<B == 16, unsigned __int128, uint64_t>;

template <int B>
Word<B> Load(const uint8_t* p) {
    Word<B> w;
    std::memcpy(&w, p, B);
    return w;
}

template <int B>
void Store(uint8_t* p, Word<B> w) {
    std::memcpy(p, &w, B);
}

// Bit k of every byte.
template <int B>
constexpr Word<B> BitPlane(int k) {
    Word<B> w = 0;
    for (int i = 0; i < B; ++i) w |= Word<B>(1) << (8 * i + k);
    return w;
}

// Bit k of output byte i is bit k of input byte (i + k) mod B: plane k moves
// k bytes down, cyclically.
template <int B>
Word<B> Permute(Word<B> x) {
    constexpr int bits = 8 * B;
    Word<B> y = x & BitPlane<B>(0);
    for (int k = 1; k < 8; ++k) y |= ((x >> (8 * k)) | (x << (bits - 8 * k))) & BitPlane<B>(k);
    return y;
}

template <int B>
Word<B> Unpermute(Word<B> y) {
    constexpr int bits = 8 * B;
    Word<B> x = y & BitPlane<B>(0);
    for (int k = 1; k < 8; ++k) x |= ((y << (8 * k)) | (y >> (bits - 8 * k))) & BitPlane<B>(k);
    return x;
}

template <int B>
void Substitute(const uint8_t* round, uint8_t* block) {
    for (int i = 0; i < B; ++i) block[i] = round[256 * i + block[i]];
}

template <int B>
void Encipher(const uint8_t* tables, int32_t rounds, uint8_t* block) {
    Substitute<B>(tables, block);
    for (int32_t r = 1; r < rounds; ++r) {
        Store<B>(block, Permute<B>(Load<B>(block)));
        Substitute<B>(tables + 256 * B * r, block);
    }
}

template <int B>
void Decipher(const uint8_t* inverse, int32_t rounds, uint8_t* block) {
    Substitute<B>(inverse + 256 * B * (rounds - 1), block);
    for (int32_t r = rounds - 2; r >= 0; --r) {
        Store<B>(block, Unpermute<B>(Load<B>(block)));
        Substitute<B>(inverse + 256 * B * r, block);
    }
}

}  // namespace

TCipher_Diamond2::~TCipher_Diamond2() { ReleaseTables(); }

void TCipher_Diamond2::ReleaseTables() {
    if (encipher_) FillSecret(encipher_.get(), 0, tableSize_);
    if (decipher_) FillSecret(decipher_.get(), 0, tableSize_);
    encipher_.reset();
    decipher_.reset();
    tableSize_ = 0;
}

void TCipher_Diamond2::Scrub() {
    ReleaseTables();
    TCipher::Scrub();
}

void TCipher_Diamond2::SetRoundCount(int32_t count) {
    rounds_ = (count < MinRounds() || count > MaxRounds()) ? 10 : count;
}

// Without tables there is no key to code with; the modes never get here
// unkeyed, but a direct call must not run on missing tables.
void TCipher_Diamond2::RequireTables() const {
    if (encipher_) return;
    throw ECipherException(ClassName() + " is not initialized call Init() or InitKey() before.", ErrNotReady);
}

void TCipher_Diamond2::EncipherBlock(uint8_t* block) {
    RequireTables();
    if (BlockSize() == 16)
        Encipher<16>(encipher_.get(), rounds_, block);
    else
        Encipher<8>(encipher_.get(), rounds_, block);
}

void TCipher_Diamond2::DecipherBlock(uint8_t* block) {
    RequireTables();
    if (BlockSize() == 16)
        Decipher<16>(decipher_.get(), rounds_, block);
    else
        Decipher<8>(decipher_.get(), rounds_, block);
}

void TCipher_Diamond2::KeySchedule(const uint8_t* key, int32_t size) {
    // The construction reads the key cyclically; an empty key has nothing to read.
    if (size == 0) RaiseKeySizeError(1);
    SetRoundCount(rounds_);

    const int32_t block = BlockSize();
    tableSize_ = static_cast<std::size_t>(rounds_) * static_cast<std::size_t>(block) * 256;
    encipher_ = std::make_unique<uint8_t[]>(tableSize_);
    decipher_ = std::make_unique<uint8_t[]>(tableSize_);

    // Tables are built in order of round, then byte position; each one's key
    // bytes pass through the table built just before it.
    KeyRandom random(key, static_cast<uint32_t>(size));
    for (std::size_t t = 0; t < tableSize_ / 256; ++t) {
        uint8_t* table = encipher_.get() + 256 * t;
        MakeTable(random, table, t == 0 ? nullptr : table - 256);
        uint8_t* inverse = decipher_.get() + 256 * t;
        for (int x = 0; x < 256; ++x) inverse[table[x]] = static_cast<uint8_t>(x);
    }
}

}  // namespace quellmark
