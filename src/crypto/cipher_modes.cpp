// The eight cipher modes. Data of `size` bytes is k full blocks and a tail of
// r bytes; the feedback F carries over from call to call.
#include <algorithm>
#include <cstring>

#include "crypto/bytes.h"
#include "crypto/cipher.h"

namespace quellmark {

namespace {

// Room for the ciphertext of one batch of deciphered blocks; at least one
// block of the largest block size a cipher may have.
constexpr int32_t kDecipherBatchBytes = 1024;
static_assert(kDecipherBatchBytes >= kMaxBlockSize);

bool IsMacMode(TCipherMode mode) { return mode == cmCTSMAC || mode == cmCBCMAC || mode == cmCFBMAC; }

// Moves the register one byte towards its start and appends `incoming`.
void ShiftIn(uint8_t* reg, int32_t blockSize, uint8_t incoming) {
    std::memmove(reg, reg + 1, static_cast<std::size_t>(blockSize - 1));
    reg[blockSize - 1] = incoming;
}

// The chaining step of cts and cbc deciphering over `count` blocks already
// through D at `plain`, whose ciphertext is at `cipher`: P = D(C) ^ F, then
// F ^= C (cts) or F = C (cbc). F lives in local words for the whole batch,
// where no data pointer can reach it, so it stays in registers.
template <int Words>
void ChainDeciphered(uint8_t* plain, const uint8_t* cipher, int32_t count, uint8_t* feedback, bool cts) {
    uint64_t f[Words];
    std::memcpy(f, feedback, sizeof f);
    for (int32_t i = 0; i < count; ++i, plain += sizeof f, cipher += sizeof f) {
        for (int w = 0; w < Words; ++w) {
            uint64_t p, c;
            std::memcpy(&p, plain + 8 * w, 8);
            std::memcpy(&c, cipher + 8 * w, 8);
            p ^= f[w];
            std::memcpy(plain + 8 * w, &p, 8);
            f[w] = cts ? f[w] ^ c : c;
        }
    }
    std::memcpy(feedback, f, sizeof f);
}

void ChainDeciphered(uint8_t* plain, const uint8_t* cipher, int32_t count, int32_t blockSize, uint8_t* feedback,
                     bool cts) {
    switch (blockSize) {
    case 8: return ChainDeciphered<1>(plain, cipher, count, feedback, cts);
    case 16: return ChainDeciphered<2>(plain, cipher, count, feedback, cts);
    case 24: return ChainDeciphered<3>(plain, cipher, count, feedback, cts);
    case 32: return ChainDeciphered<4>(plain, cipher, count, feedback, cts);
    default: break;
    }
    const auto block = static_cast<std::size_t>(blockSize);
    for (int32_t i = 0; i < count; ++i, plain += block, cipher += block) {
        XorBuffers(plain, plain, feedback, block);
        if (cts)
            XorBuffers(feedback, feedback, cipher, block);
        else
            std::memcpy(feedback, cipher, block);
    }
}

}  // namespace

// The tail of the block modes: the r bytes are XOR-ed with E(F) and F moves
// on by E(F). The tail bytes never enter F, so the same rule deciphers them.
// In the MAC modes (`write` false) only F moves.
void TCipher::CodeTail(const uint8_t* source, uint8_t* dest, int32_t size, bool write) {
    const auto block = static_cast<std::size_t>(BlockSize());
    uint8_t* w = buffer_.get();
    uint8_t* f = feedback_.get();
    std::memcpy(w, f, block);
    EncipherBlock(w);
    if (write) XorBuffers(dest, source, w, static_cast<std::size_t>(size));
    XorBuffers(f, f, w, block);
}

// 8-bit cipher and output feedback, and the CFB MAC: one block encipherment per byte.
void TCipher::CodeByteFeedback(const uint8_t* source, uint8_t* dest, int32_t size, bool enciphering) {
    const int32_t block = BlockSize();
    uint8_t* w = buffer_.get();
    uint8_t* f = feedback_.get();
    for (int32_t i = 0; i < size; ++i) {
        std::memcpy(w, f, static_cast<std::size_t>(block));
        EncipherBlock(w);
        const uint8_t in = source[i];
        const uint8_t out = in ^ w[0];
        // A mode done with the byte goes on to the next one; the rest take
        // the cfb step after the switch.
        switch (Mode) {
        case cmOFB:
            dest[i] = out;
            ShiftIn(f, block, w[0]);
            continue;
        case cmCFBMAC:
            ShiftIn(f, block, out);
            continue;
        case cmCFB:
            break;
        case cmCTS:  // the block modes are never coded byte by byte
        case cmCBC:
        case cmECB:
        case cmCTSMAC:
        case cmCBCMAC:
            break;
        }
        // cmCFB: the ciphertext byte feeds back.
        dest[i] = out;
        ShiftIn(f, block, enciphering ? out : in);
    }
}

void TCipher::EncipherModes(const uint8_t* source, uint8_t* dest, int32_t size) {
    if (size <= 0) return;
    const int32_t block = BlockSize();
    const auto blockBytes = static_cast<std::size_t>(block);
    const bool mac = IsMacMode(Mode);
    if (Mode == cmCFB || Mode == cmOFB || Mode == cmCFBMAC) {
        CodeByteFeedback(source, dest, size, true);
        return;
    }
    // The block modes work in place in the destination (the MAC modes read the source only).
    if (!mac && source != dest) std::memcpy(dest, source, static_cast<std::size_t>(size));
    const uint8_t* in = mac ? source : dest;
    uint8_t* f = feedback_.get();
    uint8_t* w = buffer_.get();
    const int32_t full = size / block * block;
    for (int32_t at = 0; at < full; at += block) {
        // A mode done with the block goes on to the next one; the rest take
        // the cbc-mac step after the switch.
        switch (Mode) {
        case cmCTS:  // C = E(P ^ F); F ^= C
            XorBuffers(dest + at, dest + at, f, blockBytes);
            EncipherBlock(dest + at);
            XorBuffers(f, f, dest + at, blockBytes);
            continue;
        case cmCBC:  // C = E(P ^ F); F = C
            XorBuffers(dest + at, dest + at, f, blockBytes);
            EncipherBlock(dest + at);
            std::memcpy(f, dest + at, blockBytes);
            continue;
        case cmECB:
            EncipherBlock(dest + at);
            continue;
        case cmCTSMAC:  // X = E(P ^ F); F ^= X
            XorBuffers(w, in + at, f, blockBytes);
            EncipherBlock(w);
            XorBuffers(f, f, w, blockBytes);
            continue;
        case cmCBCMAC:
            break;
        case cmCFB:  // the byte-feedback modes were coded above and never get here
        case cmOFB:
        case cmCFBMAC:
            break;
        }
        // cmCBCMAC: F = E(P ^ F). A Mode value outside the enum takes this
        // step too, as it always has.
        XorBuffers(f, in + at, f, blockBytes);
        EncipherBlock(f);
    }
    // Every block mode, ECB included, codes its tail as a key stream from E(F),
    // so a short tail deciphers again.
    if (full < size) CodeTail(in + full, dest + full, size - full, !mac);
}

void TCipher::DecipherModes(const uint8_t* source, uint8_t* dest, int32_t size) {
    if (size <= 0) return;
    if (IsMacMode(Mode) || Mode == cmOFB) {  // these run the enciphering code in both directions
        EncipherModes(source, dest, size);
        return;
    }
    if (Mode == cmCFB) {
        CodeByteFeedback(source, dest, size, false);
        return;
    }
    const int32_t block = BlockSize();
    const int32_t blocks = size / block;
    const int32_t full = blocks * block;
    if (Mode == cmECB) {
        if (source != dest) std::memcpy(dest, source, static_cast<std::size_t>(size));
        DecipherBlocks(dest, blocks);
    } else {
        DecipherChained(source, dest, blocks, feedback_.get(), Mode == cmCTS);
    }
    if (full < size) CodeTail(source + full, dest + full, size - full, true);
}

// cts and cbc: every D(C) is independent of the others, so they are done a
// batch at a time, keeping the batch's ciphertext for the feedback. When
// coding into another buffer the source still holds it.
void TCipher::DecipherChained(const uint8_t* source, uint8_t* dest, int32_t count, uint8_t* feedback, bool cts) {
    const int32_t block = BlockSize();
    const int32_t batch = std::max<int32_t>(kDecipherBatchBytes / block, 1);
    uint8_t saved[kDecipherBatchBytes];
    for (int32_t first = 0; first < count; first += batch) {
        const int32_t n = std::min(batch, count - first);
        const auto bytes = static_cast<std::size_t>(n) * static_cast<std::size_t>(block);
        uint8_t* p = dest + first * block;
        const uint8_t* c = source + first * block;
        if (source == dest) {
            std::memcpy(saved, p, bytes);
            c = saved;
        } else {
            std::memcpy(p, c, bytes);
        }
        DecipherBlocks(p, n);
        ChainDeciphered(p, c, n, block, feedback, cts);
    }
}

void TCipher::DecipherBlocks(uint8_t* blocks, int32_t count) {
    for (int32_t i = 0; i < count; ++i) DecipherBlock(blocks + i * BlockSize());
}

}  // namespace quellmark
