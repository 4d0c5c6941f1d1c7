#include "platform/password_record.h"

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
    // Refused before anything is written, so the record keeps its last good state.
    if (record.password.size() > static_cast<std::size_t>(kLongestStoredPassword))
        throw ERegistryException("Failed to set data for '" + std::string(kData) + "'");

    TCipherManager manager;
    KeyRecordCipher(manager);
    TStringStream plain(record.password);
    TMemoryStream coded;
    const auto size = static_cast<int64_t>(record.password.size());
    manager.EncipherStream(&plain, &coded, size);
    registry.WriteBinaryData(kData, coded.Memory(), static_cast<int>(coded.Size()));
    registry.WriteBool(kRemember, record.rememberPassword);
    registry.CloseKey();
}

}  // namespace quellmark
