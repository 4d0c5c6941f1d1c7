// ozv create: -C, absolute paths, time stamps a cabinet cannot record,
// links and empty folders, and the progress bar.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <pty.h>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "run_process.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

namespace fs = std::filesystem;

// Makes `directory` the current directory while the guard lives.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const fs::path& directory) : old_(fs::current_path()) {
        fs::current_path(directory);
    }
    ~ScopedCurrentDirectory() {
        std::error_code ignored;
        fs::current_path(old_, ignored);
    }
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    fs::path old_;
};

// One line of `ozv list`: size, time stamp, name.
struct Listed {
    std::string stamp;
    std::string name;
    bool operator==(const Listed&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Listed& entry) { return out << entry.stamp << "  " << entry.name; }

std::vector<Listed> ParseList(const std::string& out) {
    std::vector<Listed> entries;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        // "%10u  yyyy-mm-dd hh:mm:ss  name"
        if (line.size() < 33) continue;
        entries.push_back({line.substr(12, 19), line.substr(33)});
    }
    return entries;
}

std::vector<std::string> NamesOf(const std::vector<Listed>& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries) names.push_back(entry.name);
    return names;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

void SetModified(const std::string& path, std::chrono::sys_seconds when) {
    fs::last_write_time(path, std::chrono::file_clock::from_sys(when));
}

class OzvCreateTest : public TempDirTest {
protected:
    std::string Path(const std::string& relative) const { return (root / relative).string(); }

    std::vector<Listed> List(const std::string& container) {
        ProcessResult listed = RunOzvProcess({"list", "-p", "pw", container});
        EXPECT_EQ(listed.status, 0) << listed.err;
        return ParseList(listed.out);
    }
};

