#pragma once
// The remembered password, kept in the current user's registry under
// \Software\Brindlecor\ozvDecoder: the binary value "data", the password's
// bytes enciphered with Blowfish in cmCTS under the pass phrase "tolbu" (as
// many bytes as the password has), and the 32-bit value "Remember".
//
// The password is the bytes that are keyed, already in the code page of the
// containers; these functions do not convert it.
#include <string>

#include "platform/registry_store.h"

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

// Writes "data" and "Remember" together, whatever `rememberPassword` says.
// Writes nothing when the key can be neither opened nor created. Raises
// "Failed to set data for 'data'" for a password longer than 4096 bytes,
// which could not be read back, and "Failed to set data" for either value
// when the store refuses it.
void SavePassword(const TPasswordRecord& record, RegistryFile& store = UserRegistry());

}  // namespace quellmark
