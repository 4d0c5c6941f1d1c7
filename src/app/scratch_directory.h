#pragma once
// The scratch directory of one window: a private directory below
// $XDG_CACHE_HOME/quellmark/scratch (default ~/.cache) into which the
// window's containers are deciphered and unpacked. It lives exactly as long
// as its window: the window removes it with everything in it when it closes,
// and a window that died without closing leaves it to the next start, which
// removes it. While the window runs it holds a lock on a file in the
// directory; a directory whose lock can be taken belongs to no running window.
#include <string>

namespace quellmark {

class TScratchDirectory {
public:
    TScratchDirectory() = default;
    ~TScratchDirectory() { Remove(); }
    TScratchDirectory(const TScratchDirectory&) = delete;
    TScratchDirectory& operator=(const TScratchDirectory&) = delete;

    // The directory that holds the windows' scratch directories; empty when
    // the user has no cache directory (neither XDG_CACHE_HOME nor HOME).
    static std::string BaseDirectory();
    // The file in each window's directory that its window keeps locked.
    static constexpr const char* kLockName = ".quellmark-window.lock";

    // Makes the missing levels of the base directory (mode 0700), removes
    // what windows that no longer run left there, then makes a new private
    // directory for this window and locks it. False when the base directory
    // cannot be made or no directory can be made in it.
    bool Create();
    // The window's directory; empty until Create succeeds and after Remove.
    const std::string& Path() const { return path_; }
    // Removes the directory with everything in it (sub-directories, read-only
    // files, hidden files), then gives up the lock. False when something
    // could not be removed. Does nothing once the directory is gone.
    bool Remove();

private:
    std::string path_;
    int lockFd_ = -1;
};

// Removes, below `base`, everything that belongs to no running window: the
// directories whose lock can be taken or that have no lock file, and any
// other entry (left by a version that unpacked straight into `base`).
void RemoveStaleScratch(const std::string& base);

// Removes `path` and everything beneath it, never following a symbolic link;
// directories without write or search permission are opened up first. False
// when something stayed; a path that does not exist is no failure.
bool RemoveTree(const std::string& path);

}  // namespace quellmark
