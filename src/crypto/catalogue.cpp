// The fixed order of the algorithm registries. A cipher's position here is
// the algorithm index stored in container headers, so this list is never
// reordered; a class this build does not have yet keeps its position as a
// reserved entry.
#include "crypto/ciphers/blowfish.h"
#include "crypto/hashes/haval.h"
#include "crypto/hashes/md4_family.h"
#include "crypto/hashes/md5.h"
#include "crypto/hashes/ripemd.h"
#include "crypto/hashes/sha.h"
#include "crypto/hashes/tiger.h"
#include "crypto/registry.h"

namespace {

struct Slot {
    const char* className;
    const char* displayName;  // empty: derived from the class name
    const char* comment;
};

template <class Info>
void EnrolInOrder(TAlgorithmRegistry<Info>& registry, std::initializer_list<Slot> slots,
                  std::initializer_list<const Info*> available, bool reserveMissing) {
    for (const Slot& slot : slots) {
        const Info* found = nullptr;
        for (const Info* cls : available)
            if (std::string_view(cls->className) == slot.className) found = cls;
        if (found)
            registry.Enrol(found, slot.displayName, slot.comment);
        else if (reserveMissing)
            registry.Reserve(slot.className, slot.displayName, slot.comment);
    }
}

}  // namespace

void EnrolCatalogueHashes(THashRegistry& registry) {
    // Nothing selects a hash by position, so a hash this build lacks needs no reserved entry.
    EnrolInOrder<THashClass>(registry, {
        {"THash_MD4", "Message Digest 4", "Hash"},
        {"THash_MD5", "Message Digest 5", "Hash"},
        {"THash_SHA", "Secure Hash Algorithm", "Hash"},
        {"THash_SHA1", "Secure Hash Algorithm 1", "Hash"},
        {"THash_RipeMD128", "Ripe Message Digest 128", "Hash"},
        {"THash_RipeMD160", "Ripe Message Digest 160", "Hash"},
        {"THash_RipeMD256", "Ripe Message Digest 256", "Hash"},
        {"THash_RipeMD320", "Ripe Message Digest 320", "Hash"},
        {"THash_Haval128", "Haval-128", "Hash"},
        {"THash_Haval160", "Haval-160", "Hash"},
        {"THash_Haval192", "Haval-192", "Hash"},
        {"THash_Haval224", "Haval-224", "Hash"},
        {"THash_Haval256", "Haval-256", "Hash"},
        {"THash_Sapphire128", "Sapphire II-128", "Hash"},
        {"THash_Sapphire160", "Sapphire II-160", "Hash"},
        {"THash_Sapphire192", "Sapphire II-192", "Hash"},
        {"THash_Sapphire224", "Sapphire II-224", "Hash"},
        {"THash_Sapphire256", "Sapphire II-256", "Hash"},
        {"THash_Sapphire288", "Sapphire II-288", "Hash"},
        {"THash_Sapphire320", "Sapphire II-320", "Hash"},
        {"THash_Snefru", "Snefru-256", "Hash"},
        {"THash_Square", "Square", "Hash"},
        {"THash_Tiger", "Tiger", "Hash"},
        {"THash_XOR16", "XOR-16", "Checksum"},
        {"THash_XOR32", "XOR-32", "Checksum"},
        {"THash_CRC16_CCITT", "CRC-16 CCITT", "Checksum"},
        {"Thash_CRC16_Standard", "CRC-16 Standard", "Checksum"},
        {"THash_CRC32", "CRC-32", "Checksum"},
    }, {&THash_MD4::Class, &THash_MD5::Class, &THash_SHA::Class, &THash_SHA1::Class,
        &THash_RipeMD128::Class, &THash_RipeMD160::Class, &THash_RipeMD256::Class, &THash_RipeMD320::Class,
        &THash_Haval128::Class, &THash_Haval160::Class, &THash_Haval192::Class, &THash_Haval224::Class,
        &THash_Haval256::Class, &THash_Tiger::Class}, false);
}

void EnrolCatalogueCiphers(TCipherRegistry& registry) {
    // First group: indexes 0 to 16.
    EnrolInOrder<TCipherClass>(registry,
                               {
                                   {"TCipher_3Way", "", ""},
                                   {"TCipher_Blowfish", "", ""},
                                   {"TCipher_Gost", "", ""},
                                   {"TCipher_IDEA", "", "free for non-commercial"},
                                   {"TCipher_Q128", "", ""},
                                   {"TCipher_SAFER_K40", "SAFER-K40", ""},
                                   {"TCipher_SAFER_SK40", "SAFER-SK40", "Keyscheduling"},
                                   {"TCipher_SAFER_K64", "SAFER-K64", ""},
                                   {"TCipher_SAFER_SK64", "SAFER-SK64", "Keyscheduling"},
                                   {"TCipher_SAFER_K128", "SAFER-K128", ""},
                                   {"TCipher_SAFER_SK128", "SAFER-SK128", "Keyscheduling"},
                                   {"TCipher_SCOP", "", ""},
                                   {"TCipher_Shark", "", ""},
                                   {"TCipher_Square", "", ""},
                                   {"TCipher_TEA", "TEA", ""},
                                   {"TCipher_TEAN", "TEA extended", ""},
                                   {"TCipher_Twofish", "", ""},
                               },
                               {&TCipher_Blowfish::Class}, true);
    // Second group: indexes 17 to 38.
    EnrolInOrder<TCipherClass>(registry,
                               {
                                   {"TCipher_Cast128", "Cast 128", ""},
                                   {"TCipher_Cast256", "Cast 256", "Patented"},
                                   {"TCipher_1DES", "DES Single 8byte", ""},
                                   {"TCipher_2DES", "DES Double 8byte", ""},
                                   {"TCipher_2DDES", "DES Double 16byte", ""},
                                   {"TCipher_3DES", "DES Triple 8byte", ""},
                                   {"TCipher_3DDES", "DES Triple 16byte", ""},
                                   {"TCipher_3TDES", "DES Triple 24byte", ""},
                                   {"TCipher_DESX", "DESX", "Copyright by RSA"},
                                   {"TCipher_Diamond2", "Diamond II", ""},
                                   {"TCipher_Diamond2Lite", "Diamond II Lite", ""},
                                   {"TCipher_FROG", "", ""},
                                   {"TCipher_Mars", "", "Patented"},
                                   {"TCipher_Misty", "Misty 1", "free for non-commercial"},
                                   {"TCipher_NewDES", "", ""},
                                   {"TCipher_RC2", "", ""},
                                   {"TCipher_RC4", "", "Patented by RSA"},
                                   {"TCipher_RC5", "", "Patented by RSA"},
                                   {"TCipher_RC6", "", "Patented by RSA"},
                                   {"TCipher_Rijndael", "", ""},
                                   {"TCipher_Sapphire", "Sapphire II", ""},
                                   {"TCipher_Skipjack", "", ""},
                               },
                               {}, true);
}
