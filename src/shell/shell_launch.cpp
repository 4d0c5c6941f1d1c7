#include "shell/shell_launch.h"

#include "shell/shell_paths.h"

namespace quellmark {

namespace {

// A command line that starts with a quoted program keeps only that program;
// an unclosed quotation names nothing. Other command lines stay whole.
std::string ProgramOfCommand(const std::string& command) {
    if (command.empty() || command.front() != '"') return command;
    const std::size_t close = command.find('"', 1);
    return close == std::string::npos ? std::string() : command.substr(1, close - 1);
}

bool Launched(const TShellContext& context, int result) {
    if (result > 32) return true;
    if (context.errorBox) ShowShellError(*context.errorBox, result);
    return false;
}

int DefaultAction(const TShellContext& context, const std::string& file, const std::string& parameters) {
    if (file.empty() && !parameters.empty()) return context.shellExecute("", parameters, "");
    return context.shellExecute("", file, parameters);
}

}  // namespace

std::string FindOpenCommand(const TFileTypeKeys& fileTypes, const std::string& extension) {
    std::string result, programId;
    TReadOnlyRegistry registry(fileTypes, TRootKey::ClassesRoot);
    if (registry.OpenKeyReadOnly(extension)) programId = registry.ReadString("");
    registry.CloseKey();
    if (!programId.empty() && registry.OpenKeyReadOnly(programId + "\\Shell\\Open\\Command"))
        result = registry.ReadString("");
    registry.CloseKey();
    result = ProgramOfCommand(result);
    if (!result.empty() && FileExists(result)) return result;

    // Second attempt: the machine's own association, for a per-user one that leads nowhere.
    TReadOnlyRegistry machine(fileTypes, TRootKey::LocalMachine);
    if (machine.OpenKeyReadOnly("\\Software\\Classes\\" + extension)) programId = machine.ReadString("");
    if (!programId.empty() && registry.OpenKeyReadOnly(programId + "\\Shell\\Open\\Command"))
        result = registry.ReadString("");
    registry.CloseKey();
    result = ProgramOfCommand(result);
    if (!result.empty() && !FileExists(result)) result.clear();
    return result;
}

bool LaunchDocument(const TShellContext& context, const std::string& document, const std::string& parameters) {
    int result;
    if (parameters.empty()) {
        const std::string program = FindOpenCommand(*context.fileTypes, ExtractFileExt(document));
        // The launcher hands the document over as one argument, spaces and all.
        result = program.empty() ? context.shellExecute("", document, "")
                                 : context.shellExecute("open", program, document);
    } else {
        result = DefaultAction(context, document, parameters);
    }
    return Launched(context, result);
}

bool ShellOpen(const TShellContext& context, const std::string& file, const std::string& parameters) {
    return Launched(context, DefaultAction(context, file, parameters));
}

}  // namespace quellmark
