#pragma once
// Sapphire II (M. P. Johnson, 1995) in the block frame: the modes hand it 32
// bytes at a time, but its state runs on from byte to byte and across
// blocks, taking in both the plain and the cipher bytes. So a block
// deciphers only from the state its encipherment started from. Init keeps a
// copy of the state; RewindFeedback returns to it.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Sapphire final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Sapphire() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;
    void RewindFeedback() override;
    bool HasRunningState() const override { return true; }

    struct State {
        uint8_t rotor, ratchet, avalanche, lastPlain, lastCipher;
        uint8_t cards[256];
    };
    static_assert(sizeof(State) == 261);

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;
    void VectorLoaded() override;

    struct Schedule {
        State live;
        State saved;  // the state as Init left it
    };
    static_assert(sizeof(Schedule) == 522);

    template <bool Deciphering>
    void Code(uint8_t* data, int32_t size);
    void Encipher(uint8_t* data, int32_t size);
    void Decipher(uint8_t* data, int32_t size);
};

}  // namespace quellmark
