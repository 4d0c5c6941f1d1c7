// Stream decipherment on several threads must be indistinguishable from the
// one-thread loop: the same output, the same progress reports and the same
// cipher state afterwards, for every cipher, every way of cutting the data
// into chunks, and when a stream fails half-way.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "base/streams.h"
#include "base/thread_pool.h"
#include "crypto/ciphers/blowfish.h"
#include "crypto/ciphers/rijndael.h"
#include "crypto/ciphers/three_way.h"
#include "crypto/managers.h"
#include "crypto/parallel_decipher.h"
#include "crypto/registry.h"
#include "test_support.h"
#include "crypto/registered_ciphers.h"

namespace quellmark {

namespace {

using Report = std::pair<int64_t, int64_t>;
constexpr int64_t kChunk = TProtection::kChunkSize;

// Runs the shared pool with `threads` threads and sends streams of any
// length down the parallel path while it lives.
class ParallelSetting {
public:
    explicit ParallelSetting(int threads)
        : threads_(TThreadPool::Shared().Threads()), minimum_(ParallelDecipherMinimum()) {
        TThreadPool::Shared().SetThreads(threads);
        SetParallelDecipherMinimum(0);
    }
    ~ParallelSetting() {
        TThreadPool::Shared().SetThreads(threads_);
        SetParallelDecipherMinimum(minimum_);
    }
    ParallelSetting(const ParallelSetting&) = delete;
    ParallelSetting& operator=(const ParallelSetting&) = delete;

private:
    int threads_;
    int64_t minimum_;
};

// Everything a run leaves behind that a caller can see.
struct Outcome {
    std::vector<uint8_t> output;
    std::vector<Report> reports;
    std::string work;      // the run's last feedback, kept by the rewind at its end
    std::string feedback;  // back at the vector
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    return out << o.output.size() << " bytes, " << o.reports.size() << " reports, work " << o.work;
}

// Deciphers `count` bytes of `source` on `threads` threads.
Outcome Decipher(TCipher& cipher, TStream& source, int64_t count, int threads) {
    ParallelSetting setting(threads);
    Outcome outcome;
    TMemoryStream dest;
    {
        TProgressScope progress(cipher, [&](TProtection&, int64_t current, int64_t maximum) {
            outcome.reports.push_back({current, maximum});
        });
        cipher.ProcessStream(&source, &dest, count, actDecipher);
    }
    const auto block = static_cast<std::size_t>(cipher.BlockSize());
    outcome.output = dest.Bytes();
    outcome.work = HexOf(cipher.Buffer(), block);
    outcome.feedback = HexOf(cipher.Feedback(), block);
    return outcome;
}

Outcome Decipher(TCipher& cipher, const std::vector<uint8_t>& data, int threads) {
    TMemoryStream source(data);
    return Decipher(cipher, source, static_cast<int64_t>(data.size()), threads);
}

std::vector<uint8_t> Encipher(TCipher& cipher, const std::vector<uint8_t>& plain) {
    TMemoryStream source(plain), dest;
    cipher.ProcessStream(&source, &dest, static_cast<int64_t>(plain.size()), actEncipher);
    return dest.Bytes();
}

// Lengths from nothing to three chunks and a block: every length next to
// a block or chunk boundary, where the chunking and the tail rule change,
// and a few between.
std::vector<int64_t> InterestingLengths(int32_t blockSize, std::mt19937& rng) {
    const int64_t b = blockSize, longest = 3 * kChunk + b;
    std::set<int64_t> lengths = {1, b - 1, b, b + 1, 2 * b, longest};
    for (int64_t boundary : {int64_t{0}, kChunk, 2 * kChunk, 3 * kChunk})
        for (int64_t offset : {-b - 1, -b, -b + 1, int64_t{-1}, int64_t{0}, int64_t{1}, b - 1, b, b + 1})
            if (boundary + offset >= 0 && boundary + offset <= longest) lengths.insert(boundary + offset);
    for (int i = 0; i < 6; ++i) lengths.insert(std::uniform_int_distribution<int64_t>(0, longest)(rng));
    return {lengths.begin(), lengths.end()};
}

// The one-thread loop deciphers what was enciphered; two and four threads
// give exactly what it gives.
void ExpectEveryLengthAlike(TCipher& cipher, std::mt19937& rng) {
    const std::vector<uint8_t> plain = RandomBytes(rng, 3 * kChunk + static_cast<std::size_t>(cipher.BlockSize()));
    for (TCipherMode mode : {cmCTS, cmCBC}) {
        cipher.Mode = mode;
        for (int64_t length : InterestingLengths(cipher.BlockSize(), rng)) {
            const std::vector<uint8_t> text(plain.begin(), plain.begin() + length);
            const std::vector<uint8_t> coded = Encipher(cipher, text);
            const Outcome one = Decipher(cipher, coded, 1);
            ASSERT_EQ(one.output, text) << cipher.ClassName() << " mode " << int(mode) << " length " << length;
            for (int threads : {2, 4})
                ASSERT_EQ(Decipher(cipher, coded, threads), one)
                    << cipher.ClassName() << " mode " << int(mode) << " length " << length << " threads " << threads;
        }
    }
}

class EveryCipherInParallel : public ::testing::TestWithParam<const TCipherClass*> {};

TEST_P(EveryCipherInParallel, LengthsAtEveryBoundaryToThreeChunksDecipherAsOnOneThread) {
    auto cipher = CreateCipher(*GetParam());
    cipher->InitKey("many hands");
    std::mt19937 rng(static_cast<unsigned>(std::string_view(GetParam()->className).size() * 97 + 5));
    ExpectEveryLengthAlike(*cipher, rng);
}

// A memory stream whose reads stop short at points drawn from `seed`, and
// that may claim to have ended once, at `gap`, with data still behind it.
class ChoppyStream : public TMemoryStream {
public:
    ChoppyStream(std::vector<uint8_t> bytes, unsigned seed, int64_t gap = -1)
        : TMemoryStream(std::move(bytes)), rng_(seed), gap_(gap) {}

