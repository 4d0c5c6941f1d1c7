// The DES family: published vectors, Crypto++ for single, triple and DESX,
// and the lane variants rebuilt from Crypto++'s single DES.
#include <cryptopp/des.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/des.h"
#include "crypto/differential.h"
#include "test_support.h"
#include "vector_file.h"

namespace quellmark {

namespace {

TEST(Des, NbsValidationSet) { ExpectBlockVectors(TCipher_1DES::Class, "des.txt"); }

TEST(Des, PublishedTripleDesVectors) {
    ExpectBlockVectors(TCipher_2DES::Class, "des_ede2.txt");
    ExpectBlockVectors(TCipher_3DES::Class, "des_ede3.txt");
}

TEST(Des, PublishedDesxVectorAndItsDerivedWhiteningKey) {
    ExpectBlockVectors(TCipher_DESX::Class, "desx.txt");
    for (const VectorRecord& record : ReadVectors("desx.txt")) {
        const std::vector<uint8_t> key = record.Bytes("Key");
        uint8_t post[8];
        TCipher_DESX::DerivePostWhitening(key.data(), key.data() + 8, post);
        EXPECT_EQ(HexOf(post, 8), record.Text("PostWhitening"));
    }
}

TEST(Des, ParityBitsAreIgnored) {
    std::mt19937 rng(46);
    // Not DESX: its post-whitening key is derived from every bit of the key.
    for (const TCipherClass* cls : {&TCipher_1DES::Class, &TCipher_2DES::Class, &TCipher_3DES::Class}) {
        auto plain = cls->create(), flipped = cls->create();
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(plain->MaxKeySize())), other = key;
        for (uint8_t& b : other) b ^= 0x01;
        plain->Init(key.data(), static_cast<int32_t>(key.size()), nullptr);
        flipped->Init(other.data(), static_cast<int32_t>(other.size()), nullptr);
        EXPECT_EQ(0, std::memcmp(plain->UserData(), flipped->UserData(), static_cast<std::size_t>(plain->UserDataSize())))
            << cls->className;
    }
}

// Short keys are zero-padded to the class's maximum, so Crypto++ gets the padded key.
TEST(Des, AgreesWithCryptoPPForEveryKeyLength) {
    std::mt19937 rng(1977);
    TCipher_1DES single;
    TCipher_2DES twoKey;
    TCipher_3DES threeKey;
    ExpectSameCoding(single, WithTheirKey(CryptoPPCipher<CryptoPP::DES>(), ZeroPaddedTo(8)),
                     {.keyLengths = Lengths(0, 8)}, rng, "DES");
    ExpectSameCoding(twoKey, WithTheirKey(CryptoPPCipher<CryptoPP::DES_EDE2>(), ZeroPaddedTo(16)),
                     {.keyLengths = Lengths(0, 16)}, rng, "2DES");
    ExpectSameCoding(threeKey, WithTheirKey(CryptoPPCipher<CryptoPP::DES_EDE3>(), ZeroPaddedTo(24)),
                     {.keyLengths = Lengths(0, 24)}, rng, "3DES");
}

// Crypto++'s DES-XEX3 takes the pre-whitening key, the DES key and the
// post-whitening key as one 24-byte key; it gets the derived one explicitly.
std::vector<uint8_t> DesXex3KeyFor(const std::vector<uint8_t>& key) {
    const std::vector<uint8_t> padded = ZeroPadded(key, 16);
    std::vector<uint8_t> theirKey(24);
    std::copy(padded.begin() + 8, padded.end(), theirKey.begin());
    std::copy(padded.begin(), padded.begin() + 8, theirKey.begin() + 8);
    TCipher_DESX::DerivePostWhitening(padded.data(), padded.data() + 8, theirKey.data() + 16);
    return theirKey;
}

TEST(Des, DesxAgreesWithCryptoPPGivenTheDerivedWhiteningKey) {
    std::mt19937 rng(1984);
    TCipher_DESX ours;
    ExpectSameCoding(ours, WithTheirKey(CryptoPPCipher<CryptoPP::DES_XEX3>(), DesXex3KeyFor),
                     {.keyLengths = Lengths(0, 16)}, rng);
}

// The key schedules sit in the user data in a fixed order of 128-byte slots.
TEST(Des, SchedulesAreStoredInTheirFixedOrder) {
    std::mt19937 rng(768);
    const std::vector<uint8_t> key = RandomBytes(rng, 24);
    const uint8_t* k1 = key.data();
    const uint8_t* k2 = key.data() + 8;
    const uint8_t* k3 = key.data() + 16;
    struct Slot {
        const uint8_t* key;
        bool decipher;
    };
    auto expectSlots = [&](const TCipherClass& cls, std::initializer_list<Slot> slots) {
        auto cipher = cls.create();
        cipher->Init(key.data(), cipher->MaxKeySize(), nullptr);
        int index = 0;
        for (const Slot& slot : slots) {
            DesKeys expected;
            TCipher_1DES::MakeKeys(slot.key, slot.decipher, expected);
            EXPECT_EQ(0, std::memcmp(cipher->UserData() + 128 * index, &expected, 128)) << cls.className << " slot " << index;
            ++index;
        }
    };
    expectSlots(TCipher_1DES::Class, {{k1, false}, {k1, true}});
    expectSlots(TCipher_2DES::Class, {{k1, false}, {k2, true}, {k1, true}, {k2, false}});
    expectSlots(TCipher_2DDES::Class, {{k1, false}, {k2, true}, {k1, true}, {k2, false}});
    for (const TCipherClass* cls : {&TCipher_3DES::Class, &TCipher_3DDES::Class, &TCipher_3TDES::Class})
        expectSlots(*cls, {{k1, false}, {k2, true}, {k3, false}, {k3, true}, {k2, false}, {k1, true}});
    expectSlots(TCipher_DESX::Class, {{k1, false}, {k1, true}});

    TCipher_DESX desx;
    desx.Init(key.data(), 16, nullptr);
    uint8_t post[8];
    TCipher_DESX::DerivePostWhitening(k1, k2, post);
    EXPECT_EQ(HexOf(desx.UserData() + 256, 8), HexOf(k2, 8));
    EXPECT_EQ(HexOf(desx.UserData() + 264, 8), HexOf(post, 8));
}

// ---- the lane variants ----

// The lane construction rebuilt from Crypto++'s single DES: each of the three
// passes runs DES on every 8-byte lane, and between passes the words at block
// bytes 4-7 and 8-11 trade places. Enciphering runs E(K1), D(K2), E(K3);
// deciphering D(K3), E(K2), D(K1). Two-key classes use K1 again where
// three-key classes use K3.
BlockCoder LanesOfCryptoPPDes(std::size_t blockSize) {
    using Pass = std::unique_ptr<CryptoPP::BlockTransformation>;
    struct Passes {
        Pass enciphering[3], deciphering[3];
    };
    auto passes = std::make_shared<Passes>();
    auto through = [blockSize](const Pass (&pass)[3], uint8_t* block) {
        for (int i = 0; i < 3; ++i) {
            if (i > 0) std::swap_ranges(block + 4, block + 8, block + 8);
            for (std::size_t lane = 0; lane < blockSize; lane += 8) pass[i]->ProcessBlock(block + lane);
        }
    };
    BlockCoder coder;
    coder.blockSize = blockSize;
    coder.setKey = [passes](const std::vector<uint8_t>& key) {
        const uint8_t* k1 = key.data();
        const uint8_t* k2 = key.data() + 8;
        const uint8_t* k3 = key.size() == 24 ? key.data() + 16 : key.data();
        passes->enciphering[0] = std::make_unique<CryptoPP::DES::Encryption>(k1, 8);
        passes->enciphering[1] = std::make_unique<CryptoPP::DES::Decryption>(k2, 8);
        passes->enciphering[2] = std::make_unique<CryptoPP::DES::Encryption>(k3, 8);
        passes->deciphering[0] = std::make_unique<CryptoPP::DES::Decryption>(k3, 8);
        passes->deciphering[1] = std::make_unique<CryptoPP::DES::Encryption>(k2, 8);
        passes->deciphering[2] = std::make_unique<CryptoPP::DES::Decryption>(k1, 8);
    };
    coder.encipher = [passes, through](uint8_t* block) { through(passes->enciphering, block); };
    coder.decipher = [passes, through, blockSize](uint8_t* blocks, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) through(passes->deciphering, blocks + i * blockSize);
    };
    return coder;
}

