// Key setup from a password, the ready check, key-size rules, chained
// protections and stream coding.
#include <cryptopp/blowfish.h>
#include <cryptopp/ripemd.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "base/streams.h"
#include "crypto/ciphers/blowfish.h"
#include "crypto/hashes/md4_family.h"
#include "crypto/managers.h"
#include "crypto/random_fill.h"
#include "test_support.h"

namespace quellmark {

namespace {

using Report = std::pair<int64_t, int64_t>;

// Records every progress report of the runs `coder` makes while it lives.
struct ProgressLog {
    std::vector<Report> reports;
    TProgressScope scope;
    explicit ProgressLog(TProtection& coder)
        : scope(coder, [this](TProtection&, int64_t current, int64_t maximum) { reports.push_back({current, maximum}); }) {}
};

std::shared_ptr<TCipher> KeyedBlowfish(const std::string& password) {
    auto cipher = CreateCipher(TCipher_Blowfish::Class);
    cipher->InitKey(password);
    return cipher;
}

TEST(KeySetup, KeyIsRipemd256OfThePasswordAndTheVectorIsTheEnciphermentOfOnes) {
    for (const std::string& password : {std::string(), std::string("secret"), std::string(300, 'x')}) {
        auto cipher = KeyedBlowfish(password);
        uint8_t digest[32];
        CryptoPP::RIPEMD256().CalculateDigest(digest, reinterpret_cast<const uint8_t*>(password.data()), password.size());
        CryptoPP::BlowfishEncryption reference(digest, 32);
        uint8_t ones[8], expectedVector[8];
        std::memset(ones, 0xFF, 8);
        reference.ProcessBlock(ones, expectedVector);
        EXPECT_EQ(HexOf(cipher->Vector(), 8), HexOf(expectedVector, 8)) << password.size();
        EXPECT_EQ(HexOf(cipher->Feedback(), 8), HexOf(expectedVector, 8)) << "F must equal V after InitKey";
        // The digest left in the key hash is enciphered, not the plain key material.
        EXPECT_NE(HexOf(cipher->KeyHash().DigestBytes(), 32), HexOf(digest, 32));
    }
}

TEST(KeySetup, SameTextTwiceGivesTheSameSchedule) {
    auto a = KeyedBlowfish("pass phrase"), b = KeyedBlowfish("pass phrase");
    a->InitKey("pass phrase");
    EXPECT_EQ(0, std::memcmp(a->UserData(), b->UserData(), 4168));
    EXPECT_EQ(HexOf(a->Vector(), 8), HexOf(b->Vector(), 8));
}

TEST(KeySetup, AnotherKeyHashClassKeysWithItsDigest) {
    auto cipher = CreateCipher(TCipher_Blowfish::Class);
    cipher->SetKeyHashClass(&THash_MD4::Class);
    cipher->InitKey("abc");
    THash_MD4 md4;
    std::string digest = md4.DigestOf("abc", 3);
    TCipher_Blowfish direct;
    direct.Init(reinterpret_cast<const uint8_t*>(digest.data()), 16, nullptr);
    EXPECT_EQ(HexOf(cipher->Vector(), 8), HexOf(direct.Vector(), 8));
    cipher->SetKeyHashClass(nullptr);  // back to the default, RIPEMD-256
    EXPECT_EQ(&cipher->KeyHashClass(), DefaultKeyHashClass);
}

TEST(KeySetup, SettingNoKeyHashClassDropsTheKeyHash) {
    auto cipher = KeyedBlowfish("abc");
    std::weak_ptr<TProtection> used = cipher->KeyHash().shared_from_this();
    cipher->SetKeyHashClass(DefaultKeyHashClass);
    EXPECT_FALSE(used.expired()) << "naming the class in effect changes nothing";
    cipher->SetKeyHashClass(nullptr);
    EXPECT_TRUE(used.expired()) << "the next KeyHash makes a new object";
    EXPECT_EQ(&cipher->KeyHashClass(), DefaultKeyHashClass);
    EXPECT_EQ(cipher->KeyHash().ClassName(), "THash_RipeMD256");
    auto again = KeyedBlowfish("abc");
    cipher->InitKey("abc");
    EXPECT_EQ(HexOf(cipher->Vector(), 8), HexOf(again->Vector(), 8)) << "keys as before with the new object";
}

TEST(CipherErrors, CodingWithoutAKeyIsRefusedWithItsMessage) {
    TCipher_Blowfish cipher;
    uint8_t data[8] = {};
    try {
        cipher.EncipherData(data, data, 8);
        FAIL() << "coded without a key";
    } catch (const ECipherException& e) {
        EXPECT_EQ(e.ErrorCode(), ErrNotReady);
        EXPECT_EQ(e.Message(), "TCipher_Blowfish is not initialized call Init() or InitKey() before.");
    }
    ProgressLog log(cipher);
    TMemoryStream stream(std::vector<uint8_t>(10));
    EXPECT_THROW(cipher.ProcessStream(&stream, nullptr, -1, actEncipher), ECipherException);
    EXPECT_TRUE(log.reports.empty()) << "a run that never began reports nothing";
}

TEST(CipherErrors, StrictKeyLengthRefusesAnOverlongKeyAndLeavesTheCipherScrubbed) {
    TCipher_Blowfish cipher;
    std::vector<uint8_t> key(57, 1);
    {
        TStrictKeyLength::Scope strict;
        try {
            cipher.Init(key.data(), 57, nullptr);
            FAIL() << "an overlong key was accepted";
        } catch (const ECipherException& e) {
            EXPECT_EQ(e.ErrorCode(), ErrKeySize);
            EXPECT_EQ(e.Message(), "Length from Encryptionkey is invalid.\r\nKeysize for TCipher_Blowfish must be to 0-56 bytes");
        }
    }
    EXPECT_FALSE(TStrictKeyLength::Enabled()) << "the scope puts the setting back";
    EXPECT_FALSE(cipher.Ready());
    EXPECT_EQ(HexOf(cipher.Vector(), 8), "ffffffffffffffff");
    EXPECT_EQ(HexOf(cipher.UserData(), 16), std::string(32, '0'));
}

TEST(Protection, CircularChainsAreRefusedAndTheOldChainStays) {
    auto a = KeyedBlowfish("a"), b = KeyedBlowfish("b"), c = KeyedBlowfish("c");
    a->SetChainedProtection(b);
    b->SetChainedProtection(c);
    for (auto& loop : {a, b}) {
        try {
            c->SetChainedProtection(loop);
            FAIL() << "a circular chain was accepted";
        } catch (const EProtection& e) {
            EXPECT_EQ(e.Message(), "Circular Protection detected, Protection Object is invalid.");
        }
    }
    EXPECT_THROW(a->SetChainedProtection(a), EProtection);
    EXPECT_EQ(a->ChainedProtection(), b);
    EXPECT_EQ(c->ChainedProtection(), nullptr);
}

TEST(Protection, AChainEnciphersInnerFirstAndDeciphersInReverse) {
    auto outer = KeyedBlowfish("outer"), inner = KeyedBlowfish("inner");
    outer->SetChainedProtection(inner);
    std::vector<uint8_t> plain(100);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i * 7);

