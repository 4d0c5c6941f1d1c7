#pragma once
// The remembered password, kept in the current user's registry under
// \Software\Brindlecor\ozvDecoder: the binary value "data", the password's
// bytes enciphered with Blowfish in cmCTS under the pass phrase "tolbu" (as
// many bytes as the password has), and the 32-bit value "Remember". A
// password that is not to be remembered leaves "data" empty. Where the
// desktop has a keyring, `TPasswordKeeper` keeps the password there instead
// and the record only says that it is remembered.
//
// The password is the bytes that are keyed, already in the code page of the
// containers; these functions do not convert it.
#include <string>

#include "platform/registry_store.h"
#include "platform/secret_store.h"

namespace quellmark {

inline constexpr char kPasswordRecordKey[] = "\\Software\\Brindlecor\\ozvDecoder";
// The record is read back through a buffer of this many bytes.
inline constexpr int kLongestStoredPassword = 4096;

struct TPasswordRecord {
    std::string password;
    bool rememberPassword = false;
};

// Reads the record, creating its key when missing. A key that can be neither
// opened nor created, and a missing "data", give an empty password; a missing
// or non-integer "Remember" gives false. Raises "Invalid data type for 'data'"
// when "data" is a string or an integer or longer than 4096 bytes.
TPasswordRecord LoadPassword(RegistryFile& store = UserRegistry());

// Writes "data" and "Remember" together: "data" holds the enciphered
// password when `rememberPassword` is set and is empty otherwise. Writes
// nothing when the key can be neither opened nor created. Raises "Failed to
// set data for 'data'" for a password to remember longer than 4096 bytes,
// which could not be read back, and "Failed to set data" for either value
// when the store refuses it.
void SavePassword(const TPasswordRecord& record, RegistryFile& store = UserRegistry());

// The remembered password in the keyring when it takes it, in the record
// otherwise. A password in the keyring leaves the record with "Remember" 1
// and an empty "data"; one in the record (where no keyring answered, or
// written before there was one) is read from there and moves to the keyring
// at the next save that can put it there.
class TPasswordKeeper {
public:
    explicit TPasswordKeeper(TSecretStore& keyring, RegistryFile& store = UserRegistry())
        : keyring_(keyring), store_(store) {}

    // The record, with the password from the keyring when the record says it
    // is remembered but holds none. Raises what `LoadPassword` raises.
    TPasswordRecord Load();
    // A password to remember goes to the keyring, or enciphered into the
    // record when the keyring does not take it; one not to remember is
    // removed from the keyring and written nowhere. Raises what
    // `SavePassword` raises.
    void Save(const TPasswordRecord& record);

private:
    TSecretStore& keyring_;
    RegistryFile& store_;
};

}  // namespace quellmark
