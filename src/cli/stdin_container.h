#pragma once
// A container given as "-": standard input is copied into a private
// temporary file, which the commands then read like any container, and which
// is removed when the command ends, however it ends.
#include <string>

namespace quellmark {

// Copies standard input into a new file of mode 0600 in $TMPDIR (or /tmp)
// and returns its path. The file is removed by the SpooledInputScope around
// the command, or by SIGINT, SIGTERM or SIGHUP. Throws Exception when
// standard input is a terminal or cannot be read or copied.
std::string SpoolStandardInput();

// Whether `path` is the file standard input was copied into.
bool IsSpooledInput(const std::string& path);

// Whether standard input has been copied, so that nothing else can read it.
bool StandardInputSpooled();

// How messages name a container: "standard input" for the copy of it, the
// path in double quotes otherwise.
std::string ContainerLabel(const std::string& path);

// Names the file at `path` in messages as `label` while the object lives: a
// container decoded out of mail is named by its attachment, never by the
// temporary copy it is read from.
class ContainerLabelScope {
public:
    ContainerLabelScope(std::string path, const std::string& label);
    ContainerLabelScope(const ContainerLabelScope&) = delete;
    ContainerLabelScope& operator=(const ContainerLabelScope&) = delete;
    ~ContainerLabelScope();

private:
    std::string path_;
};

// Removes the copy of standard input, if any, when it goes out of scope.
class SpooledInputScope {
public:
    SpooledInputScope() = default;
    SpooledInputScope(const SpooledInputScope&) = delete;
    SpooledInputScope& operator=(const SpooledInputScope&) = delete;
    ~SpooledInputScope();
};

}  // namespace quellmark