TEST(DesLanes, AgreeWithSingleDesPassesAndTheWordExchange) {
    std::mt19937 rng(1616);
    for (const TCipherClass* cls : {&TCipher_2DDES::Class, &TCipher_3DDES::Class, &TCipher_3TDES::Class}) {
        auto ours = cls->create();
        const Trials fullKeys = {.keyLengths = {static_cast<std::size_t>(ours->MaxKeySize())}, .keysPerLength = 16, .blocksPerKey = 1};
        ExpectSameCoding(*ours, LanesOfCryptoPPDes(static_cast<std::size_t>(ours->BlockSize())), fullKeys, rng, cls->className);
    }
}

// The 24-byte block exchanges only the words at bytes 4-7 and 8-11, so bytes
// 12 to 23 never move between lanes: the third lane is plain three-key triple
// DES on its own, and it neither affects nor is affected by bytes 0 to 15.
TEST(DesLanes, ThreeLaneBlockNeverMovesBytes12To23BetweenLanes) {
    std::mt19937 rng(24);
    const std::vector<uint8_t> key = RandomBytes(rng, 24);
    TCipher_3TDES lanes;
    TCipher_3DES single;
    lanes.Init(key.data(), 24, nullptr);
    single.Init(key.data(), 24, nullptr);
    for (int trial = 0; trial < 32; ++trial) {
        for (bool decipher : {false, true}) {
            auto code = [&](TCipher& cipher, uint8_t* p) { decipher ? cipher.DecipherBlock(p) : cipher.EncipherBlock(p); };
            std::vector<uint8_t> block = RandomBytes(rng, 24), out = block;
            code(lanes, out.data());
            std::vector<uint8_t> third(block.begin() + 16, block.end());
            code(single, third.data());
            EXPECT_EQ(HexOf(out.data() + 16, 8), HexOf(third)) << (decipher ? "deciphering" : "enciphering");

            std::vector<uint8_t> otherFront = RandomBytes(rng, 16), changed = block;
            std::copy(otherFront.begin(), otherFront.end(), changed.begin());
            code(lanes, changed.data());
            EXPECT_EQ(HexOf(changed.data() + 16, 8), HexOf(out.data() + 16, 8));

            std::vector<uint8_t> otherBack = RandomBytes(rng, 8);
            changed = block;
            std::copy(otherBack.begin(), otherBack.end(), changed.begin() + 16);
            code(lanes, changed.data());
            EXPECT_EQ(HexOf(changed.data(), 16), HexOf(out.data(), 16));
        }
    }
}

