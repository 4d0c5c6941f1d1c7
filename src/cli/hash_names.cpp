#include "cli/hash_names.h"

#include <cctype>
#include <cstring>

#include "crypto/registry.h"

namespace quellmark {

namespace {

struct HashSpellings {
    const char* className;
    std::vector<const char*> aliases;  // besides the display name and the class names
    const char* note;
};

// The pass count is part of a HAVAL name elsewhere ("haval128,3"); each of
// our classes uses the count its digest size implies: 3 up to 160 bits, 4 up
// to 224, 5 for 256.
const HashSpellings kSpellings[] = {
    {"THash_MD4", {"md4"}, ""},
    {"THash_MD5", {"md5"}, ""},
    {"THash_SHA", {"sha", "sha0"}, ""},
    {"THash_SHA1", {"sha1"}, ""},
    {"THash_RipeMD128", {"ripemd128", "rmd128"}, ""},
    {"THash_RipeMD160", {"ripemd160", "rmd160"}, ""},
    {"THash_RipeMD256", {"ripemd256", "rmd256"}, ""},
    {"THash_RipeMD320", {"ripemd320", "rmd320"}, ""},
    {"THash_Haval128", {"haval128", "haval128,3"}, ""},
    {"THash_Haval160", {"haval160", "haval160,3"}, ""},
    {"THash_Haval192", {"haval192", "haval192,4"}, ""},
    {"THash_Haval224", {"haval224", "haval224,4"}, ""},
    {"THash_Haval256", {"haval256", "haval256,5"}, ""},
    {"THash_Sapphire128", {"sapphire128"}, ""},
    {"THash_Sapphire160", {"sapphire160"}, ""},
    {"THash_Sapphire192", {"sapphire192"}, ""},
    {"THash_Sapphire224", {"sapphire224"}, ""},
    {"THash_Sapphire256", {"sapphire256"}, ""},
    {"THash_Sapphire288", {"sapphire288"}, ""},
    {"THash_Sapphire320", {"sapphire320"}, ""},
    {"THash_Snefru",
     {"snefru", "snefru256"},
     "frames its blocks its own way (little-endian words, the length inside the last block): "
     "not the Snefru-256 digests of Merkle's code and other tools"},
    {"THash_Square", {"square"}, ""},
    {"THash_Tiger",
     {"tiger", "tiger192"},
     "shifts with sign extension: differs from the published Tiger whenever a word with its top "
     "bit set is shifted"},
    {"THash_XOR16", {"xor16"}, ""},
    {"THash_XOR32", {"xor32"}, ""},
    {"THash_CRC16_CCITT", {"crc16-ccitt", "crc-ccitt"}, ""},
    {"Thash_CRC16_Standard", {"crc16"}, ""},
    {"THash_CRC32",
     {"crc32"},
     "printed least significant byte first: the CRC-32 of \"123456789\", cbf43926 elsewhere, shows as 2639f4cb"},
};

const HashSpellings* SpellingsOf(const THashClass& cls) {
    for (const HashSpellings& entry : kSpellings)
        if (std::strcmp(entry.className, cls.className) == 0) return &entry;
    return nullptr;
}

}  // namespace

std::string NormalizedHashName(std::string_view name) {
    std::string normal;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c))) normal += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return normal;
}

std::vector<std::string> AcceptedHashNames(const THashClass& cls) {
    std::vector<std::string> candidates{HashTitle(cls), ShortClassName(cls.className), cls.className};
    if (const HashSpellings* entry = SpellingsOf(cls))
        for (const char* alias : entry->aliases) candidates.emplace_back(alias);
    // Only the first of the spellings that match alike ("Square" and "square").
    std::vector<std::string> names;
    for (const std::string& candidate : candidates) {
        bool seen = false;
        for (const std::string& name : names) seen = seen || NormalizedHashName(name) == NormalizedHashName(candidate);
        if (!seen) names.push_back(candidate);
    }
    return names;
}

const THashClass* FindHashByAnyName(std::string_view name) {
    const std::string wanted = NormalizedHashName(name);
    if (wanted.empty()) return nullptr;
    const TStringList& entries = HashRegistry().Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i) {
        const THashClass* cls = THashRegistry::ClassAt(entries, i);
        for (const std::string& accepted : AcceptedHashNames(*cls))
            if (NormalizedHashName(accepted) == wanted) return cls;
    }
    return nullptr;
}

std::string HashNote(const THashClass& cls) {
    const HashSpellings* entry = SpellingsOf(cls);
    return entry ? entry->note : "";
}

}  // namespace quellmark
