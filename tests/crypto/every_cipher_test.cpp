// What must hold for every registered cipher, whichever it is: the registry
// is walked, so each class that arrives is checked without further work.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

#include "base/streams.h"
#include "crypto/registry.h"
#include "test_support.h"
#include "vector_file.h"
#include "crypto/registered_ciphers.h"

namespace quellmark {

namespace {

// The classes whose key setup refuses an empty key; every other class takes one.
bool RefusesAnEmptyKey(const TCipherClass& cls) {
    static const std::set<std::string_view> refusing = {"TCipher_Blowfish", "TCipher_Diamond2", "TCipher_Diamond2Lite",
                                                        "TCipher_FROG",     "TCipher_RC2",      "TCipher_RC4"};
    return refusing.count(cls.className) != 0;
}

// Random key bytes in storage of at least one byte, so that even an empty
// key is never a null pointer.
std::vector<uint8_t> KeyStorage(std::mt19937& rng, int32_t length) {
    return RandomBytes(rng, static_cast<std::size_t>(std::max(length, 1)));
}

class EveryCipher : public ::testing::TestWithParam<const TCipherClass*> {};

TEST_P(EveryCipher, ContextMatchesTheInstance) {
    const TCipherClass& cls = *GetParam();
    auto cipher = cls.create();
    EXPECT_EQ(cipher->BlockSize(), cls.context.blockSize);
    EXPECT_GT(cipher->MaxKeySize(), 0);
    EXPECT_FALSE(cipher->Ready());
    EXPECT_EQ(cipher->ClassName(), cls.className);
}

TEST_P(EveryCipher, BlocksComeBackForEveryKeyLength) {
    const TCipherClass& cls = *GetParam();
    auto cipher = cls.create();
    std::mt19937 rng(static_cast<unsigned>(cls.context.maxKeySize * 31 + cls.context.blockSize));
    const auto block = static_cast<std::size_t>(cipher->BlockSize());
    for (int32_t length = RefusesAnEmptyKey(cls) ? 1 : 0; length <= cipher->MaxKeySize(); ++length) {
        std::vector<uint8_t> key = KeyStorage(rng, length);
        cipher->Init(key.data(), length, nullptr);
        ASSERT_TRUE(cipher->Ready());
        const std::vector<uint8_t> plain = RandomBytes(rng, block);
        std::vector<uint8_t> data = plain;
        cipher->EncipherBlock(data.data());
        EXPECT_NE(data, plain) << cls.className << " key length " << length;
        // Re-keying: a cipher with a running generator (RC4, Sapphire, SCOP) deciphers only
        // from the state its encipherment began at.
        cipher->Init(key.data(), length, nullptr);
        cipher->DecipherBlock(data.data());
        ASSERT_EQ(data, plain) << cls.className << " key length " << length;
        // Several blocks at once decipher as one at a time.
        std::vector<uint8_t> many = RandomBytes(rng, 5 * block), single = many;
        cipher->Init(key.data(), length, nullptr);
        cipher->DecipherBlocks(many.data(), 5);
        cipher->Init(key.data(), length, nullptr);
        for (std::size_t i = 0; i < 5; ++i) cipher->DecipherBlock(single.data() + i * block);
        ASSERT_EQ(many, single) << cls.className;
    }
}

// The steps Init takes for every class around its key schedule: without a
// vector the vector is the encipherment of all-0xFF bytes under the new key
// and the feedback starts from it; a key longer than the maximum keys as its
// first MaxKeySize() bytes, or with strict key length is refused and leaves
// the cipher scrubbed and not ready, even when it was keyed before.
TEST_P(EveryCipher, InitLoadsTheEnciphermentOfOnesAndCutsOrRefusesAnOverlongKey) {
    const TCipherClass& cls = *GetParam();
    std::mt19937 rng(static_cast<unsigned>(cls.context.maxKeySize * 17 + cls.context.blockSize));
    const int32_t maximum = cls.context.maxKeySize;
    const auto block = static_cast<std::size_t>(cls.context.blockSize);
    const std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(maximum) + 9);
    const std::vector<uint8_t> ones(block, 0xFF);

    for (int32_t length : {1, maximum}) {
        auto cipher = CreateCipher(cls);
        cipher->Init(key.data(), length, nullptr);
        ASSERT_TRUE(cipher->Ready()) << cls.className << " key length " << length;
        // Keyed with a vector given, the cipher has not enciphered anything yet
        // (a running generator is still where the schedule left it).
        const std::vector<uint8_t> given = RandomBytes(rng, block);
        auto independent = CreateCipher(cls);
        independent->Init(key.data(), length, given.data());
        ASSERT_TRUE(independent->Ready()) << cls.className;
        EXPECT_EQ(HexOf(independent->Vector(), block), HexOf(given)) << cls.className;
        EXPECT_EQ(HexOf(independent->Feedback(), block), HexOf(given)) << cls.className;
        std::vector<uint8_t> expected = ones;
        independent->EncipherBlock(expected.data());
        EXPECT_EQ(HexOf(cipher->Vector(), block), HexOf(expected)) << cls.className << " key length " << length;
        EXPECT_EQ(HexOf(cipher->Feedback(), block), HexOf(expected)) << cls.className << " key length " << length;
    }

