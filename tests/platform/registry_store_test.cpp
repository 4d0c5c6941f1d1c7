// TRegistry over its file: typed values, keys, the registry layer's errors,
// and a file that neither a second writer nor a crash can spoil.
#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/registry_store.h"
#include "platform/registry_text.h"
#include "scoped_env.h"
#include "temp_dir.h"
#include "test_support.h"

namespace quellmark {

namespace {

class RegistryStoreTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        path = (root / "config" / "quellmark" / "user.reg").string();
        store = Fresh();
    }
    // A store of its own over the same file, as another run would have.
    std::unique_ptr<RegistryFile> Fresh() {
        auto file = std::make_unique<RegistryFile>(path);
        file->OnNotice = [this](const std::string& message) { notices.push_back(message); };
        return file;
    }
    std::string ErrorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const ERegistryException& error) {
            return error.Message();
        }
        return "(no error)";
    }
    std::vector<std::string> Siblings(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path()))
            if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path().string());
        return found;
    }

    std::string path;
    std::unique_ptr<RegistryFile> store;
    std::vector<std::string> notices;
};

TEST_F(RegistryStoreTest, EveryTypeRoundTripsThroughTheFile) {
    const std::string bytes = std::string("\0\x01\xFF binary", 10) + std::string(300, '\x5A');
    const std::vector<int32_t> numbers = {0, 1, -1, 10, INT_MAX, INT_MIN};
    const std::vector<std::string> strings = {"", "plain", "C:\\\"quoted\"\\", "Grüße ✓", "two\r\nlines\n"};
    {
        TRegistry writer(*store);
        ASSERT_TRUE(writer.OpenKey("\\Software\\Quellmark Test", true));
        writer.WriteBinaryData("binary", bytes.data(), static_cast<int>(bytes.size()));
        writer.WriteBinaryData("no bytes", nullptr, 0);
        for (std::size_t i = 0; i < numbers.size(); ++i) writer.WriteInteger("n" + std::to_string(i), numbers[i]);
        for (std::size_t i = 0; i < strings.size(); ++i) writer.WriteString("s" + std::to_string(i), strings[i]);
        writer.WriteString("", "the default value");
        writer.WriteBool("yes", true);
        writer.WriteBool("no", false);
    }
    auto again = Fresh();
    TRegistry reader(*again);
    ASSERT_TRUE(reader.OpenKey("\\software\\QUELLMARK TEST", false));
    std::vector<char> buffer(bytes.size());
    ASSERT_EQ(reader.ReadBinaryData("binary", buffer.data(), static_cast<int>(buffer.size())), static_cast<int>(bytes.size()));
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), bytes);
    EXPECT_EQ(reader.GetDataType("no bytes"), rdBinary);
    EXPECT_EQ(reader.ReadBinaryData("no bytes", buffer.data(), 0), 0);
    for (std::size_t i = 0; i < numbers.size(); ++i) EXPECT_EQ(reader.ReadInteger("n" + std::to_string(i)), numbers[i]);
    for (std::size_t i = 0; i < strings.size(); ++i) EXPECT_EQ(reader.ReadString("s" + std::to_string(i)), strings[i]);
    EXPECT_EQ(reader.ReadString(""), "the default value");
    EXPECT_TRUE(reader.ReadBool("yes"));
    EXPECT_FALSE(reader.ReadBool("no"));
    EXPECT_EQ(reader.GetDataType("n3"), rdInteger);
    EXPECT_EQ(reader.GetDataType("s1"), rdString);
    EXPECT_EQ(reader.GetDataSize("s1"), 5);
    EXPECT_EQ(reader.GetDataSize("missing"), -1);

    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("\r\n[HKEY_CURRENT_USER\\Software\\Quellmark Test]\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n\"n3\"=dword:0000000a\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n@=\"the default value\"\r\n"), std::string::npos);
    EXPECT_TRUE(notices.empty());
}

