// The main window's logic, answered by script: start-up, opening, passwords
// and the scratch directory.
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <optional>
#include <sys/stat.h>

#include "app/form1.h"
#include "base/exception.h"
#include "cabinet/cab_writer.h"
#include "container/container_writer.h"
#include "scoped_env.h"
#include "scoped_tmpfs.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

// Records what the window shows and answers its questions from queues.
struct ScriptedUi : TFormUi {
    std::deque<std::optional<PasswordEntry>> passwordAnswers;
    std::deque<bool> yesNoAnswers;
    std::deque<std::optional<std::string>> openAnswers;
    std::vector<std::string> shown;  // every dialog and box, in order
    std::vector<std::string> listed;
    bool closed = false;

    std::optional<PasswordEntry> AskPassword(const PasswordEntry& initial) override {
        shown.push_back("password dialog" + std::string(initial.remember ? " (filled)" : ""));
        auto answer = passwordAnswers.at(0);
        passwordAnswers.pop_front();
        return answer;
    }
    void ShowError(const std::string& text) override { shown.push_back("error: " + text); }
    void ShowMessage(const std::string& text) override { shown.push_back("message: " + text); }
    bool AskYesNo(const std::string& text) override {
        shown.push_back("question: " + text);
        bool answer = yesNoAnswers.at(0);
        yesNoAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> ChooseContainer() override {
        auto answer = openAnswers.at(0);
        openAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> selected;
    std::deque<std::optional<std::string>> saveAnswers;
    std::vector<std::string> saveDialogs;  // "name in directory" of each save dialog
    std::vector<std::string> launched;

    void ClearList() override { listed.clear(); }
    void AddListItem(const std::string& caption, int) override { listed.push_back(caption); }
    std::vector<std::string> ListItems() override { return listed; }
    std::optional<std::string> SelectedItem() override { return selected; }
    std::optional<std::string> ChooseSaveTarget(const std::string& fileName, const std::string& directory) override {
        saveDialogs.push_back(fileName + " in " + directory);
        auto answer = saveAnswers.at(0);
        saveAnswers.pop_front();
        return answer;
    }
    void LaunchDocument(const std::string& path) override { launched.push_back(path); }
    void ResetIcons() override {}
    int iconLookupsBeforeFailure = -1;  // -1: the icon lookup never fails
    int IconIndexFor(const std::string&) override {
        if (iconLookupsBeforeFailure == 0) throw Exception("No icon for you");
        if (iconLookupsBeforeFailure > 0) --iconLookupsBeforeFailure;
        return 0;
    }
    void CloseWindow() override { closed = true; }
};

struct MemoryStore : TPasswordStore {
    PasswordEntry stored;
    int saves = 0;
    bool failLoad = false;
    PasswordEntry Load() override {
        if (failLoad) throw Exception("Invalid data type for 'data'");
        return stored;
    }
    void Save(const PasswordEntry& entry) override {
        stored = entry;
        ++saves;
    }
};

class Form1Test : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        cacheHome.emplace("XDG_CACHE_HOME", (root / "cache").string());
        std::filesystem::create_directories(root / "cache");
        container = (root / "mail.ozv").string();
        WriteCabinet((root / "body.cab").string(), {{MakeFile("src/a.txt", "A"), "a.txt"}, {MakeFile("src/b.txt", "B"), "docs/b.txt"}}, true);
        WriteContainer((root / "body.cab").string(), container, 1, "right");
    }
    std::unique_ptr<TForm1> Start(std::optional<std::string> argument) {
        auto form = std::make_unique<TForm1>(ui, store, std::move(argument), (root / "bin").string());
        form->FormCreate();
        form->FormActivate();
        return form;
    }
    std::optional<ScopedEnv> cacheHome;  // the scratch directories go below root for this test
    ScriptedUi ui;
    MemoryStore store;
    std::string container;
};

const std::string kQuestion = "question: Your Password is Incorrect. Would you like to enter a new one now?";

