#pragma once
// A registry kept in one text file that several processes share.
//
// Readers simply read the file: it is only ever replaced whole, by rename, so
// a reader sees one complete version. Writers take an exclusive lock on a
// lock file beside it, re-read the file, change it, and write the result to
// a temporary file in the same directory that is flushed and renamed over
// the old one, so neither a crash nor a second instance leaves a torn or
// stale file. A file that cannot be parsed is never overwritten: it is moved
// aside under a new name and the move reported through OnNotice.
#include <functional>
#include <string>

#include "base/exception.h"
#include "platform/registry_tree.h"

namespace quellmark {

// The file could not be read or written (not: it could not be parsed).
class ERegistryFileError : public Exception {
public:
    using Exception::Exception;
};

class RegistryFile {
public:
    explicit RegistryFile(std::string path);

    const std::string& Path() const { return path_; }

    // The stored registry; empty when there is no file yet.
    RegistryTree Load();
    // Applies `change` to the current contents under the lock and stores the
    // result when `change` returns true.
    void Update(const std::function<bool(RegistryTree&)>& change);

    // Receives reports the user should see: a file moved aside as unreadable.
    // By default they go to standard error.
    std::function<void(const std::string&)> OnNotice;
    void Notice(const std::string& message) const;

private:
    class Lock;
    enum class Read { Parsed, Missing, Broken };
    // Reads and parses the file; `broken` gets the reason when it does not parse.
    Read ReadFile(RegistryTree& tree, std::string& broken) const;
    // With the lock held: the contents, after moving a broken file aside.
    RegistryTree LoadLocked();
    void SetAside(const std::string& reason);
    void Store(const RegistryTree& tree) const;
    void RemoveStaleTemporaries() const;

    std::string path_;
    std::string directory_;
};

// $XDG_CONFIG_HOME/quellmark/user.reg, or ~/.config/quellmark/user.reg when
// XDG_CONFIG_HOME is unset, empty or not an absolute path.
std::string UserRegistryPath();
// The current user's store, made on first use.
RegistryFile& UserRegistry();

}  // namespace quellmark
