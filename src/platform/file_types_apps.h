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

// A command taken from a desktop entry: the program as the entry names it,
// and its arguments in the form of command_line.h ("%1" the document).
struct ExecCommand {
    std::string program;
    std::vector<std::string> arguments;
};

class MimeApps {
public:
    explicit MimeApps(const BaseDirs& dirs);

    // The command that opens a document with the default application of a
    // type: the program's full path and its arguments. An application that
    // runs in a terminal gets the terminal emulator as its program. nullopt
    // when there is no such application or its program cannot be found.
    // `names`: the type first, then its aliases.
    std::optional<ExecCommand> DefaultCommand(const std::vector<std::string>& names) const;
    // The desktop file ID of that application, or "".
    std::string DefaultApplication(const std::vector<std::string>& names) const;

private:
    struct Entry {
        std::string path;
        // Hidden, unreadable, without a command line we can run, or needing a
        // terminal when there is none.
        bool unusable = true;
        ExecCommand command;
        bool terminal = false;
        std::vector<std::string> mimeTypes;
    };
    const Entry* Installed(const std::string& id) const;

    BaseDirs dirs_;
    // The terminal emulator and the options before the command it is to run; empty when there is none.
    std::vector<std::string> terminal_;
    struct ListFile {
        std::string path;
        bool desktopSpecific;  // such a file may only name defaults
    };
    std::vector<ListFile> listFiles_;           // mimeapps.list files, most important first
    std::map<std::string, Entry> entries_;      // desktop file ID -> the entry that counts
    std::vector<std::string> entryOrder_;       // IDs in the order of their folders' precedence
};

// The words of a desktop entry's Exec value after its string escapes and
// quoting rules, field codes and "%%" still as written; nullopt when the
// quoting is broken.
std::optional<std::vector<std::string>> SplitExec(std::string_view exec);

// What the field codes of an Exec line stand for, besides the document.
struct DesktopEntryFields {
    std::string icon;      // the Icon value
    std::string name;      // the Name value in the user's language
    std::string location;  // the path of the desktop entry file
};

// An Exec line's words (as SplitExec gives them) with their field codes
// expanded: %f %F %u %U become the document, %i the two arguments "--icon" and
// the icon (none without an icon), %c the name, %k the location, %% a percent
// sign; the deprecated %d %D %n %N %v %m are dropped, and a word made of
// nothing else goes with them. A line that names no document gets it as its
// last argument. nullopt for a line that must not be run: no program, a field
// code in the program's name, an unknown field code, or %F %U %i inside a
// longer word.
std::optional<ExecCommand> ExpandFieldCodes(const std::vector<std::string>& words, const DesktopEntryFields& fields);

// The executable file a program name stands for: an absolute path as it is,
// a bare name through the search path; "" when it cannot be found.
std::string ResolveProgram(const std::string& program, const std::vector<std::string>& searchPath);

}  // namespace freedesktop

}  // namespace quellmark
