#pragma once
// Where decoded containers go: new private files in a directory, or nowhere
// (only counted) when the caller wants a listing.
#include <gmime/gmime.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quellmark {

struct DecodedCopy {
    std::string path;  // empty when only counted
    uint64_t size = 0;
};

class ContainerSink {
public:
    // An empty `directory` counts the bytes and writes nothing.
    explicit ContainerSink(std::string directory);
    // Removes every file made, unless Keep() was called.
    ~ContainerSink();
    ContainerSink(const ContainerSink&) = delete;
    ContainerSink& operator=(const ContainerSink&) = delete;

    // Decodes one MIME body (its transfer encoding undone) into a new copy.
    DecodedCopy Decode(GMimeDataWrapper* content);
    // Writes bytes already decoded (a TNEF attachment) into a new copy.
    DecodedCopy Store(const unsigned char* data, size_t size);

    // The walk ended well: the files stay for the caller.
    void Keep() { created_.clear(); }

private:
    // A new stream for the next copy, and its path.
    GMimeStream* Open(std::string& path);
    DecodedCopy Close(GMimeStream* stream, const std::string& path, bool written);

    std::string directory_;
    std::vector<std::string> created_;
};

}  // namespace quellmark