TEST_F(OzvCreateTest, DashCFindsTheFollowingFilesLikeTar) {
    MakeFile("a/x.txt", "ex");
    MakeFile("a/b/y.txt", "why");
    MakeFile("c/z.txt", "zed");
    MakeFile("top.txt", "top");
    ScopedCurrentDirectory here(root);
    // Each relative -C goes on from the one before; the container is named
    // from where ozv started, wherever it stands among the -C.
    ProcessResult created =
        RunOzvProcess({"create", "-C", "a", "out.ozv", "x.txt", "-C", "b", "y.txt", "-C", "../../c", "z.txt", "-p", "pw"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_TRUE(fs::exists(root / "out.ozv"));
    EXPECT_FALSE(fs::exists(root / "a/out.ozv"));
    EXPECT_EQ(NamesOf(List("out.ozv")), (std::vector<std::string>{"x.txt", "y.txt", "z.txt"}));

    // Files before the first -C come from the current directory; "." packs
    // the -C folder under the names of what it holds.
    ASSERT_EQ(RunOzvProcess({"create", "two.ozv", "top.txt", "-C", Path("a"), ".", "-p", "pw"}).status, 0);
    EXPECT_EQ(NamesOf(List("two.ozv")), (std::vector<std::string>{"top.txt", "b/y.txt", "x.txt"}));
    fs::create_directory("out");
    ProcessResult extracted = RunOzvProcess({"extract", "two.ozv", "-d", "out", "-p", "pw"});
    ASSERT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(ReadFile("out/b/y.txt"), "why");
    EXPECT_EQ(ReadFile("out/top.txt"), "top");

    ProcessResult missing = RunOzvProcess({"create", "no.ozv", "-C", "nowhere", "x.txt", "-p", "pw"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("\"nowhere\""), std::string::npos) << missing.err;
    EXPECT_FALSE(fs::exists(root / "no.ozv"));
}

TEST_F(OzvCreateTest, AnAbsolutePathIsStoredWithoutItsLeadingSlashAndOneNotice) {
    const std::string first = MakeFile("abs/one.txt", "1");
    const std::string second = MakeFile("abs/two.txt", "2");
    const std::string container = Path("abs.ozv");
    ProcessResult created = RunOzvProcess({"create", container, first, second, "-p", "pw"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(Count(created.err, "leading \"/\""), 1u) << created.err;
    EXPECT_EQ(NamesOf(List(container)), (std::vector<std::string>{first.substr(1), second.substr(1)}));

    ScopedCurrentDirectory here(root);
    ProcessResult relative = RunOzvProcess({"create", "rel.ozv", "abs/one.txt", "-p", "pw"});
    ASSERT_EQ(relative.status, 0) << relative.err;
    EXPECT_EQ(relative.err, "") << "a relative path needs no notice";
}

TEST_F(OzvCreateTest, TimeStampsOutsideTheCabinetRangeAreClampedWithAWarning) {
    using namespace std::chrono;
    SetModified(MakeFile("t/old.txt", "old"), sys_days{1975y / June / 1});
    SetModified(MakeFile("t/new.txt", "new"), sys_days{2120y / January / 1});
    // A time inside the range keeps its local date and time (to two seconds).
    struct tm local {};
    local.tm_year = 2001 - 1900;
    local.tm_mon = 1;
    local.tm_mday = 3;
    local.tm_hour = 4;
    local.tm_min = 5;
    local.tm_sec = 6;
    local.tm_isdst = -1;
    SetModified(MakeFile("t/mid.txt", "mid"), sys_seconds{seconds{std::mktime(&local)}});

    ScopedCurrentDirectory here(root);
    ProcessResult created = RunOzvProcess({"create", "t.ozv", "t", "-p", "pw"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(List("t.ozv"), (std::vector<Listed>{{"2001-02-03 04:05:06", "t/mid.txt"},
                                                   {"2107-12-31 23:59:58", "t/new.txt"},
                                                   {"1980-01-01 00:00:00", "t/old.txt"}}));
    EXPECT_NE(created.err.find("warning: \"t/old.txt\""), std::string::npos) << created.err;
    EXPECT_NE(created.err.find("warning: \"t/new.txt\""), std::string::npos) << created.err;
    EXPECT_EQ(created.err.find("mid.txt"), std::string::npos) << created.err;
}

TEST_F(OzvCreateTest, LinksAreFollowedAndWhatCannotBeStoredIsNamed) {
    MakeFile("d/target.txt", "the target's bytes");
    fs::create_symlink("target.txt", root / "d/link.txt");
    fs::create_symlink("gone.txt", root / "d/dangling.txt");
    fs::create_directories(root / "d/empty");
    ScopedCurrentDirectory here(root);

    ProcessResult created = RunOzvProcess({"create", "d.ozv", "d", "-p", "pw"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(NamesOf(List("d.ozv")), (std::vector<std::string>{"d/link.txt", "d/target.txt"}));
    EXPECT_NE(created.err.find("warning: \"d/link.txt\" is a symbolic link"), std::string::npos) << created.err;
    EXPECT_NE(created.err.find("warning: \"d/dangling.txt\""), std::string::npos) << created.err;
    EXPECT_NE(created.err.find("warning: \"d/empty\" is an empty folder"), std::string::npos) << created.err;
    fs::create_directory("out");
    ProcessResult extracted = RunOzvProcess({"extract", "d.ozv", "-d", "out", "-p", "pw"});
    ASSERT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(ReadFile("out/d/link.txt"), "the target's bytes");
    EXPECT_FALSE(fs::is_symlink("out/d/link.txt"));

    // Nothing left to pack: a failure, and no container.
    ProcessResult nothing = RunOzvProcess({"create", "none.ozv", "d/dangling.txt", "d/empty", "-p", "pw"});
    EXPECT_EQ(nothing.status, 1);
    EXPECT_NE(nothing.err.find("no file to pack"), std::string::npos) << nothing.err;
    EXPECT_FALSE(fs::exists("none.ozv"));
}

// Runs ozv with a pseudo-terminal as its standard error (and output); what
// the terminal showed, once ozv has ended.
std::string RunOnTerminal(const std::vector<std::string>& args, int& status) {
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(QUELLMARK_OZV_BINARY)};
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    std::string shown;
    char buffer[4096];
    for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, got);
    ::close(terminal);
    int wait = 0;
    ::waitpid(child, &wait, 0);
    status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    return shown;
}

TEST_F(OzvCreateTest, TheProgressBarShowsOnlyOnATerminal) {
    // Past the size from which the bar is worth showing, and incompressible,
    // so that the cabinet to encipher is as large.
    std::mt19937 rng(14);
    std::string big(20 << 20, '\0');
    for (char& c : big) c = static_cast<char>(rng());
    const std::string file = MakeFile("big.bin", big);
    ProcessResult quiet = RunOzvProcess({"create", Path("quiet.ozv"), file, "-p", "pw", "--store"});
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.err.find('\r'), std::string::npos);
    EXPECT_EQ(quiet.err.find('%'), std::string::npos) << quiet.err;

    int status = -1;
    const std::string shown = RunOnTerminal({"create", Path("shown.ozv"), file, "-p", "pw"}, status);
    EXPECT_EQ(status, 0) << shown;
    EXPECT_NE(shown.find("compressing ["), std::string::npos) << shown;
    EXPECT_NE(shown.find("enciphering ["), std::string::npos) << shown;
}

}  // namespace

}  // namespace quellmark
