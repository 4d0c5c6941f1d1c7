#include "crypto/parallel_decipher.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "base/streams.h"
#include "base/thread_pool.h"
#include "crypto/bytes.h"
#include "crypto/cipher.h"

namespace quellmark {

namespace {

constexpr int32_t kChunkSize = TProtection::kChunkSize;
// Chunks read, deciphered and written as one group. Two groups are held at
// a time (one deciphered by the pool while the other is written and the
// next read into it), so memory stays at a few MiB whatever the stream's
// length, and a group is long enough that handing it over costs little.
constexpr int32_t kGroupChunks = 256;

// The XOR of `blocks` blocks of 8 * Words bytes into `feedback`, in words.
template <int Words>
void XorBlocksInto(uint8_t* feedback, const uint8_t* cipher, int32_t blocks) {
    uint64_t sum[Words] = {};
    for (int32_t i = 0; i < blocks; ++i, cipher += 8 * Words)
        for (int w = 0; w < Words; ++w) {
            uint64_t c;
            std::memcpy(&c, cipher + 8 * w, 8);
            sum[w] ^= c;
        }
    XorBuffers(feedback, feedback, reinterpret_cast<const uint8_t*>(sum), sizeof sum);
}

// F after `blocks` full ciphertext blocks: cts XORs each block into F,
// cbc leaves the last block there.
void ChainOver(const uint8_t* cipher, int32_t blocks, int32_t blockSize, uint8_t* feedback, bool cts) {
    if (blocks == 0) return;
    const auto block = static_cast<std::size_t>(blockSize);
    if (!cts) {
        std::memcpy(feedback, cipher + (static_cast<std::size_t>(blocks) - 1) * block, block);
        return;
    }
    switch (blockSize) {
    case 8: return XorBlocksInto<1>(feedback, cipher, blocks);
    case 16: return XorBlocksInto<2>(feedback, cipher, blocks);
    case 32: return XorBlocksInto<4>(feedback, cipher, blocks);
    default: break;
    }
    for (int32_t i = 0; i < blocks; ++i, cipher += block) XorBuffers(feedback, feedback, cipher, block);
}

// A group of chunks as read, with what each needs to be deciphered on its
// own: the feedback at its start and, for a partial last block, the key
// stream E(F) of the tail rule.
class TChunkGroup {
public:
    // Room for `chunks` chunks (1 to kGroupChunks).
    TChunkGroup(int32_t blockSize, int32_t chunks)
        : blockSize_(blockSize),
          capacity_(chunks),
          data_(std::make_unique_for_overwrite<uint8_t[]>(static_cast<std::size_t>(chunks) * kChunkSize)),
          starts_(static_cast<std::size_t>(chunks) * static_cast<std::size_t>(blockSize)),
          tailKeys_(starts_.size()) {}
    // Plaintext stays behind in the chunks (as much as was ever used is
    // wiped), and the feedbacks and key streams come from the key.
    ~TChunkGroup() {
        FillSecret(data_.get(), 0, used_);
        FillSecret(starts_.data(), 0, starts_.size());
        FillSecret(tailKeys_.data(), 0, tailKeys_.size());
    }
    TChunkGroup(const TChunkGroup&) = delete;
    TChunkGroup& operator=(const TChunkGroup&) = delete;

    int32_t Chunks() const { return static_cast<int32_t>(lengths_.size()); }

    // Reads chunks as the one-thread loop does, until the group is full or
    // `count` is used up; false once a read returned nothing.
    bool Read(TStream& source, int64_t& count) {
        Clear();
        while (count > 0 && Chunks() < capacity_) {
            const int64_t wanted = std::min<int64_t>(count, kChunkSize);
            const int64_t n = source.Read(data_.get() + bytes_, wanted);
            if (n <= 0) return false;
            if (n > wanted) throw EReadError("Stream read error");  // more than asked would overrun the group
            offsets_.push_back(bytes_);
            lengths_.push_back(static_cast<int32_t>(n));
            bytes_ += static_cast<std::size_t>(n);
            used_ = std::max(used_, bytes_);
            count -= n;
        }
        return true;
    }

    // Walks the feedback over the group in order, as deciphering would move
    // it, noting each chunk's start; the tail rule's E(F) passes through the
    // work buffer as it does there.
    void Chain(TCipher& cipher, bool cts, TChainRegisters registers) {
        const auto block = static_cast<std::size_t>(blockSize_);
        const uint8_t* chunk = data_.get();
        for (int32_t i = 0; i < Chunks(); ++i) {
            std::memcpy(Start(i), registers.feedback, block);
            const int32_t blocks = lengths_[i] / blockSize_;
            ChainOver(chunk, blocks, blockSize_, registers.feedback, cts);
            if (lengths_[i] % blockSize_ != 0) {
                std::memcpy(registers.work, registers.feedback, block);
                cipher.EncipherBlock(registers.work);
                std::memcpy(TailKey(i), registers.work, block);
                XorBuffers(registers.feedback, registers.feedback, registers.work, block);
            }
            chunk += lengths_[i];
        }
    }

