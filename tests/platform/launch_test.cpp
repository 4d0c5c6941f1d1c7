// Launching programs and documents with the shell's result codes, and
// %NAME% expansion.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "base/exception.h"
#include "platform/environment_strings.h"
#include "platform/launch.h"
#include "platform/mail_composer.h"
#include "scoped_env.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

class LaunchTest : public TempDirTest {
protected:
    std::string MakeExecutable(const std::string& relative, const std::string& content) {
        const std::string path = MakeFile(relative, content);
        chmod(path.c_str(), 0755);
        return path;
    }
    // Waits, generously, for a file that a launched program writes.
    bool Appears(const std::string& path) {
        for (int i = 0; i < 600 && !std::filesystem::exists(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return std::filesystem::exists(path);
    }
    // True when this process has no child left, not even a zombie.
    static bool NoChildren() { return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }
};

TEST_F(LaunchTest, WhatCanBeSeenBeforeStartingIsReportedWithTheShellsCodes) {
    const std::string document = MakeFile("doc.txt", "text");
    EXPECT_EQ(ShellExecute("open", (root / "missing").string(), ""), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ShellExecute("", (root / "missing.txt").string(), ""), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ShellExecute("open", (root / "no dir" / "prog").string(), ""), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(ShellExecute("", (root / "no dir" / "doc.txt").string(), ""), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(ShellExecute("", document + "/below", ""), ERROR_PATH_NOT_FOUND) << "a file used as a directory";
    EXPECT_EQ(ShellExecute("open", document, ""), ERROR_BAD_FORMAT) << "not executable";
    EXPECT_EQ(ShellExecute("", "", ""), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ShellExecute("print", document, ""), SE_ERR_NOASSOC) << "no verb but open has a handler";
    EXPECT_EQ(ShellCodeOfErrno(EACCES), SE_ERR_ACCESSDENIED);
    EXPECT_EQ(ShellCodeOfErrno(ENOMEM), SE_ERR_OOM);
    EXPECT_TRUE(NoChildren());
}

TEST_F(LaunchTest, AProgramThatFailsToStartGivesTheCodeOfItsExec) {
    // Executable, but no program: the exec itself refuses it.
    EXPECT_EQ(ShellExecute("open", MakeExecutable("garbage", "\x01\x02\x03\x04 not a program"), ""),
              ERROR_BAD_FORMAT);
    EXPECT_EQ(ShellExecute("open", MakeExecutable("orphan.sh", "#!/nonexistent/interpreter\n"), ""),
              ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(NoChildren());
}

TEST_F(LaunchTest, AProgramRunsDetachedWithTheParametersAsItsOneArgument) {
    const std::string marker = (root / "marker").string();
    const std::string go = (root / "go").string();
    // Waits (boundedly) for the go file, then records its one argument and whether it is a session leader.
    const std::string script = MakeExecutable(
        "helper dir/helper.sh",
        "#!/bin/sh\n"
        "arg=\"$#:$1\"\n"
        "n=0; while [ ! -e '" + go + "' ] && [ $n -lt 600 ]; do sleep 0.05; n=$((n+1)); done\n"
        "read -r stat < /proc/$$/stat; set -- $stat\n"
        "echo \"$arg pid=$1 sid=$6\" > '" + marker + ".tmp' && mv '" + marker + ".tmp' '" + marker + "'\n");

    // "Us": a process that launches and is then killed with its whole process group.
    const pid_t us = fork();
    if (us == 0) {
        setpgid(0, 0);
        const int code = ShellExecute("open", script, "one argument with spaces");
        if (code <= 32) _exit(code);
        kill(0, SIGKILL);
        _exit(100);
    }
    int raw = 0;
    ASSERT_EQ(waitpid(us, &raw, 0), us);
    ASSERT_TRUE(WIFSIGNALED(raw)) << "the launch failed with code " << WEXITSTATUS(raw);

    MakeFile("go", "");
    ASSERT_TRUE(Appears(marker)) << "the program outlived the group that started it";
    const std::string seen = ReadFile(marker);
    EXPECT_EQ(seen.rfind("1:one argument with spaces ", 0), 0u) << seen;
    const auto pid = seen.substr(seen.find("pid=") + 4, seen.find(' ', seen.find("pid=")) - seen.find("pid=") - 4);
    EXPECT_NE(seen.find("sid=" + pid), std::string::npos) << "it leads a session of its own: " << seen;
}

TEST_F(LaunchTest, ALaunchFromHereLeavesNoChildBehind) {
    const std::string marker = (root / "done").string();
    const std::string script = MakeExecutable("touch.sh", "#!/bin/sh\n: > \"$1\"\n");
    EXPECT_GT(ShellExecute("OPEN", script, marker), 32);
    EXPECT_TRUE(NoChildren()) << "the program is not our child, so it can never be our zombie";
    EXPECT_TRUE(Appears(marker));
}

TEST_F(LaunchTest, AStartedProgramGetsEveryArgumentExactlyAsGiven) {
    const std::string record = (root / "arguments").string();
    const std::string script = MakeExecutable(
        "bin dir/record.sh",
        "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > '" + record + "'\n: > '" + record + ".done'\n");
    const std::vector<std::string> arguments = {"", "two words", "quote\"d \\", "$HOME", "*", "-e", "%1", "--x=%%"};
    EXPECT_GT(StartProgram(script, arguments), 32);
    ASSERT_TRUE(Appears(record + ".done"));
    EXPECT_EQ(ReadFile(record), "[]\n[two words]\n[quote\"d \\]\n[$HOME]\n[*]\n[-e]\n[%1]\n[--x=%%]\n");
    EXPECT_TRUE(NoChildren());

    EXPECT_EQ(StartProgram((root / "missing").string(), {"a"}), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(StartProgram((root / "no dir" / "prog").string(), {}), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(StartProgram(MakeFile("plain.txt", "text"), {"a"}), ERROR_BAD_FORMAT) << "not executable";
    EXPECT_EQ(StartProgram(root.string(), {}), ERROR_BAD_FORMAT) << "a directory";
    EXPECT_EQ(StartProgram(MakeExecutable("orphan.sh", "#!/nonexistent/interpreter\n"), {"a"}), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(StartProgram("", {}), ERROR_FILE_NOT_FOUND);
    std::filesystem::remove(record + ".done");
    {
        ScopedEnv path("PATH", (root / "bin dir").string());
        EXPECT_GT(StartProgram("record.sh", {"found on the path"}), 32);
    }
    ASSERT_TRUE(Appears(record + ".done"));
    EXPECT_EQ(ReadFile(record), "[found on the path]\n");
    EXPECT_TRUE(NoChildren());
}

// Documents and addresses go to xdg-open, in a desktop made up for the test:
// the system's MIME database, but only our own handler.
class DefaultApplicationTest : public LaunchTest {
protected:
    void SetUp() override {
        LaunchTest::SetUp();
        const auto system = root / "system";
        std::filesystem::create_directories(system / "applications");
        std::filesystem::create_symlink("/usr/share/mime", system / "mime");
        std::filesystem::create_directories(root / "config");
        std::filesystem::create_directories(root / "data" / "applications");
        env_.emplace_back("XDG_DATA_DIRS", system.string());
        env_.emplace_back("XDG_CONFIG_DIRS", system.string());
        env_.emplace_back("XDG_DATA_HOME", (root / "data").string());
        env_.emplace_back("XDG_CONFIG_HOME", (root / "config").string());
        env_.emplace_back("DISPLAY", ":quellmark-test");
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                                 "MATE_DESKTOP_SESSION_ID", "WAYLAND_DISPLAY", "BROWSER"})
            env_.emplace_back(name, std::nullopt);
    }
    // A handler for these MIME types that copies its argument into `marker`.
    void InstallHandler(const std::vector<std::string>& types) {
        const std::string handler =
            MakeExecutable("handler.sh", "#!/bin/sh\necho \"$1\" > '" + Marker() + ".tmp' && mv '" + Marker() +
                                             ".tmp' '" + Marker() + "'\n");
        std::string mimeTypes, defaults = "[Default Applications]\n";
        for (const auto& type : types) {
            mimeTypes += type + ";";
            defaults += type + "=quellmark-test-handler.desktop\n";
        }
        MakeFile("data/applications/quellmark-test-handler.desktop",
                 "[Desktop Entry]\nType=Application\nName=Test handler\nExec=" + handler + " %u\nMimeType=" + mimeTypes + "\n");
        MakeFile("config/mimeapps.list", defaults);
    }
    std::string Marker() const { return (root / "opened").string(); }

private:
    struct Env {
        Env(const char* name, std::optional<std::string> value) : scoped(std::make_unique<ScopedEnv>(name, value)) {}
        std::unique_ptr<ScopedEnv> scoped;
    };
    std::vector<Env> env_;
};

TEST_F(DefaultApplicationTest, ADocumentOpensInTheDefaultApplicationOfItsType) {
    InstallHandler({"text/plain"});
    const std::string document = MakeFile("a document.txt", "plain text\n");
    EXPECT_GT(ShellExecute("", document, "ignored parameters"), 32);
    ASSERT_TRUE(Appears(Marker()));
    EXPECT_EQ(ReadFile(Marker()), document + "\n");
    EXPECT_TRUE(NoChildren());
}

TEST_F(DefaultApplicationTest, AnAddressOpensInTheHandlerOfItsScheme) {
    InstallHandler({"x-scheme-handler/quellmarktest"});
    EXPECT_GT(ShellExecute("", "quellmarktest://example/page?q=1", ""), 32);
    ASSERT_TRUE(Appears(Marker()));
    EXPECT_EQ(ReadFile(Marker()), "quellmarktest://example/page?q=1\n");
}

TEST_F(DefaultApplicationTest, ATypeWithoutAnApplicationHasNoAssociation) {
    InstallHandler({"text/plain"});
    const std::string executable = MakeExecutable("program.qmx", "\x7F\x01\x02\x03 binary");
    EXPECT_EQ(ShellExecute("", executable, ""), SE_ERR_NOASSOC) << "without a verb a program is a document";
    EXPECT_EQ(ShellExecute("", "quellmark-nothing:x", ""), SE_ERR_NOASSOC);

    ScopedEnv noTools("PATH", (root / "config").string());
    EXPECT_EQ(ShellExecute("", MakeFile("plain.txt", "text\n"), ""), SE_ERR_NOASSOC) << "no xdg-open at all";
    EXPECT_FALSE(std::filesystem::exists(Marker()));
}

TEST_F(DefaultApplicationTest, AMissingMailProgramIsReportedNotPassedOver) {
    const std::string container = MakeFile("c.ozv", "container bytes");
    try {
        ComposeMail({container, "", ""});
        ADD_FAILURE() << "no mailto handler is installed";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("no mail program is set up"), std::string::npos) << e.Message();
    }
    ScopedEnv noTools("PATH", (root / "config").string());
    try {
        ComposeMail({container, "", ""});
        ADD_FAILURE() << "xdg-email is not on the path";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("xdg-email was not found"), std::string::npos) << e.Message();
    }
}

TEST(ExpandEnvironmentStrings, ReplacesKnownNamesAndKeepsTheRest) {
    ScopedEnv known("QM_KNOWN", "value");
    ScopedEnv empty("QM_EMPTY", "");
    ScopedEnv unknown("QM_UNKNOWN", std::nullopt);
    EXPECT_EQ(ExpandEnvironmentStrings("%QM_KNOWN%\\icons\\%QM_KNOWN%.ico"), "value\\icons\\value.ico");
    EXPECT_EQ(ExpandEnvironmentStrings("a%QM_EMPTY%b"), "ab");
    EXPECT_EQ(ExpandEnvironmentStrings("%QM_UNKNOWN%\\x"), "%QM_UNKNOWN%\\x");
    EXPECT_EQ(ExpandEnvironmentStrings("%QM_UNKNOWN%QM_KNOWN%"), "%QM_UNKNOWNvalue") << "the closing sign opens the next name";
    EXPECT_EQ(ExpandEnvironmentStrings("100% sure, 50%"), "100% sure, 50%");
    EXPECT_EQ(ExpandEnvironmentStrings("%%QM_KNOWN%%"), "%value%");
    EXPECT_EQ(ExpandEnvironmentStrings("plain text"), "plain text");
    EXPECT_EQ(ExpandEnvironmentStrings(""), "");
}

}  // namespace

}  // namespace quellmark
