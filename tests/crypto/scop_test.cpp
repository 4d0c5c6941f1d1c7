// SCOP: a generator that moves with every block, put back at every run.
#include <gtest/gtest.h>

#include <cstring>

#include "base/streams.h"
#include "crypto/ciphers/scop.h"
#include "test_support.h"

namespace quellmark {

namespace {

std::vector<uint8_t> Encipher(TCipher& cipher, const std::vector<uint8_t>& plain) {
    TMemoryStream source(plain), coded;
    cipher.ProcessStream(&source, &coded, -1, actEncipher);
    return coded.Bytes();
}

TEST(Scop, RunsOfTheSameDataGiveTheSameOutput) {
    std::mt19937 rng(11);
    const std::vector<uint8_t> plain = RandomBytes(rng, 5000);
    auto cipher = CreateCipher(TCipher_SCOP::Class), other = CreateCipher(TCipher_SCOP::Class);
    cipher->InitKey("scop");
    other->InitKey("scop");
    const std::vector<uint8_t> first = Encipher(*cipher, plain);
    EXPECT_NE(first, plain);
    EXPECT_EQ(Encipher(*cipher, plain), first) << "a second run on the same object";
    EXPECT_EQ(Encipher(*other, plain), first) << "a run on an object keyed the same way";
}

TEST(Scop, EqualBlocksInOneRunDifferAndStillComeBack) {
    const std::string key = "two equal blocks";
    TCipher_SCOP encoder, decoder;
    encoder.InitKey(key);
    decoder.InitKey(key);
    // In ECB mode nothing chains the blocks: only the moving generator can tell them apart.
    encoder.Mode = decoder.Mode = cmECB;
    const std::vector<uint8_t> plain(256, 0x5A);
    std::vector<uint8_t> coded = plain;
    encoder.ProcessMemory(coded.data(), 256, actEncipher);
    EXPECT_NE(HexOf(coded.data(), 128), HexOf(coded.data() + 128, 128));
    decoder.ProcessMemory(coded.data(), 256, actDecipher);
    EXPECT_EQ(coded, plain);
}

TEST(Scop, RewindingPutsTheGeneratorBackWhereKeySetupLeftIt) {
    std::mt19937 rng(12);
    const std::vector<uint8_t> key = RandomBytes(rng, 48);
    TCipher_SCOP cipher;
    cipher.Init(key.data(), 48, nullptr);
    const std::vector<uint8_t> afterSetup(cipher.UserData(), cipher.UserData() + 3104);
    std::vector<uint8_t> block(128, 0);
    cipher.EncipherBlock(block.data());
    EXPECT_NE(0, std::memcmp(cipher.UserData(), afterSetup.data(), 1552)) << "a block moves the generator";
    cipher.RewindFeedback();
    EXPECT_EQ(0, std::memcmp(cipher.UserData(), afterSetup.data(), 3104));
}

TEST(Scop, AnEmptyKeyIsAKeyOfZeroBytes) {
    const uint8_t zeros[48] = {};
    TCipher_SCOP empty, zero;
    empty.Init(zeros, 0, nullptr);
    zero.Init(zeros, 48, nullptr);
    EXPECT_EQ(0, std::memcmp(empty.UserData(), zero.UserData(), 3104));
    EXPECT_EQ(HexOf(empty.Vector(), 128), HexOf(zero.Vector(), 128));
}

}  // namespace

}  // namespace quellmark