TEST_F(Form1Test, WithoutArgumentsTheDialogShowsOnlyWhenNoPasswordIsRemembered) {
    ui.passwordAnswers.push_back(PasswordEntry{"typed", true});
    auto form = Start(std::nullopt);
    EXPECT_EQ(ui.shown, std::vector<std::string>{"password dialog"});
    EXPECT_EQ(store.saves, 1);
    EXPECT_EQ(store.stored.password, "typed");
    EXPECT_EQ(form->scratchDir, (root / "cache" / "quellmark" / "scratch").string());

    ScriptedUi quiet;
    TForm1 again(quiet, store, std::nullopt, "/nowhere");
    again.FormCreate();
    again.FormActivate();
    again.FormActivate();  // a second activation runs nothing again
    EXPECT_TRUE(quiet.shown.empty());
    EXPECT_TRUE(quiet.listed.empty());
    struct stat info{};
    ASSERT_EQ(stat(again.scratchDir.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(Form1Test, AWrongRememberedPasswordAsksThenTheRightOneListsTheFiles) {
    store.stored = {"wrong", true};
    ui.yesNoAnswers.push_back(true);
    ui.passwordAnswers.push_back(PasswordEntry{"right", false});
    auto form = Start(container);
    EXPECT_EQ(ui.shown, (std::vector<std::string>{kQuestion, "password dialog"}));
    EXPECT_EQ(ui.listed, (std::vector<std::string>{"a.txt", "docs/b.txt"}));
    EXPECT_FALSE(form->lastOpenFailed);
    EXPECT_FALSE(form->startupOpen);
    EXPECT_EQ(store.stored.password, "right");
    EXPECT_FALSE(store.stored.remember);
    std::ifstream probe(form->scratchDir + "/TEST.TXT", std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(probe)), {});
    EXPECT_EQ(content, "TEST\r\n");
}

TEST_F(Form1Test, NoToTheQuestionEndsTheStartUpAndChangePasswordReopensTheArgument) {
    store.stored = {"wrong", true};
    ui.yesNoAnswers.push_back(false);
    auto form = Start(container);
    EXPECT_EQ(ui.shown, std::vector<std::string>{kQuestion});
    EXPECT_TRUE(ui.listed.empty());
    EXPECT_TRUE(form->lastOpenFailed);

    // The dialog comes filled while the password is remembered; a wrong new
    // one now gives the error box, never the question.
    ui.passwordAnswers.push_back(PasswordEntry{"still wrong", true});
    form->ChangePassword1Click();
    EXPECT_EQ(ui.shown.back(), "error: Invalid Password");
    EXPECT_EQ(ui.shown[ui.shown.size() - 2], "password dialog (filled)");
    ui.passwordAnswers.push_back(PasswordEntry{"right", true});
    form->ChangePassword1Click();
    EXPECT_EQ(ui.listed.size(), 2u);
    // After a success, changing the password opens nothing.
    ui.passwordAnswers.push_back(PasswordEntry{"other", true});
    ui.listed.clear();
    form->ChangePassword1Click();
    EXPECT_TRUE(ui.listed.empty());
}

TEST_F(Form1Test, AMissingArgumentFileGivesOnlyItsMessage) {
    auto form = Start((root / "gone.ozv").string());
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0], "message: There was a problem decrypting your attachment (\"" + (root / "gone.ozv").string() +
                               "\")\r\nIf you are opening the attachment directory from an e-mail,\r\n"
                               "You may want to try saving it and double-clicking the saved file instead");
}

TEST_F(Form1Test, FileOpenReportsInvalidPasswordAndCancelledDialogsChangeNothing) {
    store.stored = {"wrong", true};
    auto form = Start(std::nullopt);
    ui.openAnswers.push_back(container);
    form->Open1Click();
    EXPECT_EQ(ui.shown, std::vector<std::string>{"error: Invalid Password"});
    ui.openAnswers.push_back(std::nullopt);
    form->Open1Click();
    EXPECT_EQ(ui.shown.size(), 1u);
    ui.passwordAnswers.push_back(std::nullopt);
    form->ChangePassword1Click();
    EXPECT_EQ(store.saves, 0);
    EXPECT_EQ(form->password, "wrong");
    // A failed File > Open is not re-opened by Change Password when there is no argument.
    ui.passwordAnswers.push_back(PasswordEntry{"right", true});
    form->ChangePassword1Click();
    EXPECT_TRUE(ui.listed.empty());
    ui.openAnswers.push_back(container);
    form->Open1Click();
    EXPECT_EQ(ui.listed.size(), 2u);
}

TEST_F(Form1Test, AnUnusableScratchDirectoryEndsTheProgramWithThePermissionsMessage) {
    store.failLoad = true;
    TForm1 form(ui, store, container, (root / "bin").string());
    EXPECT_THROW(form.FormCreate(), Exception);
    EXPECT_TRUE(form.scratchDir.empty());
    form.FormActivate();
    form.FormActivate();  // the activation that follows the closed message box
    EXPECT_EQ(ui.shown, std::vector<std::string>{std::string("error: ") + kPermissionsMessage});
    EXPECT_TRUE(ui.closed);
    form.FormClose();  // nothing to clean
}

