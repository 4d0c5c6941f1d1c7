// The remembered password in the user's registry.
#include <gtest/gtest.h>

#include <memory>

#include "crypto/ciphers/blowfish.h"
#include "platform/password_record.h"
#include "temp_dir.h"

namespace quellmark {

namespace {

class PasswordRecordTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        store = std::make_unique<RegistryFile>((root / "quellmark" / "user.reg").string());
    }
    // The record's key, opened on the same file.
    TRegistry& Key() {
        registry = std::make_unique<TRegistry>(*store);
        EXPECT_TRUE(registry->OpenKey(kPasswordRecordKey, true));
        return *registry;
    }
    std::string StoredData() {
        TRegistry& key = Key();
        std::string data(static_cast<std::size_t>(std::max(key.GetDataSize("data"), 0)), '\0');
        key.ReadBinaryData("data", data.data(), static_cast<int>(data.size()));
        return data;
    }
    std::string LoadError() {
        try {
            LoadPassword(*store);
        } catch (const ERegistryException& error) {
            return error.Message();
        }
        return "(no error)";
    }

    std::unique_ptr<RegistryFile> store;
    std::unique_ptr<TRegistry> registry;
};

// The stored bytes deciphered with the cipher itself, not through the record code.
std::string DecipherWithTolbu(const std::string& data) {
    TCipher_Blowfish cipher;
    cipher.Mode = cmCTS;
    cipher.InitKey("tolbu");
    std::string plain(data.size(), '\0');
    cipher.DecipherData(reinterpret_cast<const uint8_t*>(data.data()), reinterpret_cast<uint8_t*>(plain.data()),
                        static_cast<int32_t>(data.size()));
    return plain;
}

TEST_F(PasswordRecordTest, FirstRunCreatesTheKeyAndRemembersNothing) {
    const TPasswordRecord record = LoadPassword(*store);
    EXPECT_EQ(record.password, "");
    EXPECT_FALSE(record.rememberPassword);
    EXPECT_NE(ReadFile(store->Path()).find("[HKEY_CURRENT_USER\\Software\\Brindlecor\\ozvDecoder]"), std::string::npos);
    EXPECT_FALSE(Key().ValueExists("data"));
}

TEST_F(PasswordRecordTest, PasswordsOfEveryLengthSurviveAsBlowfishUnderTolbu) {
    for (std::size_t length : {0u, 1u, 7u, 8u, 9u, 4096u}) {
        std::string password(length, '\0');
        for (std::size_t i = 0; i < length; ++i) password[i] = static_cast<char>(0x20 + (i * 37 + length) % 0xDF);
        SavePassword({password, true}, *store);

        const std::string data = StoredData();
        EXPECT_EQ(Key().GetDataType("data"), rdBinary);
        ASSERT_EQ(data.size(), length) << "as long as the password";
        if (length > 0) {
            EXPECT_NE(data, password);
        }
        EXPECT_EQ(DecipherWithTolbu(data), password) << length;

        RegistryFile nextRun(store->Path());
        EXPECT_EQ(LoadPassword(nextRun).password, password) << length;
    }
}

TEST_F(PasswordRecordTest, RememberIsStoredAsOneOrZeroAndOnlyARememberedPasswordIsKept) {
    for (bool remember : {true, false, true}) {
        SavePassword({"secret", remember}, *store);
        EXPECT_EQ(Key().GetDataType("Remember"), rdInteger);
        EXPECT_EQ(Key().ReadInteger("Remember"), remember ? 1 : 0);
        EXPECT_EQ(Key().GetDataType("data"), rdBinary) << "both values are written";
        EXPECT_EQ(StoredData().size(), remember ? 6u : 0u) << "nothing of a password not to remember";
        const TPasswordRecord loaded = LoadPassword(*store);
        EXPECT_EQ(loaded.rememberPassword, remember);
        EXPECT_EQ(loaded.password, remember ? "secret" : "");
    }
    Key().WriteInteger("Remember", 7);
    EXPECT_TRUE(LoadPassword(*store).rememberPassword) << "any number but 0";
    Key().WriteString("Remember", "1");
    EXPECT_FALSE(LoadPassword(*store).rememberPassword) << "not a number";
    Key().DeleteValue("Remember");
    EXPECT_FALSE(LoadPassword(*store).rememberPassword);
}

TEST_F(PasswordRecordTest, DataOfTheWrongTypeOrSizeRaisesInvalidDataType) {
    Key().WriteString("data", "plain");
    EXPECT_EQ(LoadError(), "Invalid data type for 'data'");
    Key().WriteInteger("data", 12);
    EXPECT_EQ(LoadError(), "Invalid data type for 'data'");
    const std::string tooLong(4097, 'x');
    Key().WriteBinaryData("data", tooLong.data(), static_cast<int>(tooLong.size()));
    EXPECT_EQ(LoadError(), "Invalid data type for 'data'");
    const std::string longest(4096, 'x');
    Key().WriteBinaryData("data", longest.data(), static_cast<int>(longest.size()));
    EXPECT_EQ(LoadError(), "(no error)");
}

TEST_F(PasswordRecordTest, APasswordTooLongToReadBackIsRefusedAndTheRecordKept) {
    SavePassword({"kept", true}, *store);
    try {
        SavePassword({std::string(4097, 'p'), true}, *store);
        ADD_FAILURE() << "no error";
    } catch (const ERegistryException& error) {
        EXPECT_EQ(error.Message(), "Failed to set data for 'data'");
    }
    const TPasswordRecord loaded = LoadPassword(*store);
    EXPECT_EQ(loaded.password, "kept");
    EXPECT_TRUE(loaded.rememberPassword);

    // Not to be remembered, it is not written, so its length does not matter.
    EXPECT_NO_THROW(SavePassword({std::string(4097, 'p'), false}, *store));
    EXPECT_EQ(StoredData(), "");
    EXPECT_FALSE(LoadPassword(*store).rememberPassword);
}

TEST_F(PasswordRecordTest, AStoreThatCannotBeCreatedGivesAnEmptyRecordAndTakesNothing) {
    MakeFile("quellmark", "a file where the directory belongs");
    store->OnNotice = [](const std::string&) {};
    EXPECT_NO_THROW(SavePassword({"secret", true}, *store));
    const TPasswordRecord loaded = LoadPassword(*store);
    EXPECT_EQ(loaded.password, "");
    EXPECT_FALSE(loaded.rememberPassword);
}

}  // namespace

}  // namespace quellmark
