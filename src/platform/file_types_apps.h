#pragma once
// The default application of a MIME type, following the freedesktop.org MIME
// applications associations (mimeapps.list) and the desktop entries.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_types_xdg.h"

namespace quellmark {

namespace freedesktop {

class MimeApps {
public:
    explicit MimeApps(const BaseDirs& dirs);

    // The path of the program that the default application of a type runs,
    // or "" when there is no such application or its program cannot be found.
    // `names`: the type first, then its aliases.
    std::string DefaultProgram(const std::vector<std::string>& names) const;
    // The desktop file ID of that application, or "".
    std::string DefaultApplication(const std::vector<std::string>& names) const;

private:
    struct Entry {
        std::string path;
        bool unusable = true;  // hidden, unreadable, or not to be started from here
        std::string exec;
        std::vector<std::string> mimeTypes;
    };
    const Entry* Installed(const std::string& id) const;

    BaseDirs dirs_;
    struct ListFile {
        std::string path;
        bool desktopSpecific;  // such a file may only name defaults
    };
    std::vector<ListFile> listFiles_;           // mimeapps.list files, most important first
    std::map<std::string, Entry> entries_;      // desktop file ID -> the entry that counts
    std::vector<std::string> entryOrder_;       // IDs in the order of their folders' precedence
};

// The words of a desktop entry's Exec value after its string escapes and
// quoting rules; nullopt when the quoting is broken.
std::optional<std::vector<std::string>> SplitExec(std::string_view exec);

// The executable file a program name stands for: an absolute path as it is,
// a bare name through the search path; "" when it cannot be found.
std::string ResolveProgram(const std::string& program, const std::vector<std::string>& searchPath);

}  // namespace freedesktop

}  // namespace quellmark
