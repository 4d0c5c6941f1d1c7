#include "private_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gio/gio.h>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>


extern char** environ;

namespace quellmark {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Set, in the inner run, to the directory that holds its home and runtime directories.
constexpr char kInsideVariable[] = "QUELLMARK_TEST_PRIVATE_SESSION";
// The session bus address of the outer run, which the inner one must not be on.
constexpr char kOuterBusVariable[] = "QUELLMARK_TEST_OUTER_BUS";
constexpr char kSkipFile[] = "skipped";
constexpr auto kInnerRunLimit = 120s;
constexpr auto kDaemonStartLimit = 15s;

// A session bus that listens only for this run and starts no services on
// demand: only what the test starts itself is ever on it.
constexpr char kBusConfig[] = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string FindProgram(const std::string& name) {
    std::stringstream path(Env("PATH"));
    for (std::string dir; std::getline(path, dir, ':');) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Waits for a child, killing its process group when it runs past `limit`.
// Returns the exit status, or -1 when it was killed or crashed.
int WaitForChild(pid_t child, std::chrono::steady_clock::duration limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int raw = 0;
    while (::waitpid(child, &raw, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            ::kill(-child, SIGKILL);
            ::waitpid(child, &raw, 0);
            return -1;
        }
        std::this_thread::sleep_for(20ms);
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// The temporary directory of one outer run, removed with everything in it.
struct SessionDir {
    SessionDir() {
        char pattern[] = "/tmp/quellmark-bus-XXXXXX";
        if (::mkdtemp(pattern)) path = pattern;
    }
    ~SessionDir() {
        std::error_code ignored;
        if (!path.empty()) fs::remove_all(path, ignored);
    }
    fs::path path;
};

void RunOutside() {
    const std::string runner = FindProgram("dbus-run-session");
    if (runner.empty()) GTEST_SKIP() << "dbus-run-session is not installed (Debian package dbus-bin)";
    SessionDir dir;
    ASSERT_FALSE(dir.path.empty()) << "no temporary directory";
    const fs::path home = dir.path / "home", runtime = dir.path / "run", config = dir.path / "bus.conf";
    fs::create_directories(home);
    ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
    std::ofstream(config) << kBusConfig;

    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    std::error_code error;
    const std::string self = fs::read_symlink("/proc/self/exe", error).string();
    ASSERT_FALSE(error) << "cannot find the test program: " << error.message();

    // The inner run's environment: this one's, with its own home and runtime
    // directories and nothing that leads to the user's session or keyring.
    std::map<std::string, std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        if (equals != std::string::npos) env[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY", "GNOME_KEYRING_CONTROL",
                             "SSH_AUTH_SOCK", "DBUS_STARTER_ADDRESS", "DBUS_STARTER_BUS_TYPE"})
        env.erase(name);
    env["HOME"] = home.string();
    env["XDG_DATA_HOME"] = (home / ".local/share").string();
    env["XDG_CONFIG_HOME"] = (home / ".config").string();
    env["XDG_CACHE_HOME"] = (home / ".cache").string();
    env["XDG_RUNTIME_DIR"] = runtime.string();
    env[kInsideVariable] = dir.path.string();
    env[kOuterBusVariable] = Env("DBUS_SESSION_BUS_ADDRESS");
    std::vector<std::string> envText;
    for (const auto& [name, value] : env) envText.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& text : envText) envp.push_back(text.data());
    envp.push_back(nullptr);
    std::vector<std::string> args{runner, "--config-file=" + config.string(), "--", self, filter};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    std::cout.flush();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setpgid(0, 0);  // so that a run past its limit can be ended with everything it started
        ::execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    const int status = WaitForChild(child, kInnerRunLimit);
    ASSERT_EQ(status, 0) << "the run inside the private session failed (its output is above)";
    if (fs::exists(dir.path / kSkipFile)) GTEST_SKIP() << Slurp(dir.path / kSkipFile);
}

// Skips the inner run, and through a file it leaves, the outer one.
void SkipInside(const fs::path& dir, const std::string& reason) {
    std::ofstream(dir / kSkipFile) << reason;
    GTEST_SKIP() << reason;
}

// A gnome-keyring-daemon of this run, stopped when the object goes.
class KeyringDaemon {
public:
    // Starts it with a login keyring unlocked by `password` (created when new);
    // its messages go to `log`.
    KeyringDaemon(const std::string& program, const std::string& password, const fs::path& log) {
        int input[2];
        if (::pipe(input) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(input[0], 0);
            ::close(input[0]);
            ::close(input[1]);
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::execl(program.c_str(), program.c_str(), "--foreground", "--unlock", "--components=secrets", nullptr);
            _exit(127);
        }
        ::close(input[0]);
        // The daemon reads the password to its end, without a newline.
        if (pid_ > 0 && ::write(input[1], password.data(), password.size()) < 0) {
            // A daemon that read nothing does not answer, which the caller sees.
        }
        ::close(input[1]);
    }
    ~KeyringDaemon() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        WaitForChild(pid_, 10s);
    }
    KeyringDaemon(const KeyringDaemon&) = delete;
    KeyringDaemon& operator=(const KeyringDaemon&) = delete;

    // True once it owns the Secret Service's name on the bus; false when it
    // ended or did not get there in time. (Asked of the bus itself, not
    // through the code under test.)
    bool WaitUntilOnTheBus() {
        GError* error = nullptr;
        GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
        g_clear_error(&error);
        if (!bus) return false;
        bool owned = false;
        const auto end = std::chrono::steady_clock::now() + kDaemonStartLimit;
        while (!owned && pid_ > 0 && std::chrono::steady_clock::now() < end) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            GVariant* reply = g_dbus_connection_call_sync(
                bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                g_variant_new("(s)", "org.freedesktop.secrets"), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 1000,
                nullptr, &error);
            g_clear_error(&error);
            if (reply) {
                gboolean has = FALSE;
                g_variant_get(reply, "(b)", &has);
                g_variant_unref(reply);
                owned = has;
            }
            if (!owned) std::this_thread::sleep_for(50ms);
        }
        g_object_unref(bus);
        return owned;
    }

private:
    pid_t pid_ = -1;
};

void RunInside(PrivateBus bus, const std::function<void()>& body, const fs::path& dir) {
    // Never the user's bus: dbus-run-session gave this run a bus of its own,
    // and the keyring's files go below the run's directory.
    const std::string address = Env("DBUS_SESSION_BUS_ADDRESS");
    ASSERT_FALSE(address.empty());
    ASSERT_NE(address, Env(kOuterBusVariable)) << "not on a private session bus";
    ASSERT_EQ(Env("XDG_DATA_HOME").rfind(dir.string() + "/", 0), 0u);
    ASSERT_EQ(Env("XDG_RUNTIME_DIR").rfind(dir.string() + "/", 0), 0u);

    if (bus == PrivateBus::Empty) {
        body();
        return;
    }
    const std::string program = FindProgram("gnome-keyring-daemon");
    if (program.empty()) return SkipInside(dir, "gnome-keyring-daemon is not installed (Debian package gnome-keyring)");
    const fs::path log = dir / "gnome-keyring.log";
    KeyringDaemon daemon(program, "login keyring password", log);
    if (!daemon.WaitUntilOnTheBus())
        return SkipInside(dir, "gnome-keyring-daemon did not answer on the private bus: " + Slurp(log));
    body();
}

}  // namespace

void RunInPrivateSession(PrivateBus bus, const std::function<void()>& body) {
    const std::string inside = Env(kInsideVariable);
    if (inside.empty())
        RunOutside();
    else
        RunInside(bus, body, inside);
}

}  // namespace quellmark