TEST_F(RegistryStoreTest, TheLayersErrorsCarryTheValueName) {
    TRegistry registry(*store);
    EXPECT_EQ(ErrorOf([&] { registry.WriteInteger("early", 1); }), "Failed to set data for 'early'") << "no key open";
    ASSERT_TRUE(registry.OpenKey("Software\\Errors", true));
    registry.WriteBinaryData("bin", "abcdef", 6);
    registry.WriteInteger("int", 5);
    registry.WriteString("str", "text");
    char buffer[16];
    for (const char* name : {"int", "str"})
        EXPECT_EQ(ErrorOf([&] { registry.ReadBinaryData(name, buffer, sizeof buffer); }),
                  "Invalid data type for '" + std::string(name) + "'");
    EXPECT_EQ(ErrorOf([&] { registry.ReadBinaryData("bin", buffer, 5); }), "Invalid data type for 'bin'") << "too big for the buffer";
    EXPECT_EQ(ErrorOf([&] { registry.ReadInteger("bin"); }), "Invalid data type for 'bin'");
    EXPECT_EQ(ErrorOf([&] { registry.ReadBool("str"); }), "Invalid data type for 'str'");
    EXPECT_EQ(ErrorOf([&] { registry.ReadString("int"); }), "Invalid data type for 'int'");
    EXPECT_EQ(ErrorOf([&] { registry.ReadString("bin"); }), "Invalid data type for 'bin'");

    // What Windows does with a value that is not there.
    EXPECT_EQ(registry.ReadBinaryData("absent", buffer, sizeof buffer), 0);
    EXPECT_EQ(registry.ReadString("absent"), "");
    EXPECT_EQ(ErrorOf([&] { registry.ReadInteger("absent"); }), "Failed to get data for 'absent'");

    EXPECT_EQ(ErrorOf([&] { registry.WriteString("nul", std::string("a\0b", 3)); }), "Failed to set data for 'nul'");
    EXPECT_EQ(ErrorOf([&] { registry.WriteString("latin1", "Gr\xFC\xDF" "e"); }), "Failed to set data for 'latin1'");
    EXPECT_EQ(ErrorOf([&] { registry.WriteInteger("line\nbreak", 1); }), "Failed to set data for 'line\nbreak'");
    EXPECT_FALSE(registry.ValueExists("nul"));
    EXPECT_EQ(registry.ReadInteger("int"), 5) << "refused writes change nothing";
}

TEST_F(RegistryStoreTest, KeysAreCreatedOnDemandAndPathsResolveLikeTheWindowsRegistry) {
    TRegistry registry(*store);
    EXPECT_FALSE(registry.OpenKey("\\Software\\Brindlecor\\ozvDecoder", false));
    EXPECT_FALSE(std::filesystem::exists(path)) << "looking creates nothing";
    ASSERT_TRUE(registry.OpenKey("\\Software\\Brindlecor\\ozvDecoder", true));
    EXPECT_EQ(registry.CurrentPath(), "Software\\Brindlecor\\ozvDecoder");
    EXPECT_NE(ReadFile(path).find("[HKEY_CURRENT_USER\\Software\\Brindlecor\\ozvDecoder]\r\n"), std::string::npos)
        << "a created key is stored at once, even empty";
    EXPECT_TRUE(registry.KeyExists("\\SOFTWARE\\brindlecor"));
    EXPECT_FALSE(registry.KeyExists("\\Software\\Other"));

    // Relative paths lead on from the open key; a leading backslash starts at the root.
    ASSERT_TRUE(registry.OpenKey("Form", true));
    EXPECT_EQ(registry.CurrentPath(), "Software\\Brindlecor\\ozvDecoder\\Form");
    ASSERT_TRUE(registry.OpenKey("\\Software", false));
    EXPECT_EQ(registry.CurrentPath(), "Software");
    registry.CloseKey();
    ASSERT_TRUE(registry.OpenKey("Software\\ozvDecoder\\", true)) << "from the root when no key is open";
    EXPECT_EQ(registry.CurrentPath(), "Software\\ozvDecoder");

    EXPECT_FALSE(registry.OpenKey("a\\\\b", true)) << "an empty key name";
    EXPECT_FALSE(registry.OpenKey("bad\nname", true));
    EXPECT_EQ(registry.CurrentPath(), "Software\\ozvDecoder") << "a failed open keeps the key that was open";

    registry.WriteInteger("Value", 1);
    registry.WriteInteger("VALUE", 2);
    EXPECT_EQ(registry.ReadInteger("value"), 2) << "one value whatever the letter case";
    EXPECT_NE(ReadFile(path).find("\"Value\"=dword:00000002"), std::string::npos) << "the first spelling stays";
    EXPECT_TRUE(registry.DeleteValue("value"));
    EXPECT_FALSE(registry.DeleteValue("value"));
    EXPECT_FALSE(registry.ValueExists("Value"));

    // Keys go at most 512 deep below the root, the open key's depth included.
    std::string deep = "\\Software";
    for (int i = 1; i < 512; ++i) deep += "\\k";
    EXPECT_TRUE(registry.OpenKey(deep, true));
    EXPECT_FALSE(registry.OpenKey("one-more", true));
    EXPECT_EQ(registry.CurrentPath().size(), deep.size() - 1) << "the open key stays";
}

