#include "mail/container_sink.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/exception.h"
#include "mail/gmime_library.h"

namespace quellmark {

namespace {

std::string SystemError(int error) {
    return error == 0 ? std::string("unknown error") : std::strerror(error);
}

}  // namespace

ContainerSink::ContainerSink(std::string directory) : directory_(std::move(directory)) {}

ContainerSink::~ContainerSink() {
    for (const std::string& path : created_) ::unlink(path.c_str());
}

GMimeStream* ContainerSink::Open(std::string& path) {
    if (directory_.empty()) return g_mime_stream_null_new();
    // mkostemps creates the file exclusively with mode 0600 under a fresh
    // random name: nothing the sender chose reaches the file system.
    std::string name = directory_ + "/mail-container-XXXXXX.ozv";
    const int fd = ::mkostemps(name.data(), 4, O_CLOEXEC);
    if (fd < 0) throw EFCreateError("Cannot create a file in " + directory_ + ": " + SystemError(errno));
    created_.push_back(name);
    path = name;
    return g_mime_stream_fs_new(fd);
}

DecodedCopy ContainerSink::Close(GMimeStream* stream, const std::string& path, bool written) {
    const int writeError = errno;
    GOwned<GMimeStream> owned(stream);
    DecodedCopy copy;
    copy.path = path;
    if (GMIME_IS_STREAM_NULL(stream)) {
        copy.size = GMIME_STREAM_NULL(stream)->written;
        if (!written) throw Exception("Cannot decode an attachment: " + SystemError(writeError));
        return copy;
    }
    const gint64 end = g_mime_stream_tell(stream);
    // close() is where a file system that delays its writes reports them.
    const bool closed = g_mime_stream_close(stream) == 0;
    const int closeError = errno;
    if (!written) throw EWriteError("Cannot write " + path + ": " + SystemError(writeError));
    if (!closed) throw EWriteError("Cannot write " + path + ": " + SystemError(closeError));
    copy.size = end < 0 ? 0 : static_cast<uint64_t>(end);
    return copy;
}

DecodedCopy ContainerSink::Decode(GMimeDataWrapper* content) {
    std::string path;
    GMimeStream* stream = Open(path);
    errno = 0;
    const bool written = g_mime_data_wrapper_write_to_stream(content, stream) >= 0;
    return Close(stream, path, written);
}

DecodedCopy ContainerSink::Store(const unsigned char* data, size_t size) {
    std::string path;
    GMimeStream* stream = Open(path);
    errno = 0;
    bool written = true;
    size_t done = 0;
    while (written && done < size) {
        const ssize_t n = g_mime_stream_write(stream, reinterpret_cast<const char*>(data) + done, size - done);
        written = n > 0;
        if (written) done += static_cast<size_t>(n);
    }
    return Close(stream, path, written);
}

}  // namespace quellmark
