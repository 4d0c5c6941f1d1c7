#pragma once
// The files a container command works with: the operand it reads, and a
// private directory for what it makes on the way.
#include <optional>
#include <string>

#include "cli/signal_cleanup.h"

namespace quellmark {

// `text` in double quotes, as messages name files.
std::string Quoted(const std::string& text);

// Where temporary files go: $TMPDIR, or /tmp.
std::string TempParent();

// A private directory (mode 0700) for intermediate files, removed with
// everything in it when the command ends, however it ends (a signal too).
class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& parent);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::optional<RemovedOnSignal> removedOnSignal_;  // what it holds may be deciphered
};

// The file named by `operand`, checked to be a regular file; "-" is
// standard input, copied into a temporary file first.
std::string ContainerPath(const std::string& operand);

}  // namespace quellmark
