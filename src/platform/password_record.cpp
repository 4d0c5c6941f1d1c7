#include "platform/password_record.h"

#include <optional>
#include <vector>

#include "base/streams.h"
#include "crypto/managers.h"

namespace quellmark {

namespace {

constexpr char kData[] = "data";
constexpr char kRemember[] = "Remember";

// The fixed cipher of the record; it hides the password, it does not protect it.
void KeyRecordCipher(TCipherManager& manager) {
    manager.SetAlgorithm("Blowfish");
    manager.SetMode(cmCTS);
    manager.InitKey("tolbu");
}

}  // namespace

TPasswordRecord LoadPassword(RegistryFile& store) {
    TPasswordRecord record;
    TRegistry registry(store);
    if (!registry.OpenKey(kPasswordRecordKey, true)) return record;

    std::vector<uint8_t> buffer(kLongestStoredPassword);
    const int size = registry.ReadBinaryData(kData, buffer.data(), kLongestStoredPassword);
    buffer.resize(static_cast<std::size_t>(size));
    TCipherManager manager;
    KeyRecordCipher(manager);
    TMemoryStream coded(std::move(buffer));
    TStringStream plain;
    manager.DecipherStream(&coded, &plain, size);
    record.password = plain.DataString();

    try {
        record.rememberPassword = registry.ReadBool(kRemember);
    } catch (const ERegistryException&) {
        record.rememberPassword = false;  // missing or not a number: not remembered
    }
    registry.CloseKey();
    return record;
}

void SavePassword(const TPasswordRecord& record, RegistryFile& store) {
    TRegistry registry(store);
    if (!registry.OpenKey(kPasswordRecordKey, true)) return;
    // A password the user did not ask to keep leaves nothing of itself behind.
    const std::string kept = record.rememberPassword ? record.password : std::string();
    // Refused before anything is written, so the record keeps its last good state.
    if (kept.size() > static_cast<std::size_t>(kLongestStoredPassword))
        throw ERegistryException("Failed to set data for '" + std::string(kData) + "'");

    TCipherManager manager;
    KeyRecordCipher(manager);
    TStringStream plain(kept);
    TMemoryStream coded;
    const auto size = static_cast<int64_t>(kept.size());
    manager.EncipherStream(&plain, &coded, size);
    registry.WriteBinaryData(kData, coded.Memory(), static_cast<int>(coded.Size()));
    registry.WriteBool(kRemember, record.rememberPassword);
    registry.CloseKey();
}

TPasswordRecord TPasswordKeeper::Load() {
    TPasswordRecord record = LoadPassword(store_);
    // Remembered with an empty "data": in the keyring, unless the keyring
    // cannot give it (gone, locked) or the password really is empty; the
    // record's empty password stands then.
    if (record.rememberPassword && record.password.empty()) {
        if (std::optional<std::string> kept = keyring_.Lookup()) record.password = std::move(*kept);
    }
    return record;
}

void TPasswordKeeper::Save(const TPasswordRecord& record) {
    if (!record.rememberPassword) {
        keyring_.Clear();
        SavePassword(record, store_);
        return;
    }
    if (keyring_.Store(record.password)) {
        SavePassword({std::string(), true}, store_);
        return;
    }
    SavePassword(record, store_);
}

}  // namespace quellmark
