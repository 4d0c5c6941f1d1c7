// ozv extract's choices (members, -O, -d, existing files), ozv test, and
// containers read from standard input.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "run_process.h"
#include "temp_dir.h"
#include "test_support.h"

namespace quellmark {

namespace {

namespace fs = std::filesystem;

class OzvExtractTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        MakeFile("in/a.txt", "alpha");
        MakeFile("in/b.txt", "beta");
        std::string text;
        for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i) + " of text that compresses well\n";
        MakeFile("in/docs/c.txt", text);
        container = Path("c.ozv");
        ProcessResult created = RunOzvProcess({"create", container, Path("in"), "-p", "pw"});
        ASSERT_EQ(created.status, 0) << created.err;
        // Names are stored as given, less the leading "/".
        stored = Path("in").substr(1);
        fs::create_directories(Path("tmp"));
        env = {{"OZV_PASSWORD", "pw"}, {"TMPDIR", Path("tmp")}};
    }

    std::string Path(const std::string& relative) const { return (root / relative).string(); }
    std::string Member(const std::string& name) const { return stored + "/" + name; }
    ProcessResult Run(const std::vector<std::string>& args, const std::string& input = {}) const {
        return RunOzvProcess(args, input, env);
    }
    // Nothing of a run stays among the temporary files.
    void ExpectNoTemporaryFiles() const { EXPECT_TRUE(fs::is_empty(Path("tmp"))) << "a temporary file stayed"; }

    std::string container;
    std::string stored;
    std::map<std::string, std::string> env;
};

TEST_F(OzvExtractTest, AnExistingFileIsNeverLostWithoutLeave) {
    const std::string out = Path("out");
    MakeFile("out/" + Member("b.txt"), "my edits");

    // No flag and no terminal: refused before anything is written.
    ProcessResult refused = Run({"extract", container, "-d", out});
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_TRUE(Says(refused.err, Quoted(out + "/" + Member("b.txt")) + " already exists")) << refused.err;
    EXPECT_TRUE(Says(refused.err, "--overwrite")) << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(FilesBeneath(out), std::vector<std::string>{Member("b.txt")}) << "nothing else was written";
    EXPECT_EQ(ReadFile(out + "/" + Member("b.txt")), "my edits");

    EXPECT_EQ(Run({"extract", container, "-d", out, "--keep", "--overwrite"}).status, 2);

    ProcessResult kept = Run({"extract", container, "-d", out, "--keep"});
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_EQ(ReadFile(out + "/" + Member("b.txt")), "my edits");
    EXPECT_EQ(ReadFile(out + "/" + Member("a.txt")), "alpha");
    EXPECT_TRUE(Says(kept.err, "kept the existing " + Quoted(out + "/" + Member("b.txt")))) << kept.err;
    EXPECT_FALSE(Says(kept.out, Member("b.txt"))) << "a kept file is not named as written";

    ProcessResult replaced = Run({"extract", container, "-d", out, "--overwrite"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(ReadFile(out + "/" + Member("b.txt")), "beta");
    EXPECT_EQ(FilesBeneath(out).size(), 3u);
    ExpectNoTemporaryFiles();
}

TEST_F(OzvExtractTest, AFolderWhereAFileWouldGoIsNeverReplaced) {
    const std::string out = Path("out");
    MakeFile("out/" + Member("a.txt") + "/inside", "kept");
    ProcessResult r = Run({"extract", container, "-d", out, "--overwrite"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Says(r.err, "is a folder")) << r.err;
    EXPECT_EQ(FilesBeneath(out), std::vector<std::string>{Member("a.txt") + "/inside"});
}

TEST_F(OzvExtractTest, MembersAreChosenByNameFolderOrPattern) {
    const std::string out = Path("out");
    ProcessResult r = Run({"extract", container, Member("b.txt"), Member("docs"), "-d", out});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FilesBeneath(out), (std::vector<std::string>{Member("b.txt"), Member("docs/c.txt")}));
    fs::remove_all(out);

    r = Run({"extract", container, "*/a.*", "-d", out});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FilesBeneath(out), std::vector<std::string>{Member("a.txt")});
    fs::remove_all(out);

    // One pattern that matches nothing spoils the whole selection.
    r = Run({"extract", container, Member("a.txt"), "*.pdf", "-d", out});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Says(r.err, "\"*.pdf\"")) << r.err;
    EXPECT_FALSE(Says(r.err, Quoted(Member("a.txt")))) << "only the pattern that matched nothing is named";
    EXPECT_FALSE(fs::exists(out)) << "nothing was written, not even the destination";
    EXPECT_TRUE(FilesBeneath(root.string()).size() == 4u) << "no staging directory stays";
}