TEST_F(RegistryStoreTest, TheFileIsPrivateToTheUser) {
    TRegistry registry(*store);
    ASSERT_TRUE(registry.OpenKey("Software\\Private", true));
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    ASSERT_EQ(stat(std::filesystem::path(path).parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    registry.WriteInteger("x", 1);
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u) << "every write leaves it private again";
}

TEST_F(RegistryStoreTest, AnUnparsableFileIsSetAsideAndReportedNeverOverwritten) {
    const std::string garbage = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Software]\n\"torn\"=hex:01,0";
    MakeFile("config/quellmark/user.reg", garbage);
    TRegistry registry(*store);
    ASSERT_TRUE(registry.OpenKey("\\Software\\Fresh", true));
    registry.WriteInteger("n", 1);

    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(path), std::string::npos);
    EXPECT_NE(notices[0].find("line 3"), std::string::npos) << notices[0];
    const auto aside = Siblings("user.reg.broken-");
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_NE(notices[0].find(aside[0]), std::string::npos) << "the report says where the old file went";
    EXPECT_EQ(ReadFile(aside[0]), garbage);
    EXPECT_EQ(ParseRegistryText(ReadFile(path)).Find("HKEY_CURRENT_USER\\Software\\Fresh", "n")->AsDword(), 1u);

    // Only reading finds the next broken file, and a second one gets a name of its own.
    MakeFile("config/quellmark/user.reg", "not a registry");
    auto fresh = Fresh();
    TRegistry reader(*fresh);
    EXPECT_FALSE(reader.KeyExists("\\Software\\Fresh"));
    EXPECT_EQ(notices.size(), 2u);
    EXPECT_EQ(Siblings("user.reg.broken-").size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(RegistryStoreTest, AStoreThatCannotBeReadIsReportedAndLeftAlone) {
    std::filesystem::create_directories(path);  // a directory where the file belongs
    TRegistry registry(*store);
    EXPECT_FALSE(registry.OpenKey("\\Software\\X", true));
    EXPECT_FALSE(notices.empty());
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_TRUE(Siblings("user.reg.broken-").empty());
}

// Runs `body` in a child process; its exit status is 0 when body returned normally.
pid_t InChild(const std::function<void()>& body) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    int status = 0;
    try {
        body();
    } catch (...) {
        status = 1;
    }
    _exit(status);
}