TEST_F(Form1Test, TheProbeFailureIsAnErrorBoxEvenAtStartUp) {
    store.stored = {"right", true};
    TForm1 form(ui, store, container, (root / "bin").string());
    form.FormCreate();
    std::filesystem::remove_all(form.scratchDir);
    form.FormActivate();
    EXPECT_EQ(ui.shown, std::vector<std::string>{std::string("error: ") + kDirectoryPermissionsMessage});
    EXPECT_TRUE(form.lastOpenFailed);
}

TEST_F(Form1Test, ClosingDeletesPlainFilesOnly) {
    store.stored = {"right", true};
    auto form = Start(container);
    const std::string scratch = form->scratchDir;
    MakeFile("cache/quellmark/scratch/.hidden", "h");
    const std::string locked = MakeFile("cache/quellmark/scratch/locked.txt", "l");
    chmod(locked.c_str(), 0444);
    form->FormClose();
    EXPECT_FALSE(std::filesystem::exists(scratch + "/a.txt"));
    EXPECT_FALSE(std::filesystem::exists(scratch + "/TEST.TXT"));
    EXPECT_TRUE(std::filesystem::exists(scratch + "/docs/b.txt"));
    EXPECT_TRUE(std::filesystem::exists(scratch + "/.hidden"));
    EXPECT_TRUE(std::filesystem::exists(locked));
}

TEST_F(Form1Test, MenusFollowTheListAndSaveAllSkipsACancelledItem) {
    ui.passwordAnswers.push_back(std::nullopt);
    auto form = Start(std::nullopt);
    auto commands = form->EnabledFileCommands();
    EXPECT_FALSE(commands.view || commands.save || commands.saveAll);

    store.stored = {"right", true};
    ScriptedUi ui2;
    TForm1 opened(ui2, store, container, (root / "bin").string());
    opened.FormCreate();
    opened.FormActivate();
    ASSERT_EQ(ui2.listed.size(), 2u);
    commands = opened.EnabledFileCommands();
    EXPECT_FALSE(commands.view || commands.save);
    EXPECT_TRUE(commands.saveAll);
    ui2.selected = "docs/b.txt";
    commands = opened.EnabledFileCommands();
    EXPECT_TRUE(commands.view && commands.save && commands.saveAll);
    opened.View1Click();
    EXPECT_EQ(ui2.launched, std::vector<std::string>{opened.scratchDir + "/docs/b.txt"});

    // Three items, the second dialog cancelled: the first and third are saved,
    // each dialog starting where the previous save went.
    ui2.AddListItem("a.txt", 0);
    const std::string out = (root / "saved").string();
    std::filesystem::create_directories(out);
    MakeFile("saved/old.txt", "a much longer old content");
    chmod((out + "/old.txt").c_str(), 0444);
    ui2.saveAnswers = {out + "/old.txt", std::nullopt, out + "/third.txt"};
    opened.SaveAll1Click();
    EXPECT_EQ(ReadFile(out + "/old.txt"), "A");
    EXPECT_EQ(ReadFile(out + "/third.txt"), "A");
    EXPECT_EQ(ui2.saveDialogs, (std::vector<std::string>{"a.txt in ", "docs/b.txt in " + out, "a.txt in " + out}));

    ui2.saveAnswers = {(root / "no" / "such" / "dir" / "x").string()};
    EXPECT_THROW(opened.Save1Click(), EFCreateError);
}

