// The fixed order of the algorithm registries. A cipher's position here is
// the algorithm index stored in container headers, so this list is never
// reordered; nothing selects a hash by position, but the hash order decides
// which class a name finds first.
#include "crypto/ciphers/blowfish.h"
#include "crypto/ciphers/cast128.h"
#include "crypto/ciphers/cast256.h"
#include "crypto/ciphers/des.h"
#include "crypto/ciphers/diamond2.h"
#include "crypto/ciphers/frog.h"
#include "crypto/ciphers/gost.h"
#include "crypto/ciphers/idea.h"
#include "crypto/ciphers/mars.h"
#include "crypto/ciphers/misty1.h"
#include "crypto/ciphers/newdes.h"
#include "crypto/ciphers/q128.h"
#include "crypto/ciphers/rc2.h"
#include "crypto/ciphers/rc4.h"
#include "crypto/ciphers/rc5.h"
#include "crypto/ciphers/rc6.h"
#include "crypto/ciphers/rijndael.h"
#include "crypto/ciphers/safer.h"
#include "crypto/ciphers/sapphire.h"
#include "crypto/ciphers/scop.h"
#include "crypto/ciphers/shark.h"
#include "crypto/ciphers/skipjack.h"
#include "crypto/ciphers/square.h"
#include "crypto/ciphers/tea.h"
#include "crypto/ciphers/three_way.h"
#include "crypto/ciphers/twofish.h"
#include "crypto/hashes/checksums.h"
#include "crypto/hashes/haval.h"
#include "crypto/hashes/md4_family.h"
#include "crypto/hashes/md5.h"
#include "crypto/hashes/ripemd.h"
#include "crypto/hashes/sapphire.h"
#include "crypto/hashes/sha.h"
#include "crypto/hashes/snefru.h"
#include "crypto/hashes/square_hash.h"
#include "crypto/hashes/tiger.h"
#include "crypto/registry.h"

namespace quellmark {

namespace {

template <class Info>
struct Slot {
    const Info* cls;
    const char* displayName;  // empty: derived from the class name
    const char* comment;
};

}  // namespace

void EnrolCatalogueHashes(THashRegistry& registry) {
    const Slot<THashClass> order[] = {
        {&THash_MD4::Class, "Message Digest 4", "Hash"},
        {&THash_MD5::Class, "Message Digest 5", "Hash"},
        {&THash_SHA::Class, "Secure Hash Algorithm", "Hash"},
        {&THash_SHA1::Class, "Secure Hash Algorithm 1", "Hash"},
        {&THash_RipeMD128::Class, "Ripe Message Digest 128", "Hash"},
        {&THash_RipeMD160::Class, "Ripe Message Digest 160", "Hash"},
        {&THash_RipeMD256::Class, "Ripe Message Digest 256", "Hash"},
        {&THash_RipeMD320::Class, "Ripe Message Digest 320", "Hash"},
        {&THash_Haval128::Class, "Haval-128", "Hash"},
        {&THash_Haval160::Class, "Haval-160", "Hash"},
        {&THash_Haval192::Class, "Haval-192", "Hash"},
        {&THash_Haval224::Class, "Haval-224", "Hash"},
        {&THash_Haval256::Class, "Haval-256", "Hash"},
        {&THash_Sapphire128::Class, "Sapphire II-128", "Hash"},
        {&THash_Sapphire160::Class, "Sapphire II-160", "Hash"},
        {&THash_Sapphire192::Class, "Sapphire II-192", "Hash"},
        {&THash_Sapphire224::Class, "Sapphire II-224", "Hash"},
        {&THash_Sapphire256::Class, "Sapphire II-256", "Hash"},
        {&THash_Sapphire288::Class, "Sapphire II-288", "Hash"},
        {&THash_Sapphire320::Class, "Sapphire II-320", "Hash"},
        {&THash_Snefru::Class, "Snefru-256", "Hash"},
        {&THash_Square::Class, "Square", "Hash"},
        {&THash_Tiger::Class, "Tiger", "Hash"},
        {&THash_XOR16::Class, "XOR-16", "Checksum"},
        {&THash_XOR32::Class, "XOR-32", "Checksum"},
        {&THash_CRC16_CCITT::Class, "CRC-16 CCITT", "Checksum"},
        {&Thash_CRC16_Standard::Class, "CRC-16 Standard", "Checksum"},
        {&THash_CRC32::Class, "CRC-32", "Checksum"},
    };
    for (const auto& slot : order) registry.Enrol(slot.cls, slot.displayName, slot.comment);
}

void EnrolCatalogueCiphers(TCipherRegistry& registry) {
    const Slot<TCipherClass> order[] = {
        // First group: indexes 0 to 16.
        {&TCipher_3Way::Class, "", ""},
        {&TCipher_Blowfish::Class, "", ""},
        {&TCipher_Gost::Class, "", ""},
        {&TCipher_IDEA::Class, "", "free for non-commercial"},
        {&TCipher_Q128::Class, "", ""},
        {&TCipher_SAFER_K40::Class, "SAFER-K40", ""},
        {&TCipher_SAFER_SK40::Class, "SAFER-SK40", "Keyscheduling"},
        {&TCipher_SAFER_K64::Class, "SAFER-K64", ""},
        {&TCipher_SAFER_SK64::Class, "SAFER-SK64", "Keyscheduling"},
        {&TCipher_SAFER_K128::Class, "SAFER-K128", ""},
        {&TCipher_SAFER_SK128::Class, "SAFER-SK128", "Keyscheduling"},
        {&TCipher_SCOP::Class, "", ""},
        {&TCipher_Shark::Class, "", ""},
        {&TCipher_Square::Class, "", ""},
        {&TCipher_TEA::Class, "TEA", ""},
        {&TCipher_TEAN::Class, "TEA extended", ""},
        {&TCipher_Twofish::Class, "", ""},
        // Second group: indexes 17 to 38.
        {&TCipher_Cast128::Class, "Cast 128", ""},
        {&TCipher_Cast256::Class, "Cast 256", "Patented"},
        {&TCipher_1DES::Class, "DES Single 8byte", ""},
        {&TCipher_2DES::Class, "DES Double 8byte", ""},
        {&TCipher_2DDES::Class, "DES Double 16byte", ""},
        {&TCipher_3DES::Class, "DES Triple 8byte", ""},
        {&TCipher_3DDES::Class, "DES Triple 16byte", ""},
        {&TCipher_3TDES::Class, "DES Triple 24byte", ""},
        {&TCipher_DESX::Class, "DESX", "Copyright by RSA"},
        {&TCipher_Diamond2::Class, "Diamond II", ""},
        {&TCipher_Diamond2Lite::Class, "Diamond II Lite", ""},
        {&TCipher_FROG::Class, "", ""},
        {&TCipher_Mars::Class, "", "Patented"},
        {&TCipher_Misty::Class, "Misty 1", "free for non-commercial"},
        {&TCipher_NewDES::Class, "", ""},
        {&TCipher_RC2::Class, "", ""},
        {&TCipher_RC4::Class, "", "Patented by RSA"},
        {&TCipher_RC5::Class, "", "Patented by RSA"},
        {&TCipher_RC6::Class, "", "Patented by RSA"},
        {&TCipher_Rijndael::Class, "", ""},
        {&TCipher_Sapphire::Class, "Sapphire II", ""},
        {&TCipher_Skipjack::Class, "", ""},
    };
    for (const auto& slot : order) registry.Enrol(slot.cls, slot.displayName, slot.comment);
}

}  // namespace quellmark
