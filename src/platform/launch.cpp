#include "platform/launch.h"

#include <cctype>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "base/text.h"
#include "platform/child_process.h"

namespace quellmark {

namespace {

// "scheme:..." with a scheme of two or more characters, so that nothing
// like a drive letter passes for one.
std::string SchemeOf(const std::string& file) {
    const std::size_t colon = file.find(':');
    if (colon == std::string::npos || colon < 2 || !std::isalpha(static_cast<unsigned char>(file[0]))) return {};
    std::string scheme;
    for (std::size_t i = 0; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(file[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return {};
        scheme += static_cast<char>(std::tolower(c));
    }
    return scheme;
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The code for a path that could not be examined.
int CodeForMissing(const std::string& path, int error) {
    if (error == ENOENT) {
        const std::size_t slash = path.rfind('/');
        const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
        return IsDirectory(directory) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    return ShellCodeOfErrno(error);
}

std::string XdgMime(const std::vector<std::string>& arguments) {
    const std::string program = FindProgram("xdg-mime");
    if (program.empty()) return {};
    const auto output = RunForOutput(program, arguments);
    return output ? Trim(*output) : std::string();
}

std::string MimeTypeOf(const std::string& path) {
    const std::string type = XdgMime({"query", "filetype", path});
    return Trim(type.substr(0, type.find(';')));  // "text/plain; charset=us-ascii"
}

int Started(int error) { return error == 0 ? kShellExecuteSucceeded : ShellCodeOfErrno(error); }

int OpenWithDefault(const std::string& target, const std::string& type) {
    const std::string opener = FindProgram("xdg-open");
    if (opener.empty() || type.empty() || XdgMime({"query", "default", type}).empty()) return SE_ERR_NOASSOC;
    return Started(SpawnDetached(opener, {target}));
}

}  // namespace

int ShellCodeOfErrno(int error) {
    switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return SE_ERR_ACCESSDENIED;
    case ENOMEM:
    case EAGAIN:
    case E2BIG:
    case EMFILE:
    case ENFILE: return SE_ERR_OOM;
    default: return ERROR_BAD_FORMAT;  // ENOEXEC and the like: not something that runs
    }
}

int StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
    if (program.empty()) return ERROR_FILE_NOT_FOUND;
    struct stat info {};
    if (stat(program.c_str(), &info) != 0) {
        const int error = errno;
        if (program.find('/') == std::string::npos)
            if (const std::string found = FindProgram(program); !found.empty()) return Started(SpawnDetached(found, arguments));
        return CodeForMissing(program, error);
    }
    if (!S_ISREG(info.st_mode) || access(program.c_str(), X_OK) != 0) return ERROR_BAD_FORMAT;
    return Started(SpawnDetached(program, arguments));
}

int ShellExecute(const std::string& operation, const std::string& file, const std::string& parameters) {
    const bool open = !operation.empty();
    if (open && !SameText(operation, "open")) return SE_ERR_NOASSOC;
    if (file.empty()) return ERROR_FILE_NOT_FOUND;

    struct stat info {};
    if (stat(file.c_str(), &info) != 0) {
        const int error = errno;
        if (const std::string scheme = SchemeOf(file); !scheme.empty())
            return OpenWithDefault(file, "x-scheme-handler/" + scheme);
        if (!open) return CodeForMissing(file, error);
    } else if (!open || S_ISDIR(info.st_mode)) {
        return OpenWithDefault(file, MimeTypeOf(file));
    }
    return StartProgram(file, parameters.empty() ? std::vector<std::string>{} : std::vector{parameters});
}

}  // namespace quellmark
