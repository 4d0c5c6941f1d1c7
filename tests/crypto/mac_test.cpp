// TMAC: keying a hash's starting state, its own chain, and the password wipe.
#include <gtest/gtest.h>

#include <bit>
#include <memory>

#include "crypto/hashes/checksums.h"
#include "crypto/mac.h"
#include "crypto/registry.h"
#include "test_support.h"

namespace quellmark {

namespace {

const std::string kData = "The MAC keys every hash the same way.";

std::string DigestOf(THash& hash, const std::string& data) {
    return Hex(hash.DigestOf(data.data(), static_cast<int32_t>(data.size())));
}

uint16_t Value16(const std::string& digest) {
    return static_cast<uint16_t>(uint8_t(digest[0]) | uint8_t(digest[1]) << 8);
}

TEST(TMAC, EveryRegisteredHashGivesAStableKeyedDigestUnlikeThePlainOne) {
    const TStringList& entries = HashRegistry().Entries();
    ASSERT_GT(entries.Count(), 0u);
    for (std::size_t e = 0; e < entries.Count(); ++e) {
        const THashClass* cls = THashRegistry::ClassAt(entries, e);
        auto hash = cls->create();
        const std::string plain = DigestOf(*hash, kData);

        hash->SetChainedProtection(std::make_shared<TMAC>("key one"));
        const std::string keyed = DigestOf(*hash, kData);
        EXPECT_NE(keyed, plain) << cls->className;
        EXPECT_EQ(DigestOf(*hash, kData), keyed) << cls->className << ": a second run differs";

        hash->SetChainedProtection(std::make_shared<TMAC>("key two"));
        EXPECT_NE(DigestOf(*hash, kData), keyed) << cls->className << ": the password makes no difference";

        hash->SetChainedProtection(std::make_shared<TMAC>(""));
        EXPECT_EQ(DigestOf(*hash, kData), plain) << cls->className << ": an empty password keys nothing";
    }
}

TEST(TMAC, ThePasswordDigestIsMixedIntoTheStartingStateNotTheResult) {
    // XOR-16 rotates its value by 5 per byte, so a starting value S shows up
    // in the digest of n bytes rotated by 5n.
    THash_XOR16 hash;
    const uint16_t plain = Value16(hash.DigestOf(kData.data(), static_cast<int32_t>(kData.size())));
    const uint16_t key = Value16(hash.DigestOf("secret", 6));
    hash.SetChainedProtection(std::make_shared<TMAC>("secret"));
    const uint16_t keyed = Value16(hash.DigestOf(kData.data(), static_cast<int32_t>(kData.size())));
    EXPECT_EQ(keyed, plain ^ std::rotl(key, static_cast<int>(5 * kData.size() % 16)));
}

TEST(TMAC, ItsOwnChainTreatsTheFinishedDigestAndThePasswordDigest) {
    // Shredding through a CRC-32 replaces each 2-byte digest by the first two
    // bytes of the CRC-32 of its value.
    auto shred = [](uint16_t value) {
        THash_CRC32 crc;
        uint8_t bytes[2] = {uint8_t(value), uint8_t(value >> 8)};
        crc.ProcessMemory(bytes, 2, actShred);
        return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
    };
    THash_XOR16 hash;
    const uint16_t plain = Value16(hash.DigestOf(kData.data(), static_cast<int32_t>(kData.size())));
    const uint16_t key = Value16(hash.DigestOf("secret", 6));

    hash.SetChainedProtection(std::make_shared<TMAC>("", std::make_shared<THash_CRC32>()));
    EXPECT_EQ(Value16(hash.DigestOf(kData.data(), static_cast<int32_t>(kData.size()))), shred(plain));

    hash.SetChainedProtection(std::make_shared<TMAC>("secret", std::make_shared<THash_CRC32>()));
    const int rotation = static_cast<int>(5 * kData.size() % 16);
    EXPECT_EQ(Value16(hash.DigestOf(kData.data(), static_cast<int32_t>(kData.size()))),
              shred(plain ^ std::rotl(shred(key), rotation)));
}

TEST(TMAC, ThePasswordIsOverwrittenWithAA55AndZerosBeforeItIsReleased) {
    const std::string password = "correct horse battery staple";
    std::vector<std::string> passes;
    auto watch = [&](const uint8_t* bytes, std::size_t size) { passes.emplace_back(reinterpret_cast<const char*>(bytes), size); };

    auto mac = std::make_unique<TMAC>(password);
    mac->OnPasswordWipe = watch;
    mac.reset();
    ASSERT_EQ(passes.size(), 3u);
    EXPECT_EQ(passes[0], std::string(password.size(), '\xAA'));
    EXPECT_EQ(passes[1], std::string(password.size(), '\x55'));
    EXPECT_EQ(passes[2], std::string(password.size(), '\0'));

    // A replaced password is wiped the same way before the new one is taken.
    passes.clear();
    TMAC replaced("old");
    {
        // Watched only here: the wipe when `replaced` goes is not looked at.
        ScopedValue<decltype(TMAC::OnPasswordWipe)> watching(replaced.OnPasswordWipe, watch);
        replaced.SetPassword("new password");
    }
    ASSERT_EQ(passes.size(), 3u);
    EXPECT_EQ(passes[2], std::string(3, '\0'));
    EXPECT_EQ(replaced.Password(), "new password");
}

}  // namespace

}  // namespace quellmark
