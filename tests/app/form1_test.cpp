// The main window's logic, answered by script: start-up, opening, passwords
// and the scratch directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/file_copy.h"
#include "app/form1.h"
#include "app/scripted_form.h"
#include "app/stamped_container.h"
#include "base/exception.h"
#include "cabinet/cab_writer.h"
#include "container/container_writer.h"
#include "scoped_env.h"
#include "scoped_tmpfs.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

class Form1Test : public ScriptedFormTest {
protected:
    void SetUp() override {
        ScriptedFormTest::SetUp();
        container = (root / "mail.ozv").string();
        WriteCabinet((root / "body.cab").string(), {{MakeFile("src/a.txt", "A"), "a.txt"}, {MakeFile("src/b.txt", "B"), "docs/b.txt"}}, true);
        WriteContainer((root / "body.cab").string(), container, 1, "right");
    }
    std::unique_ptr<TForm1> Start(std::optional<std::string> argument) {
        auto form = std::make_unique<TForm1>(ui, store, std::move(argument));
        form->FormCreate();
        form->FormActivate();
        return form;
    }
    std::string container;
};

const std::string kQuestion = "question: Your Password is Incorrect. Would you like to enter a new one now?";

TEST_F(Form1Test, WithoutArgumentsTheDialogShowsOnlyWhenNoPasswordIsRemembered) {
    ui.passwordAnswers.push_back(PasswordEntry{"typed", true});
    auto form = Start(std::nullopt);
    EXPECT_EQ(ui.shown, std::vector<std::string>{"password dialog"});
    EXPECT_EQ(store.saves, 1);
    EXPECT_EQ(store.stored.password, "typed");
    EXPECT_EQ(std::filesystem::path(form->scratchDir).parent_path(), root / "cache" / "quellmark" / "scratch");

    ScriptedUi quiet;
    TForm1 again(quiet, store, std::nullopt);
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
    ui.yesNoAnswers.push_back(false);
    form->Open1Click();
    EXPECT_EQ(ui.shown, (std::vector<std::string>{"error: Invalid Password", kQuestion}));
    ui.openAnswers.push_back(std::nullopt);
    form->Open1Click();
    EXPECT_EQ(ui.shown.size(), 2u);
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
    TForm1 form(ui, store, container);
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
    TForm1 form(ui, store, container);
    form.FormCreate();
    std::filesystem::remove_all(form.scratchDir);
    form.FormActivate();
    EXPECT_EQ(ui.shown, std::vector<std::string>{std::string("error: ") + kDirectoryPermissionsMessage});
    EXPECT_TRUE(form.lastOpenFailed);
}

