// The remembered password in the desktop keyring, here a real
// gnome-keyring-daemon on a private session bus, and in the enciphered
// record where no keyring answers.
#include <gtest/gtest.h>

#include <chrono>
#include <libsecret/secret.h>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/password_record.h"
#include "platform/secret_store.h"
#include "private_session.h"
#include "scoped_env.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// What the keyring holds for the program, read with libsecret directly.
struct KeyringItem {
    std::string label, schema, application, secret;
    bool operator==(const KeyringItem&) const = default;
};

std::ostream& operator<<(std::ostream& out, const KeyringItem& item) {
    return out << "{" << item.label << ", " << item.schema << ", " << item.application << ", " << item.secret.size()
               << " bytes}";
}

std::vector<KeyringItem> ItemsInKeyring() {
    GError* error = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &error);
    if (!service) {
        ADD_FAILURE() << "no Secret Service: " << (error ? error->message : "");
        g_clear_error(&error);
        return {};
    }
    // Every item of the application, whatever its schema.
    GHashTable* attributes = g_hash_table_new(g_str_hash, g_str_equal);
    g_hash_table_insert(attributes, const_cast<char*>("application"), const_cast<char*>("quellmark"));
    const auto flags = static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS);
    GList* found = secret_service_search_sync(service, nullptr, attributes, flags, nullptr, &error);
    EXPECT_EQ(error, nullptr) << error->message;
    g_clear_error(&error);
    std::vector<KeyringItem> items;
    for (GList* link = found; link; link = link->next) {
        SecretItem* item = SECRET_ITEM(link->data);
        KeyringItem seen;
        gchar* label = secret_item_get_label(item);
        seen.label = label ? label : "";
        g_free(label);
        GHashTable* itemAttributes = secret_item_get_attributes(item);
        auto attribute = [&](const char* name) {
            const auto* value = static_cast<const char*>(g_hash_table_lookup(itemAttributes, name));
            return value ? std::string(value) : std::string("(none)");
        };
        seen.schema = attribute("xdg:schema");
        seen.application = attribute("application");
        g_hash_table_unref(itemAttributes);
        if (SecretValue* value = secret_item_get_secret(item)) {
            gsize length = 0;
            const gchar* bytes = secret_value_get(value, &length);
            seen.secret.assign(bytes, length);
            secret_value_unref(value);
        } else {
            seen.secret = "(locked)";
        }
        items.push_back(seen);
    }
    g_list_free_full(found, g_object_unref);
    g_hash_table_unref(attributes);
    g_object_unref(service);
    return items;
}

void LockKeyring() {
    GError* error = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_LOAD_COLLECTIONS, nullptr, &error);
    ASSERT_NE(service, nullptr) << error->message;
    GList* collections = secret_service_get_collections(service);
    ASSERT_NE(collections, nullptr);
    secret_service_lock_sync(service, collections, nullptr, nullptr, &error);
    EXPECT_EQ(error, nullptr) << error->message;
    g_clear_error(&error);
    for (GList* link = collections; link; link = link->next)
        EXPECT_TRUE(secret_collection_get_locked(SECRET_COLLECTION(link->data)));
    g_list_free_full(collections, g_object_unref);
    g_object_unref(service);
}

KeyringItem ProgramItem(const std::string& secret) {
    return {"Quellmark password", "org.quellmark.Password", "quellmark", secret};
}

class KeyringTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        recordPath = (root / "quellmark" / "user.reg").string();
    }

    // The record as stored: "Remember", and "data" or "(no data)".
    struct Record {
        int remember = -1;
        std::string data;
    };
    Record Stored() {
        RegistryFile file(recordPath);
        TRegistry key(file);
        EXPECT_TRUE(key.OpenKey(kPasswordRecordKey, false));
        Record record;
        record.remember = key.ValueExists("Remember") ? key.ReadInteger("Remember") : -1;
        if (!key.ValueExists("data")) {
            record.data = "(no data)";
        } else {
            EXPECT_EQ(key.GetDataType("data"), rdBinary);
            record.data.assign(static_cast<std::size_t>(key.GetDataSize("data")), '\0');
            key.ReadBinaryData("data", record.data.data(), static_cast<int>(record.data.size()));
        }
        return record;
    }
    // A keeper as the next run of the program makes it.
    TPasswordRecord LoadAsNextRun(TSecretStore& keyring) {
        RegistryFile file(recordPath);
        return TPasswordKeeper(keyring, file).Load();
    }
    void SaveAs(TSecretStore& keyring, const TPasswordRecord& record) {
        RegistryFile file(recordPath);
        TPasswordKeeper(keyring, file).Save(record);
    }
    // Every byte value but zero, most of them not UTF-8.
    static std::string EveryByte() {
        std::string bytes;
        for (int value = 1; value < 256; ++value) bytes += static_cast<char>(value);
        return bytes;
    }
    // Checks that a remembered password is in the record, enciphered, as before the keyring.
    void ExpectEncipheredInRecord(TSecretStore& keyring, const std::string& password) {
        const Record record = Stored();
        EXPECT_EQ(record.remember, 1);
        EXPECT_EQ(record.data.size(), password.size());
        EXPECT_NE(record.data, password);
        RegistryFile file(recordPath);
        EXPECT_EQ(LoadPassword(file).password, password) << "the record alone gives it back";
        const TPasswordRecord loaded = LoadAsNextRun(keyring);
        EXPECT_EQ(loaded.password, password);
        EXPECT_TRUE(loaded.rememberPassword);
    }

    std::string recordPath;
};