// Every row of the table of what goes wrong when an attachment opens, with
// what the user sees and the state afterwards.
TEST_F(Form1Test, TheOpeningFailuresRowByRow) {
    const std::string kInvalid = "error: Invalid Password";
    {
        SCOPED_TRACE("the command-line file does not exist: its message, no dialog, no open");
        ScriptedUi rowUi;
        TForm1 form(rowUi, store, (root / "gone.ozv").string(), (root / "bin").string());
        form.FormCreate();
        form.FormActivate();
        ASSERT_EQ(rowUi.shown.size(), 1u);
        EXPECT_EQ(rowUi.shown[0].rfind("message: There was a problem decrypting your attachment", 0), 0u);
        EXPECT_FALSE(form.lastOpenFailed);
    }
    store.stored = {"right", true};
    {
        SCOPED_TRACE("the scratch directory is gone: the directory message, at start-up too, and no retry");
        ScriptedUi rowUi;
        TForm1 form(rowUi, store, container, (root / "bin").string());
        form.FormCreate();
        std::filesystem::remove_all(form.scratchDir);
        form.FormActivate();
        rowUi.openAnswers.push_back(container);
        form.Open1Click();
        EXPECT_EQ(rowUi.shown, std::vector<std::string>(2, std::string("error: ") + kDirectoryPermissionsMessage));
        EXPECT_TRUE(rowUi.listed.empty());
        EXPECT_TRUE(form.lastOpenFailed);
    }
    {
        SCOPED_TRACE("any failed decode in File > Open or Change Password: Invalid Password");
        const std::string notAContainer = MakeFile("noise.ozv", std::string(5000, '\x5a'));
        const std::string directory = (root / "dir.ozv").string();
        std::filesystem::create_directories(directory);
        const std::string damaged = MakeFile("damaged.ozv", ReadFile(container).substr(0, 300));
        store.stored = {"right", true};
        auto form = Start(std::nullopt);
        for (const std::string& path : {notAContainer, directory, damaged}) {
            ui.shown.clear();
            ui.openAnswers.push_back(path);
            form->Open1Click();
            EXPECT_EQ(ui.shown, std::vector<std::string>{kInvalid}) << path;
            EXPECT_TRUE(ui.listed.empty());
            EXPECT_TRUE(form->lastOpenFailed);
        }
        ui.shown.clear();
        auto withArgument = Start(container);
        ui.shown.clear();
        ui.passwordAnswers.push_back(PasswordEntry{"wrong", true});
        withArgument->lastOpenFailed = true;
        withArgument->ChangePassword1Click();
        EXPECT_EQ(ui.shown, (std::vector<std::string>{"password dialog (filled)", kInvalid}));
        EXPECT_TRUE(ui.listed.empty());
    }
    {
        SCOPED_TRACE("a failed decode at start-up: the question; Yes asks again, No ends with an empty list");
        store.stored = {"wrong", true};
        ScriptedUi rowUi;
        rowUi.yesNoAnswers = {true, false};
        rowUi.passwordAnswers.push_back(PasswordEntry{"also wrong", false});
        TForm1 form(rowUi, store, container, (root / "bin").string());
        form.FormCreate();
        form.FormActivate();
        EXPECT_EQ(rowUi.shown, (std::vector<std::string>{kQuestion, "password dialog", kQuestion}));
        EXPECT_TRUE(rowUi.listed.empty());
        EXPECT_TRUE(form.lastOpenFailed);
    }
    {
        SCOPED_TRACE("the icon lookup fails while the list fills: its error goes on, the items before it stay");
        store.stored = {"right", true};
        ScriptedUi rowUi;
        rowUi.iconLookupsBeforeFailure = 1;
        TForm1 form(rowUi, store, container, (root / "bin").string());
        form.FormCreate();
        try {
            form.FormActivate();
            ADD_FAILURE() << "the icon error was swallowed";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "No icon for you");
        }
        EXPECT_EQ(rowUi.listed, std::vector<std::string>{"a.txt"});
        EXPECT_FALSE(form.lastOpenFailed);
        EXPECT_TRUE(rowUi.shown.empty()) << "the application-wide error box shows it, not the form";
    }
    {
        SCOPED_TRACE("the password dialog cancelled at start-up: an empty password, the record unchanged");
        store.stored = {"kept", false};
        const int saves = store.saves;
        ScriptedUi rowUi;
        rowUi.passwordAnswers.push_back(std::nullopt);
        rowUi.yesNoAnswers.push_back(false);
        TForm1 form(rowUi, store, container, (root / "bin").string());
        form.FormCreate();
        form.FormActivate();
        EXPECT_EQ(rowUi.shown, (std::vector<std::string>{"password dialog", kQuestion}));
        EXPECT_EQ(form.password, "");
        EXPECT_FALSE(form.rememberPassword);
        EXPECT_EQ(store.saves, saves);
        EXPECT_EQ(store.stored.password, "kept");
    }
}

TEST_F(Form1Test, AScratchDirectoryThatTurnsReadOnlyOrDisappearsBetweenOpensGetsTheDirectoryMessage) {
    store.stored = {"right", true};
    auto form = Start(std::nullopt);
    const std::string message = std::string("error: ") + kDirectoryPermissionsMessage;

    std::filesystem::remove_all(form->scratchDir);
    ui.openAnswers.push_back(container);
    form->Open1Click();
    EXPECT_EQ(ui.shown, std::vector<std::string>{message});
    EXPECT_TRUE(ui.listed.empty());

    ScopedTmpfs scratch(form->scratchDir, 1024);
    SKIP_UNLESS_MOUNTED(scratch);
    ui.openAnswers.push_back(container);
    form->Open1Click();
    EXPECT_EQ(ui.listed.size(), 2u);
    ASSERT_TRUE(scratch.MakeReadOnly());
    ui.openAnswers.push_back(container);
    form->Open1Click();
    EXPECT_EQ(ui.shown, std::vector<std::string>(2, message));
    EXPECT_TRUE(ui.listed.empty());
    EXPECT_TRUE(form->lastOpenFailed);
    form->FormClose();  // clearing a read-only directory fails quietly
}

}  // namespace

}  // namespace quellmark
