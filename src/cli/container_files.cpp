#include "cli/container_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdlib.h>

#include "base/exception.h"
#include "cli/stdin_container.h"

namespace quellmark {

namespace fs = std::filesystem;

namespace {

// Why `status` (of `path`) is no file a container can be read from, or ""
// when it is a regular file. Pipes and devices cannot be read twice or
// measured, which the decoder needs.
std::string NotAFile(const std::string& path, const fs::file_status& status) {
    const std::string quoted = Quoted(path);
    switch (status.type()) {
    case fs::file_type::regular: return {};
    case fs::file_type::directory: return quoted + " is a directory, not a container";
    case fs::file_type::fifo:
        return quoted + " is a pipe, not a file; ozv reads containers only from files, so save the container to a file first";
    case fs::file_type::character:
    case fs::file_type::block: return quoted + " is a device, not a container; give the container's file";
    case fs::file_type::socket: return quoted + " is a socket, not a container; give the container's file";
    default: return quoted + " is not a regular file, so it cannot be a container";
    }
}

}  // namespace

// Appending, where `"\"" + text` inserts, keeps g++ 12 from a false -Wrestrict.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    quoted += text;
    return quoted += '"';
}

std::string TempParent() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

ScratchDirectory::ScratchDirectory(const std::string& parent) {
    std::string pattern = parent + "/.ozv-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw Exception("Cannot create a working directory in \"" + parent + "\": " + std::strerror(errno));
    path_ = pattern;
    removedOnSignal_.emplace(path_);
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string ContainerPath(const std::string& operand) {
    if (operand == "-") return SpoolStandardInput();
    const std::string& path = operand;
    std::error_code error;
    const auto status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) throw Exception(Quoted(path) + " does not exist");
    if (error) throw Exception("cannot examine " + Quoted(path) + ": " + error.message());
    if (std::string why = NotAFile(path, status); !why.empty()) throw Exception(why);
    return path;
}

}  // namespace quellmark
