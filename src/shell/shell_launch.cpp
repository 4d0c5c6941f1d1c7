#include "shell/shell_launch.h"

#include "platform/command_line.h"
#include "shell/shell_paths.h"

namespace quellmark {

namespace {

// An open command: its program, and the rest of the command line after it.
struct OpenCommand {
    std::string program;
    std::string arguments;
};

// A command line that starts with a quoted program: that program, and what
// follows it as its arguments; an unclosed quotation names nothing. Other
// command lines are taken whole as the program.
OpenCommand ProgramOfCommand(const std::string& command) {
    if (command.empty() || command.front() != '"') return {command, {}};
    const std::size_t close = command.find('"', 1);
    if (close == std::string::npos) return {};
    return {command.substr(1, close - 1), command.substr(close + 1)};
}

OpenCommand LookUpOpenCommand(const TFileTypeKeys& fileTypes, const std::string& extension) {
    std::string line, programId;
    TReadOnlyRegistry registry(fileTypes, TRootKey::ClassesRoot);
    if (registry.OpenKeyReadOnly(extension)) programId = registry.ReadString("");
    registry.CloseKey();
    if (!programId.empty() && registry.OpenKeyReadOnly(programId + "\\Shell\\Open\\Command"))
        line = registry.ReadString("");
    registry.CloseKey();
    OpenCommand result = ProgramOfCommand(line);
    if (!result.program.empty() && FileExists(result.program)) return result;

    // Second attempt: the machine's own association, for a per-user one that leads nowhere.
    TReadOnlyRegistry machine(fileTypes, TRootKey::LocalMachine);
    if (machine.OpenKeyReadOnly("\\Software\\Classes\\" + extension)) programId = machine.ReadString("");
    if (!programId.empty() && registry.OpenKeyReadOnly(programId + "\\Shell\\Open\\Command"))
        result = ProgramOfCommand(registry.ReadString(""));
    registry.CloseKey();
    if (!result.program.empty() && !FileExists(result.program)) result = {};
    return result;
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
    return LookUpOpenCommand(fileTypes, extension).program;
}

bool LaunchDocument(const TShellContext& context, const std::string& document, const std::string& parameters) {
    int result;
    if (parameters.empty()) {
        const OpenCommand command = LookUpOpenCommand(*context.fileTypes, ExtractFileExt(document));
        // The document goes over as one argument, spaces and all.
        result = command.program.empty()
                     ? context.shellExecute("", document, "")
                     : context.startProgram(command.program, DocumentArguments(command.arguments, document));
    } else {
        result = DefaultAction(context, document, parameters);
    }
    return Launched(context, result);
}

bool ShellOpen(const TShellContext& context, const std::string& file, const std::string& parameters) {
    return Launched(context, DefaultAction(context, file, parameters));
}

}  // namespace quellmark
