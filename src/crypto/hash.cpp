#include "crypto/hash.h"

#include <algorithm>
#include <cstring>

#include "crypto/bytes.h"
#include "crypto/random_fill.h"

namespace quellmark {

const uint8_t kTestInput[32] = {
    0x30, 0x44, 0xed, 0x6e, 0x45, 0xa4, 0x96, 0xf5, 0xf6, 0x35, 0xa2, 0xeb, 0x3d, 0x1a, 0x5d, 0xd6,
    0xcb, 0x1d, 0x09, 0x82, 0x2d, 0xbd, 0xf5, 0x60, 0xc2, 0xb8, 0x58, 0xa1, 0x91, 0xf9, 0x81, 0xb1,
};

std::string THash::DigestOf(const void* data, int32_t size) {
    Restart();
    AddData(data, size);
    Finish();
    return std::string(reinterpret_cast<const char*>(DigestBytes()), static_cast<std::size_t>(DigestSize()));
}

std::string THash::CalcString(const THashClass& cls, const std::string& text,
                              std::shared_ptr<TProtection> chain, TStringFormat format) {
    std::shared_ptr<THash> hash = cls.create();
    hash->SetChainedProtection(std::move(chain));
    return FormatBytes(hash->DigestOf(text.data(), static_cast<int32_t>(text.size())), format);
}

void THash::Restart() {
    RestartState();
    NotifyRestart();
}

void THash::Finish() {
    FinishDigest();
    NotifyFinish();
}

void THash::NotifyRestart() {
    if (auto* mac = dynamic_cast<TMACHook*>(ChainedProtection().get())) mac->HashRestarted(*this);
}

void THash::NotifyFinish() {
    const auto& chained = ChainedProtection();
    if (!chained) return;
    if (auto* mac = dynamic_cast<TMACHook*>(chained.get()))
        mac->HashFinished(*this);
    else
        chained->ProcessMemory(DigestBytes(), DigestSize(), actShred);
}

void THash::ClearDigest() { FillSecret(DigestBytes(), 0, static_cast<std::size_t>(DigestSize())); }

void THash::BeginCoding(TProtectionAction action) {
    Restart();
    if (action == actErase) RandomFill(TimeSeed(), DigestBytes(), DigestSize());
    TProtection::BeginCoding(action);
}

void THash::EndCoding(TProtectionAction action) {
    TProtection::EndCoding(action);
    if (action == actDigest)
        Finish();
    else
        Restart();
}

void THash::ProcessChunk(uint8_t* buffer, int32_t size, TProtectionAction action) {
    if (action != actDecipher) TProtection::ProcessChunk(buffer, size, action);
    if (PermittedActions.Contains(action)) CodePieces(buffer, size, action);
    if (action == actDecipher) TProtection::ProcessChunk(buffer, size, action);
}

void THash::CodePieces(uint8_t* buffer, int32_t size, TProtectionAction action) {
    if (action == actDigest) {
        AddData(buffer, size);
        return;
    }
    // Shredding replaces each piece by a digest chain over the data; the
    // XOR coding runs the digest over itself to make a key stream.
    const int32_t step = std::max<int32_t>(DigestSize(), 1);
    for (int32_t at = 0; at < size; at += step) {
        const int32_t piece = std::min(step, size - at);
        if (action == actShred || action == actErase) {
            AddData(buffer + at, piece);
            Finish();
            std::memcpy(buffer + at, DigestBytes(), static_cast<std::size_t>(piece));
        } else {
            AddData(DigestBytes(), DigestSize());
            Finish();
            XorBuffers(buffer + at, buffer + at, DigestBytes(), static_cast<std::size_t>(piece));
        }
    }
}

}  // namespace quellmark
