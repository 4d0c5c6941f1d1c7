#pragma once
/* The registry export text form that regedit reads and writes:

     Windows Registry Editor Version 5.00

     [HKEY_CURRENT_USER\Software\Brindlecor\ozvDecoder]
     "data"=hex:3f,a0,\
       17
     "Remember"=dword:00000001
     @="default value"

   We write UTF-8 with CRLF line ends. We read UTF-8 (with or without a byte
   order mark) or regedit's own UTF-16LE, with either line end, `;` comments,
   and the backslash line continuations of long hex values. */
#include <string>
#include <string_view>

#include "base/exception.h"
#include "platform/registry_tree.h"

namespace quellmark {

inline constexpr std::string_view kRegistryTextHeader = "Windows Registry Editor Version 5.00";

// A text that is not a registry file; the message names the line.
class ERegistryTextError : public Exception {
public:
    ERegistryTextError(int line, const std::string& reason)
        : Exception("line " + std::to_string(line) + ": " + reason), line_(line) {}
    int Line() const { return line_; }

private:
    int line_;
};

std::string FormatRegistryText(const RegistryTree& tree);
RegistryTree ParseRegistryText(std::string_view bytes);

// Whether a value or key name can stand in the text form: valid UTF-8 and
// no control characters (a line break would end the line early).
bool IsStorableRegistryName(std::string_view name);

}  // namespace quellmark
