#include "base/streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "base/exception.h"

namespace quellmark {

namespace {

std::string SystemError() { return std::strerror(errno); }

// Reads until `count` bytes arrived or the descriptor reports its end.
int64_t ReadFully(int fd, void* buffer, int64_t count, const char* what) {
    auto* out = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd, out + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EReadError(std::string("Cannot read ") + what + ": " + SystemError());
        if (n == 0) break;
        done += n;
    }
    return done;
}

int64_t WriteFully(int fd, const void* buffer, int64_t count, const char* what) {
    const auto* in = static_cast<const char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd, in + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EWriteError(std::string("Cannot write ") + what + ": " + SystemError());
        done += n;
    }
    return done;
}

}  // namespace

int64_t TStream::Size() {
    int64_t here = Position();
    int64_t end = Seek(0, SeekOrigin::End);
    SetPosition(here);
    return end;
}

void TStream::SetSize(int64_t) { throw EStreamError("This stream cannot change its size"); }

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count > 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count > 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<char> chunk(static_cast<size_t>(std::min<int64_t>(count, 1 << 16)));
    int64_t copied = 0;
    while (copied < count) {
        int64_t n = std::min<int64_t>(count - copied, static_cast<int64_t>(chunk.size()));
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        copied += n;
    }
    return copied;
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::string& path, FileMode mode) : path_(path) {
    switch (mode) {
    case FileMode::OpenRead:
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) throw EFOpenError("Cannot open file \"" + path + "\". " + SystemError());
        break;
    case FileMode::OpenReadWrite:
        fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0) throw EFOpenError("Cannot open file \"" + path + "\". " + SystemError());
        break;
    case FileMode::Create:
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) throw EFCreateError("Cannot create file \"" + path + "\". " + SystemError());
        break;
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    if (count <= 0) return 0;
    return ReadFully(fd_, buffer, count, ("file \"" + path_ + "\"").c_str());
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    return WriteFully(fd_, buffer, count, ("file \"" + path_ + "\"").c_str());
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
    int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t result = ::lseek(fd_, offset, whence);
    if (result < 0) throw EStreamError("Cannot seek in file \"" + path_ + "\": " + SystemError());
    return result;
}

void TFileStream::SetSize(int64_t size) {
    if (::ftruncate(fd_, size) != 0)
        throw EStreamError("Cannot set the size of file \"" + path_ + "\": " + SystemError());
    if (Position() > size) SetPosition(size);
}

void TFileStream::Flush() {
    if (::fsync(fd_) != 0) throw EWriteError("Cannot write file \"" + path_ + "\" to disk: " + SystemError());
}

// ---- TMemoryStream ----

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    int64_t available = static_cast<int64_t>(data_.size()) - position_;
    int64_t n = std::clamp<int64_t>(count, 0, std::max<int64_t>(available, 0));
    if (n > 0) std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    int64_t end = position_ + count;
    if (end > static_cast<int64_t>(data_.size())) data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? position_ : Size();
    int64_t target = base + offset;
    if (target < 0) throw EStreamError("Cannot seek before the start of a memory stream");
    position_ = target;
    return position_;
}

void TMemoryStream::SetSize(int64_t size) {
    data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
    position_ = std::min(position_, size);
}

// ---- THandleStream ----

int64_t THandleStream::Read(void* buffer, int64_t count) {
    if (count <= 0) return 0;
    int64_t n = ReadFully(fd_, buffer, count, "the input");
    position_ += n;
    return n;
}

int64_t THandleStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    int64_t n = WriteFully(fd_, buffer, count, "the output");
    position_ += n;
    return n;
}

int64_t THandleStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t target = origin == SeekOrigin::Begin ? offset : origin == SeekOrigin::Current ? position_ + offset : -1;
    if (target != position_) throw EStreamError("This stream can only be read or written in order");
    return position_;
}

int64_t THandleStream::Size() { throw EStreamError("The size of this stream is not known in advance"); }

}  // namespace quellmark
