#pragma once
// Deciphering a cts or cbc stream on several threads at once. In both modes
// a block's plaintext needs only D(C) and the feedback before it, and the
// feedback follows from the ciphertext alone (cts: the XOR of the blocks
// before, cbc: the block before) plus, where a chunk ends in a partial
// block, one encipherment of the feedback. So the feedback at the start of
// every chunk is worked out cheaply in order, and the chunks themselves,
// the expensive part, are deciphered side by side.
#include <cstdint>
#include <functional>

namespace quellmark {

class TCipher;
class TStream;
class TThreadPool;

// Streams shorter than this are deciphered on the caller's thread alone.
// Going parallel costs a fixed few tens of microseconds (buffers, waking a
// worker, waiting for the last chunk), about what 16 KiB of a table-driven
// cipher takes; from 256 KiB that is a few percent of the time saved.
constexpr int64_t kParallelDecipherMinimum = 256 * 1024;

// The length from which stream decipherment goes parallel: the constant
// above unless changed (tests lower it to send short streams down the
// parallel path as well).
int64_t ParallelDecipherMinimum();
void SetParallelDecipherMinimum(int64_t bytes);

// The cipher's chaining registers, which a parallel run moves exactly as
// the one-thread chunk loop would: the feedback F, and the work buffer W,
// which holds the last tail's E(F).
struct TChainRegisters {
    uint8_t* feedback;
    uint8_t* work;
};

// Deciphers up to `count` bytes from the source's position into `dest`, a
// different stream, with the chaining of cts (`cts` true) or cbc. The
// chunks are those of the one-thread loop: one read of up to 4096 bytes
// each, stopping at the first read that returns nothing, so a source that
// returns short reads is cut where that loop would cut it. `cipher` must
// have no running state (TCipher::HasRunningState) and no chained
// protection. `chunkCoded(bytes)` is called on the caller's thread after
// every chunk, in order, with the bytes written so far; it runs once the
// chunk's group of chunks is written.
void DecipherStreamInParallel(TCipher& cipher, bool cts, TChainRegisters registers, TStream& source, TStream& dest,
                              int64_t count, TThreadPool& pool, const std::function<void(int64_t)>& chunkCoded);

}  // namespace quellmark
