#include "base/buffered_stream.h"

#include <algorithm>
#include <cstring>

#include "base/exception.h"

namespace quellmark {

TBufferedStream::TBufferedStream(TStream& inner, int64_t bufferSize)
    : inner_(inner), buffer_(static_cast<std::size_t>(std::max<int64_t>(bufferSize, 1))) {
    position_ = innerPosition_ = inner_.Position();
}

TBufferedStream::~TBufferedStream() {
    // The stream beneath is left where this one stood, so that its owner can
    // go on with it.
    try {
        FlushBuffer();
        DropReadAhead();
    } catch (const std::exception&) {
    }
}

void TBufferedStream::FlushBuffer() {
    if (pending_ == 0) return;
    const int64_t count = pending_;
    pending_ = 0;  // written or lost: never offered twice
    int64_t written = 0;
    try {
        written = inner_.Write(buffer_.data(), count);
    } catch (...) {
        position_ = innerPosition_ = inner_.Position();
        throw;
    }
    innerPosition_ += std::max<int64_t>(written, 0);
    if (written != count) {
        position_ = innerPosition_;
        throw EWriteError("Stream write error");
    }
}

void TBufferedStream::DropReadAhead() {
    if (filled_ == 0) return;
    // Bytes read ahead but not handed out are read again later.
    if (consumed_ != filled_) innerPosition_ = inner_.Seek(position_, SeekOrigin::Begin);
    filled_ = consumed_ = 0;
}

int64_t TBufferedStream::Read(void* buffer, int64_t count) {
    if (count <= 0) return 0;
    FlushBuffer();
    auto* out = static_cast<uint8_t*>(buffer);
    const auto capacity = static_cast<int64_t>(buffer_.size());
    int64_t done = 0;
    // Like a file, this stream reads short only at the end of the data, so
    // chunked coding sees the same chunks through it as without it.
    while (done < count) {
        if (consumed_ < filled_) {
            const int64_t n = std::min(count - done, filled_ - consumed_);
            std::memcpy(out + done, buffer_.data() + consumed_, static_cast<std::size_t>(n));
            consumed_ += n;
            position_ += n;
            done += n;
            continue;
        }
        filled_ = consumed_ = 0;
        if (count - done >= capacity) {  // a large read goes straight to its target
            const int64_t n = inner_.Read(out + done, count - done);
            if (n <= 0) break;
            innerPosition_ += n;
            position_ += n;
            done += n;
            continue;
        }
        const int64_t n = inner_.Read(buffer_.data(), capacity);
        if (n <= 0) break;
        filled_ = n;
        innerPosition_ += n;
    }
    return done;
}

int64_t TBufferedStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    DropReadAhead();
    const auto capacity = static_cast<int64_t>(buffer_.size());
    if (pending_ + count > capacity) FlushBuffer();
    if (count >= capacity) {  // a large write goes straight through
        const int64_t written = inner_.Write(buffer, count);
        innerPosition_ += std::max<int64_t>(written, 0);
        position_ = innerPosition_;
        if (written != count) throw EWriteError("Stream write error");
        return count;
    }
    std::memcpy(buffer_.data() + pending_, buffer, static_cast<std::size_t>(count));
    pending_ += count;
    position_ += count;
    return count;
}

int64_t TBufferedStream::Seek(int64_t offset, SeekOrigin origin) {
    if (origin == SeekOrigin::End) {
        FlushBuffer();
        filled_ = consumed_ = 0;
        position_ = innerPosition_ = inner_.Seek(offset, SeekOrigin::End);
        return position_;
    }
    const int64_t target = origin == SeekOrigin::Begin ? offset : position_ + offset;
    if (target == position_) return position_;
    const int64_t readAheadStart = innerPosition_ - filled_;
    if (filled_ > 0 && target >= readAheadStart && target <= innerPosition_) {
        consumed_ = target - readAheadStart;
        position_ = target;
        return position_;
    }
    FlushBuffer();
    filled_ = consumed_ = 0;
    position_ = innerPosition_ = inner_.Seek(target, SeekOrigin::Begin);
    return position_;
}

int64_t TBufferedStream::Size() {
    FlushBuffer();
    return inner_.Size();
}

void TBufferedStream::SetSize(int64_t size) {
    FlushBuffer();
    DropReadAhead();
    inner_.SetSize(size);
    position_ = innerPosition_ = inner_.Position();
}

}  // namespace quellmark
