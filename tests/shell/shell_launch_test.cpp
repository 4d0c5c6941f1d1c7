// Finding the program that opens a file type, launching documents and
// addresses, and the error texts of failed launches.
#include "shell/shell_launch.h"

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/launch.h"
#include "shell/fake_file_types.h"
#include "shell/icon_world.h"

namespace quellmark {

namespace {

struct Launch {
    std::string verb, file, parameters;
    bool operator==(const Launch&) const = default;
};

struct Start {
    std::string program;
    std::vector<std::string> arguments;
    bool operator==(const Start&) const = default;
};

struct RecordingBox : TErrorBox {
    std::vector<std::string> shown;
    void ShowError(const std::string& message) override { shown.push_back(message); }
};

class ShellLaunchTest : public IconWorldTest {
protected:
    void SetUp() override {
        IconWorldTest::SetUp();
        program = MakeProgram("reader");
        context.fileTypes = types;
        context.errorBox = &box;
        context.shellExecute = [this](const std::string& verb, const std::string& file, const std::string& parameters) {
            launches.push_back({verb, file, parameters});
            return result;
        };
        context.startProgram = [this](const std::string& program, const std::vector<std::string>& arguments) {
            starts.push_back({program, arguments});
            return result;
        };
    }
    void Command(const std::string& extension, const std::string& command, bool machine = false) {
        const std::string id = extension.substr(1) + "file";
        (machine ? types->machine["Software\\Classes\\" + extension] : types->classes[extension]) = id;
        types->classes[id + "\\Shell\\Open\\Command"] = command;
    }