    std::vector<uint8_t> chained = plain, layered = plain;
    outer->ProcessMemory(chained.data(), 100, actEncipher);
    inner->ProcessMemory(layered.data(), 100, actEncipher);
    auto alone = KeyedBlowfish("outer");
    alone->ProcessMemory(layered.data(), 100, actEncipher);
    EXPECT_EQ(chained, layered);

    outer->ProcessMemory(chained.data(), 100, actDecipher);
    EXPECT_EQ(chained, plain);
    // Without the permission, the outer layer passes the data on untouched.
    outer->PermittedActions.Exclude(actEncipher);
    std::vector<uint8_t> innerOnly = plain, expected = plain;
    outer->ProcessMemory(innerOnly.data(), 100, actEncipher);
    inner->ProcessMemory(expected.data(), 100, actEncipher);
    EXPECT_EQ(innerOnly, expected);
}

TEST(StreamCoding, ReportsProgressPerChunkAndCodesFromTheSourcePosition) {
    auto cipher = KeyedBlowfish("stream");
    std::vector<uint8_t> container(10000, 0x42);
    TMemoryStream source(container), dest;
    source.SetPosition(256);
    ProgressLog log(*cipher);
    cipher->ProcessStream(&source, &dest, 10000, actDecipher);
    EXPECT_EQ(dest.Size(), 10000 - 256);
    std::vector<Report> expected = {{0, 10000}, {4096, 10000}, {8192, 10000}, {9744, 10000}, {0, 0}};
    EXPECT_EQ(log.reports, expected);

    // A container of nothing but its header codes nothing.
    TMemoryStream header(std::vector<uint8_t>(256)), empty;
    header.SetPosition(256);
    log.reports.clear();
    cipher->ProcessStream(&header, &empty, 256, actDecipher);
    EXPECT_EQ(empty.Size(), 0);
    EXPECT_EQ(log.reports, (std::vector<Report>{{0, 256}, {0, 0}}));
}

TEST(StreamCoding, NegativeCountCodesAllFromTheStartAndOneStreamCanBeBothEnds) {
    auto cipher = KeyedBlowfish("in place");
    std::mt19937 rng(3);
    const std::vector<uint8_t> plain = RandomBytes(rng, 9001);
    TMemoryStream separate(plain), out;
    separate.SetPosition(5000);
    cipher->ProcessStream(&separate, &out, -1, actEncipher);

    TMemoryStream same(plain);
    cipher->ProcessStream(&same, &same, -1, actEncipher);
    EXPECT_EQ(same.Bytes(), out.Bytes());
    EXPECT_NE(same.Bytes(), plain);

    // Chunks of 4096 bytes: with an 8-byte block that is one EncipherData call.
    std::vector<uint8_t> direct = plain;
    cipher->EncipherData(direct.data(), direct.data(), static_cast<int32_t>(direct.size()));
    cipher->RewindFeedback();
    EXPECT_EQ(direct, out.Bytes());
}

// A stream whose reads fail after `goodReads` of them.
class FailingStream : public TMemoryStream {
public:
    FailingStream(std::vector<uint8_t> bytes, int goodReads) : TMemoryStream(std::move(bytes)), left_(goodReads) {}
    int64_t Read(void* buffer, int64_t count) override {
        if (left_-- <= 0) throw EReadError("disk on fire");
        return TMemoryStream::Read(buffer, count);
    }

private:
    int left_;
};

TEST(StreamCoding, AFailureHalfWayEndsTheRunAndRewindsTheFeedback) {
    auto cipher = KeyedBlowfish("fail");
    FailingStream source(std::vector<uint8_t>(20000, 1), 2);
    TMemoryStream dest;
    ProgressLog log(*cipher);
    EXPECT_THROW(cipher->ProcessStream(&source, &dest, -1, actEncipher), EReadError);
    EXPECT_EQ(log.reports.back(), Report(0, 0));
    EXPECT_EQ(HexOf(cipher->Feedback(), 8), HexOf(cipher->Vector(), 8));
    EXPECT_EQ(dest.Size(), 8192);
}

TEST(StreamCoding, EachManagerReportsItsOwnRunsAndTakesItsHandlerBackFromTheCoder) {
    TCipherManager first, second;
    std::vector<Report> firstReports, secondReports;
    const TProtection* sender = nullptr;
    first.OnProgress = [&](TProtection& coder, int64_t current, int64_t maximum) {
        sender = &coder;
        firstReports.push_back({current, maximum});
    };
    second.OnProgress = [&](TProtection&, int64_t current, int64_t maximum) { secondReports.push_back({current, maximum}); };
    first.InitKey("first");
    second.InitKey("second");
    TMemoryStream plain(std::vector<uint8_t>(10000, 7)), coded;
    first.EncipherStream(&plain, &coded, -1);
    EXPECT_EQ(firstReports, (std::vector<Report>{{0, 10000}, {4096, 10000}, {8192, 10000}, {10000, 10000}, {0, 0}}));
    EXPECT_EQ(sender, &first.Cipher());
    EXPECT_TRUE(secondReports.empty());
    EXPECT_FALSE(first.Cipher().OnProgress) << "the cipher kept the manager's handler after the run";

    // A run that fails half-way gives the handler back too.
    firstReports.clear();
    FailingStream failing(std::vector<uint8_t>(20000, 1), 2);
    TMemoryStream dest;
    EXPECT_THROW(first.EncipherStream(&failing, &dest, -1), EReadError);
    EXPECT_EQ(firstReports.back(), Report(0, 0));
    EXPECT_FALSE(first.Cipher().OnProgress);

    // The hash manager lends its handler to its hash the same way.
    THashManager hashes;
    std::vector<Report> hashReports;
    hashes.OnProgress = [&](TProtection&, int64_t current, int64_t maximum) { hashReports.push_back({current, maximum}); };
    TMemoryStream data(std::vector<uint8_t>(5000, 3));
    hashes.CalcStream(data, -1);
    EXPECT_EQ(hashReports, (std::vector<Report>{{0, 5000}, {4096, 5000}, {5000, 5000}, {0, 0}}));
    EXPECT_FALSE(hashes.Hash().OnProgress);
    EXPECT_TRUE(secondReports.empty());
}

TEST(StreamCoding, EraseRunsStartFromARandomFeedback) {
    auto cipher = KeyedBlowfish("erase");
    std::vector<uint8_t> a(64, 0), b(64, 0), plain(64, 0);
    cipher->ProcessMemory(plain.data(), 64, actEncipher);
    cipher->ProcessMemory(a.data(), 64, actErase);
    EXPECT_NE(a, plain);
    uint8_t seeded[4] = {1, 2, 3, 4}, again[4] = {1, 2, 3, 4};
    EXPECT_EQ(RandomFill(99, seeded, 4), RandomFill(99, again, 4));
    EXPECT_EQ(HexOf(seeded, 4), HexOf(again, 4));
}

TEST(RememberedPassword, BlowfishCtsUnderTolbuKeepsEveryLengthAndComesBack) {
    for (std::size_t length : {0u, 1u, 5u, 7u, 8u, 9u, 12u, 4096u}) {
        std::string password(length, '\0');
        for (std::size_t i = 0; i < length; ++i) password[i] = static_cast<char>('a' + i % 26);
        TCipherManager manager;
        manager.SetAlgorithm("Blowfish");
        manager.SetMode(cmCTS);
        manager.InitKey("tolbu");
        TStringStream plain(password), coded, back;
        manager.EncipherStream(&plain, &coded, -1);
        ASSERT_EQ(coded.Size(), static_cast<int64_t>(length));
        if (length) {
            EXPECT_NE(coded.DataString(), password);
        }
        TCipherManager reader;
        reader.SetAlgorithm("TCipher_Blowfish");
        reader.InitKey("tolbu");
        reader.DecipherStream(&coded, &back, -1);
        EXPECT_EQ(back.DataString(), password) << length;
    }
}

}  // namespace