TEST_F(KeyringTest, WithoutASessionBusTheRecordKeepsThePasswordAtOnce) {
    // No address and no bus socket in the runtime directory: no bus is started for the keyring.
    for (const std::optional<std::string>& address :
         {std::optional<std::string>(), std::optional<std::string>("unix:path=" + (root / "no-bus").string())}) {
        ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", address);
        ScopedEnv runtime("XDG_RUNTIME_DIR", root.string());
        TDesktopKeyring keyring;
        const auto start = Clock::now();
        EXPECT_FALSE(keyring.Answers());
        EXPECT_EQ(keyring.Lookup(), std::nullopt);
        SaveAs(keyring, {"secret", true});
        EXPECT_LT(Clock::now() - start, 1s) << "no wait for a keyring that is not there";
        ExpectEncipheredInRecord(keyring, "secret");
    }
}

TEST_F(KeyringTest, ABusThatNeverAnswersIsGivenUpAtTheDeadline) {
    // A socket that takes connections into its backlog and never speaks.
    const std::string path = (root / "silent-bus").string();
    const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(silent, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof(address.sun_path));
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(silent, 16), 0);
    ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path);

    TDesktopKeyring keyring;
    auto start = Clock::now();
    EXPECT_FALSE(keyring.Answers());
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, TDesktopKeyring::kAnswerWait - 100ms) << "it did wait for an answer";
    EXPECT_LT(waited, TDesktopKeyring::kAnswerWait + 1s);
    EXPECT_LE(TDesktopKeyring::kAnswerWait, 3s) << "a start-up never hangs long on a silent bus";

    TDesktopKeyring impatient(200ms);
    start = Clock::now();
    SaveAs(impatient, {"secret", true});
    EXPECT_LT(Clock::now() - start, 1s);
    ExpectEncipheredInRecord(impatient, "secret");
    ::close(silent);
}

TEST_F(KeyringTest, ABusWithoutAProviderLeavesThePasswordInTheRecord) {
    RunInPrivateSession(PrivateBus::Empty, [&] {
        TDesktopKeyring keyring;
        const auto start = Clock::now();
        EXPECT_FALSE(keyring.Answers());
        EXPECT_FALSE(keyring.Store("secret"));
        SaveAs(keyring, {"secret", true});
        EXPECT_LT(Clock::now() - start, 1s) << "the bus says at once that nobody provides the service";
        ExpectEncipheredInRecord(keyring, "secret");

        SaveAs(keyring, {"typed", false});
        EXPECT_EQ(Stored().remember, 0);
        EXPECT_EQ(Stored().data, "");
    });
}

TEST_F(KeyringTest, ARememberedPasswordGoesToTheKeyringAndNotIntoTheRecord) {
    RunInPrivateSession(PrivateBus::WithKeyring, [&] {
        TDesktopKeyring keyring;
        EXPECT_TRUE(keyring.Answers());
        for (const std::string& password : {EveryByte(), std::string("second"), std::string()}) {
            SaveAs(keyring, {password, true});
            EXPECT_EQ(ItemsInKeyring(), std::vector<KeyringItem>{ProgramItem(password)}) << "one item, replaced";
            EXPECT_EQ(Stored().remember, 1);
            EXPECT_EQ(Stored().data, "") << "nothing of the password in the record";

            const TPasswordRecord loaded = LoadAsNextRun(keyring);
            EXPECT_EQ(loaded.password, password);
            EXPECT_TRUE(loaded.rememberPassword);
        }
    });
}

TEST_F(KeyringTest, APasswordNotToRememberIsTakenOutOfTheKeyringAndWrittenNowhere) {
    RunInPrivateSession(PrivateBus::WithKeyring, [&] {
        TDesktopKeyring keyring;
        SaveAs(keyring, {"kept", true});
        ASSERT_EQ(ItemsInKeyring().size(), 1u);

        SaveAs(keyring, {"typed", false});
        EXPECT_TRUE(ItemsInKeyring().empty());
        EXPECT_EQ(Stored().remember, 0);
        EXPECT_EQ(Stored().data, "");
        const TPasswordRecord loaded = LoadAsNextRun(keyring);
        EXPECT_EQ(loaded.password, "");
        EXPECT_FALSE(loaded.rememberPassword);
    });
}

TEST_F(KeyringTest, AnOldRecordIsReadAndMovesToTheKeyringAtTheNextSave) {
    RunInPrivateSession(PrivateBus::WithKeyring, [&] {
        {
            RegistryFile file(recordPath);
            SavePassword({"old secret", true}, file);  // the record as it was written before the keyring
        }
        TDesktopKeyring keyring;
        const TPasswordRecord loaded = LoadAsNextRun(keyring);
        EXPECT_EQ(loaded.password, "old secret");
        EXPECT_TRUE(loaded.rememberPassword);
        EXPECT_TRUE(ItemsInKeyring().empty()) << "reading moves nothing";
        EXPECT_EQ(Stored().data.size(), 10u);

        SaveAs(keyring, loaded);
        EXPECT_EQ(ItemsInKeyring(), std::vector<KeyringItem>{ProgramItem("old secret")});
        EXPECT_EQ(Stored().remember, 1);
        EXPECT_EQ(Stored().data, "");
        EXPECT_EQ(LoadAsNextRun(keyring).password, "old secret");
    });
}

TEST_F(KeyringTest, ALockedKeyringLeavesThePasswordInTheRecord) {
    RunInPrivateSession(PrivateBus::WithKeyring, [&] {
        LockKeyring();
        TDesktopKeyring keyring;
        EXPECT_TRUE(keyring.Answers());
        SaveAs(keyring, {"secret", true});
        ExpectEncipheredInRecord(keyring, "secret");
    });
}

}  // namespace

}  // namespace quellmark
