#include "platform/secret_store.h"

#include <condition_variable>
#include <cstdlib>
#include <libsecret/secret.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>

namespace quellmark {

namespace {

const SecretSchema* PasswordSchema() {
    static const SecretSchema schema = [] {
        SecretSchema made{};
        made.name = kKeyringSchema;
        made.flags = SECRET_SCHEMA_NONE;  // items of this schema only
        made.attributes[0] = {kKeyringAttribute, SECRET_SCHEMA_ATTRIBUTE_STRING};
        return made;
    }();
    return &schema;
}

// The session bus as GLib finds it, short of starting one: where there is
// none, GLib would run dbus-launch and leave a bus behind that nobody uses.
std::optional<std::string> SessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) return address;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return std::nullopt;
    const std::string socket = std::string(runtime) + "/bus";
    struct stat info{};
    if (::stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return std::nullopt;
    gchar* escaped = g_dbus_address_escape_value(socket.c_str());
    std::string address = std::string("unix:path=") + escaped;
    g_free(escaped);
    return address;
}

// Cancels a cancellable when the wait runs out, unless it is destroyed first.
// Connecting to a bus has no timeout of its own: a socket that accepts and
// never answers would otherwise hold the caller forever.
class Deadline {
public:
    Deadline(GCancellable* cancellable, std::chrono::milliseconds wait)
        : watcher_([this, cancellable, wait] {
              std::unique_lock lock(mutex_);
              if (!ended_.wait_for(lock, wait, [this] { return done_; })) g_cancellable_cancel(cancellable);
          }) {}
    ~Deadline() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        ended_.notify_one();
        watcher_.join();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread watcher_;  // last, so that it starts after the members it uses
};

// libsecret talks over GLib's shared session-bus connection, which by default
// ends the process when the bus goes away. The window decides when the
// program ends (and clears its scratch files), not the bus.
void KeepRunningWhenTheBusEnds() {
    if (GDBusConnection* session = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
        g_dbus_connection_set_exit_on_close(session, FALSE);
        g_object_unref(session);
    }
}

}  // namespace

bool TDesktopKeyring::Answers() {
    const std::optional<std::string> address = SessionBusAddress();
    if (!address) return false;

    GCancellable* cancellable = g_cancellable_new();
    GError* error = nullptr;
    bool answered = false;
    {
        Deadline deadline(cancellable, answerWait_);
        // A connection of our own, so that an unanswering bus is given up at
        // the deadline; the ping starts a provider that the bus starts on demand.
        const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
        if (GDBusConnection* bus =
                g_dbus_connection_new_for_address_sync(address->c_str(), flags, nullptr, cancellable, &error)) {
            GVariant* reply = g_dbus_connection_call_sync(
                bus, "org.freedesktop.secrets", "/org/freedesktop/secrets", "org.freedesktop.DBus.Peer", "Ping",
                nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, static_cast<int>(answerWait_.count()), cancellable, &error);
            if (reply) {
                answered = true;
                g_variant_unref(reply);
            }
            g_dbus_connection_close_sync(bus, nullptr, nullptr);
            g_object_unref(bus);
        }
    }
    g_clear_error(&error);
    g_object_unref(cancellable);
    return answered;
}

std::optional<std::string> TDesktopKeyring::Lookup() {
    if (!Answers()) return std::nullopt;
    KeepRunningWhenTheBusEnds();
    GError* error = nullptr;
    SecretValue* value = secret_password_lookup_binary_sync(PasswordSchema(), nullptr, &error, kKeyringAttribute,
                                                            kKeyringAttributeValue, nullptr);
    g_clear_error(&error);
    if (!value) return std::nullopt;
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    std::string secret(bytes, length);
    secret_value_unref(value);
    return secret;
}

bool TDesktopKeyring::Store(const std::string& secret) {
    if (!Answers()) return false;
    KeepRunningWhenTheBusEnds();
    // Bytes, not text: the password is in the containers' code page.
    SecretValue* value =
        secret_value_new(secret.data(), static_cast<gssize>(secret.size()), "application/octet-stream");
    GError* error = nullptr;
    const gboolean stored =
        secret_password_store_binary_sync(PasswordSchema(), SECRET_COLLECTION_DEFAULT, kKeyringLabel, value, nullptr,
                                          &error, kKeyringAttribute, kKeyringAttributeValue, nullptr);
    secret_value_unref(value);
    g_clear_error(&error);
    return stored;
}

void TDesktopKeyring::Clear() {
    if (!Answers()) return;
    KeepRunningWhenTheBusEnds();
    GError* error = nullptr;
    secret_password_clear_sync(PasswordSchema(), nullptr, &error, kKeyringAttribute, kKeyringAttributeValue, nullptr);
    g_clear_error(&error);
}

}  // namespace quellmark
