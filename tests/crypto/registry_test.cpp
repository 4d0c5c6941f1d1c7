// The registries' fixed order, the lookup rules and the managers.
#include <gtest/gtest.h>

#include "base/streams.h"
#include "crypto/ciphers/blowfish.h"
#include "crypto/ciphers/square.h"
#include "crypto/hashes/md4_family.h"
#include "crypto/hashes/ripemd.h"
#include "crypto/managers.h"
#include "crypto/registry.h"

namespace quellmark {

namespace {

// The algorithm index of every cipher is part of the container format.
const char* const kCipherOrder[39][2] = {
    {"3Way", "TCipher_3Way"}, {"Blowfish", "TCipher_Blowfish"}, {"Gost", "TCipher_Gost"},
    {"IDEA", "TCipher_IDEA"}, {"Q128", "TCipher_Q128"}, {"SAFER-K40", "TCipher_SAFER_K40"},
    {"SAFER-SK40", "TCipher_SAFER_SK40"}, {"SAFER-K64", "TCipher_SAFER_K64"},
    {"SAFER-SK64", "TCipher_SAFER_SK64"}, {"SAFER-K128", "TCipher_SAFER_K128"},
    {"SAFER-SK128", "TCipher_SAFER_SK128"}, {"SCOP", "TCipher_SCOP"}, {"Shark", "TCipher_Shark"},
    {"Square", "TCipher_Square"}, {"TEA", "TCipher_TEA"}, {"TEA extended", "TCipher_TEAN"},
    {"Twofish", "TCipher_Twofish"}, {"Cast 128", "TCipher_Cast128"}, {"Cast 256", "TCipher_Cast256"},
    {"DES Single 8byte", "TCipher_1DES"}, {"DES Double 8byte", "TCipher_2DES"},
    {"DES Double 16byte", "TCipher_2DDES"}, {"DES Triple 8byte", "TCipher_3DES"},
    {"DES Triple 16byte", "TCipher_3DDES"}, {"DES Triple 24byte", "TCipher_3TDES"}, {"DESX", "TCipher_DESX"},
    {"Diamond II", "TCipher_Diamond2"}, {"Diamond II Lite", "TCipher_Diamond2Lite"}, {"FROG", "TCipher_FROG"},
    {"Mars", "TCipher_Mars"}, {"Misty 1", "TCipher_Misty"}, {"NewDES", "TCipher_NewDES"}, {"RC2", "TCipher_RC2"},
    {"RC4", "TCipher_RC4"}, {"RC5", "TCipher_RC5"}, {"RC6", "TCipher_RC6"}, {"Rijndael", "TCipher_Rijndael"},
    {"Sapphire II", "TCipher_Sapphire"}, {"Skipjack", "TCipher_Skipjack"},
};

TEST(CipherRegistry, EveryIndexHoldsItsCipherAndEveryBuiltClassIsThere) {
    TStringList names;
    ListCipherNames(&names);
    ASSERT_EQ(names.Count(), 39u);
    for (std::size_t i = 0; i < 39; ++i) {
        EXPECT_EQ(names[i], kCipherOrder[i][0]) << "index " << i;
        const TCipherClass* cls = TCipherRegistry::ClassAt(names, i);
        ASSERT_NE(cls, nullptr) << "index " << i;
        EXPECT_STREQ(cls->className, kCipherOrder[i][1]) << "index " << i;
    }
    EXPECT_EQ(TCipherRegistry::ClassAt(names, 1), &TCipher_Blowfish::Class);
    ListCipherNames(nullptr);  // no list: nothing happens
}

TEST(CipherRegistry, LookupByClassNameShortNameOrDisplayNameInAnyCase) {
    for (const char* name : {"Blowfish", "bLoWfIsH", "TCipher_Blowfish", "Cipher_Blowfish"})
        EXPECT_EQ(LookupCipherClass(name), &TCipher_Blowfish::Class) << name;
    EXPECT_EQ(LookupCipherClass(""), nullptr);
    EXPECT_EQ(LookupCipherClass("no such cipher"), nullptr);
    EXPECT_EQ(LookupHashClass("Ripe Message Digest 256"), &THash_RipeMD256::Class);
    EXPECT_EQ(LookupHashClass("ripemd256"), &THash_RipeMD256::Class);
    EXPECT_EQ(LookupHashClass("THash_MD4"), &THash_MD4::Class);
    EXPECT_EQ(ShortClassName("TCipher_SAFER_K40"), "SAFER_K40");
    EXPECT_EQ(ShortClassName("TNoUnderscore"), "TNoUnderscore");
}

TEST(CipherRegistry, ReenrolmentReplacesTheTextInPlace) {
    TCipherRegistry registry;
    EXPECT_FALSE(registry.Enrol(nullptr, "x", ""));
    registry.Enrol(&TCipher_Blowfish::Class, "", "");
    EXPECT_EQ(registry.Entries()[0], "Blowfish=");
    registry.Enrol(&TCipher_Square::Class, "", "");
    registry.Enrol(&TCipher_Blowfish::Class, "  Fish  ", "renamed");
    ASSERT_EQ(registry.Entries().Count(), 2u);
    EXPECT_EQ(registry.Entries()[0], "Fish=renamed");
    EXPECT_EQ(registry.Title(TCipher_Blowfish::Class), "Fish");
    EXPECT_EQ(registry.Lookup("fish"), &TCipher_Blowfish::Class);
    EXPECT_EQ(registry.Lookup("Square"), &TCipher_Square::Class);
    EXPECT_EQ(registry.Lookup("Blowfish"), &TCipher_Blowfish::Class) << "its class name still finds it";
}

TEST(CipherManager, UnknownNamesFallBackToBlowfishSilently) {
    TCipherManager manager;
    EXPECT_EQ(manager.Algorithm(), "Blowfish");
    manager.SetAlgorithm("SAFER_K40");  // cut to "K40", which names nothing
    EXPECT_EQ(&manager.CipherClass(), &TCipher_Blowfish::Class);
    manager.SetAlgorithm("");
    EXPECT_EQ(manager.Algorithm(), "Blowfish");
    EXPECT_EQ(manager.Description(), "448bit Key");
    EXPECT_EQ(manager.Cipher().ClassName(), "TCipher_Blowfish");
}

// A name that finds nothing always clears the selection and drops the cipher
// object with its key, even when Blowfish was already in effect; naming the
// class already in effect keeps both.
TEST(CipherManager, ANameThatFindsNothingClearsTheSelectionAndDropsTheCipher) {
    TCipherManager manager;
    manager.InitKey("k");
    std::weak_ptr<TProtection> keyed = manager.Cipher().shared_from_this();
    manager.SetAlgorithm("blowfish");
    EXPECT_FALSE(keyed.expired()) << "naming the class in effect changes nothing";
    for (const char* nothing : {"nothing", "", "SAFER_K40"}) {
        manager.InitKey("k");
        keyed = manager.Cipher().shared_from_this();
        manager.SetAlgorithm(nothing);
        EXPECT_TRUE(keyed.expired()) << '"' << nothing << '"';
        EXPECT_EQ(manager.Algorithm(), "Blowfish");
        EXPECT_FALSE(manager.Cipher().Ready()) << "the new cipher has no key yet";
    }

    // Blowfish chosen explicitly (over another class) is stored; a name that
    // finds nothing then stores none.
    manager.SetAlgorithm("Square");
    manager.SetAlgorithm("TCipher_Blowfish");
    TPropertyMap chosen;
    manager.WriteProperties(chosen);
    EXPECT_EQ(chosen["Cipher"], "TCipher_Blowfish");
    manager.InitKey("k");
    TStringStream plain("eight by"), coded;
    manager.EncipherStream(&plain, &coded, -1);
    manager.SetAlgorithm("no such cipher");
    TPropertyMap cleared;
    manager.WriteProperties(cleared);
    EXPECT_EQ(cleared.count("Cipher"), 0u);
    EXPECT_EQ(&manager.CipherClass(), &TCipher_Blowfish::Class);
    EXPECT_THROW(manager.EncipherStream(&plain, &coded, -1), ECipherException) << "the key went with the object";
}

TEST(HashManager, ANameThatFindsNothingClearsTheSelectionAndDropsTheHash) {
    THashManager manager;
    std::weak_ptr<TProtection> made = manager.Hash().shared_from_this();
    manager.SetAlgorithm("Ripe Message Digest 256");
    EXPECT_FALSE(made.expired()) << "naming the class in effect changes nothing";
    manager.SetAlgorithm("nothing");
    EXPECT_TRUE(made.expired());

    manager.SetAlgorithm("MD4");
    manager.SetAlgorithm("THash_RipeMD256");
    TPropertyMap chosen;
    manager.WriteProperties(chosen);
    EXPECT_EQ(chosen["Hash"], "THash_RipeMD256");
    made = manager.Hash().shared_from_this();
    manager.SetAlgorithm("");
    TPropertyMap cleared;
    manager.WriteProperties(cleared);
    EXPECT_EQ(cleared.count("Hash"), 0u);
    EXPECT_TRUE(made.expired());
    EXPECT_EQ(&manager.HashClass(), &THash_RipeMD256::Class);
    EXPECT_EQ(manager.Algorithm(), "Ripe Message Digest 256");
}

TEST(CipherManager, ModeBeforeOrAfterFirstUseGivesTheSameResult) {
    TCipherManager before, after;
    before.SetMode(cmCBC);
    before.InitKey("k");
    after.InitKey("k");
    after.SetMode(cmCBC);
    EXPECT_EQ(before.Cipher().Mode, cmCBC);
    EXPECT_EQ(after.Cipher().Mode, cmCBC);
    TStringStream a("sixteen bytes!!!"), b("sixteen bytes!!!"), outA, outB;
    before.EncipherStream(&a, &outA, -1);
    after.EncipherStream(&b, &outB, -1);
    EXPECT_EQ(outA.DataString(), outB.DataString());
}

TEST(CipherManager, AttachedHashManagerKeysTheCipherUntilItIsDestroyed) {
    TCipherManager cipherManager;
    {
        THashManager hashManager;
        hashManager.SetAlgorithm("Message Digest 4");
        EXPECT_EQ(hashManager.Description(), "Hash, 128bit Digestsize");
        cipherManager.SetHashManager(&hashManager);
        cipherManager.InitKey("x");
        EXPECT_EQ(&cipherManager.Cipher().KeyHashClass(), &THash_MD4::Class);
    }
    EXPECT_EQ(cipherManager.HashManager(), nullptr);
}

TEST(Managers, StoredPropertiesCarryTheFullClassNameOnlyWhenChosen) {
    TCipherManager plain;
    TPropertyMap properties;
    plain.WriteProperties(properties);
    EXPECT_EQ(properties.count("Cipher"), 0u);

    // Choosing the class already in effect changes nothing, so nothing is stored either.
    TCipherManager chosen;
    chosen.SetAlgorithm("blowfish");
    chosen.SetMode(cmOFB);
    chosen.WriteProperties(properties);
    EXPECT_EQ(properties.count("Cipher"), 0u);
    EXPECT_EQ(properties["Mode"], "3");

    TCipherManager loaded;
    properties["Cipher"] = "TCipher_Blowfish";
    loaded.ReadProperties(properties);
    EXPECT_EQ(loaded.Mode(), cmOFB);
    EXPECT_EQ(&loaded.CipherClass(), &TCipher_Blowfish::Class);
    loaded.ReadProperties({{"Cipher", "TCipher_NoSuchThing"}});  // unregistered: the selection stays
    EXPECT_EQ(loaded.Algorithm(), "Blowfish");

    THashManager hashes;
    hashes.ReadProperties({{"Hash", "THash_MD4"}});
    EXPECT_EQ(hashes.Algorithm(), "Message Digest 4");
    hashes.ReadProperties({{"Hash", "THash_Nothing"}});
    EXPECT_EQ(hashes.Algorithm(), "Message Digest 4");
    TPropertyMap saved;
    hashes.WriteProperties(saved);
    EXPECT_EQ(saved["Hash"], "THash_MD4");
}

TEST(HashManager, DefaultsToRipemd256) {
    THashManager manager;
    EXPECT_EQ(manager.Algorithm(), "Ripe Message Digest 256");
    EXPECT_EQ(manager.Description(), "Hash, 256bit Digestsize");
    manager.SetAlgorithm("nothing");
    EXPECT_EQ(&manager.HashClass(), &THash_RipeMD256::Class);
}

}  // namespace

}  // namespace quellmark
