// What must hold for every registered cipher, whichever it is: the registry
// is walked, so each class that arrives is checked without further work.
#include <gtest/gtest.h>

#include "base/streams.h"
#include "crypto/registry.h"
#include "test_support.h"

namespace {

std::vector<const TCipherClass*> RegisteredCiphers() {
    std::vector<const TCipherClass*> classes;
    const TStringList& entries = CipherRegistry().Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i)
        if (const TCipherClass* cls = TCipherRegistry::ClassAt(entries, i)) classes.push_back(cls);
    return classes;
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
    for (int32_t length = 1; length <= cipher->MaxKeySize(); ++length) {
        std::vector<uint8_t> key = RandomBytes(rng, static_cast<std::size_t>(length));
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

INSTANTIATE_TEST_SUITE_P(Registry, EveryCipher, ::testing::ValuesIn(RegisteredCiphers()),
                         [](const auto& info) { return std::string(info.param->className); });

}  // namespace
