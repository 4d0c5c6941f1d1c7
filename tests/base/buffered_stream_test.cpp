// The buffer in front of a stream: everything it does must look exactly like
// the stream beneath, and no failure of that stream may go unreported.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <algorithm>
#include <random>

#include "base/buffered_stream.h"
#include "base/exception.h"
#include "test_support.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

// A memory stream that hands out reads in pieces of random length, accepts
// at most `acceptLimit` bytes per write, and counts how often it is moved.
class PickyStream : public TMemoryStream {
public:
    explicit PickyStream(unsigned seed) : rng_(seed) {}
    int64_t Read(void* buffer, int64_t count) override {
        if (count > 1) count = 1 + static_cast<int64_t>(rng_() % static_cast<unsigned>(count));
        return TMemoryStream::Read(buffer, count);
    }
    int64_t Write(const void* buffer, int64_t count) override {
        return TMemoryStream::Write(buffer, std::min(count, acceptLimit));
    }
    int64_t Seek(int64_t offset, SeekOrigin origin) override {
        ++seeks;
        return TMemoryStream::Seek(offset, origin);
    }
    int64_t acceptLimit = INT64_MAX;
    int seeks = 0;

private:
    std::mt19937 rng_;
};

// Reads from a model stream until `count` bytes or its end, as a file does.
int64_t ReadWhole(TStream& stream, uint8_t* buffer, int64_t count) {
    int64_t done = 0;
    for (int64_t n; done < count && (n = stream.Read(buffer + done, count - done)) > 0;) done += n;
    return done;
}

TEST(BufferedStream, AnyMixOfReadsWritesAndSeeksMatchesTheStreamBeneath) {
    for (int64_t bufferSize : {1, 7, 64, 4096}) {
        std::mt19937 rng(static_cast<unsigned>(bufferSize));
        const std::vector<uint8_t> start = RandomBytes(rng, 3000);
        TMemoryStream model(start);
        PickyStream inner(static_cast<unsigned>(bufferSize));
        inner.WriteBuffer(start.data(), static_cast<int64_t>(start.size()));
        inner.SetPosition(0);
        {
            TBufferedStream buffered(inner, bufferSize);
            for (int step = 0; step < 3000; ++step) {
                const int64_t count = static_cast<int64_t>(rng() % 300);
                switch (rng() % 5) {
                case 0:
                case 1: {  // read
                    std::vector<uint8_t> expected(static_cast<std::size_t>(count)), got(expected.size());
                    const int64_t n = ReadWhole(model, expected.data(), count);
                    ASSERT_EQ(buffered.Read(got.data(), count), n) << "step " << step << ", buffer " << bufferSize;
                    ASSERT_TRUE(std::equal(expected.begin(), expected.begin() + n, got.begin()));
                    break;
                }
                case 2: {  // write
                    const std::vector<uint8_t> bytes = RandomBytes(rng, static_cast<std::size_t>(count));
                    model.WriteBuffer(bytes.data(), count);
                    ASSERT_EQ(buffered.Write(bytes.data(), count), count);
                    break;
                }
                case 3: {  // seek, often to where the stream stands or just behind it
                    const int64_t size = model.Size();
                    const auto origin = static_cast<SeekOrigin>(rng() % 3);
                    const int64_t base = origin == SeekOrigin::Begin     ? 0
                                         : origin == SeekOrigin::Current ? model.Position()
                                                                         : size;
                    const int64_t target = rng() % 2 ? model.Position() - static_cast<int64_t>(rng() % 20)
                                                     : static_cast<int64_t>(rng() % static_cast<unsigned>(size + 50));
                    const int64_t offset = std::max<int64_t>(target, 0) - base;
                    ASSERT_EQ(buffered.Seek(offset, origin), model.Seek(offset, origin)) << "step " << step;
                    break;
                }
                default:
                    ASSERT_EQ(buffered.Position(), model.Position()) << "step " << step;
                    ASSERT_EQ(buffered.Size(), model.Size()) << "step " << step;
                }
            }
            ASSERT_EQ(buffered.Position(), model.Position());
        }
        // Gone, the buffer has written everything and left the stream
        // beneath where it stood itself.
        EXPECT_EQ(inner.Position(), model.Position()) << "buffer " << bufferSize;
        EXPECT_EQ(inner.Bytes(), model.Bytes()) << "buffer " << bufferSize;
    }
}

