#pragma once
// The command lines that the file-type keys hold under "Shell\Open\Command":
//
//   "<program path>" "<argument>" "<argument>" ...
//
// The program's path stands between double quotation marks as it is, so that
// the text between the first two marks is always the program. Every argument
// follows in double quotation marks of its own, a quotation mark or backslash
// in it preceded by a backslash. Inside an argument "%1" stands for the
// document to open and "%%" for a percent sign; a command line without "%1"
// takes the document as its last argument.
#include <string>
#include <string_view>
#include <vector>

namespace quellmark {

// What stands for the document in an argument.
inline constexpr std::string_view kDocumentArgument = "%1";

// Text as an argument that holds it literally: every "%" doubled.
std::string LiteralArgument(std::string_view text);

// The command line of a program (which must not hold a quotation mark) and
// its arguments, each already in argument form (see LiteralArgument).
std::string MakeCommandLine(const std::string& program, const std::vector<std::string>& arguments);

// The arguments that follow the program in a command line, for one document:
// the quoting undone, "%1" replaced by the document and "%%" by "%". Outside
// quotation marks a backslash is an ordinary character; a quotation that is
// never closed runs to the end of the line.
std::vector<std::string> DocumentArguments(std::string_view arguments, const std::string& document);

}  // namespace quellmark