    int64_t Read(void* buffer, int64_t count) override {
        if (position_ == gap_) {
            gap_ = -1;
            return 0;
        }
        // Mostly short reads of any length, sometimes all that was asked.
        int64_t n = rng_() % 4 == 0 ? count : 1 + static_cast<int64_t>(rng_() % static_cast<unsigned>(kChunk));
        if (position_ < gap_) n = std::min(n, gap_ - position_);
        return TMemoryStream::Read(buffer, std::min(count, n));
    }

private:
    std::mt19937 rng_;
    int64_t gap_;
};

TEST_P(EveryCipherInParallel, ShortReadsCutTheChunksWhereTheyFall) {
    auto cipher = CreateCipher(*GetParam());
    cipher->InitKey("short reads");
    std::mt19937 rng(11);
    const std::vector<uint8_t> data = RandomBytes(rng, 40000);
    for (TCipherMode mode : {cmCTS, cmCBC}) {
        cipher->Mode = mode;
        ChoppyStream oneSource(data, 7);
        const Outcome one = Decipher(*cipher, oneSource, -1, 1);
        ChoppyStream twoSource(data, 7);
        EXPECT_EQ(Decipher(*cipher, twoSource, -1, 2), one) << cipher->ClassName() << " mode " << int(mode);
    }
}

INSTANTIATE_TEST_SUITE_P(Registry, EveryCipherInParallel, ::testing::ValuesIn(RegisteredCiphers()),
                         [](const auto& info) { return std::string(info.param->className); });

// A memory stream whose reads return the lengths of a list in turn.
class ScriptedStream : public TMemoryStream {
public:
    ScriptedStream(std::vector<uint8_t> bytes, std::vector<int64_t> reads)
        : TMemoryStream(std::move(bytes)), reads_(std::move(reads)) {}
    int64_t Read(void* buffer, int64_t count) override {
        const int64_t n = next_ < reads_.size() ? reads_[next_++] : count;
        return TMemoryStream::Read(buffer, std::min(count, n));
    }

private:
    std::vector<int64_t> reads_;
    std::size_t next_ = 0;
};

// Reads of every length from one byte to a chunk, in a shuffled order, make
// chunks of every length, each ending in every possible partial block.
TEST(ParallelDecipher, ChunksOfEveryLengthDecipherAsOnOneThread) {
    std::mt19937 rng(4);
    std::vector<int64_t> reads(kChunk);
    for (int64_t i = 0; i < kChunk; ++i) reads[static_cast<std::size_t>(i)] = i + 1;
    std::shuffle(reads.begin(), reads.end(), rng);
    const std::vector<uint8_t> data = RandomBytes(rng, static_cast<std::size_t>(kChunk * (kChunk + 1) / 2));
    for (const TCipherClass* cls : {&TCipher_Blowfish::Class, &TCipher_3Way::Class}) {
        auto cipher = CreateCipher(*cls);
        cipher->InitKey("every length");
        for (TCipherMode mode : {cmCTS, cmCBC}) {
            cipher->Mode = mode;
            ScriptedStream oneSource(data, reads), twoSource(data, reads);
            const Outcome one = Decipher(*cipher, oneSource, -1, 1);
            EXPECT_EQ(Decipher(*cipher, twoSource, -1, 2), one) << cls->className << " mode " << int(mode);
        }
    }
}

TEST(ParallelDecipher, RijndaelTableCodeDeciphersAsOnOneThread) {
    auto cipher = std::make_shared<TCipher_Rijndael>();
    cipher->UseAesInstructions(false);
    cipher->InitKey("tables");
    std::mt19937 rng(21);
    ExpectEveryLengthAlike(*cipher, rng);
}

// Streams of several groups of chunks, so that reading, deciphering and
// writing overlap, read in full and in short pieces, with a cut-off.
TEST(ParallelDecipher, LongStreamsOfFullAndShortReadsDecipherAsOnOneThread) {
    std::mt19937 rng(5);
    const std::vector<uint8_t> plain = RandomBytes(rng, 2 * 256 * kChunk + 5000);
    for (const TCipherClass* cls : {&TCipher_Blowfish::Class, &TCipher_3Way::Class, &TCipher_Rijndael::Class}) {
        const char* name = cls->className;
        auto cipher = CreateCipher(*cls);
        cipher->InitKey("long");
        for (TCipherMode mode : {cmCTS, cmCBC}) {
            cipher->Mode = mode;
            const std::vector<uint8_t> coded = Encipher(*cipher, plain);
            const Outcome one = Decipher(*cipher, coded, 1);
            ASSERT_EQ(one.output, plain) << name;
            EXPECT_EQ(Decipher(*cipher, coded, 2), one) << name << " mode " << int(mode);

            ChoppyStream oneSource(coded, 3), twoSource(coded, 3);
            const Outcome choppy = Decipher(*cipher, oneSource, -1, 1);
            EXPECT_EQ(Decipher(*cipher, twoSource, -1, 2), choppy) << name << " mode " << int(mode);

            // The stream claims to end well inside the second group: both stop there.
            const int64_t gap = 300 * kChunk + 17;
            ChoppyStream oneCut(coded, 9, gap), twoCut(coded, 9, gap);
            const Outcome cut = Decipher(*cipher, oneCut, -1, 1);
            EXPECT_LT(cut.output.size(), coded.size());
            EXPECT_EQ(Decipher(*cipher, twoCut, -1, 4), cut) << name << " mode " << int(mode);
        }
    }
}

// A memory stream that refuses to seek, like a pipe that is not even asked
// where it stands.
class UnseekableStream : public TMemoryStream {
public:
    using TMemoryStream::TMemoryStream;
    int64_t Seek(int64_t, SeekOrigin) override { throw EStreamError("no seeking here"); }
};

// Between two streams nothing needs to seek, on one thread or on several.
TEST(ParallelDecipher, TwoStreamsAreCodedWithoutSeeking) {
    auto cipher = CreateCipher(TCipher_Blowfish::Class);
    cipher->InitKey("no seeking");
    std::mt19937 rng(17);
    const std::vector<uint8_t> plain = RandomBytes(rng, 3 * kChunk + 5);
    const std::vector<uint8_t> coded = Encipher(*cipher, plain);
    for (int threads : {1, 2}) {
        ParallelSetting setting(threads);
        UnseekableStream source(coded), dest;
        cipher->ProcessStream(&source, &dest, static_cast<int64_t>(coded.size()), actDecipher);
        EXPECT_EQ(dest.Bytes(), plain) << threads << " threads";
    }
}

// A stream whose reads fail after `goodReads` of them.
class FailingSource : public TMemoryStream {
public:
    FailingSource(std::vector<uint8_t> bytes, int goodReads) : TMemoryStream(std::move(bytes)), left_(goodReads) {}
    int64_t Read(void* buffer, int64_t count) override {
        if (left_-- <= 0) throw EReadError("disk on fire");
        return TMemoryStream::Read(buffer, count);
    }

private:
    int left_;
};

// A stream that takes `room` bytes and then fewer than it is offered.
class FullDest : public TMemoryStream {
public:
    explicit FullDest(int64_t room) : room_(room) {}
    int64_t Write(const void* buffer, int64_t count) override {
        const int64_t n = std::min(count, room_);
        room_ -= n;
        return TMemoryStream::Write(buffer, n);
    }

private:
    int64_t room_;
};

// A failed run ends as the one-thread loop ends it: the error reaches the
// caller, the last report is (0, 0), the feedback is rewound, what was
// written is deciphered right, and the cipher deciphers the next run right.
TEST(ParallelDecipher, AFailingSourceOrDestEndsTheRunAsOnOneThread) {
    ParallelSetting setting(2);
    std::mt19937 rng(8);
    const std::vector<uint8_t> plain = RandomBytes(rng, 2 * 256 * kChunk + 100);
    auto cipher = CreateCipher(TCipher_3Way::Class);
    cipher->InitKey("failing");
    const std::vector<uint8_t> coded = Encipher(*cipher, plain);
    const std::string vector = HexOf(cipher->Vector(), 12);

    auto expectCleanEnd = [&](const std::vector<Report>& reports, const std::vector<uint8_t>& written) {
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.back(), Report(0, 0));
        EXPECT_EQ(HexOf(cipher->Feedback(), 12), vector);
        ASSERT_LE(written.size(), plain.size());
        EXPECT_TRUE(std::equal(written.begin(), written.end(), plain.begin()))
            << "wrong bytes written before the failure";
    };
    std::vector<Report> reports;
    TProgressScope progress(*cipher, [&](TProtection&, int64_t current, int64_t maximum) {
        reports.push_back({current, maximum});
    });

