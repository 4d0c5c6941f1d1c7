#pragma once
// Diamond II and Diamond II Lite (M. P. Johnson, 1995): substitution-
// permutation networks whose substitutions are key-generated permutations
// of 0..255, one per round and byte position, with a fixed bit permutation
// between rounds. Diamond II has a 16-byte block and 5 to 15 rounds, the
// Lite variant an 8-byte block and 4 to 30 rounds; 10 by default.
#include <memory>

#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Diamond2 : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Diamond2() : TCipher(Class) {}
    ~TCipher_Diamond2() override;

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    // Wipes and releases the substitution tables as well.
    void Scrub() override;

    // Stores the round count for the next Init; a count outside the class's
    // range becomes 10.
    virtual void SetRoundCount(int32_t count);
    int32_t RoundCount() const { return rounds_; }

    // The tables of the current key: for every round and byte position, 256
    // bytes. Empty while no key is loaded.
    const uint8_t* EncipherTable() const { return encipher_.get(); }
    const uint8_t* DecipherTable() const { return decipher_.get(); }
    std::size_t TableSize() const { return tableSize_; }

protected:
    TCipher_Diamond2(const TCipherClass& cls) : TCipher(cls) {}
    virtual int32_t MinRounds() const { return 5; }
    virtual int32_t MaxRounds() const { return 15; }

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    void ReleaseTables();
    void RequireTables() const;

    int32_t rounds_ = 0;
    std::size_t tableSize_ = 0;
    std::unique_ptr<uint8_t[]> encipher_;
    std::unique_ptr<uint8_t[]> decipher_;
};

class TCipher_Diamond2Lite final : public TCipher_Diamond2 {
public:
    static const TCipherClass Class;
    TCipher_Diamond2Lite() : TCipher_Diamond2(Class) {}

protected:
    int32_t MinRounds() const override { return 4; }
    int32_t MaxRounds() const override { return 30; }
};

}  // namespace quellmark