    std::shared_ptr<FakeFileTypes> types = std::make_shared<FakeFileTypes>();
    RecordingBox box;
    TShellContext context;
    std::vector<Launch> launches;
    std::vector<Start> starts;
    int result = 42;
    std::string program;
};

TEST_F(ShellLaunchTest, OnlyAQuotedOrExactProgramPathIsAnOpenCommand) {
    Command(".quoted", "\"" + program + "\" \"%1\"");
    Command(".exact", program);
    Command(".args", program + " %1");
    Command(".gone", "\"/nonexistent/reader\" \"%1\"");
    Command(".open", "\"" + program);
    Command(".blank", "");
    EXPECT_EQ(FindOpenCommand(*types, ".quoted"), program);
    EXPECT_EQ(FindOpenCommand(*types, ".exact"), program);
    EXPECT_EQ(FindOpenCommand(*types, ".args"), "");
    EXPECT_EQ(FindOpenCommand(*types, ".gone"), "");
    EXPECT_EQ(FindOpenCommand(*types, ".open"), "");
    EXPECT_EQ(FindOpenCommand(*types, ".blank"), "");
    EXPECT_EQ(FindOpenCommand(*types, ".none"), "");
    EXPECT_EQ(FindOpenCommand(*types, ""), "");
}

TEST_F(ShellLaunchTest, MachineAssociationIsTheSecondAttempt) {
    Command(".pdf", "\"/nonexistent/reader\" \"%1\"");
    Command(".pdf", "\"" + program + "\" \"%1\"", /*machine=*/true);  // its own identifier "pdffile" again
    types->classes[".pdf"] = "userpdf";
    types->classes["userpdf\\Shell\\Open\\Command"] = "\"/nonexistent/reader\" \"%1\"";
    EXPECT_EQ(FindOpenCommand(*types, ".pdf"), program);
    // Without a machine association the user's identifier stays, and its program is still gone.
    types->machine.clear();
    EXPECT_EQ(FindOpenCommand(*types, ".pdf"), "");
    // The machine alone knows the extension.
    Command(".mach", "\"" + program + "\" \"%1\"", /*machine=*/true);
    EXPECT_EQ(FindOpenCommand(*types, ".mach"), program);
}

TEST_F(ShellLaunchTest, FreedesktopDefaultApplicationsOpenDocuments) {
    const auto desktop = TFreedesktopFileTypes::FromEnvironment();
    EXPECT_EQ(FindOpenCommand(*desktop, ".txt"), Path("bin/user viewer"));
    EXPECT_EQ(FindOpenCommand(*desktop, ".quell"), Path("bin/viewer"));
    EXPECT_EQ(FindOpenCommand(*desktop, ".gone"), "");  // its program does not exist
    EXPECT_EQ(FindOpenCommand(*desktop, ".bare"), "");  // its program is on no path
    EXPECT_EQ(FindOpenCommand(*desktop, ".mine"), Path("bin/viewer"));
}

TEST_F(ShellLaunchTest, DocumentGoesToItsProgramOrToTheDefaultAction) {
    Command(".txt", "\"" + program + "\" \"%1\"");
    EXPECT_TRUE(LaunchDocument(context, "/scratch/my notes.txt", ""));
    EXPECT_TRUE(LaunchDocument(context, "/scratch/photo.jpg", ""));
    EXPECT_TRUE(LaunchDocument(context, "/scratch/page.html", "--new"));
    EXPECT_TRUE(LaunchDocument(context, "", "https://example.org/"));
    EXPECT_TRUE(ShellOpen(context, "https://example.org/", ""));
    EXPECT_TRUE(ShellOpen(context, "", "https://example.org/"));
    EXPECT_EQ(starts, (std::vector<Start>{{program, {"/scratch/my notes.txt"}}}));
    EXPECT_EQ(launches, (std::vector<Launch>{
                            {"", "/scratch/photo.jpg", ""},
                            {"", "/scratch/page.html", "--new"},
                            {"", "https://example.org/", ""},
                            {"", "https://example.org/", ""},
                            {"", "https://example.org/", ""},
                        }));
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(ShellLaunchTest, TheWholeOpenCommandStartsWithTheDocumentInItsPlace) {
    const std::string env = MakeProgram("env");
    Command(".env", "\"" + env + "\" \"VAR=1\" \"/usr/bin/prog\" \"%1\"");
    Command(".mid", "\"" + program + "\" \"--file=%1\" \"--percent=100%%\" \"say \\\"hi\\\"\"");
    Command(".none", "\"" + program + "\" \"--new\"");
    Command(".exact", program);
    // The machine's command, arguments and all, when the user's program is gone.
    Command(".gone", "\"/nonexistent/reader\" \"--user\" \"%1\"");
    Command(".gone", "\"" + program + "\" \"--machine\" \"%1\"", /*machine=*/true);
    const std::string document = "/scratch/a \"b\" 100%1";
    for (const char* extension : {".env", ".mid", ".none", ".exact", ".gone"})
        EXPECT_TRUE(LaunchDocument(context, document + extension, "")) << extension;
    EXPECT_EQ(starts, (std::vector<Start>{
                          {env, {"VAR=1", "/usr/bin/prog", document + ".env"}},
                          {program, {"--file=" + document + ".mid", "--percent=100%", "say \"hi\""}},
                          {program, {"--new", document + ".none"}},
                          {program, {document + ".exact"}},
                          {program, {"--machine", document + ".gone"}},
                      }));
    EXPECT_TRUE(launches.empty());

    result = ERROR_BAD_FORMAT;
    EXPECT_FALSE(LaunchDocument(context, "/scratch/x.env", ""));
    EXPECT_EQ(box.shown, std::vector<std::string>{"The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."});
}

TEST_F(ShellLaunchTest, FailedLaunchIsShownWhenItsCodeHasAText) {
    result = 31;
    EXPECT_FALSE(LaunchDocument(context, "/scratch/README", ""));
    EXPECT_EQ(box.shown, std::vector<std::string>{"There is no application associated with the given filename extension."});
    result = 2;
    EXPECT_FALSE(ShellOpen(context, "/scratch/missing", ""));
    EXPECT_EQ(box.shown.back(), "The specified file was not found.");
    result = 0;
    EXPECT_FALSE(LaunchDocument(context, "/scratch/a.txt", ""));
    result = 33;
    EXPECT_TRUE(ShellOpen(context, "/scratch/a.txt", ""));
    EXPECT_EQ(box.shown.size(), 2u);
}

// Real desktop entries, started for real: a recording program in the
// world's bin folder writes the arguments it was given, one per line.
class DesktopLaunchTest : public XdgWorldTest {
protected:
    void SetUp() override {
        XdgWorldTest::SetUp();
        context.shellExecute = [](const std::string& verb, const std::string& file, const std::string& parameters) {
            return ShellExecute(verb, file, parameters);
        };
        context.startProgram = [](const std::string& program, const std::vector<std::string>& arguments) {
            return StartProgram(program, arguments);
        };
        context.errorBox = &box;
        std::filesystem::create_symlink("/usr/bin/env", Path("bin/env"));
        for (const char* name : {"my recorder", "flatpak", "term"}) MakeRecorder(name);
        MakeProgram("editor");
        document = MakeFile("scratch/my notes $1.txt", "text\n");
    }
    void MakeRecorder(const std::string& name) {
        const std::string record = Path("record");
        const std::string path = MakeFile(
            "bin/" + name, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record + "'\n" +
                               "printf '%s' \"${VAR-unset}\" > '" + record + ".var'\n: > '" + record + ".done'\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    // Makes an entry with these lines the default application of plain text
    // (or names `defaults` instead), opens the document, and gives back the
    // arguments the started program wrote.
    std::vector<std::string> ArgumentsOfLaunch(const std::string& lines, const std::string& defaults = "case.desktop") {
        std::filesystem::remove(Path("record.done"));
        MakeFile("home/.local/share/applications/case.desktop", "[Desktop Entry]\nType=Application\n" + lines);
        MakeFile("home/.config/mimeapps.list", "[Default Applications]\ntext/plain=" + defaults + "\n");
        context.fileTypes = TFreedesktopFileTypes::FromEnvironment();
        if (!LaunchDocument(context, document, "")) return {"<failed to launch>"};
        for (int i = 0; i < 600 && !std::filesystem::exists(Path("record.done")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!std::filesystem::exists(Path("record.done"))) return {"<never ran>"};
        std::vector<std::string> arguments;
        std::istringstream record(ReadFile(Path("record")));
        for (std::string line; std::getline(record, line);) arguments.push_back(line);
        return arguments;
    }

    RecordingBox box;
    TShellContext context;
    std::string document;
};

TEST_F(DesktopLaunchTest, EveryWordOfTheExecLineReachesTheProgram) {
    using Arguments = std::vector<std::string>;
    const std::string recorder = "\"" + Path("bin/my recorder") + "\"";
    EXPECT_EQ(ArgumentsOfLaunch("Exec=env VAR=1 " + recorder + " %f\n"), Arguments{document});
    EXPECT_EQ(ReadFile(Path("record.var")), "1") << "env set the variable and started the program";
    EXPECT_EQ(ArgumentsOfLaunch("Exec=flatpak run --branch=stable org.example.App %U\n"),
              (Arguments{"run", "--branch=stable", "org.example.App", document}));

    ScopedEnv locale("LC_ALL", "de_DE.UTF-8");
    const std::string lines = "Exec=" + recorder + " %i %c %k --literal=100%% %d \"two words\" %F\n" +
                              "Icon=org.example.App\nName=Recorder\nName[de]=Aufnahme\n";
    EXPECT_EQ(ArgumentsOfLaunch(lines),
              (Arguments{"--icon", "org.example.App", "Aufnahme", Path("home/.local/share/applications/case.desktop"),
                         "--literal=100%", "two words", document}));
    EXPECT_EQ(ArgumentsOfLaunch("Exec=" + recorder + " --no-code\n"), (Arguments{"--no-code", document}));
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(DesktopLaunchTest, ATerminalProgramStartsInTheTerminalOrTheNextHandlerOpensIt) {
    using Arguments = std::vector<std::string>;
    const std::string lines = "Exec=editor --mode=text %f\nTerminal=true\n";
    MakeFile("home/.local/share/applications/next.desktop",
             "[Desktop Entry]\nType=Application\nExec=\"" + Path("bin/my recorder") + "\" --next %f\n");
    {
        ScopedEnv terminal("TERMINAL", "term");
        EXPECT_EQ(ArgumentsOfLaunch(lines, "case.desktop;next.desktop"),
                  (Arguments{"-e", Path("bin/editor"), "--mode=text", document}));
    }
    EXPECT_EQ(ArgumentsOfLaunch(lines, "case.desktop;next.desktop"), (Arguments{"--next", document}))
        << "no terminal emulator: passed over";
}

TEST_F(DesktopLaunchTest, AProgramThatCannotStartShowsTheCodesMessage) {
    MakeFile("bin/broken", "#!/nonexistent/interpreter\n");
    std::filesystem::permissions(Path("bin/broken"), std::filesystem::perms::owner_all);
    MakeFile("bin/not-executable", "#!/bin/sh\n");
    using Arguments = std::vector<std::string>;
    EXPECT_EQ(ArgumentsOfLaunch("Exec=broken %f\n"), Arguments{"<failed to launch>"});
    EXPECT_EQ(ArgumentsOfLaunch("Exec=" + Path("bin/not-executable") + " %f\n"), Arguments{"<failed to launch>"});
    EXPECT_EQ(box.shown, (std::vector<std::string>{
                             "The specified file was not found.",
                             "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).",
                         }));
}

TEST(ShowShellError, ShowsExactlyTheTextsOfTheListedCodes) {
    const std::map<int, std::string> texts = {
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "Windows 95 only: The operating system denied access to the specified file."},
        {8, "Windows 95 only: There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred."},
        {27, "The filename association is incomplete or invalid."},
        {28, "The DDE transaction could not be completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not be completed because other DDE transactions were being processed."},
        {31, "There is no application associated with the given filename extension."},
        {32, "Windows 95 only: The specified dynamic-link library was not found."},
    };
    for (int code = -2; code <= 70; ++code) {
        RecordingBox box;
        ShowShellError(box, code);
        const auto text = texts.find(code);
        if (text == texts.end())
            EXPECT_TRUE(box.shown.empty()) << code;
        else
            EXPECT_EQ(box.shown, std::vector<std::string>{text->second}) << code;
    }
}

}  // namespace

}  // namespace quellmark
