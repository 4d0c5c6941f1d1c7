// The built `quellmark` run as separate processes on the offscreen platform,
// as windows started by double-clicks: each keeps its own files, and the
// directory of a window that was killed is removed by the next start, never
// that of a window still running; a window ended by a signal removes its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "cabinet/cab_writer.h"
#include "container/container_writer.h"
#include "platform/password_record.h"
#include "platform/registry_file.h"
#include "temp_dir.h"

extern char** environ;

namespace quellmark {

namespace fs = std::filesystem;

namespace {

// One running `quellmark`, killed (as kill -9 would) when the object goes.
class Program {
public:
    Program(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
            const std::string& errorLog) {
        // Everything the child needs is made before the fork: after it, only
        // calls that are safe in a copy of a threaded process.
        std::map<std::string, std::string> merged;
        for (char** entry = environ; *entry; ++entry) {
            const std::string text = *entry;
            const std::size_t equals = text.find('=');
            if (equals != std::string::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
        }
        for (const auto& [name, value] : env) merged[name] = value;
        std::vector<std::string> envText;
        for (const auto& [name, value] : merged) envText.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (auto& text : envText) envp.push_back(text.data());
        envp.push_back(nullptr);
        std::vector<std::string> argText{QUELLMARK_DESKTOP_BINARY};
        argText.insert(argText.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& text : argText) argv.push_back(text.data());
        argv.push_back(nullptr);
        const int err = open(errorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int null = open("/dev/null", O_RDWR | O_CLOEXEC);

        pid_ = fork();
        if (pid_ == 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(err, 2);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        close(err);
        close(null);
    }
    ~Program() { Kill(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    void Kill() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    // True while the process has not ended.
    bool Running() {
        int status = 0;
        return pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0;
    }
    // Sends `number` and waits up to 30 seconds for the end: the exit status,
    // or nullopt when the process did not exit by itself.
    std::optional<int> EndWith(int number) {
        kill(pid_, number);
        for (int i = 0; i < 300; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                if (!WIFEXITED(status)) return std::nullopt;
                return WEXITSTATUS(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return std::nullopt;
    }

private:
    pid_t pid_ = -1;
};

// Waits up to 30 seconds for `condition`.
bool WaitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 300; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return condition();
}

class ProgramTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        base = root / "cache" / "quellmark" / "scratch";
        env = {{"QT_QPA_PLATFORM", "offscreen"},
               {"XDG_CACHE_HOME", (root / "cache").string()},
               {"XDG_CONFIG_HOME", (root / "config").string()},
               {"XDG_RUNTIME_DIR", (root / "runtime").string()},
               // No desktop services from the machine running the tests.
               {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (root / "no-bus").string()}};
        fs::create_directories(root / "runtime");
        fs::permissions(root / "runtime", fs::perms::owner_all);
        // A remembered password, so that a window opens its container without asking.
        RegistryFile record((root / "config" / "quellmark" / "user.reg").string());
        SavePassword({"right", true}, record);
        WriteCabinet((root / "body.cab").string(),
                     {{MakeFile("src/a", "A"), "a.txt"}, {MakeFile("src/b", "B"), "docs/b.txt"},
                      {MakeFile("src/h", "H"), ".hidden"}},
                     true);
        container = (root / "mail.ozv").string();
        WriteContainer((root / "body.cab").string(), container, 1, "right");
    }
    std::unique_ptr<Program> Start(const std::vector<std::string>& args, const std::string& name) {
        return std::make_unique<Program>(args, env, (root / (name + ".err")).string());
    }
    // The windows' directories below the scratch base.
    std::vector<fs::path> WindowDirectories() const {
        std::vector<fs::path> found;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(base, error)) found.push_back(entry.path());
        std::sort(found.begin(), found.end());
        return found;
    }
    // The one window directory not in `known` whose container has been unpacked.
    std::optional<fs::path> NewUnpacked(const std::vector<fs::path>& known) const {
        for (const fs::path& dir : WindowDirectories())
            if (std::find(known.begin(), known.end(), dir) == known.end() && fs::exists(dir / "docs" / "b.txt"))
                return dir;
        return std::nullopt;
    }

    fs::path base;
    std::map<std::string, std::string> env;
    std::string container;
};

TEST_F(ProgramTest, TwoWindowsKeepTheirOwnFilesAndAKilledWindowsDirectoryGoesAtTheNextStart) {
    auto first = Start({container}, "first");
    std::optional<fs::path> firstDir;
    ASSERT_TRUE(WaitFor([&] { return (firstDir = NewUnpacked({})).has_value(); }))
        << ReadFile((root / "first.err").string());
    auto second = Start({container}, "second");
    std::optional<fs::path> secondDir;
    ASSERT_TRUE(WaitFor([&] { return (secondDir = NewUnpacked({*firstDir})).has_value(); }))
        << ReadFile((root / "second.err").string());
    EXPECT_EQ(WindowDirectories(),
              (std::vector<fs::path>{std::min(*firstDir, *secondDir), std::max(*firstDir, *secondDir)}));

    // Killed, the first window leaves its directory behind ...
    first->Kill();
    EXPECT_TRUE(fs::exists(*firstDir / "a.txt"));
    // ... and the next start removes it, but nothing of the window still running.
    auto third = Start({}, "third");
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(*firstDir) && WindowDirectories().size() == 2; }))
        << ReadFile((root / "third.err").string());
    EXPECT_TRUE(second->Running());
    EXPECT_TRUE(third->Running());
    EXPECT_EQ(ReadFile((*secondDir / "a.txt").string()), "A");
    EXPECT_EQ(ReadFile((*secondDir / "docs" / "b.txt").string()), "B");
    EXPECT_EQ(ReadFile((*secondDir / ".hidden").string()), "H");
}

TEST_F(ProgramTest, AWindowEndedByASignalTakesItsFilesWithIt) {
    // Showing its files ...
    auto showing = Start({container}, "showing");
    std::optional<fs::path> showingDir;
    ASSERT_TRUE(WaitFor([&] { return (showingDir = NewUnpacked({})).has_value(); }))
        << ReadFile((root / "showing.err").string());
    EXPECT_EQ(showing->EndWith(SIGTERM), 128 + SIGTERM) << ReadFile((root / "showing.err").string());
    EXPECT_FALSE(fs::exists(*showingDir));

    // ... or waiting in the password dialog, with no password remembered.
    RegistryFile record((root / "config" / "quellmark" / "user.reg").string());
    SavePassword({"", false}, record);
    auto asking = Start({container}, "asking");
    ASSERT_TRUE(WaitFor([&] { return WindowDirectories().size() == 1; }));
    const fs::path askingDir = WindowDirectories().front();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(asking->EndWith(SIGHUP), 128 + SIGHUP) << ReadFile((root / "asking.err").string());
    EXPECT_FALSE(fs::exists(askingDir));
    EXPECT_TRUE(WindowDirectories().empty());
}

TEST_F(ProgramTest, TheRealCauseOfAFailureGoesToStandardError) {
    const std::string bytes = ReadFile(container);
    const std::string cut = MakeFile("cut.ozv", bytes.substr(0, bytes.size() - 10));
    const fs::path loop = root / "loop.ozv";
    fs::create_symlink(loop, loop);
    auto cutWindow = Start({cut}, "cut");
    auto loopWindow = Start({loop.string()}, "loop");
    const std::string cutLog = (root / "cut.err").string(), loopLog = (root / "loop.err").string();
    EXPECT_TRUE(WaitFor([&] { return ReadFile(cutLog).find("Cannot decode \"" + cut + "\": ") != std::string::npos; }))
        << ReadFile(cutLog);
    const std::string loopLine = "Cannot open \"" + loop.string() + "\": " + std::strerror(ELOOP);
    EXPECT_TRUE(WaitFor([&] { return ReadFile(loopLog).find(loopLine) != std::string::npos; })) << ReadFile(loopLog);
    // Both windows wait in their message boxes; neither went down.
    EXPECT_TRUE(cutWindow->Running());
    EXPECT_TRUE(loopWindow->Running());
}

}  // namespace

}  // namespace quellmark
