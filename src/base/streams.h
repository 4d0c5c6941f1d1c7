#pragma once
// Byte streams: the common interface and its file, memory, string and
// descriptor (pipe) forms. The cipher layer and the decoder work on these.
#include <cstdint>
#include <string>
#include <vector>

namespace quellmark {

enum class SeekOrigin { Begin, Current, End };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to `count` bytes; returns how many were read, 0 at the end.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes `count` bytes; returns how many the stream took.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Moves the position; returns the new position.
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
    virtual int64_t Size();
    virtual void SetSize(int64_t size);

    int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(int64_t position) { Seek(position, SeekOrigin::Begin); }

    // Like Read and Write, but a short transfer is an error.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);

    // Copies `count` bytes from the source's current position; a count of 0
    // copies the whole source from its start. Returns the number copied.
    int64_t CopyFrom(TStream& source, int64_t count);
};

enum class FileMode { OpenRead, OpenReadWrite, Create };

// A file on disk. Create makes a new file or empties an existing one.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& path, FileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    void SetSize(int64_t size) override;
    // Makes what was written durable on disk.
    void Flush();
    const std::string& FileName() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

// A growable buffer in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t size) override;

    const std::vector<uint8_t>& Bytes() const { return data_; }
    uint8_t* Memory() { return data_.data(); }

protected:
    std::vector<uint8_t> data_;
    int64_t position_ = 0;
};

// A memory stream over the bytes of a string.
class TStringStream : public TMemoryStream {
public:
    explicit TStringStream(const std::string& text = {})
        : TMemoryStream(std::vector<uint8_t>(text.begin(), text.end())) {}
    std::string DataString() const { return std::string(data_.begin(), data_.end()); }
};

// An open descriptor that cannot seek, such as standard input or output.
// Reads fill the buffer completely unless the data ends, so chunked coding
// sees the same chunk boundaries as it would on a file. Seeking is allowed
// only to the current position, which is all that in-order coding asks for.
class THandleStream : public TStream {
public:
    explicit THandleStream(int fd) : fd_(fd) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override;

private:
    int fd_;
    int64_t position_ = 0;
};

}  // namespace quellmark