TEST_F(OzvExtractTest, ToStdoutWritesTheSelectionInCabinetOrderAndNothingToDisk) {
    // Named in the other order: the cabinet's order rules, as in tar.
    ProcessResult r = Run({"extract", container, "-O", Member("b.txt"), Member("a.txt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "alphabeta");
    EXPECT_EQ(r.err, "");
    ExpectNoTemporaryFiles();

    r = Run({"extract", container, "--to-stdout", "-v", Member("docs/*")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ReadFile(Path("in/docs/c.txt")));
    EXPECT_EQ(r.err, Member("docs/c.txt") + "\n") << "with -v the names go to standard error";

    EXPECT_EQ(Run({"extract", container, "-O", "-d", Path("out")}).status, 2);
    EXPECT_EQ(FilesBeneath(root.string()).size(), 4u);
}

TEST_F(OzvExtractTest, AMissingDestinationIsMadeWithItsParents) {
    const std::string out = Path("new/deeper/out");
    ProcessResult r = Run({"extract", container, "-d", out});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(FilesBeneath(out).size(), 3u);
    EXPECT_EQ(FilesBeneath(Path("new")).size(), 3u) << "no staging directory stays in the ancestor";

    MakeFile("plain", "x");
    r = Run({"extract", container, "-d", Path("plain/out")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Says(r.err, "is not a directory")) << r.err;
}

TEST_F(OzvExtractTest, QuietPrintsNothingAndVerboseNamesEachFile) {
    ProcessResult normal = Run({"extract", container, "-d", Path("one")});
    ProcessResult verbose = Run({"extract", container, "-v", "-d", Path("two")});
    ProcessResult quiet = Run({"extract", container, "-q", "-d", Path("three")});
    const std::string names = Member("a.txt") + "\n" + Member("b.txt") + "\n" + Member("docs/c.txt") + "\n";
    EXPECT_EQ(normal.out, names);
    EXPECT_EQ(verbose.out, names);
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out + quiet.err, "");
    EXPECT_EQ(FilesBeneath(Path("three")).size(), 3u);
    EXPECT_EQ(Run({"extract", container, "-q", "-v"}).status, 2);
}

TEST_F(OzvExtractTest, AContainerIsReadFromStandardInputAndItsCopyRemoved) {
    const std::string whole = ReadFile(container);
    ProcessResult list = Run({"list", "-"}, whole);
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_TRUE(Says(list.out, Member("docs/c.txt"))) << list.out;
    ExpectNoTemporaryFiles();

    ProcessResult info = Run({"info", "-"}, whole);
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_TRUE(Says(info.out, "Blowfish")) << info.out;

    ProcessResult extracted = Run({"extract", "-", "-d", Path("out"), Member("a.txt")}, whole);
    EXPECT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(ReadFile(Path("out/" + Member("a.txt"))), "alpha");
    EXPECT_EQ(Run({"test", "-"}, whole).status, 0);
    ExpectNoTemporaryFiles();

    // Failures remove the copy too, and name standard input, not the copy.
    ProcessResult wrong = RunOzvProcess({"list", "-", "-p", "wrong"}, whole, {{"TMPDIR", Path("tmp")}});
    EXPECT_EQ(wrong.status, 3);
    EXPECT_TRUE(Says(wrong.err, "cannot open standard input: the password is wrong")) << wrong.err;
    ProcessResult empty = Run({"list", "-"}, "");
    EXPECT_EQ(empty.status, 3);
    EXPECT_TRUE(Says(empty.err, "standard input is not a container")) << empty.err;
    ExpectNoTemporaryFiles();

    // Standard input cannot carry the container and the password.
    EXPECT_EQ(RunOzvProcess({"list", "-", "--password-file", "-"}, whole, {{"TMPDIR", Path("tmp")}}).status, 2);
    ExpectNoTemporaryFiles();
}

TEST_F(OzvExtractTest, TestChecksEveryFileAndWritesNothing) {
    ProcessResult good = Run({"test", container});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_TRUE(Says(good.out, "OK  " + Member("docs/c.txt"))) << good.out;
    EXPECT_EQ(Run({"test", "-q", container}).out, "");

    ProcessResult wrong = Run({"test", container, "-p", "wrong"});
    EXPECT_EQ(wrong.status, 3);
    EXPECT_TRUE(Says(wrong.err, "the password is wrong")) << wrong.err;

    // A byte of the compressed text changed: the password is right, the
    // decompression fails.
    std::string damaged = ReadFile(container);
    damaged[damaged.size() - 100] = static_cast<char>(damaged[damaged.size() - 100] ^ 0x55);
    const std::string path = MakeFile("damaged.ozv", damaged);
    ProcessResult broken = Run({"test", path});
    EXPECT_EQ(broken.status, 3) << broken.out;
    EXPECT_TRUE(Says(broken.err, Quoted(path) + " is damaged")) << broken.err;

    std::string cut = ReadFile(container);
    cut.resize(cut.size() - 10);
    ProcessResult shortened = Run({"test", MakeFile("cut.ozv", cut)});
    EXPECT_EQ(shortened.status, 3);
    EXPECT_TRUE(Says(shortened.err, "cut short")) << shortened.err;
    ExpectNoTemporaryFiles();
    EXPECT_EQ(FilesBeneath(root.string()).size(), 6u) << "test wrote no file";
}

// Runs ozv with a pseudo-terminal as its standard input, output and error,
// typing `typed` into it; returns the exit status (128 + the signal when one
// ended it) and what ozv showed. Once it shows `killAt`, it is sent `signal`.
std::pair<int, std::string> RunOnTerminal(const std::vector<std::string>& args,
                                          const std::map<std::string, std::string>& env, const std::string& typed,
                                          std::string killAt = {}, int signal = 0) {
    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(QUELLMARK_OZV_BINARY)};
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (child < 0) return {-1, "forkpty failed"};
    // Typed ahead: the terminal keeps the lines until ozv reads them.
    if (::write(master, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) return {-1, "write failed"};
    std::string shown;
    char buffer[4096];
    for (;;) {
        pollfd ready{master, POLLIN, 0};
        if (::poll(&ready, 1, 10000) <= 0) break;  // ten seconds without a word: give up
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got <= 0) break;  // EIO once ozv has ended
        shown.append(buffer, static_cast<std::size_t>(got));
        if (!killAt.empty() && Says(shown, killAt)) {
            ::kill(child, signal);
            signal = 0;
            killAt.clear();
        }
    }
    ::close(master);
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1, shown};
}

TEST_F(OzvExtractTest, OnATerminalEachExistingFileIsAskedAbout) {
    const std::string out = Path("out");
    MakeFile("out/" + Member("a.txt"), "mine a");
    MakeFile("out/" + Member("b.txt"), "mine b");
    MakeFile("out/" + Member("docs/c.txt"), "mine c");
    // An answer it does not know is asked again; then: no for a.txt, yes
    // for b.txt, None for the rest.
    auto [status, shown] = RunOnTerminal({"extract", container, "-d", out}, env, "x\nn\ny\nN\n");
    EXPECT_EQ(status, 0) << shown;
    EXPECT_TRUE(Says(shown, "replace " + Quoted(out + "/" + Member("a.txt")) + "? [y]es, [n]o, [A]ll, [N]one")) << shown;
    EXPECT_EQ(ReadFile(out + "/" + Member("a.txt")), "mine a");
    EXPECT_EQ(ReadFile(out + "/" + Member("b.txt")), "beta");
    EXPECT_EQ(ReadFile(out + "/" + Member("docs/c.txt")), "mine c");

    // All: this and every later one is replaced.
    std::tie(status, shown) = RunOnTerminal({"extract", container, "-d", out}, env, "A\n");
    EXPECT_EQ(status, 0) << shown;
    EXPECT_EQ(ReadFile(out + "/" + Member("a.txt")), "alpha");
    EXPECT_EQ(ReadFile(out + "/" + Member("docs/c.txt")), ReadFile(Path("in/docs/c.txt")));
}

// Ended while it asks, ozv has deciphered the cabinet and unpacked it into
// a working folder beside the files: the signal must take that folder along.
TEST_F(OzvExtractTest, ASignalMidWayLeavesNothingDecipheredBehind) {
    const std::string out = Path("out");
    MakeFile("out/" + Member("a.txt"), "mine a");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        auto [status, shown] = RunOnTerminal({"extract", container, "-d", out}, env, "", "? [y]es", signal);
        EXPECT_EQ(status, 128 + signal) << shown;
        EXPECT_EQ(FilesBeneath(out), std::vector<std::string>{Member("a.txt")}) << "signal " << signal;
        ExpectNoTemporaryFiles();
    }
}

}  // namespace

}  // namespace quellmark
