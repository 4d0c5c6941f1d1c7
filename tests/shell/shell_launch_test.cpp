// Finding the program that opens a file type, launching documents and
// addresses, and the error texts of failed launches.
#include "shell/shell_launch.h"

#include "shell/fake_file_types.h"
#include "shell/icon_world.h"

namespace quellmark {

namespace {

struct Launch {
    std::string verb, file, parameters;
    bool operator==(const Launch&) const = default;
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
    EXPECT_EQ(launches, (std::vector<Launch>{
                            {"open", program, "/scratch/my notes.txt"},
                            {"", "/scratch/photo.jpg", ""},
                            {"", "/scratch/page.html", "--new"},
                            {"", "https://example.org/", ""},
                            {"", "https://example.org/", ""},
                            {"", "https://example.org/", ""},
                        }));
    EXPECT_TRUE(box.shown.empty());
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