// Every entry of `base`, by name, sorted.
std::vector<std::string> DirectoriesIn(const std::filesystem::path& base) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(base, error)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Holds the lock of a window's directory, as the running window does.
class LockHolder {
public:
    explicit LockHolder(const std::string& directory)
        : fd_(open((directory + "/" + TScratchDirectory::kLockName).c_str(), O_RDWR | O_CREAT, 0600)) {
        held_ = fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~LockHolder() {
        if (fd_ >= 0) close(fd_);
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    bool Held() const { return held_; }

private:
    int fd_;
    bool held_ = false;
};

TEST_F(Form1Test, EachWindowUnpacksIntoAPrivateDirectoryOfItsOwnAndClosingTakesAllOfIt) {
    store.stored = {"right", true};
    auto first = Start(container);
    ScriptedUi secondUi;
    TForm1 second(secondUi, store, container);
    second.FormCreate();
    second.FormActivate();
    ASSERT_EQ(ui.listed.size(), 2u);
    ASSERT_EQ(secondUi.listed.size(), 2u);

    const std::filesystem::path base = root / "cache" / "quellmark" / "scratch";
    ASSERT_NE(first->scratchDir, second.scratchDir);
    for (const std::string& dir : {first->scratchDir, second.scratchDir}) {
        EXPECT_EQ(std::filesystem::path(dir).parent_path(), base);
        struct stat info{};
        ASSERT_EQ(stat(dir.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << dir;
        EXPECT_EQ(ReadFile(dir + "/docs/b.txt"), "B");
        EXPECT_TRUE(std::filesystem::exists(dir + "/TEST.TXT"));
    }

    // What a window's directory may come to hold: a temporary cabinet left by
    // a failed open, hidden files, read-only files and folders, and a link
    // to a file elsewhere, which must survive.
    const std::string scratch = first->scratchDir;
    first->password = "wrong";
    ui.openAnswers.push_back(container);
    ui.yesNoAnswers.push_back(false);
    first->Open1Click();
    const std::string outside = MakeFile("outside.txt", "not ours");
    std::filesystem::create_symlink(outside, scratch + "/link.txt");
    std::ofstream(scratch + "/.hidden") << "h";
    std::ofstream(scratch + "/docs/.hidden") << "h";
    std::filesystem::create_directories(scratch + "/sealed/deeper");
    std::ofstream(scratch + "/sealed/deeper/readonly.txt") << "r";
    chmod((scratch + "/sealed/deeper/readonly.txt").c_str(), 0444);
    chmod((scratch + "/sealed/deeper").c_str(), 0555);
    chmod((scratch + "/sealed").c_str(), 0500);
    chmod((scratch + "/a.txt").c_str(), 0400);
    first->FormClose();
    EXPECT_FALSE(std::filesystem::exists(scratch)) << "everything went, the directory too";
    EXPECT_EQ(ReadFile(outside), "not ours");
    // The other window's files are untouched by the first one's close.
    EXPECT_EQ(DirectoriesIn(base), std::vector<std::string>{std::filesystem::path(second.scratchDir).filename()});
    EXPECT_EQ(ReadFile(second.scratchDir + "/a.txt"), "A");
    EXPECT_EQ(ReadFile(second.scratchDir + "/docs/b.txt"), "B");
    // A window that goes away without its close takes its directory along as well.
    first.reset();
    EXPECT_TRUE(std::filesystem::exists(second.scratchDir + "/a.txt"));
}

TEST_F(Form1Test, AStartRemovesWhatWindowsThatNoLongerRunLeftAndNothingOfARunningOne) {
    store.stored = {"right", true};
    const std::filesystem::path base = root / "cache" / "quellmark" / "scratch";
    // A running window, and a directory whose lock another holder keeps.
    auto running = Start(container);
    ASSERT_EQ(ui.listed.size(), 2u);
    MakeFile("cache/quellmark/scratch/window-held/viewed.txt", "still open in a viewer");
    auto holder = std::make_unique<LockHolder>((base / "window-held").string());
    ASSERT_TRUE(holder->Held());
    // A window that died: its lock file is there, but nobody holds it.
    MakeFile("cache/quellmark/scratch/window-died/" + std::string(TScratchDirectory::kLockName), "");
    MakeFile("cache/quellmark/scratch/window-died/sub/secret.txt", "decrypted");
    chmod((base / "window-died" / "sub" / "secret.txt").c_str(), 0444);
    // What an older version unpacked straight into the base.
    MakeFile("cache/quellmark/scratch/TEST.TXT", "TEST\r\n");
    MakeFile("cache/quellmark/scratch/docs/old.txt", "decrypted long ago");

    ScriptedUi laterUi;
    TForm1 later(laterUi, store, std::nullopt);
    later.FormCreate();
    ASSERT_TRUE(later.canContinue);
    std::vector<std::string> expected = {std::filesystem::path(running->scratchDir).filename(),
                                         std::filesystem::path(later.scratchDir).filename(), "window-held"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(DirectoriesIn(base), expected);
    EXPECT_EQ(ReadFile(running->scratchDir + "/docs/b.txt"), "B");
    EXPECT_EQ(ReadFile((base / "window-held" / "viewed.txt").string()), "still open in a viewer");

    // Once its lock is free, the next start removes that directory too.
    holder.reset();
    ScriptedUi lastUi;
    TForm1 last(lastUi, store, std::nullopt);
    last.FormCreate();
    EXPECT_FALSE(std::filesystem::exists(base / "window-held"));
    EXPECT_TRUE(std::filesystem::exists(running->scratchDir + "/a.txt"));
}

TEST_F(Form1Test, AMissingCacheDirectoryIsMadeWithPrivateLevelsAndOnlyOneThatCannotBeMadeStopsTheProgram) {
    store.stored = {"", true};
    const mode_t oldMask = umask(0);  // a umask that would leave new directories open to all
    struct UmaskGuard {
        mode_t mask;
        ~UmaskGuard() { umask(mask); }
    } restoreUmask{oldMask};

    const std::filesystem::path shared = root / "shared";
    const std::filesystem::path cache = shared / "made" / "cache";
    std::filesystem::create_directory(shared);
    chmod(shared.c_str(), 0755);
    {
        ScopedEnv home("XDG_CACHE_HOME", cache.string());
        TForm1 form(ui, store, std::nullopt);
        form.FormCreate();
        ASSERT_TRUE(form.canContinue);
        EXPECT_EQ(std::filesystem::path(form.scratchDir).parent_path(), cache / "quellmark" / "scratch");
        for (const auto& level : {shared / "made", cache, cache / "quellmark", cache / "quellmark" / "scratch",
                                  std::filesystem::path(form.scratchDir)}) {
            struct stat info{};
            ASSERT_EQ(stat(level.c_str(), &info), 0) << level;
            EXPECT_EQ(info.st_mode & 0777, 0700u) << level;
        }
        struct stat sharedInfo{};
        ASSERT_EQ(stat(shared.c_str(), &sharedInfo), 0);
        EXPECT_EQ(sharedInfo.st_mode & 0777, 0755u) << "a level that existed is left as it was";
    }
    {
        // Without XDG_CACHE_HOME, or with a relative one, the cache is ~/.cache.
        ScopedEnv home("HOME", (root / "home").string());
        for (const char* value : {static_cast<const char*>(nullptr), "relative"}) {
            ScopedEnv cacheHome("XDG_CACHE_HOME", value ? std::optional<std::string>(value) : std::nullopt);
            TForm1 form(ui, store, std::nullopt);
            form.FormCreate();
            EXPECT_EQ(std::filesystem::path(form.scratchDir).parent_path(),
                      root / "home" / ".cache" / "quellmark" / "scratch");
        }
    }
    {
        // A plain file where the cache should be: the permissions message, and nothing is written anywhere else.
        MakeFile("plain", "in the way");
        ScopedEnv home("XDG_CACHE_HOME", (root / "plain" / "cache").string());
        const auto before = FilesBeneath(root.string());
        TForm1 form(ui, store, container);
        form.FormCreate();
        EXPECT_FALSE(form.canContinue);
        form.FormActivate();
        EXPECT_EQ(ui.shown, std::vector<std::string>{std::string("error: ") + kPermissionsMessage});
        EXPECT_TRUE(ui.closed);
        EXPECT_EQ(FilesBeneath(root.string()), before);
        form.FormClose();
    }
}

TEST_F(Form1Test, MenusFollowTheListAndSaveAllSkipsACancelledItem) {
    ui.passwordAnswers.push_back(std::nullopt);
    auto form = Start(std::nullopt);
    auto commands = form->EnabledFileCommands();
    EXPECT_FALSE(commands.view || commands.save || commands.saveAll);

    store.stored = {"right", true};
    ScriptedUi ui2;
    TForm1 opened(ui2, store, container);
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
    EXPECT_EQ(ui2.saveDialogs, (std::vector<std::string>{"a.txt in ", "b.txt in " + out, "a.txt in " + out}));

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
        TForm1 form(rowUi, store, (root / "gone.ozv").string());
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
        TForm1 form(rowUi, store, container);
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
        const std::string headerOnly = MakeFile("header.ozv", ReadFile(container).substr(0, 256));
        store.stored = {"right", true};
        auto form = Start(std::nullopt);
        for (const std::string& path : {notAContainer, headerOnly}) {
            ui.shown.clear();
            ui.openAnswers.push_back(path);
            ui.yesNoAnswers.push_back(false);
            form->Open1Click();
            EXPECT_EQ(ui.shown, (std::vector<std::string>{kInvalid, kQuestion})) << path;
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
        TForm1 form(rowUi, store, container);
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
        TForm1 form(rowUi, store, container);
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
        TForm1 form(rowUi, store, container);
        form.FormCreate();
        form.FormActivate();
        EXPECT_EQ(rowUi.shown, (std::vector<std::string>{"password dialog", kQuestion}));
        EXPECT_EQ(form.password, "");
        EXPECT_FALSE(form.rememberPassword);
        EXPECT_EQ(store.saves, saves);
        EXPECT_EQ(store.stored.password, "kept");
    }
}

// The plain message box for an attachment that could not be opened for
// `reason`, which is not the password.
std::string Problem(const std::string& path, const std::string& reason) {
    return "message: There was a problem decrypting your attachment (\"" + path + "\")\r\n" + reason +
           "\r\nIf you are opening the attachment directory from an e-mail,\r\n"
           "You may want to try saving it and double-clicking the saved file instead";
}

// What the log line of a failed decode gives as its cause.
std::string LoggedCause(const std::vector<std::string>& warnings, const std::string& path) {
    const std::string prefix = "Cannot decode \"" + path + "\": ";
    if (warnings.size() != 1 || warnings[0].rfind(prefix, 0) != 0) return "(no log line for " + path + ")";
    return warnings[0].substr(prefix.size());
}

class ProblemTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        // Enough text that damage in the middle of the cabinet lands in compressed data.
        std::string text;
        for (int i = 0; i < 6000; ++i) text += "line " + std::to_string(i * 7919 % 10007) + "\n";
        const std::string cabinet = (root / "long.cab").string();
        WriteCabinet(cabinet, {{MakeFile("src/long.txt", text), "long.txt"}}, true);
        cabinetSize = std::filesystem::file_size(cabinet);
        std::string damagedCabinet = ReadFile(cabinet);
        for (std::size_t i = cabinetSize / 2; i < cabinetSize / 2 + 64; ++i) damagedCabinet[i] ^= 0x5a;
        MakeFile("damaged.cab", damagedCabinet);
        WriteContainer((root / "damaged.cab").string(), damaged = (root / "damaged.ozv").string(), 1, "right");
        WriteContainer(cabinet, intact = (root / "long.ozv").string(), 1, "right");
        cut = MakeFile("cut.ozv", ReadFile(intact).substr(0, 256 + cabinetSize - 100));
        directory = (root / "folder.ozv").string();
        std::filesystem::create_directory(directory);
        loop = (root / "loop.ozv").string();
        std::filesystem::create_symlink(root / "loop2.ozv", loop);
        std::filesystem::create_symlink(loop, root / "loop2.ozv");
        fifo = (root / "pipe.ozv").string();
        mkfifo(fifo.c_str(), 0600);
    }
    std::string IncompleteReason() const {
        return "The attachment is incomplete: its cabinet should be " + std::to_string(cabinetSize) +
               " bytes long, but only " + std::to_string(cabinetSize - 100) + " bytes are there";
    }
    uintmax_t cabinetSize = 0;
    std::string intact, damaged, cut, directory, loop, fifo;
};

TEST_F(ProblemTest, FailuresThePasswordCannotHaveCausedAreToldWithTheirCause) {
    store.stored = {"right", true};
    auto form = Start(std::nullopt);
    auto open = [&](const std::string& path) {
        ui.shown.clear();
        ui.warnings.clear();
        ui.openAnswers.push_back(path);
        form->Open1Click();
        EXPECT_TRUE(form->lastOpenFailed) << path;
        EXPECT_TRUE(ui.listed.empty()) << path;
    };
    open(cut);
    EXPECT_EQ(ui.shown, std::vector<std::string>{Problem(cut, IncompleteReason())});
    EXPECT_NE(LoggedCause(ui.warnings, cut), "(no log line for " + cut + ")");
    open(damaged);
    const std::string cause = LoggedCause(ui.warnings, damaged);
    EXPECT_EQ(ui.shown, std::vector<std::string>{Problem(damaged, "The attachment is damaged: " + cause)});

    // What stands at the path is no file to open: the reason is known before any decoding.
    const std::vector<std::pair<std::string, std::string>> notFiles = {
        {directory, "It is a folder, not an attachment"},
        {(root / "gone.ozv").string(), std::strerror(ENOENT)},
        {loop, std::strerror(ELOOP)},
        {fifo, "It is not a file that can be read as an attachment"},
    };
    for (const auto& [path, reason] : notFiles) {
        open(path);
        EXPECT_EQ(ui.shown, std::vector<std::string>{Problem(path, reason)});
        EXPECT_EQ(ui.warnings, std::vector<std::string>{"Cannot open \"" + path + "\": " + reason});
    }
    if (geteuid() != 0) {  // permissions do not stop the superuser
        const std::string unreadable = MakeFile("unreadable.ozv", ReadFile(intact));
        chmod(unreadable.c_str(), 0);
        open(unreadable);
        EXPECT_EQ(ui.shown, std::vector<std::string>{Problem(unreadable, "Cannot open file \"" + unreadable + "\". " +
                                                                             std::strerror(EACCES))});
    }

    // Where the password may be wrong, it is still "Invalid Password", and the real cause goes to the log.
    form->password = "wrong";
    ui.yesNoAnswers = {false, false};
    open(intact);
    EXPECT_EQ(ui.shown, (std::vector<std::string>{"error: Invalid Password", kQuestion}));
    EXPECT_EQ(LoggedCause(ui.warnings, intact), "Cabinet file does not have the correct format [0x0002]");
    open(cut);
    EXPECT_EQ(ui.shown, (std::vector<std::string>{"error: Invalid Password", kQuestion}));
    form->password = "right";
    ui.shown.clear();
    ui.openAnswers.push_back(intact);
    form->Open1Click();
    EXPECT_EQ(ui.listed, std::vector<std::string>{"long.txt"});
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(ProblemTest, AtStartUpSuchAFailureIsToldInsteadOfAskingForAnotherPassword) {
    {
        SCOPED_TRACE("the right password and a container cut short: its cause, and no question");
        store.stored = {"right", true};
        auto form = Start(cut);
        EXPECT_EQ(ui.shown, std::vector<std::string>{Problem(cut, IncompleteReason())});
        EXPECT_TRUE(form->lastOpenFailed);
        EXPECT_FALSE(form->retryRequested);
    }
    {
        SCOPED_TRACE("a wrong password and the same container: the question, as ever");
        store.stored = {"wrong", true};
        ScriptedUi rowUi;
        rowUi.yesNoAnswers.push_back(false);
        TForm1 form(rowUi, store, cut);
        form.FormCreate();
        form.FormActivate();
        EXPECT_EQ(rowUi.shown, std::vector<std::string>{kQuestion});
        EXPECT_EQ(rowUi.warnings.size(), 1u);
    }
}

TEST_F(ProblemTest, AStartWithAPathThatIsNoFileSaysWhyAndAsksForNoPassword) {
    store.stored = {"", false};  // nothing remembered: the password dialog would come first
    std::vector<std::pair<std::string, std::string>> rows = {
        {directory, "It is a folder, not an attachment"},
        {loop, std::strerror(ELOOP)},
        {fifo, "It is not a file that can be read as an attachment"},
    };
    if (geteuid() != 0) {  // a folder that cannot be searched: what lies in it cannot be examined
        MakeFile("closed/mail.ozv", ReadFile(intact));
        chmod((root / "closed").c_str(), 0);
        rows.push_back({(root / "closed" / "mail.ozv").string(), std::strerror(EACCES)});
    }
    for (const auto& [path, reason] : rows) {
        SCOPED_TRACE(path);
        ScriptedUi rowUi;
        TForm1 form(rowUi, store, path);
        form.FormCreate();
        form.FormActivate();
        EXPECT_EQ(rowUi.shown, std::vector<std::string>{Problem(path, reason)});
        EXPECT_EQ(rowUi.warnings, std::vector<std::string>{"Cannot open \"" + path + "\": " + reason});
    }
    chmod((root / "closed").c_str(), 0700);  // so that the temporary directory can go
}

TEST_F(ProblemTest, AFullDiskIsToldAsSuch) {
    store.stored = {"right", true};
    auto form = Start(std::nullopt);
    std::string noise(256 * 1024, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    WriteCabinet((root / "noise.cab").string(), {{MakeFile("src/noise.bin", noise), "noise.bin"}}, false);
    const std::string large = (root / "large.ozv").string();
    WriteContainer((root / "noise.cab").string(), large, 1, "right");
    std::filesystem::remove_all(form->scratchDir);
    // Too small for the deciphered cabinet; then room for it, but not for what it unpacks to.
    for (long kibibytes : {64L, 400L}) {
        SCOPED_TRACE(kibibytes);
        ScopedTmpfs scratch(form->scratchDir, kibibytes);
        SKIP_UNLESS_MOUNTED(scratch);
        ui.shown.clear();
        ui.openAnswers.push_back(large);
        form->Open1Click();
        ASSERT_EQ(ui.shown.size(), 1u);
        const std::string start = "message: There was a problem decrypting your attachment (\"" + large + "\")\r\n";
        EXPECT_EQ(ui.shown[0].rfind(start, 0), 0u) << ui.shown[0];
        EXPECT_NE(ui.shown[0].find(std::strerror(ENOSPC)), std::string::npos) << ui.shown[0];
        EXPECT_TRUE(form->lastOpenFailed);
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

TEST_F(Form1Test, FileOpenAsksForAnotherPasswordAndTriesAgainUntilTheUserStops) {
    store.stored = {"wrong", true};
    auto form = Start(std::nullopt);
    ASSERT_TRUE(ui.shown.empty());
    {
        SCOPED_TRACE("Yes twice: each new password is saved and tried on the same file");
        ui.openAnswers.push_back(container);
        ui.yesNoAnswers = {true, true};
        ui.passwordAnswers = {PasswordEntry{"still wrong", false}, PasswordEntry{"right", true}};
        form->Open1Click();
        EXPECT_EQ(ui.shown, (std::vector<std::string>{"error: Invalid Password", kQuestion, "password dialog",
                                                      "error: Invalid Password", kQuestion, "password dialog"}));
        EXPECT_EQ(ui.passwordFor, (std::vector<std::string>{container, container}));
        EXPECT_EQ(ui.listed, (std::vector<std::string>{"a.txt", "docs/b.txt"}));
        EXPECT_EQ(store.saves, 2);
        EXPECT_EQ(store.stored.password, "right");
        EXPECT_TRUE(store.stored.remember);
        EXPECT_TRUE(form->rememberPassword);
        EXPECT_FALSE(form->lastOpenFailed);
        EXPECT_EQ(ui.containerName, "mail.ozv");
    }
    {
        SCOPED_TRACE("a cancelled password dialog ends it with the list empty and nothing changed");
        ui.shown.clear();
        form->password = "wrong";
        ui.yesNoAnswers = {true};
        ui.passwordAnswers = {std::nullopt};
        form->OpenChosen(container);  // as a container dropped on the window
        EXPECT_EQ(ui.shown, (std::vector<std::string>{"error: Invalid Password", kQuestion, "password dialog"}));
        EXPECT_TRUE(ui.listed.empty());
        EXPECT_EQ(form->password, "wrong");
        EXPECT_TRUE(form->rememberPassword);
        EXPECT_EQ(store.saves, 2);
        EXPECT_TRUE(form->lastOpenFailed);
        EXPECT_EQ(ui.containerName, "");
    }
    {
        SCOPED_TRACE("a failure the password cannot have caused asks for none");
        ui.shown.clear();
        form->password = "right";
        const std::string folder = (root / "folder.ozv").string();
        std::filesystem::create_directory(folder);
        form->OpenChosen(folder);
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].rfind("message: There was a problem decrypting your attachment", 0), 0u);
    }
}

TEST_F(Form1Test, TheTitleAndThePasswordDialogNameTheContainerTheyAreAbout) {
    {
        SCOPED_TRACE("start-up without a container: the dialog names none");
        ui.passwordAnswers.push_back(std::nullopt);
        auto form = Start(std::nullopt);  // no password remembered: the dialog comes
        EXPECT_EQ(ui.passwordFor, std::vector<std::string>{""});
        EXPECT_EQ(ui.containerName, "");
    }
    {
        SCOPED_TRACE("start-up with one: the dialogs name it, the title once its files are listed");
        ScriptedUi startUi;
        store.stored = {"", false};
        startUi.passwordAnswers = {PasswordEntry{"wrong", false}, PasswordEntry{"right", false}};
        startUi.yesNoAnswers = {true};
        TForm1 form(startUi, store, container);
        form.FormCreate();
        form.FormActivate();
        EXPECT_EQ(startUi.passwordFor, (std::vector<std::string>{container, container}));
        EXPECT_EQ(startUi.containerName, "mail.ozv");

        SCOPED_TRACE("Change Password names the listed container; after a failed open, the one it opens again");
        startUi.passwordAnswers = {std::nullopt};
        form.ChangePassword1Click();
        EXPECT_EQ(startUi.passwordFor.back(), container);
        form.password = "wrong";
        startUi.openAnswers.push_back(container);
        startUi.yesNoAnswers = {false};
        form.Open1Click();
        EXPECT_EQ(startUi.containerName, "") << "a failed open names nothing";
        EXPECT_TRUE(startUi.listed.empty());
        startUi.passwordAnswers = {PasswordEntry{"right", false}};
        form.ChangePassword1Click();
        EXPECT_EQ(startUi.passwordFor.back(), container);
        EXPECT_EQ(startUi.containerName, "mail.ozv");
    }
    {
        SCOPED_TRACE("Change Password with nothing open names nothing");
        ScriptedUi emptyUi;
        store.stored = {"x", true};
        TForm1 form(emptyUi, store, std::nullopt);
        form.FormCreate();
        form.FormActivate();
        emptyUi.passwordAnswers = {std::nullopt};
        form.ChangePassword1Click();
        EXPECT_EQ(emptyUi.passwordFor, std::vector<std::string>{""});
    }
}

TEST_F(Form1Test, AFailedCopyLeavesTheFileItWouldHaveReplacedAsItWas) {
    std::string large(256 * 1024, '\0');
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>((i * 2654435761u) >> 13);
    const std::string source = MakeFile("large.bin", large);
    const std::string full = (root / "full").string();
    std::filesystem::create_directory(full);
    ScopedTmpfs disk(full, 128);
    SKIP_UNLESS_MOUNTED(disk);
    std::ofstream(full + "/kept.bin") << "the old content";
    try {
        TForm1::CopyFileTo(source, full + "/kept.bin");
        ADD_FAILURE() << "a copy larger than the disk succeeded";
    } catch (const EStreamError& e) {
        EXPECT_NE(e.Message().find(full + "/kept.bin"), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find(std::strerror(ENOSPC)), std::string::npos) << e.Message();
    }
    EXPECT_EQ(ReadFile(full + "/kept.bin"), "the old content");
    EXPECT_EQ(FilesBeneath(full), std::vector<std::string>{"kept.bin"}) << "no part of the copy is left";

    // The same through Extract All To: the file before stays, the failed one is not there at all.
    ScriptedUi extractUi;
    store.stored = {"right", true};
    const std::string two = MakeStampedContainer(root, "two.ozv", {{"small.txt", "s"}, {"sub/large.bin", large}});
    TForm1 form(extractUi, store, two);
    form.FormCreate();
    form.FormActivate();
    ASSERT_EQ(extractUi.listed.size(), 2u);
    std::filesystem::remove(full + "/kept.bin");
    extractUi.folderAnswers = {full};
    EXPECT_THROW(form.ExtractAllTo1Click(), EStreamError);
    EXPECT_EQ(FilesBeneath(full), std::vector<std::string>{"small.txt"});
}

TEST_F(Form1Test, ExtractAllToWritesEveryFileWithItsFoldersAndAsksBeforeReplacing) {
    const std::string three = MakeStampedContainer(
        root, "three.ozv", {{"a.txt", "A"}, {"docs/b.txt", "B"}, {"docs/deep/c.txt", "C"}});
    store.stored = {"right", true};
    auto form = Start(three);
    ASSERT_EQ(ui.listed.size(), 3u);
    EXPECT_EQ(ModificationTime(form->scratchDir + "/docs/deep/c.txt"), kStoredTime) << "the unpacked file";
    EXPECT_TRUE(form->EnabledFileCommands().extractAll);
    const std::string out = (root / "out").string();
    std::filesystem::create_directory(out);
    const std::vector<std::string> all = {"a.txt", "docs/b.txt", "docs/deep/c.txt"};
    auto contents = [&] {
        std::string joined;
        for (const std::string& name : all) joined += ReadFile(out + "/" + name);
        return joined;
    };
    auto outdate = [&] {
        for (const std::string& name : all) MakeFile("out/" + name, "old");
    };
    auto questions = [&] {
        std::vector<std::string> asked;
        for (const std::string& line : ui.shown)
            if (line.rfind("replace? ", 0) == 0) asked.push_back(line.substr(9 + out.size() + 1));
        ui.shown.clear();
        return asked;
    };

    ui.folderAnswers = {std::nullopt};
    form->ExtractAllTo1Click();
    EXPECT_TRUE(FilesBeneath(out).empty()) << "a cancelled chooser writes nothing";

    ui.folderAnswers = {out};
    form->ExtractAllTo1Click();
    EXPECT_EQ(FilesBeneath(out), all);
    EXPECT_EQ(contents(), "ABC");
    for (const std::string& name : all) EXPECT_EQ(ModificationTime(out + "/" + name), kStoredTime) << name;
    EXPECT_TRUE(questions().empty());

    {
        SCOPED_TRACE("No, then Yes to All: the rest is replaced unasked");
        outdate();
        ui.folderAnswers = {out};
        ui.replaceAnswers = {ReplaceAnswer::No, ReplaceAnswer::YesToAll};
        form->ExtractAllTo1Click();
        EXPECT_EQ(contents(), "oldBC");
        EXPECT_EQ(questions(), (std::vector<std::string>{"a.txt", "docs/b.txt"}));
    }
    {
        SCOPED_TRACE("Yes, then No to All: the rest is kept unasked");
        outdate();
        ui.folderAnswers = {out};
        ui.replaceAnswers = {ReplaceAnswer::Yes, ReplaceAnswer::NoToAll};
        form->ExtractAllTo1Click();
        EXPECT_EQ(contents(), "Aoldold");
        EXPECT_EQ(questions(), (std::vector<std::string>{"a.txt", "docs/b.txt"}));
    }
    {
        SCOPED_TRACE("a \"to All\" answer holds for one command only");
        ui.folderAnswers = {out};
        ui.replaceAnswers = {ReplaceAnswer::No, ReplaceAnswer::Yes, ReplaceAnswer::No};
        form->ExtractAllTo1Click();
        EXPECT_EQ(contents(), "ABold");
        EXPECT_EQ(questions(), all);
    }
    // Each chooser started in the folder chosen last.
    EXPECT_EQ(ui.folderDialogs, (std::vector<std::string>{"", "", out, out, out}));
}

TEST_F(Form1Test, ExtractAllToRefusesNamesLeadingOutAndReportsWhatStandsInTheWay) {
    store.stored = {"right", true};
    auto form = Start(container);
    const std::string out = (root / "out").string();
    {
        SCOPED_TRACE("a name that leads out of the folder: refused before anything is asked or written");
        ui.listed = {"a.txt", "docs/../../evil.txt"};
        EXPECT_THROW(form->ExtractAllTo1Click(), Exception);
        EXPECT_TRUE(ui.folderDialogs.empty());
        EXPECT_FALSE(std::filesystem::exists(root / "evil.txt"));
        for (const char* name : {"/etc/x", "..", "a/..", "../a", "a/", ".", "a/."}) EXPECT_FALSE(StaysBeneath(name)) << name;
        for (const char* name : {"a", "a/b.txt", "...", "..a", "a../b", "./a"}) EXPECT_TRUE(StaysBeneath(name)) << name;
        ui.listed = {"a.txt", "docs/b.txt"};
    }
    {
        SCOPED_TRACE("a file where a folder must be: the error names the file; what was written stays");
        MakeFile("out/docs", "a plain file");
        ui.folderAnswers = {out};
        try {
            form->ExtractAllTo1Click();
            ADD_FAILURE() << "no error";
        } catch (const EStreamError& e) {
            EXPECT_NE(e.Message().find(out + "/docs/b.txt"), std::string::npos) << e.Message();
        }
        EXPECT_EQ(ReadFile(out + "/a.txt"), "A");
        EXPECT_EQ(ReadFile(out + "/docs"), "a plain file");
    }
    {
        SCOPED_TRACE("a link where a folder must be is not followed");
        std::filesystem::remove(out + "/docs");
        std::filesystem::create_directory(root / "elsewhere");
        std::filesystem::create_directory_symlink(root / "elsewhere", out + "/docs");
        ui.folderAnswers = {out};
        ui.replaceAnswers = {ReplaceAnswer::Yes};
        EXPECT_THROW(form->ExtractAllTo1Click(), EStreamError);
        EXPECT_TRUE(std::filesystem::is_empty(root / "elsewhere"));
    }
    {
        SCOPED_TRACE("a folder where a file must go: no question, an error naming it");
        std::filesystem::remove(out + "/docs");
        std::filesystem::remove(out + "/a.txt");
        std::filesystem::create_directories(out + "/a.txt/inside");
        ui.shown.clear();
        ui.folderAnswers = {out};
        try {
            form->ExtractAllTo1Click();
            ADD_FAILURE() << "no error";
        } catch (const EStreamError& e) {
            EXPECT_NE(e.Message().find(out + "/a.txt"), std::string::npos) << e.Message();
        }
        EXPECT_TRUE(ui.shown.empty());
        EXPECT_TRUE(std::filesystem::is_directory(out + "/a.txt/inside"));
    }
}

}  // namespace

}  // namespace quellmark
