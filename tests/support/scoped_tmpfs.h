#pragma once
// A small tmpfs mounted on a directory for the length of a test, to make a
// full or read-only file system on demand. Mounting needs privileges that a
// machine may not grant; tests then skip with the reason.
#include <string>

namespace quellmark {

class ScopedTmpfs {
public:
    ScopedTmpfs(const std::string& directory, long kibibytes);
    ~ScopedTmpfs();
    ScopedTmpfs(const ScopedTmpfs&) = delete;
    ScopedTmpfs& operator=(const ScopedTmpfs&) = delete;

    bool Mounted() const { return mounted_; }
    // Why the mount failed, for the skip message.
    const std::string& Failure() const { return failure_; }
    // Remounts read-only (true on success).
    bool MakeReadOnly();

private:
    std::string directory_;
    bool mounted_ = false;
    std::string failure_;
};

// Skips the running test when `fs` could not be mounted.
#define SKIP_UNLESS_MOUNTED(fs) \
    if (!(fs).Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (" << (fs).Failure() << ")"

}  // namespace quellmark