    for (int goodReads : {0, 100, 300}) {
        reports.clear();
        FailingSource source(coded, goodReads);
        TMemoryStream dest;
        EXPECT_THROW(cipher->ProcessStream(&source, &dest, -1, actDecipher), EReadError) << goodReads;
        expectCleanEnd(reports, dest.Bytes());
    }
    for (int64_t room : {int64_t{0}, 256 * kChunk - 1, 256 * kChunk + 1}) {
        reports.clear();
        TMemoryStream source(coded);
        FullDest dest(room);
        EXPECT_THROW(cipher->ProcessStream(&source, &dest, -1, actDecipher), EWriteError) << room;
        expectCleanEnd(reports, dest.Bytes());
    }
    TMemoryStream source(coded), dest;
    cipher->ProcessStream(&source, &dest, -1, actDecipher);
    EXPECT_EQ(dest.Bytes(), plain);
}

// Only the stream ciphers in the block frame move state as they code; all
// other classes are shared between threads, which holds only while their
// block routines leave every buffer of the object as it was.
TEST(ParallelDecipher, OnlyStreamCiphersMoveStateWhileTheyCode) {
    const std::set<std::string_view> running = {"TCipher_RC4", "TCipher_SCOP", "TCipher_Sapphire"};
    std::mt19937 rng(13);
    for (const TCipherClass* cls : RegisteredCiphers()) {
        auto cipher = CreateCipher(*cls);
        cipher->InitKey("still");
        EXPECT_EQ(cipher->HasRunningState(), running.count(cls->className) != 0) << cls->className;
        if (cipher->HasRunningState()) continue;

        const auto block = static_cast<std::size_t>(cipher->BlockSize());
        const auto user = static_cast<std::size_t>(cipher->UserDataSize());
        auto snapshot = [&] {
            return HexOf(cipher->UserData(), user) + HexOf(cipher->Vector(), block) + HexOf(cipher->Feedback(), block) +
                   HexOf(cipher->Buffer(), block);
        };
        const std::string before = snapshot();
        std::vector<uint8_t> blocks = RandomBytes(rng, 5 * block), feedback = RandomBytes(rng, block);
        cipher->EncipherBlock(blocks.data());
        cipher->DecipherBlock(blocks.data());
        cipher->DecipherBlocks(blocks.data(), 5);
        cipher->DecipherChained(blocks.data(), blocks.data(), 5, feedback.data(), true);
        EXPECT_EQ(snapshot(), before) << cls->className;
    }
}

}  // namespace

}  // namespace quellmark
