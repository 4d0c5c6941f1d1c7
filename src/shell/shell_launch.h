#pragma once
// Handing a document to the application its file type is opened with, and
// opening a file or address as the shell would.
#include <memory>
#include <string>

#include "platform/file_types.h"
#include "shell/shell_error.h"
#include "shell/shell_hooks.h"

namespace quellmark {

// Every member must be set before the first launch.
struct TShellContext {
    std::shared_ptr<const TFileTypeKeys> fileTypes;
    ShellExecuteHook shellExecute;
    TErrorBox* errorBox = nullptr;  // failures are shown here
    StartProgramHook startProgram;  // runs an open command with its arguments
};

// The full path of an existing program that opens files with this extension
// (".pdf", or ""), or "" when the file-type keys name none.
std::string FindOpenCommand(const TFileTypeKeys& fileTypes, const std::string& extension);

// Opens the document: without parameters with the open command whose program
// FindOpenCommand names, the document put into its arguments (or after them
// when they do not name it), else with the system's default action. Returns
// false, after showing the failure, when the launch failed.
bool LaunchDocument(const TShellContext& context, const std::string& document, const std::string& parameters);

// Opens a file or address with the system's default action.
bool ShellOpen(const TShellContext& context, const std::string& file, const std::string& parameters);

}  // namespace quellmark