namespace {

TEST(ProtectionHelpers, TextsAndFilesCodeThroughTheStreamPath) {
    auto cipher = KeyedBlowfish("texts");
    const std::string plain = "The quick brown fox jumps over the lazy dog";
    for (TStringFormat format : {fmtCOPY, fmtHEX, fmtMIME64}) {
        std::string coded = cipher->ProcessText(plain, actEncipher, format);
        EXPECT_NE(coded, plain);
        std::string back = cipher->ProcessText(coded, actDecipher, format);
        EXPECT_EQ(back, plain) << format;
    }
    EXPECT_EQ(cipher->ProcessText("", actEncipher, fmtHEX), "");

    const auto dir = std::filesystem::temp_directory_path() / ("quellmark-file-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string source = (dir / "plain").string(), coded = (dir / "coded").string();
    {
        TFileStream out(source, FileMode::Create);
        out.WriteBuffer(plain.data(), static_cast<int64_t>(plain.size()));
    }
    cipher->ProcessFile(source, coded, actEncipher);
    cipher->ProcessFile(coded, "", actDecipher);  // no destination: in place
    EXPECT_EQ(std::filesystem::file_size(coded), plain.size());
    TFileStream result(coded, FileMode::OpenRead);
    std::string text(plain.size(), '\0');
    result.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
    EXPECT_EQ(text, plain);
    std::filesystem::remove_all(dir);
}

}  // namespace

}  // namespace quellmark
