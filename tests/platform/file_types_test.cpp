// The file-type keys read from a fixture freedesktop world.
#include "platform/file_types.h"

#include <filesystem>

#include "platform/command_line.h"
#include "platform/file_types_apps.h"
#include "platform/file_types_key_file.h"
#include "xdg_world.h"

namespace quellmark {

namespace {

class FileTypeKeysTest : public XdgWorldTest {
protected:
    std::optional<std::string> Classes(const std::string& key) const {
        return types->DefaultValue(TRootKey::ClassesRoot, key);
    }
    std::optional<std::string> Machine(const std::string& key) const {
        return types->DefaultValue(TRootKey::LocalMachine, "Software\\Classes\\" + key);
    }
    void SetUp() override {
        XdgWorldTest::SetUp();
        types = TFreedesktopFileTypes::FromEnvironment();
    }
    std::shared_ptr<const TFreedesktopFileTypes> types;
};

TEST_F(FileTypeKeysTest, ExtensionKeysHoldTheMimeTypeOfTheirGlob) {
    EXPECT_EQ(Classes(".txt"), "text/plain");
    EXPECT_EQ(Classes(".TXT"), "text/plain");  // globs ignore letter case...
    EXPECT_EQ(Classes(".Qm"), "text/x-upper");  // ...but a case-sensitive match comes first
    EXPECT_EQ(Classes(".qm"), "text/x-lower");
    EXPECT_EQ(Classes(".dup"), "text/x-heavy");
    EXPECT_EQ(Classes(".nothing"), std::nullopt);
    EXPECT_EQ(Classes(".txt\\More"), std::nullopt);
    EXPECT_EQ(Classes(""), "");  // the root

    // The user's MIME package adds .mine and closes the system's globs of one type.
    EXPECT_EQ(Classes(".mine"), "application/x-mine");
    EXPECT_EQ(Classes(".new"), "text/x-user-sealed");
    EXPECT_EQ(Classes(".old"), std::nullopt);
    EXPECT_EQ(Machine(".mine"), std::nullopt);
    EXPECT_EQ(Machine(".old"), "text/x-user-sealed");
    EXPECT_EQ(Machine(".txt"), "text/plain");
    EXPECT_EQ(types->DefaultValue(TRootKey::LocalMachine, "Software\\Other\\.txt"), std::nullopt);
}

TEST_F(FileTypeKeysTest, DefaultIconIsTheThemeFileNearest32PixelsWithIndexZero) {
    const std::string icons = Path("usr/share/icons/");
    EXPECT_EQ(Classes("\\text/plain\\DefaultIcon"), icons + "Fixture/32x32/mimetypes/text-plain.png,0");
    EXPECT_EQ(Classes("TEXT/PLAIN\\defaulticon"), icons + "Fixture/32x32/mimetypes/text-plain.png,0");
    EXPECT_EQ(Classes("text/x-legacy\\DefaultIcon"), icons + "Fixture/32x32/mimetypes/text-plain.png,0");
    // From the generic-icons file, found only in the inherited hicolor at 48 px.
    EXPECT_EQ(Classes("text/x-quell\\DefaultIcon"), icons + "hicolor/48x48/mimetypes/text-x-generic.png,0");
    // From the icons file, at the nearest size the theme has.
    EXPECT_EQ(Classes("application/x-gone\\DefaultIcon"), icons + "Fixture/16x16/mimetypes/gone-icon.png,0");
    // Only in a folder the theme does not list.
    EXPECT_EQ(Classes("image/x-bare\\DefaultIcon"), std::nullopt);
    EXPECT_EQ(Classes("image/x-bare"), "");
    EXPECT_EQ(Classes("text/x-unheard-of"), std::nullopt);
}

TEST_F(FileTypeKeysTest, DefaultIconIsTakenAtTheSizeInPixelsAsked) {
    // A scaled screen asks for more pixels; a smaller size stands in for it here.
    MakeFile("usr/share/icons/Fixture/16x16/mimetypes/text-plain.png", "icon");
    const std::string icons = Path("usr/share/icons/");
    const auto small = TFreedesktopFileTypes::FromEnvironment({}, 16);
    EXPECT_EQ(small->DefaultValue(TRootKey::ClassesRoot, "text/plain\\DefaultIcon"),
              icons + "Fixture/16x16/mimetypes/text-plain.png,0");
    EXPECT_EQ(Classes("text/plain\\DefaultIcon"), icons + "Fixture/32x32/mimetypes/text-plain.png,0");
}

TEST_F(FileTypeKeysTest, OpenCommandIsTheDefaultApplicationsWholeCommandLine) {
    // The program quoted as it is, then every argument, the document as "%1".
    const std::string viewer = "\"" + Path("bin/viewer") + "\" \"%1\"";
    // The user's mimeapps.list comes first; the machine's view never sees it.
    EXPECT_EQ(Classes("text/plain\\Shell\\Open\\Command"), "\"" + Path("bin/user viewer") + "\" \"--new\" \"%1\"");
    EXPECT_EQ(Machine("text/plain\\Shell\\Open\\Command"), viewer);
    EXPECT_EQ(Classes("text/plain\\shell\\open"), "");
    // A default that is not installed gives way to the next one listed.
    EXPECT_EQ(Classes("text/x-quell\\Shell\\Open\\Command"), viewer);
    // A hidden entry counts as removed: the entry that lists the type takes over.
    EXPECT_EQ(Classes("text/x-hidden\\Shell\\Open\\Command"), viewer);
    // An absolute program is named even when it is gone; a bare one must be on the path.
    EXPECT_EQ(Classes("application/x-gone\\Shell\\Open\\Command"), "\"/nonexistent/gone-app\" \"%1\"");
    EXPECT_EQ(Classes("image/x-bare\\Shell\\Open\\Command"), std::nullopt);
    EXPECT_EQ(Classes("image/x-bare\\Shell"), std::nullopt);
    // A program that needs a terminal, and there is no terminal emulator.
    EXPECT_EQ(Classes("text/x-term\\Shell\\Open\\Command"), std::nullopt);
    // The user's own desktop entry is the user's file too.
    EXPECT_EQ(Classes("application/x-mine\\Shell\\Open\\Command"), viewer);
    EXPECT_EQ(Machine("application/x-mine\\Shell\\Open\\Command"), std::nullopt);
}

// Desktop entries of the user's, each the default application of one type.
class ExecLineTest : public FileTypeKeysTest {
protected:
    void SetUp() override {
        FileTypeKeysTest::SetUp();
        MakeFile("home/.local/share/mime/globs2", "50:application/x-case:*.case\n50:application/x-next:*.next\n");
        MakeProgram("env");
        MakeProgram("flatpak");
        MakeProgram("term");
    }
    // The open command of an entry with these lines, as the default of the type.
    std::optional<std::string> CommandOf(const std::string& lines) {
        MakeFile("home/.local/share/applications/case.desktop", "[Desktop Entry]\nType=Application\n" + lines);
        MakeFile("home/.config/mimeapps.list", "[Default Applications]\napplication/x-case=case.desktop\n");
        return TFreedesktopFileTypes::FromEnvironment()->DefaultValue(TRootKey::ClassesRoot,
                                                                        "application/x-case\\Shell\\Open\\Command");
    }
    std::string Bin(const std::string& name) const { return "\"" + Path("bin/" + name) + "\""; }
};

TEST_F(ExecLineTest, EveryWordOfTheExecLineIsKeptWithItsFieldCodesExpanded) {
    ScopedEnv locale("LC_ALL", "de_DE.UTF-8");
    EXPECT_EQ(CommandOf("Exec=env VAR=1 /usr/bin/prog %f\n"), Bin("env") + " \"VAR=1\" \"/usr/bin/prog\" \"%1\"");
    EXPECT_EQ(CommandOf("Exec=flatpak run --branch=stable org.example.App %U\n"),
              Bin("flatpak") + " \"run\" \"--branch=stable\" \"org.example.App\" \"%1\"");
    // Quoting and escapes undone, then quoted again for the command line; a
    // percent sign of the line's own is kept apart from the document's "%1".
    EXPECT_EQ(CommandOf(R"(Exec=viewer "say \"hi\"" "a\\\\b" 100%%1 --url=%u)" "\n"),
              Bin("viewer") + R"( "say \"hi\"" "a\\b" "100%%1" "--url=%1")");
    // %i %c %k from the entry; the deprecated codes leave nothing behind.
    const std::string entry = Path("home/.local/share/applications/case.desktop");
    EXPECT_EQ(CommandOf("Exec=viewer %i %c %k %d --dir=%D %n%N %v %m %F\nIcon=org.example.App\n"
                        "Name=Viewer 100%\nName[de]=Betrachter\nName[de_AT]=Anzeiger\n"),
              Bin("viewer") + " \"--icon\" \"org.example.App\" \"Betrachter\" \"" + entry + "\" \"--dir=\" \"%1\"");
    EXPECT_EQ(CommandOf("Exec=viewer %i --name=%c\nName=Viewer 100%\n"), Bin("viewer") + " \"--name=Viewer 100%%\" \"%1\"")
        << "no icon: %i is nothing; no document code: the document comes last";
    {
        ScopedEnv austrian("LC_ALL", "de_AT@euro");
        EXPECT_EQ(CommandOf("Exec=viewer %c %f\nName=Viewer\nName[de]=Betrachter\nName[de_AT]=Anzeiger\n"),
                  Bin("viewer") + " \"Anzeiger\" \"%1\"");
    }
}

TEST_F(ExecLineTest, ALineThatMustNotRunGivesNoCommand) {
    EXPECT_EQ(CommandOf("Exec=viewer %x %f\n"), std::nullopt) << "an unknown field code";
    EXPECT_EQ(CommandOf("Exec=viewer --files=%F\n"), std::nullopt) << "%F inside a word";
    EXPECT_EQ(CommandOf("Exec=viewer -%i\nIcon=x\n"), std::nullopt) << "%i inside a word";
    EXPECT_EQ(CommandOf("Exec=%f\n"), std::nullopt) << "a field code as the program";
    EXPECT_EQ(CommandOf("Exec=\"viewer %f\n"), std::nullopt) << "broken quoting";
    EXPECT_EQ(CommandOf("Exec=\n"), std::nullopt);
    EXPECT_EQ(CommandOf("Exec=viewer %f\n"), Bin("viewer") + " \"%1\"");
}

TEST_F(ExecLineTest, ATerminalProgramRunsInTheUsersTerminalOrGivesWayToTheNextHandler) {
    const std::string lines = "Exec=viewer --mode=text %f\nTerminal=true\nMimeType=application/x-case;\n";
    const std::string inTerminal = " \"" + Path("bin/viewer") + "\" \"--mode=text\" \"%1\"";
    {
        ScopedEnv terminal("TERMINAL", "term");
        EXPECT_EQ(CommandOf(lines), Bin("term") + " \"-e\"" + inTerminal);
    }
    {
        ScopedEnv terminal("TERMINAL", Path("bin/term") + " --hold -x");
        EXPECT_EQ(CommandOf(lines), Bin("term") + " \"--hold\" \"-x\"" + inTerminal) << "options of the user's own";
    }
    {
        ScopedEnv terminal("TERMINAL", "no-such-terminal");
        MakeProgram("x-terminal-emulator");
        EXPECT_EQ(CommandOf(lines), Bin("x-terminal-emulator") + " \"-e\"" + inTerminal) << "the system's choice";
        std::filesystem::remove(Path("bin/x-terminal-emulator"));
    }
    // No terminal emulator at all: the next application of the type opens it.
    MakeFile("home/.local/share/applications/next.desktop",
             "[Desktop Entry]\nType=Application\nExec=flatpak run org.example.Next\nMimeType=application/x-case;\n");
    EXPECT_EQ(CommandOf(lines), Bin("flatpak") + " \"run\" \"org.example.Next\" \"%1\"");
    std::filesystem::remove(Path("home/.local/share/applications/next.desktop"));
    EXPECT_EQ(CommandOf(lines), std::nullopt);
}

TEST_F(ExecLineTest, TheCommandLineGivesBackEveryArgumentWithTheDocumentInPlace) {
    const std::vector<std::string> arguments = {"run", "", "a \"quoted\" \\ word", LiteralArgument("100%1 %%"),
                                                "--file=%1", "%1"};
    const std::string line = MakeCommandLine("/opt/my app/run", arguments);
    ASSERT_EQ(line.rfind("\"/opt/my app/run\" ", 0), 0u) << line;
    const std::string document = "/scratch/my \"notes\" %1 100%.txt";
    EXPECT_EQ(DocumentArguments(line.substr(line.find('"', 1) + 1), document),
              (std::vector<std::string>{"run", "", "a \"quoted\" \\ word", "100%1 %%", "--file=" + document, document}));
    // A command line of another hand: unquoted words, no document named, an unclosed quotation.
    EXPECT_EQ(DocumentArguments(R"( /x a\b "c d)", "doc"), (std::vector<std::string>{"/x", R"(a\b)", "c d", "doc"}));
    EXPECT_EQ(DocumentArguments("", "doc"), std::vector<std::string>{"doc"});
}

TEST_F(FileTypeKeysTest, RegistryCursorOpensRelativeToTheOpenKey) {
    const std::string command = std::string("\"").append(Path("bin/user viewer")).append("\" \"--new\" \"%1\"");
    TReadOnlyRegistry registry(*types);
    EXPECT_EQ(registry.ReadString(""), "");  // nothing open
    ASSERT_TRUE(registry.OpenKeyReadOnly("text/plain"));
    EXPECT_TRUE(registry.KeyExists("DefaultIcon"));
    EXPECT_FALSE(registry.KeyExists("\\DefaultIcon"));
    ASSERT_TRUE(registry.OpenKeyReadOnly("Shell\\Open\\Command"));
    EXPECT_EQ(registry.ReadString(""), command);
    EXPECT_EQ(registry.ReadString("Other"), "");
    EXPECT_FALSE(registry.OpenKeyReadOnly("\\.nothing"));
    EXPECT_EQ(registry.ReadString(""), command);  // a failed open keeps the key

    registry.SetRootKey(TRootKey::LocalMachine);
    EXPECT_EQ(registry.ReadString(""), "");
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\Software\\Classes\\.txt"));
    EXPECT_EQ(registry.ReadString(""), "text/plain");
}

TEST(DesktopEntryExec, ProgramAndArgumentsFollowTheQuotingRules) {
    using freedesktop::SplitExec;
    using Words = std::vector<std::string>;
    EXPECT_EQ(SplitExec("viewer %f"), (Words{"viewer", "%f"}));
    EXPECT_EQ(SplitExec("  \"/opt/my app/run\"  --x %U "), (Words{"/opt/my app/run", "--x", "%U"}));
    EXPECT_EQ(SplitExec(R"("a \"q\" \\\\ \$b")"), (Words{R"(a "q" \ $b)"}));
    EXPECT_EQ(SplitExec(R"("my\sprogram" a\sb 100%%)"), (Words{"my program", "a", "b", "100%%"}))
        << "field codes and their escape are left to the expansion";
    EXPECT_EQ(SplitExec(R"(prog "" x)"), (Words{"prog", "", "x"})) << "an empty argument stays one";
    EXPECT_EQ(SplitExec("\"unclosed %f"), std::nullopt);
    EXPECT_EQ(SplitExec(""), Words{});
}

TEST(DesktopEntryExec, FieldCodesExpandOnce) {
    using freedesktop::ExpandFieldCodes;
    const freedesktop::DesktopEntryFields fields{"icon", "Name %f", "/apps/x.desktop"};
    auto expand = [&](std::vector<std::string> words) { return ExpandFieldCodes(words, fields); };
    auto arguments = [&](std::vector<std::string> words) {
        const auto command = ExpandFieldCodes(words, fields);
        return command ? command->arguments : std::vector<std::string>{"<invalid>"};
    };
    using Words = std::vector<std::string>;
    EXPECT_EQ(arguments({"p", "%c", "%%f", "%k"}), (Words{"Name %%f", "%%f", "/apps/x.desktop", "%1"}))
        << "what a code puts in is not read for codes again";
    EXPECT_EQ(arguments({"p", "-%u-", "%i", "50%", "%"}), (Words{"-%1-", "--icon", "icon", "50%%", "%%"}));
    EXPECT_EQ(arguments({"p", "%m", "a%vb", ""}), (Words{"ab", "", "%1"}));
    EXPECT_EQ(arguments({"p", "%f", "%U"}), (Words{"%1", "%1"}));
    EXPECT_EQ(expand({"/opt/100%%/run%", "%f"})->program, "/opt/100%/run%");
    EXPECT_EQ(expand({"p", "%z"}), std::nullopt);
    EXPECT_EQ(expand({"p", "x%U"}), std::nullopt);
    EXPECT_EQ(expand({"p%c"}), std::nullopt);
    EXPECT_EQ(expand({"%d"}), std::nullopt);
    EXPECT_EQ(expand({}), std::nullopt);
}

TEST(DesktopEntryExec, TranslatedValuesFollowTheLocale) {
    const auto file = freedesktop::KeyFile::Parse(
        "[Desktop Entry]\nName=Plain\nName[sr]=Lang\nName[sr_YU]=Country\nName[sr@Latn]=Modifier\n"
        "Name[sr_YU@Latn]=Both\n");
    auto name = [&](std::string_view locale) { return file.LocalizedValueOr("Desktop Entry", "Name", locale, "-"); };
    EXPECT_EQ(name("sr_YU.UTF-8@Latn"), "Both");
    EXPECT_EQ(name("sr_YU.UTF-8"), "Country");
    EXPECT_EQ(name("sr_CS@Latn"), "Modifier");
    EXPECT_EQ(name("sr_CS"), "Lang");
    EXPECT_EQ(name("sr"), "Lang");
    EXPECT_EQ(name("de_DE"), "Plain");
    EXPECT_EQ(name("C"), "Plain");
    EXPECT_EQ(name(""), "Plain");
    EXPECT_EQ(file.LocalizedValueOr("Desktop Entry", "Comment", "sr", "-"), "-");
}

}  // namespace

}  // namespace quellmark