// Keyed from the same password, 2DES and 2DDES hold the same three schedules,
// but the 16-byte block joins its two lanes, so the ciphertexts differ.
TEST(DesLanes, TwoDesAndTwoDDesKeyedAlikeDifferInTheirCiphertext) {
    auto narrow = CreateCipher(TCipher_2DES::Class), wide = CreateCipher(TCipher_2DDES::Class);
    narrow->InitKey("the same password");
    wide->InitKey("the same password");
    EXPECT_EQ(0, std::memcmp(narrow->UserData(), wide->UserData(), 512));

    std::mt19937 rng(16);
    for (int trial = 0; trial < 8; ++trial) {
        const std::vector<uint8_t> plain = RandomBytes(rng, 16);
        std::vector<uint8_t> byNarrow = plain, byWide = plain;
        narrow->EncipherBlock(byNarrow.data());
        narrow->EncipherBlock(byNarrow.data() + 8);
        wide->EncipherBlock(byWide.data());
        EXPECT_NE(HexOf(byNarrow.data(), 8), HexOf(byWide.data(), 8));
        EXPECT_NE(HexOf(byNarrow.data() + 8, 8), HexOf(byWide.data() + 8, 8));

        std::vector<uint8_t> streamNarrow = RandomBytes(rng, 100), streamWide = streamNarrow;
        narrow->ProcessMemory(streamNarrow.data(), 100, actEncipher);
        wide->ProcessMemory(streamWide.data(), 100, actEncipher);
        EXPECT_NE(streamNarrow, streamWide);
    }
}

}  // namespace

}  // namespace quellmark