    // Deciphers chunk `i` in place; chunks are independent once chained.
    void Decipher(TCipher& cipher, bool cts, int32_t i) {
        const auto block = static_cast<std::size_t>(blockSize_);
        alignas(16) uint8_t feedback[kMaxBlockSize];
        std::memcpy(feedback, Start(i), block);
        uint8_t* chunk = data_.get() + offsets_[static_cast<std::size_t>(i)];
        const int32_t blocks = lengths_[static_cast<std::size_t>(i)] / blockSize_;
        cipher.DecipherChained(chunk, chunk, blocks, feedback, cts);
        const int32_t tail = lengths_[static_cast<std::size_t>(i)] % blockSize_;
        if (tail != 0) {
            uint8_t* rest = chunk + static_cast<std::size_t>(blocks) * block;
            XorBuffers(rest, rest, TailKey(i), static_cast<std::size_t>(tail));
        }
        FillSecret(feedback, 0, block);
    }

    // Writes the group and reports each chunk; empties the group.
    void Write(TStream& dest, int64_t& written, const std::function<void(int64_t)>& chunkCoded) {
        if (bytes_ > 0) dest.WriteBuffer(data_.get(), static_cast<int64_t>(bytes_));
        for (int32_t length : lengths_) {
            written += length;
            chunkCoded(written);
        }
        Clear();
    }

private:
    void Clear() {
        offsets_.clear();
        lengths_.clear();
        bytes_ = 0;
    }
    uint8_t* Start(int32_t i) { return starts_.data() + BlockOffset(i); }
    uint8_t* TailKey(int32_t i) { return tailKeys_.data() + BlockOffset(i); }
    std::size_t BlockOffset(int32_t i) const {
        return static_cast<std::size_t>(i) * static_cast<std::size_t>(blockSize_);
    }

    const int32_t blockSize_;
    const int32_t capacity_;
    std::unique_ptr<uint8_t[]> data_;  // the chunks, one after the other
    std::vector<uint8_t> starts_;    // each chunk's starting feedback
    std::vector<uint8_t> tailKeys_;  // each chunk's E(F) for a partial last block
    std::vector<int32_t> lengths_;
    std::vector<std::size_t> offsets_;
    std::size_t bytes_ = 0;  // in the chunks now
    std::size_t used_ = 0;   // in the chunks at most
};

std::atomic<int64_t> parallelMinimum{kParallelDecipherMinimum};

}  // namespace

int64_t ParallelDecipherMinimum() { return parallelMinimum.load(std::memory_order_relaxed); }

void SetParallelDecipherMinimum(int64_t bytes) { parallelMinimum.store(bytes, std::memory_order_relaxed); }

void DecipherStreamInParallel(TCipher& cipher, bool cts, TChainRegisters registers, TStream& source, TStream& dest,
                              int64_t count, TThreadPool& pool, const std::function<void(int64_t)>& chunkCoded) {
    // A short stream needs no more room than it has chunks.
    const auto chunks = static_cast<int32_t>(std::min<int64_t>(count / kChunkSize + 1, kGroupChunks));
    TChunkGroup groups[2] = {TChunkGroup(cipher.BlockSize(), chunks), TChunkGroup(cipher.BlockSize(), chunks)};
    // Declared after the groups, so that an error waits for the jobs' running
    // items before the groups go.
    std::optional<TThreadPool::Job> jobs[2];
    bool more = true;
    auto readAndStart = [&](TChunkGroup& group, std::optional<TThreadPool::Job>& job) {
        if (more && count > 0) {
            more = group.Read(source, count);
            group.Chain(cipher, cts, registers);
        }
        if (group.Chunks() == 0) return;
        job.emplace(pool.Start(group.Chunks(), [&cipher, cts, &group](int32_t i) { group.Decipher(cipher, cts, i); }));
    };
    // Both groups are in the pool's hands, except while this thread writes
    // one and reads the next into it; the workers go on with the other, and
    // this thread helps with it while it waits for the last of a group.
    int64_t written = 0;
    readAndStart(groups[0], jobs[0]);
    readAndStart(groups[1], jobs[1]);
    for (int g = 0; jobs[g]; g ^= 1) {  // groups come back in the order they were read
        jobs[g]->Wait();
        jobs[g].reset();
        groups[g].Write(dest, written, chunkCoded);
        readAndStart(groups[g], jobs[g]);
    }
}

}  // namespace quellmark
