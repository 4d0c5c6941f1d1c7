// ozv on containers that are cut short, damaged or no files at all, on
// files it cannot read, and what escapes its commands: one clear line on
// standard error and the right exit status, never an abort, and no
// container left half-written.
#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <filesystem>
#include <functional>
#include <linux/capability.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "cli/ozv.h"
#include "run_process.h"
#include "temp_dir.h"
#include "test_support.h"

namespace quellmark {

namespace {

namespace fs = std::filesystem;

// While it lives, file permissions bind this thread even when it runs as
// root: the two capabilities that override them leave the effective set
// (they stay permitted, and come back when the guard goes).
class ScopedObeyFilePermissions {
public:
    ScopedObeyFilePermissions() {
        lowered_ = syscall(SYS_capget, &header_, saved_) == 0;
        if (!lowered_) return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        lowered_ = syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~ScopedObeyFilePermissions() {
        if (lowered_) syscall(SYS_capset, &header_, saved_);
    }
    ScopedObeyFilePermissions(const ScopedObeyFilePermissions&) = delete;
    ScopedObeyFilePermissions& operator=(const ScopedObeyFilePermissions&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
    bool lowered_ = false;
};

// Takes every permission from a file or directory while it lives.
class ScopedNoAccess {
public:
    explicit ScopedNoAccess(std::string path) : path_(std::move(path)) { ::chmod(path_.c_str(), 0); }
    ~ScopedNoAccess() { ::chmod(path_.c_str(), 0755); }
    ScopedNoAccess(const ScopedNoAccess&) = delete;
    ScopedNoAccess& operator=(const ScopedNoAccess&) = delete;

private:
    std::string path_;
};

// A pipe whose reading end a child process inherits, as a shell's process
// substitution `<(...)` hands one over under the name /dev/fd/N.
class InheritedPipe {
public:
    explicit InheritedPipe(const std::string& content) {
        if (::pipe(ends_) != 0) ends_[0] = ends_[1] = -1;
        if (ends_[1] >= 0) (void)!::write(ends_[1], content.data(), content.size());
    }
    ~InheritedPipe() {
        for (int end : ends_)
            if (end >= 0) ::close(end);
    }
    InheritedPipe(const InheritedPipe&) = delete;
    InheritedPipe& operator=(const InheritedPipe&) = delete;

    bool Open() const { return ends_[0] >= 0; }
    std::string Name() const { return Numbered("/dev/fd/", ends_[0]); }

private:
    int ends_[2] = {-1, -1};
};

struct InProcessResult {
    int status;
    std::string err;
};

// Runs ozv in this process, for cases that need its privileges lowered.
InProcessResult RunOzvHere(const std::vector<std::string>& args) {
    ::testing::internal::CaptureStderr();
    const int status = OzvMain(args);
    return {status, ::testing::internal::GetCapturedStderr()};
}

std::string Joined(const std::vector<std::string>& args) {
    std::string joined = "ozv";
    for (const auto& arg : args) joined += " " + arg;
    return joined;
}

class OzvFaultTest : public TempDirTest {
protected:
    std::string Path(const std::string& relative) const { return (root / relative).string(); }

    // A container of two files, one of them compressible text (so that a
    // damaged byte in it upsets the decompression), made by ozv itself.
    std::string MakeContainer(const std::string& name) {
        std::string text;
        for (int i = 0; i < 4000; ++i) text += "line " + std::to_string(i) + " of some text that compresses\n";
        std::string noise(20000, '\0');
        for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>(i * i % 251 + i / 7);
        MakeFile("src/text.txt", text);
        MakeFile("src/noise.bin", noise);
        const std::string container = Path(name);
        ProcessResult created = RunOzvProcess({"create", container, Path("src"), "-p", "pw"});
        EXPECT_EQ(created.status, 0) << created.err;
        return container;
    }

    std::vector<std::string> Entries(const std::string& directory) const {
        std::vector<std::string> names;
        std::error_code error;
        for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error))
            names.push_back(it->path().filename().string());
        return names;
    }
};

// Every way of reading a bad container fails with status 3, lists and
// writes nothing, and says what is wrong in one line that names the container.
void ExpectBadContainer(const std::vector<std::string>& args, const std::vector<std::string>& says,
                        const std::string& out) {
    ProcessResult r = RunOzvProcess(args);
    EXPECT_EQ(r.status, 3) << Joined(args) << "\n" << r.err;
    EXPECT_EQ(r.out, "") << Joined(args) << ": nothing is listed or reported as written";
    for (const auto& part : says) EXPECT_TRUE(Says(r.err, part)) << Joined(args) << "\n" << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(fs::is_empty(out)) << Joined(args) << " left files behind";
}

TEST_F(OzvFaultTest, AContainerCutShortAnywhereIsReportedAsCutShortByListAndExtract) {
    const std::string whole = ReadFile(MakeContainer("whole.ozv"));
    const std::string out = Path("out");
    fs::create_directories(out);
    // Right after the header, inside the cabinet header, inside its file
    // list, in the middle of the data, and one byte short of the end.
    for (std::size_t length : {std::size_t{256}, std::size_t{256 + 20}, std::size_t{256 + 60}, whole.size() / 2,
                               whole.size() - 1}) {
        const std::string cut = MakeFile(Numbered("cut", static_cast<long>(length)) + ".ozv", whole.substr(0, length));
        for (const char* command : {"list", "extract"}) {
            std::vector<std::string> args = {command, cut, "-p", "pw"};
            if (std::string(command) == "extract") args.insert(args.end(), {"-d", out});
            ExpectBadContainer(args, {"ozv: " + Quoted(cut) + " is ", "cut short"}, out);
        }
    }
}

TEST_F(OzvFaultTest, ADamagedContainerIsReportedAsDamagedNotAsAWrongPassword) {
    const std::string container = MakeContainer("whole.ozv");
    const std::string whole = ReadFile(container);
    const std::string out = Path("out");
    fs::create_directories(out);
    // A byte in the cabinet header after its signature, and one in the
    // compressed text: either way the signature shows the password was right.
    for (std::size_t at : {std::size_t{256 + 8}, whole.size() - 100}) {
        std::string damaged = whole;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x55);
        const std::string path = MakeFile(Numbered("damaged", static_cast<long>(at)) + ".ozv", damaged);
        const std::vector<std::string> says = {"ozv: " + Quoted(path) + " is damaged: the password is right"};
        ExpectBadContainer({"extract", path, "-d", out, "-p", "pw"}, says, out);
        if (at == 256 + 8) ExpectBadContainer({"list", path, "-p", "pw"}, says, out);
    }
    // The wrong password is still told as such.
    for (std::vector<std::string> args : {std::vector<std::string>{"extract", container, "-d", out, "-p", "wrong"},
                                          std::vector<std::string>{"list", container, "-p", "wrong"}})
        ExpectBadContainer(args, {Quoted(container) + ": the password is wrong"}, out);
}

TEST_F(OzvFaultTest, AContainerThatIsNoRegularFileGetsAClearMessageNeverAnAbort) {
    const std::string container = MakeContainer("whole.ozv");
    const std::string out = Path("out");
    fs::create_directories(out);
    const std::string fifo = Path("fifo.ozv");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    InheritedPipe substitution(ReadFile(container));
    ASSERT_TRUE(substitution.Open());

    struct Case {
        std::string path;
        const char* says;
    };
    const Case cases[] = {
        {"/dev/null", "is a device, not a container"},
        {fifo, "is a pipe, not a file"},
        {substitution.Name(), "is a pipe, not a file"},
        {out, "is a directory, not a container"},
    };
    for (const Case& c : cases) {
        for (std::vector<std::string> args : {std::vector<std::string>{"info", c.path},
                                              std::vector<std::string>{"list", c.path, "-p", "pw"},
                                              std::vector<std::string>{"extract", c.path, "-d", out, "-p", "pw"}}) {
            ProcessResult r = RunOzvProcess(args, ReadFile(container));
            EXPECT_EQ(r.status, 1) << Joined(args) << "\n" << r.err;
            EXPECT_TRUE(Says(r.err, c.says)) << Joined(args) << "\n" << r.err;
            if (c.path != "-") {
                EXPECT_TRUE(Says(r.err, Quoted(c.path))) << r.err;
            }
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << Joined(args) << "\n" << r.err;
        }
    }
    EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(OzvFaultTest, CreateStopsAtWhatItCannotReadOrWriteAndLeavesNoContainer) {
    MakeFile("in/a.txt", "alpha");
    MakeFile("in/locked/b.txt", "beta");
    MakeFile("in2/secret.txt", "gamma");
    MakeFile("out/placeholder", "");
    const std::string fresh = Path("fresh.ozv"), kept = Path("kept.ozv");
    ASSERT_EQ(RunOzvProcess({"create", kept, Path("in/a.txt"), "-p", "pw"}).status, 0);
    const std::string keptBytes = ReadFile(kept);

    ScopedNoAccess lockedFolder(Path("in/locked"));
    ScopedNoAccess lockedFile(Path("in2/secret.txt"));
    ScopedNoAccess lockedOut(Path("out"));
    ScopedObeyFilePermissions obey;
    DIR* probe = ::opendir(Path("in/locked").c_str());
    if (probe) {
        ::closedir(probe);
        GTEST_SKIP() << "file permissions do not bind this process";
    }

    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const Case cases[] = {
        {{"create", fresh, Path("in"), "-p", "pw"}, "cannot read the folder " + Quoted(Path("in/locked"))},
        {{"create", kept, Path("in"), "-p", "pw"}, "cannot read the folder " + Quoted(Path("in/locked"))},
        {{"create", fresh, Path("in2"), "-p", "pw"}, "cannot read " + Quoted(Path("in2/secret.txt"))},
        {{"create", kept, Path("in2/secret.txt"), "-p", "pw"}, "cannot read " + Quoted(Path("in2/secret.txt"))},
        {{"create", Path("out/new.ozv"), Path("in/a.txt"), "-p", "pw"}, "cannot write into " + Quoted(Path("out"))},
    };
    for (const Case& c : cases) {
        InProcessResult r = RunOzvHere(c.args);
        EXPECT_EQ(r.status, 1) << Joined(c.args) << "\n" << r.err;
        EXPECT_TRUE(Says(r.err, c.says)) << Joined(c.args) << "\n" << r.err;
        EXPECT_FALSE(fs::exists(fresh)) << Joined(c.args);
        EXPECT_EQ(ReadFile(kept), keptBytes) << Joined(c.args) << " must leave the old container as it was";
    }
    std::vector<std::string> names = Entries(root.string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"in", "in2", "kept.ozv", "out"})) << "no partial container stays";
}

