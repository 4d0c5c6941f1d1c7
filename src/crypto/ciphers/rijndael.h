#pragma once
// Rijndael with a 128-bit block (AES, FIPS-197). The key, 1 to 32 bytes, is
// zero-padded to 16, 24 or 32 bytes by its length, choosing 10, 12 or 14
// rounds. Runs on the processor's AES instructions where it has them, else
// on lookup tables.
#include "crypto/cipher.h"

namespace quellmark {

class TCipher_Rijndael final : public TCipher {
public:
    static const TCipherClass Class;
    TCipher_Rijndael() : TCipher(Class) {}

    void EncipherBlock(uint8_t* block) override;
    void DecipherBlock(uint8_t* block) override;
    void DecipherBlocks(uint8_t* blocks, int32_t count) override;
    void DecipherChained(const uint8_t* source, uint8_t* dest, int32_t count, uint8_t* feedback, bool cts) override;
    bool GainsFromThreads() const override { return !useAesNi_; }

    int32_t Rounds() const { return rounds_; }
    // Whether the AES instructions are in use; off, the table code runs.
    bool UsesAesInstructions() const { return useAesNi_; }
    // Switches to the table code (for comparing the two); switching on is
    // ignored on a processor without the instructions.
    void UseAesInstructions(bool on);

private:
    void KeySchedule(const uint8_t* key, int32_t size) override;

    // Round keys as 32-bit words whose bytes in memory are the key bytes in
    // FIPS-197 order, so the AES instructions load them as they stand. The
    // deciphering keys are those of the equivalent inverse cipher, in the
    // order they are used.
    struct Schedule {
        uint32_t enc[15 * 4];
        uint32_t dec[15 * 4];
    };
    static_assert(sizeof(Schedule) == 480);

    void EncipherTables(uint8_t* block);
    void DecipherTables(uint8_t* block);

    int32_t rounds_ = 0;
    bool useAesNi_ = AesInstructionsAvailable();

    static bool AesInstructionsAvailable();
};

}  // namespace quellmark
