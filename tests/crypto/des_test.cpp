// The DES family: published vectors, Crypto++ for single, triple and DESX,
// and the lane variants rebuilt from Crypto++'s single DES.
#include <cryptopp/des.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "crypto/cipher_test_support.h"
#include "crypto/ciphers/des.h"
#include "crypto/cryptopp_differential.h"
#include "vector_file.h"

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
    for (int length = 0; length <= 24; ++length) {
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
        const std::string context = "key length " + std::to_string(length);
        if (length <= 8) {
            single.Init(key.data(), length, nullptr);
            ExpectSameBlocksAs<CryptoPP::DES>(single, ZeroPadded(key, 8), rng, 8, "DES, " + context);
        }
        if (length <= 16) {
            twoKey.Init(key.data(), length, nullptr);
            ExpectSameBlocksAs<CryptoPP::DES_EDE2>(twoKey, ZeroPadded(key, 16), rng, 8, "2DES, " + context);
        }
        threeKey.Init(key.data(), length, nullptr);
        ExpectSameBlocksAs<CryptoPP::DES_EDE3>(threeKey, ZeroPadded(key, 24), rng, 8, "3DES, " + context);
    }
}

// Crypto++'s DES-XEX3 takes the pre-whitening key, the DES key and the
// post-whitening key as one 24-byte key; it gets the derived one explicitly.
TEST(Des, DesxAgreesWithCryptoPPGivenTheDerivedWhiteningKey) {
    std::mt19937 rng(1984);
    TCipher_DESX ours;
    for (int length = 0; length <= 16; ++length) {
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
        ours.Init(key.data(), length, nullptr);
        const std::vector<uint8_t> padded = ZeroPadded(key, 16);
        std::vector<uint8_t> theirKey(24);
        std::copy(padded.begin() + 8, padded.end(), theirKey.begin());
        std::copy(padded.begin(), padded.begin() + 8, theirKey.begin() + 8);
        TCipher_DESX::DerivePostWhitening(padded.data(), padded.data() + 8, theirKey.data() + 16);
        ExpectSameBlocksAs<CryptoPP::DES_XEX3>(ours, theirKey, rng, 8, "key length " + std::to_string(length));
    }
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
// bytes 4-7 and 8-11 trade places. `passes` are the three DES transformations.
std::vector<uint8_t> ThroughLanes(std::vector<uint8_t> block, const CryptoPP::BlockTransformation* const (&passes)[3]) {
    for (int pass = 0; pass < 3; ++pass) {
        if (pass > 0) std::swap_ranges(block.begin() + 4, block.begin() + 8, block.begin() + 8);
        for (std::size_t lane = 0; lane < block.size(); lane += 8) passes[pass]->ProcessBlock(block.data() + lane);
    }
    return block;
}

TEST(DesLanes, AgreeWithSingleDesPassesAndTheWordExchange) {
    std::mt19937 rng(1616);
    for (const TCipherClass* cls : {&TCipher_2DDES::Class, &TCipher_3DDES::Class, &TCipher_3TDES::Class}) {
        auto ours = cls->create();
        for (int trial = 0; trial < 16; ++trial) {
            const std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(ours->MaxKeySize()));
            ours->Init(key.data(), ours->MaxKeySize(), nullptr);
            // Two-key classes use K1 again where three-key classes use K3.
            const uint8_t* k3 = ours->MaxKeySize() == 24 ? key.data() + 16 : key.data();
            CryptoPP::DES::Encryption e1(key.data(), 8), e2(key.data() + 8, 8), e3(k3, 8);
            CryptoPP::DES::Decryption d1(key.data(), 8), d2(key.data() + 8, 8), d3(k3, 8);
            const CryptoPP::BlockTransformation* const enciphering[3] = {&e1, &d2, &e3};
            const CryptoPP::BlockTransformation* const deciphering[3] = {&d3, &e2, &d1};

            const std::vector<uint8_t> plain = RandomBytes(rng, static_cast<std::size_t>(ours->BlockSize()));
            std::vector<uint8_t> data = plain;
            ours->EncipherBlock(data.data());
            ASSERT_EQ(HexOf(data), HexOf(ThroughLanes(plain, enciphering))) << cls->className;
            const std::vector<uint8_t> coded = RandomBytes(rng, plain.size());
            data = coded;
            ours->DecipherBlock(data.data());
            ASSERT_EQ(HexOf(data), HexOf(ThroughLanes(coded, deciphering))) << cls->className;
        }
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
