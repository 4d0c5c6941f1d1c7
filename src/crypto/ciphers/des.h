#pragma once
// The DES family (FIPS 46-3): single DES, two- and three-key triple DES in
// EDE order, their two- and three-lane variants with a word exchange between
// the passes, and DESX. All share one block routine driven by precomputed
// key schedules; key parity bits are ignored.
#include "crypto/cipher.h"

namespace quellmark {

// One DES key schedule: 16 rounds of two words, each word holding four of the
// round key's 6-bit groups (one per byte) in the order the round reads them.
struct DesKeys {
    uint32_t k[32];
};
static_assert(sizeof(DesKeys) == 128);

class TCipher_1DES : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_1DES() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

    // The schedule of an 8-byte key for enciphering or deciphering.
    static void MakeKeys(const uint8_t* key, bool decipher, DesKeys& out);

protected:
    explicit TCipher_1DES(const TCipherClass& cls) : TCipher(cls) {}

    // Copies up to `size` key bytes into a zeroed buffer of `length` bytes.
    static void PadKey(const uint8_t* key, int32_t size, uint8_t* padded, int32_t length);

    // Three DES passes over `count` 8-byte blocks; the permutations between
    // the passes cancel and are left out.
    static void Triple(const DesKeys& first, const DesKeys& second, const DesKeys& third, uint8_t* blocks, int32_t count);
    // Three DES passes over the 8-byte lanes of one block of `lanes` x 8 bytes,
    // exchanging the words at bytes 4-7 and 8-11 between the passes.
    static void TripleLanes(const DesKeys& first, const DesKeys& second, const DesKeys& third, uint8_t* block, int lanes);

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        DesKeys enc;
        DesKeys dec;
    };
    static_assert(sizeof(Schedule) == 256);
};

// Two-key triple DES: E(K1), D(K2), E(K1).
class TCipher_2DES : public TCipher_1DES {
public:
    static const TCipherClass Class;
    TCipher_2DES() : TCipher_1DES(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

protected:
    explicit TCipher_2DES(const TCipherClass& cls) : TCipher_1DES(cls) {}

    struct Schedule {
        DesKeys e1, d2, d1, e2;
    };
    static_assert(sizeof(Schedule) == 512);

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;
};

// Two-key triple DES over a 16-byte block of two lanes.
class TCipher_2DDES final : public TCipher_2DES {
public:
    static const TCipherClass Class;
    TCipher_2DDES() : TCipher_2DES(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;
};

// Three-key triple DES: E(K1), D(K2), E(K3).
class TCipher_3DES : public TCipher_1DES {
public:
    static const TCipherClass Class;
    TCipher_3DES() : TCipher_1DES(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

protected:
    explicit TCipher_3DES(const TCipherClass& cls) : TCipher_1DES(cls) {}

    struct Schedule {
        DesKeys e1, d2, e3, d3, e2, d1;
    };
    static_assert(sizeof(Schedule) == 768);

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;
};

// Three-key triple DES over a 16-byte block of two lanes.
class TCipher_3DDES final : public TCipher_3DES {
public:
    static const TCipherClass Class;
    TCipher_3DDES() : TCipher_3DES(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;
};

// Three-key triple DES over a 24-byte block of three lanes. The exchange
// only joins the first two lanes: bytes 12 to 23 stay in their lanes.
class TCipher_3TDES final : public TCipher_3DES {
public:
    static const TCipherClass Class;
    TCipher_3TDES() : TCipher_3DES(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;
};

// DESX: whitening before and after DES. Key bytes 0-7 are the DES key, bytes
// 8-15 the pre-whitening key; the post-whitening key is derived from all 16.
class TCipher_DESX final : public TCipher_1DES {
public:
    static const TCipherClass Class;
    TCipher_DESX() : TCipher_1DES(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;

    // The post-whitening key derived from the DES key and the pre-whitening key.
    static void DerivePostWhitening(const uint8_t* desKey, const uint8_t* preWhitening, uint8_t* postWhitening);

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    struct Schedule {
        DesKeys enc;
        DesKeys dec;
        uint8_t pre[8];
        uint8_t post[8];
    };
    static_assert(sizeof(Schedule) == 272);
};

}  // namespace quellmark