    auto cut = CreateCipher(cls), overlong = CreateCipher(cls);
    cut->Init(key.data(), maximum, nullptr);
    overlong->Init(key.data(), maximum + 9, nullptr);
    ASSERT_TRUE(overlong->Ready()) << cls.className;
    EXPECT_EQ(HexOf(overlong->Vector(), block), HexOf(cut->Vector(), block)) << cls.className;
    EXPECT_EQ(HexOf(overlong->UserData(), static_cast<std::size_t>(cls.context.userDataSize)),
              HexOf(cut->UserData(), static_cast<std::size_t>(cls.context.userDataSize)))
        << cls.className;
    // Some classes keep part of their schedule outside the user data.
    std::vector<uint8_t> fromCut = RandomBytes(rng, block), fromOverlong = fromCut;
    cut->EncipherBlock(fromCut.data());
    overlong->EncipherBlock(fromOverlong.data());
    EXPECT_EQ(fromOverlong, fromCut) << cls.className;

    auto refused = CreateCipher(cls);
    refused->Init(key.data(), maximum, nullptr);
    {
        TStrictKeyLength::Scope strict;
        try {
            refused->Init(key.data(), maximum + 1, nullptr);
            ADD_FAILURE() << cls.className << " took an overlong key under strict key length";
        } catch (const ECipherException& e) {
            EXPECT_EQ(e.ErrorCode(), ErrKeySize) << cls.className;
        }
        EXPECT_FALSE(refused->Ready()) << cls.className;
        EXPECT_EQ(HexOf(refused->Vector(), block), HexOf(ones)) << cls.className << " was not scrubbed";
        // A key of the maximum length is still taken.
        refused->Init(key.data(), maximum, nullptr);
        ASSERT_TRUE(refused->Ready()) << cls.className;
        EXPECT_EQ(HexOf(refused->Vector(), block), HexOf(cut->Vector(), block)) << cls.className;
    }
    EXPECT_FALSE(TStrictKeyLength::Enabled());
    refused->Init(key.data(), maximum + 9, nullptr);
    EXPECT_EQ(HexOf(refused->Vector(), block), HexOf(cut->Vector(), block)) << cls.className;
}

TEST_P(EveryCipher, PasswordKeyedCtsStreamsComeBackForLengthsUpToTenThousand) {
    const TCipherClass& cls = *GetParam();
    std::mt19937 rng(4096);
    const std::vector<uint8_t> all = RandomBytes(rng, 10000);
    auto encoder = CreateCipher(cls), decoder = CreateCipher(cls);
    encoder->InitKey("stream password");
    decoder->InitKey("stream password");
    auto check = [&](std::size_t length) {
        const std::vector<uint8_t> plain(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(length));
        TMemoryStream source(plain), coded, back;
        encoder->ProcessStream(&source, &coded, -1, actEncipher);
        ASSERT_EQ(coded.Size(), static_cast<int64_t>(length)) << cls.className;
        if (length >= 16) {
            EXPECT_NE(coded.Bytes(), plain) << cls.className << " length " << length;
        }
        decoder->ProcessStream(&coded, &back, -1, actDecipher);
        ASSERT_EQ(back.Bytes(), plain) << cls.className << " length " << length;
    };
    for (std::size_t length = 0; length <= 300; ++length) check(length);
    for (std::size_t length = 301; length <= 10000; length += 97) check(length);
    check(4096);
    check(8192);
    check(10000);
}

// Whatever the mode, data coded in one call comes back after a rewind, into
// another buffer or in place, and a rewind takes enciphering back to the
// same start. Lengths that are no multiple of the block size leave a tail.
TEST_P(EveryCipher, DataComesBackAfterARewindInEveryCodingMode) {
    const TCipherClass& cls = *GetParam();
    auto cipher = cls.create();
    std::mt19937 rng(static_cast<unsigned>(cls.context.blockSize * 7 + cls.context.maxKeySize));
    const int32_t max = cipher->MaxKeySize();
    const std::set<int32_t> keyLengths = {RefusesAnEmptyKey(cls) ? 1 : 0, 1, std::min(32, max), max};
    for (TCipherMode mode : {cmCTS, cmCBC, cmCFB, cmOFB, cmECB}) {
        for (int32_t length : keyLengths) {
            const std::vector<uint8_t> key = KeyStorage(rng, length);
            const std::vector<uint8_t> plain = RandomBytes(rng, 1003);
            const auto size = static_cast<int32_t>(plain.size());
            cipher->Mode = mode;
            cipher->Init(key.data(), length, nullptr);
            const std::string where =
                std::string(cls.className) + ", mode " + std::to_string(int(mode)) + ", key length " + std::to_string(length);
            std::vector<uint8_t> coded(plain.size()), back(plain.size());
            cipher->EncipherData(plain.data(), coded.data(), size);
            EXPECT_NE(coded, plain) << where;
            cipher->RewindFeedback();
            cipher->DecipherData(coded.data(), back.data(), size);
            EXPECT_EQ(back, plain) << where;
            cipher->RewindFeedback();
            back = coded;
            cipher->DecipherData(back.data(), back.data(), size);
            EXPECT_EQ(back, plain) << where << ", in place";
            cipher->RewindFeedback();
            std::vector<uint8_t> again(plain.size());
            cipher->EncipherData(plain.data(), again.data(), size);
            EXPECT_EQ(again, coded) << where << ", enciphering again";
        }
    }
}

// A refused key leaves no cipher ready, neither a fresh one nor one keyed before.
TEST_P(EveryCipher, AnEmptyKeyIsRefusedExactlyWhereTheClassRefusesIt) {
    const TCipherClass& cls = *GetParam();
    std::mt19937 rng(static_cast<unsigned>(cls.context.userDataSize));
    const std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(cls.context.maxKeySize));
    auto fresh = cls.create(), keyed = cls.create();
    keyed->Init(key.data(), cls.context.maxKeySize, nullptr);
    ASSERT_TRUE(keyed->Ready());
    const uint8_t* const none = nullptr;
    for (auto [cipher, bytes] : {std::pair{fresh.get(), none}, std::pair{keyed.get(), key.data()}}) {
        const char* which = cipher == fresh.get() ? "a fresh cipher" : "a keyed cipher";
        if (RefusesAnEmptyKey(cls)) {
            try {
                cipher->Init(bytes, 0, nullptr);
                ADD_FAILURE() << cls.className << " accepted an empty key for " << which;
            } catch (const ECipherException& e) {
                EXPECT_EQ(e.ErrorCode(), ErrKeySize) << cls.className;
            }
            EXPECT_FALSE(cipher->Ready()) << cls.className << ", " << which;
        } else {
            const uint8_t byte = 0;
            cipher->Init(bytes ? bytes : &byte, 0, nullptr);
            EXPECT_TRUE(cipher->Ready()) << cls.className << ", " << which;
        }
    }
}

