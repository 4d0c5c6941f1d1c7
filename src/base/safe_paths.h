#pragma once
// Walking below a directory without ever following a symbolic link, so that
// names taken from an archive cannot lead a write anywhere else.
#include <string>

namespace quellmark {

// Opens the directory `relative` ("a/b", may be empty) beneath `base`,
// creating what is missing (base included) when `create` is set. Every
// component must be a real directory, not a link. Returns a descriptor, or
// -1 with errno set.
int OpenDirectoryBeneath(const std::string& base, const std::string& relative, bool create);

// OpenDirectoryBeneath that keeps the last directory open: files of one
// directory come one after another out of an archive, and each walk costs a
// system call per level.
class TDirectoryCache {
public:
    TDirectoryCache() = default;
    ~TDirectoryCache() { Clear(); }
    TDirectoryCache(const TDirectoryCache&) = delete;
    TDirectoryCache& operator=(const TDirectoryCache&) = delete;

    // As OpenDirectoryBeneath, but the descriptor belongs to the cache: it
    // stays valid until the next Open or Clear and is not to be closed.
    int Open(const std::string& base, const std::string& relative, bool create);
    void Clear();

private:
    std::string base_, relative_;
    int fd_ = -1;
};

}  // namespace quellmark