int ExitStatus(pid_t pid) {
    int raw = 0;
    waitpid(pid, &raw, 0);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST_F(RegistryStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kWrites = 40;
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> writers;
    for (int w = 0; w < 2; ++w) {
        writers.push_back(InChild([&, w] {
            close(gate[1]);
            char go;
            if (read(gate[0], &go, 1) < 0) throw 1;  // both start when the gate closes
            RegistryFile file(path);
            TRegistry registry(file);
            if (!registry.OpenKey("\\Software\\Writer" + std::to_string(w), true)) throw 1;
            for (int i = 0; i < kWrites; ++i) registry.WriteInteger(Numbered("v", i), i * 10 + w);
        }));
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t writer : writers) EXPECT_EQ(ExitStatus(writer), 0);

    auto fresh = Fresh();
    TRegistry registry(*fresh);
    for (int w = 0; w < 2; ++w) {
        ASSERT_TRUE(registry.OpenKey("\\Software\\Writer" + std::to_string(w), false));
        for (int i = 0; i < kWrites; ++i) EXPECT_EQ(registry.ReadInteger(Numbered("v", i)), i * 10 + w);
    }
    EXPECT_TRUE(notices.empty());
}

TEST_F(RegistryStoreTest, AWriterKilledAtAnyInstantLeavesAWholeFile) {
    // A hundred writers, each killed at a random instant of its run of up to a hundred writes.
    constexpr uint32_t kRounds = 100, kWrites = 100, kBlobWords = 750;
    // Write number n stores a blob of n repeated, so a torn or mixed value shows.
    const auto blobOf = [&](uint32_t n) {
        std::string blob;
        for (uint32_t i = 0; i < kBlobWords; ++i) blob += RegistryValue::Dword(n).data;
        return blob;
    };
    std::mt19937 rng(2024);
    uint32_t lastDone = 0;  // the number of the last write known to have finished
    for (uint32_t round = 0; round < kRounds; ++round) {
        const uint32_t first = round * 1000 + 1;
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        const pid_t writer = InChild([&] {
            close(progress[0]);
            RegistryFile file(path);
            TRegistry registry(file);
            if (!registry.OpenKey("\\Software\\Crash", true)) throw 1;
            for (uint32_t n = first; n < first + kWrites; ++n) {
                const std::string blob = blobOf(n);
                registry.WriteBinaryData("blob", blob.data(), static_cast<int>(blob.size()));
                if (write(progress[1], &n, sizeof n) != sizeof n) throw 1;
            }
        });
        close(progress[1]);
        // Let a random number of writes finish, then kill at a random instant of the next ones.
        const int finishedBeforeKill = std::uniform_int_distribution<int>(0, 9)(rng);
        uint32_t n = 0;
        for (int i = 0; i < finishedBeforeKill && read(progress[0], &n, sizeof n) == sizeof n; ++i) lastDone = n;
        usleep(static_cast<useconds_t>(std::uniform_int_distribution<int>(0, 5000)(rng)));
        kill(writer, SIGKILL);
        ExitStatus(writer);
        const uint32_t before = lastDone;
        while (read(progress[0], &n, sizeof n) == sizeof n) lastDone = n;
        close(progress[0]);
        const uint32_t inFlight = lastDone >= first ? lastDone + 1 : first;

        if (!std::filesystem::exists(path)) continue;  // killed before its first write
        RegistryTree tree;
        ASSERT_NO_THROW(tree = ParseRegistryText(ReadFile(path))) << "round " << round;
        const RegistryValue* blob = tree.Find("HKEY_CURRENT_USER\\Software\\Crash", "blob");
        if (!blob) continue;
        const uint32_t stored = RegistryValue{REG_DWORD, blob->data.substr(0, 4)}.AsDword();
        ASSERT_EQ(blob->data, blobOf(stored)) << "round " << round;
        EXPECT_TRUE(stored == lastDone || stored == inFlight)
            << "round " << round << ": stored " << stored << ", last finished " << lastDone << " (" << before << ")";
        // The write in flight may have landed without telling us: what the
        // file holds now is the old value the next round must keep.
        lastDone = stored;
    }
    TRegistry registry(*store);
    ASSERT_TRUE(registry.OpenKey("\\Software\\Crash", true));
    registry.WriteInteger("after", 1);
    EXPECT_TRUE(Siblings("user.reg.tmp-").empty()) << "temporaries of killed writers are cleared away";
    EXPECT_TRUE(notices.empty());
}

TEST(UserRegistryPath, FollowsXdgConfigHome) {
    ScopedEnv home("HOME", "/home/someone");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/elsewhere/config");
        EXPECT_EQ(UserRegistryPath(), "/elsewhere/config/quellmark/user.reg");
    }
    for (const std::optional<std::string>& unusable : {std::optional<std::string>(), std::optional<std::string>(""),
                                                       std::optional<std::string>("relative/config")}) {
        ScopedEnv config("XDG_CONFIG_HOME", unusable);
        EXPECT_EQ(UserRegistryPath(), "/home/someone/.config/quellmark/user.reg");
    }
}

}  // namespace

}  // namespace quellmark