// Beyond the maximum, key bytes are cut off: the schedule, the vector and
// what the cipher does (some keep tables outside the user data) are those of
// the key cut to its maximum.
INSTANTIATE_TEST_SUITE_P(Registry, EveryCipher, ::testing::ValuesIn(RegisteredCiphers()),
                         [](const auto& info) { return std::string(info.param->className); });

// ---- the classes with a known answer of their own ----

std::vector<const TCipherClass*> CiphersWithAKnownAnswer() {
    std::vector<const TCipherClass*> classes = RegisteredCiphers();
    std::erase_if(classes, [](const TCipherClass* cls) { return cls->knownAnswer == nullptr; });
    return classes;
}

// What a class's known answer is the encipherment of: for most the zero block
// under a zero key (of 16 bytes, or the whole key where it is shorter); for
// these, the first vector of their published set.
struct KnownAnswerInput {
    std::vector<uint8_t> key, block;
};

KnownAnswerInput KnownAnswerInputOf(const TCipherClass& cls) {
    static const std::map<std::string_view, const char*> firstVectorOf = {
        {"TCipher_Gost", "gost.txt"}, {"TCipher_IDEA", "idea.txt"}, {"TCipher_3Way", "3way.txt"}};
    if (auto file = firstVectorOf.find(cls.className); file != firstVectorOf.end()) {
        const VectorRecord first = ReadVectors(file->second).front();
        return {first.Bytes("Key"), first.Bytes("In")};
    }
    return {std::vector<uint8_t>(static_cast<std::size_t>(std::min(16, cls.context.maxKeySize)), 0),
            std::vector<uint8_t>(static_cast<std::size_t>(cls.context.blockSize), 0)};
}

class CipherWithAKnownAnswer : public ::testing::TestWithParam<const TCipherClass*> {};

TEST_P(CipherWithAKnownAnswer, IsItsOwnEnciphermentOfItsInput) {
    const TCipherClass& cls = *GetParam();
    auto cipher = cls.create();
    KnownAnswerInput input = KnownAnswerInputOf(cls);
    ASSERT_EQ(input.block.size(), static_cast<std::size_t>(cls.context.blockSize));
    cipher->Init(input.key.data(), static_cast<int32_t>(input.key.size()), nullptr);
    cipher->EncipherBlock(input.block.data());
    EXPECT_EQ(HexOf(input.block), HexOf(cipher->KnownAnswer(), input.block.size()));
}

INSTANTIATE_TEST_SUITE_P(Registry, CipherWithAKnownAnswer, ::testing::ValuesIn(CiphersWithAKnownAnswer()),
                         [](const auto& info) { return std::string(info.param->className); });

}  // namespace

}  // namespace quellmark