TEST_F(OzvFaultTest, CreateRefusesLinkLoopsAndTargetsThatAreNoFiles) {
    MakeFile("in/a/file.txt", "alpha");
    fs::create_directory_symlink("..", Path("in/a/up"));
    fs::create_directory(Path("target-dir"));
    const std::string fifo = Path("target.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const Case cases[] = {
        {{"create", Path("loop.ozv"), Path("in"), "-p", "pw"}, Quoted(Path("in/a/up")) + " leads back"},
        {{"create", Path("target-dir"), Path("in/a/file.txt"), "-p", "pw"}, "is a directory"},
        {{"create", fifo, Path("in/a/file.txt"), "-p", "pw"}, "is not a regular file"},
    };
    for (const Case& c : cases) {
        ProcessResult r = RunOzvProcess(c.args);
        EXPECT_EQ(r.status, 1) << Joined(c.args) << "\n" << r.err;
        EXPECT_TRUE(Says(r.err, c.says)) << Joined(c.args) << "\n" << r.err;
    }
    EXPECT_FALSE(fs::exists(Path("loop.ozv")));
    EXPECT_TRUE(fs::is_empty(Path("target-dir")));
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo) << "the pipe is still a pipe";
}

TEST(OzvEscapes, AnExceptionThatEscapesACommandBecomesOneLineAndStatusOne) {
    struct Case {
        std::function<int()> run;
        std::vector<std::string> says;
    };
    const Case cases[] = {
        {[]() -> int { throw std::runtime_error("the unforeseen"); }, {"ozv: ", "the unforeseen"}},
        {[]() -> int {
             throw fs::filesystem_error("cannot get file size", fs::path("/some/where"),
                                        std::make_error_code(std::errc::operation_not_supported));
         },
         {"ozv: ", "\"/some/where\"", std::make_error_code(std::errc::operation_not_supported).message()}},
        {[]() -> int { throw 42; }, {"ozv: "}},
    };
    for (const Case& c : cases) {
        ::testing::internal::CaptureStderr();
        const int status = ReportEscapes(c.run);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, 1) << err;
        for (const auto& part : c.says) EXPECT_TRUE(Says(err, part)) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    EXPECT_EQ(ReportEscapes([] { return 3; }), 3) << "a status that comes back is passed on";
}

}  // namespace

}  // namespace quellmark
