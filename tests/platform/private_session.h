#pragma once
// Runs a test's body inside a D-Bus session of its own, so that no test ever
// reaches the user's session bus or keyring.
//
// Called from a test, it starts the test program again, running only that
// test, under `dbus-run-session` with a bus that starts no services, and
// with HOME, XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME and
// XDG_RUNTIME_DIR in a fresh temporary directory; the outer test passes or
// fails with the inner one. Inside, `WithKeyring` first starts a
// gnome-keyring-daemon on that bus with a new, unlocked login keyring, and
// stops it after the body. Where the session or the daemon cannot be started
// here, the test is skipped with the reason.
#include <functional>

namespace quellmark {

enum class PrivateBus { Empty, WithKeyring };

void RunInPrivateSession(PrivateBus bus, const std::function<void()>& body);

}  // namespace quellmark