TEST(BufferedStream, ChunkedCodingNeitherMovesTheStreamBeneathNorSeesShortReads) {
    std::mt19937 rng(5);
    const std::vector<uint8_t> data = RandomBytes(rng, 50000);
    PickyStream source(9);
    source.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    source.SetPosition(0);
    PickyStream dest(10);
    const int seeksBefore = source.seeks;
    {
        TBufferedStream in(source, 8192), out(dest, 8192);
        // The pattern of stream coding: note both positions, read a chunk,
        // go back to the noted places, write it.
        std::vector<uint8_t> chunk(4096);
        for (;;) {
            const int64_t from = in.Position(), to = out.Position();
            in.SetPosition(from);
            const int64_t n = in.Read(chunk.data(), 4096);
            if (n == 0) break;
            EXPECT_TRUE(n == 4096 || in.Position() == static_cast<int64_t>(data.size())) << "a short read before the end";
            out.SetPosition(to);
            out.WriteBuffer(chunk.data(), n);
        }
        out.FlushBuffer();
        EXPECT_EQ(dest.Bytes(), data);
    }
    EXPECT_LE(source.seeks - seeksBefore, 2);  // the start and the hand-back, not one per chunk
}

TEST(BufferedStream, WriteFailuresAreReportedNotLost) {
    {  // the stream beneath takes fewer bytes than offered: at the flush...
        PickyStream inner(1);
        inner.acceptLimit = 10;
        TBufferedStream buffered(inner, 100);
        buffered.WriteBuffer("0123456789abcdef", 16);
        EXPECT_THROW(buffered.FlushBuffer(), EWriteError);
        // ...and at a write too large for the buffer.
        std::vector<uint8_t> large(500, 1);
        EXPECT_THROW(buffered.Write(large.data(), 500), EWriteError);
    }
    {  // a file on a full device
        TFileStream full("/dev/full", FileMode::OpenReadWrite);
        TBufferedStream buffered(full, 64);
        buffered.WriteBuffer("x", 1);
        EXPECT_THROW(buffered.FlushBuffer(), EWriteError);
        std::vector<uint8_t> block(200, 2);
        EXPECT_THROW(buffered.Write(block.data(), 200), EWriteError);
    }
}

class BufferedFile : public TempDirTest {};

TEST_F(BufferedFile, ReadsBackWhatWasWrittenAndKeepsItsSize) {
    const std::string path = (root / "f.bin").string();
    std::mt19937 rng(3);
    const std::vector<uint8_t> data = RandomBytes(rng, 100000);
    {
        TFileStream file(path, FileMode::Create);
        TBufferedStream buffered(file, 4096);
        for (std::size_t at = 0; at < data.size(); at += 1000) buffered.WriteBuffer(data.data() + at, 1000);
        EXPECT_EQ(buffered.Size(), 100000);
        buffered.SetSize(60000);
        EXPECT_EQ(buffered.Position(), 60000);
        buffered.SetPosition(10);
        uint8_t byte = 0;
        buffered.ReadBuffer(&byte, 1);
        EXPECT_EQ(byte, data[10]);
        buffered.FlushBuffer();
    }
    TFileStream file(path, FileMode::OpenRead);
    EXPECT_EQ(file.Size(), 60000);
    std::vector<uint8_t> back(60000);
    file.ReadBuffer(back.data(), 60000);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), data.begin()));
}

}  // namespace

}  // namespace quellmark
