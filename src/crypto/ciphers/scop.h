#pragma once
// SCOP (Maltchev): a stream cipher dressed as a 128-byte block cipher. Each
// block call adds (or subtracts) 32 key-stream words to the block's 32
// little-endian words and moves the generator on, so both sides stay in step
// only while they make the same sequence of block calls. The generator state
// after key setup is kept aside and put back whenever the feedback is
// rewound, so every coding run starts from the same state.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_SCOP final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_SCOP() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void RewindFeedback() override;
    bool HasRunningState() const override { return true; }

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;
    void VectorLoaded() override;

    // The generator as 388 words: i (low byte of word 0), a (low byte of
    // word 1), an unused word, b (word 3), then the table K (128 words) and
    // the table V (256 words). K is indexed by a byte, so K[128..255] are the
    // first half of V.
    static constexpr int kI = 0, kA = 1, kSpare = 2, kB = 3, kK = 4, kV = 132, kWords = 388;
    struct State {
        uint32_t w[kWords];
    };
    struct Schedule {
        State working;
        State saved;  // as it was right after key setup
    };
    static_assert(sizeof(State) == 1552 && sizeof(Schedule) == 3104);

    template <bool Enciphering>
    void CodeBlock(uint8_t* block);
};

}  // namespace quellmark
