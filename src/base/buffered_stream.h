#pragma once
// A buffer in front of another stream. Stream coding moves 4096 bytes at a
// time and notes or restores its position around every chunk; on a file each
// of those is a system call, and a file system takes 4 KiB writes several
// times slower than large ones. Here small reads and writes meet the buffer,
// and a position that does not change costs nothing.
#include <cstdint>
#include <vector>

#include "base/streams.h"

namespace quellmark {

class TBufferedStream : public TStream {
public:
    static constexpr int64_t kDefaultBufferSize = 256 * 1024;

    // `inner` must outlive this stream and is used from its current position.
    explicit TBufferedStream(TStream& inner, int64_t bufferSize = kDefaultBufferSize);
    // Writes what is still buffered; a failure here cannot be reported, so a
    // writer calls FlushBuffer itself before it lets the stream go.
    ~TBufferedStream() override;
    TBufferedStream(const TBufferedStream&) = delete;
    TBufferedStream& operator=(const TBufferedStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    // Takes all of `count`; a failure of the stream beneath raises, here or at
    // the next write or flush that reaches it.
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override;
    void SetSize(int64_t size) override;

    // Hands every buffered byte to the stream beneath; raises EWriteError when
    // it takes fewer.
    void FlushBuffer();

private:
    void DropReadAhead();

    TStream& inner_;
    std::vector<uint8_t> buffer_;
    int64_t position_;      // where this stream stands
    int64_t innerPosition_; // where the stream beneath stands
    // The buffer holds either bytes read ahead, [0, filled_), of which
    // [0, consumed_) were handed out, or bytes written, [0, pending_).
    int64_t filled_ = 0;
    int64_t consumed_ = 0;
    int64_t pending_ = 0;
};

}  // namespace quellmark
