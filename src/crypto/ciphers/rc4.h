#pragma once
// RC4 in the block frame: the modes hand it 16 bytes at a time, but the
// keystream runs on across blocks, so enciphering and deciphering a block are
// the same keystream step and only agree from the same keystream position.
// Init keeps a copy of the keystream state; RewindFeedback returns to it.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_RC4 final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_RC4() : TCipher(Class) {}
    ~TCipher_RC4() override;

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;
    void DecipherChained(const uint8_t* source, uint8_t* dest, int32_t count, uint8_t* feedback, bool cts) override;
    void RewindFeedback() override;
    bool HasRunningState() const override { return true; }
    void Scrub() override;

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;
    void VectorLoaded() override;

    struct Schedule {
        uint8_t s[256];
        uint8_t saved[256];  // the state table as Init left it
    };
    static_assert(sizeof(Schedule) == 512);

    void Keystream(uint8_t* data, int32_t size);
    void WipeIndices();

    uint8_t i_ = 0, j_ = 0;
    uint8_t savedI_ = 0, savedJ_ = 0;
};

}  // namespace quellmark
