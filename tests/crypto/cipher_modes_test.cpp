// The eight modes: round trips, tail rules, feedback behaviour, and the modes
// that have a standard form checked against Crypto++.
#include <cryptopp/blowfish.h>
#include <cryptopp/modes.h>
#include <gtest/gtest.h>

#include "base/streams.h"
#include "crypto/ciphers/blowfish.h"
#include "crypto/differential.h"
#include "test_support.h"

namespace quellmark {

namespace {

constexpr TCipherMode kAllModes[] = {cmCTS, cmCBC, cmCFB, cmOFB, cmECB, cmCTSMAC, cmCBCMAC, cmCFBMAC};

bool IsMac(TCipherMode mode) { return mode == cmCTSMAC || mode == cmCBCMAC || mode == cmCFBMAC; }

struct Keyed {
    TCipher_Blowfish cipher;
    std::vector<uint8_t> key;
    explicit Keyed(std::mt19937& rng, TCipherMode mode) : key(RandomBytes(rng, 16)) {
        cipher.Init(key.data(), 16, nullptr);
        cipher.Mode = mode;
    }
};

TEST(CipherModes, EveryModeRoundTripsEveryLengthUpToThreeBlocksPlusOne) {
    std::mt19937 rng(8);
    for (TCipherMode mode : kAllModes) {
        Keyed k(rng, mode);
        for (int length = 0; length <= 3 * 8 + 1; ++length) {
            const std::vector<uint8_t> plain = RandomBytes(rng, static_cast<std::size_t>(length));
            std::vector<uint8_t> coded(plain.size(), 0x5A), back(plain.size(), 0x5A);
            k.cipher.EncipherData(plain.data(), coded.data(), length);
            k.cipher.RewindFeedback();
            if (IsMac(mode)) {  // a MAC mode moves only the feedback
                EXPECT_EQ(coded, std::vector<uint8_t>(plain.size(), 0x5A)) << int(mode);
                continue;
            }
            k.cipher.DecipherData(coded.data(), back.data(), length);
            k.cipher.RewindFeedback();
            EXPECT_EQ(back, plain) << "mode " << int(mode) << " length " << length;
            if (length >= 8) {
                EXPECT_NE(coded, plain);
            }

            // In place gives the same as source-to-dest.
            std::vector<uint8_t> inPlace = plain;
            k.cipher.EncipherData(inPlace.data(), inPlace.data(), length);
            k.cipher.RewindFeedback();
            EXPECT_EQ(inPlace, coded) << "mode " << int(mode) << " length " << length;

            // And a whole stream run.
            TMemoryStream source(plain), dest;
            k.cipher.ProcessStream(&source, &dest, -1, actEncipher);
            EXPECT_EQ(dest.Bytes(), coded) << "mode " << int(mode) << " length " << length;
            TMemoryStream decoded;
            dest.SetPosition(0);
            k.cipher.ProcessStream(&dest, &decoded, -1, actDecipher);
            EXPECT_EQ(decoded.Bytes(), plain) << "mode " << int(mode) << " length " << length;
        }
    }
}

TEST(CipherModes, MacModesLeaveTheDataAlone) {
    std::mt19937 rng(5);
    for (TCipherMode mode : {cmCTSMAC, cmCBCMAC, cmCFBMAC}) {
        Keyed k(rng, mode);
        const std::vector<uint8_t> plain = RandomBytes(rng, 21);
        for (TProtectionAction action : {actEncipher, actDecipher}) {
            std::vector<uint8_t> data = plain;
            k.cipher.ProcessMemory(data.data(), 21, action);
            EXPECT_EQ(data, plain);
        }
        // The code value is the feedback at the end of the data.
        std::vector<uint8_t> data = plain;
        k.cipher.EncipherData(data.data(), data.data(), 21);
        EXPECT_NE(HexOf(k.cipher.Feedback(), 8), HexOf(k.cipher.Vector(), 8));
    }
}

TEST(CipherModes, CtsShortDataIsTheInputXorTheVectorsEncipherment) {
    std::mt19937 rng(7);
    Keyed k(rng, cmCTS);
    std::vector<uint8_t> v(k.cipher.Vector(), k.cipher.Vector() + 8), ev = v;
    k.cipher.EncipherBlock(ev.data());
    const std::vector<uint8_t> plain = RandomBytes(rng, 7);
    std::vector<uint8_t> out(7);
    k.cipher.EncipherData(plain.data(), out.data(), 7);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(out[i], plain[i] ^ ev[i]);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(k.cipher.Feedback()[i], v[i] ^ ev[i]);  // until the run's end rewinds it
}

// CTS as its definition says, over their block cipher: each whole block is
// enciphered after the XOR with the feedback, which then takes the XOR of
// the ciphertext; a tail is the XOR with the encipherment of the feedback.
TheirStream CtsOver(BlockCoder theirs) {
    return [theirs](const std::vector<uint8_t>& key, const std::vector<uint8_t>& vector, const std::vector<uint8_t>& plain) {
        theirs.setKey(key);
        const std::size_t block = theirs.blockSize;
        std::vector<uint8_t> f = vector, coded;
        std::size_t at = 0;
        for (; at + block <= plain.size(); at += block) {
            std::vector<uint8_t> c(block);
            for (std::size_t i = 0; i < block; ++i) c[i] = plain[at + i] ^ f[i];
            theirs.encipher(c.data());
            coded.insert(coded.end(), c.begin(), c.end());
            for (std::size_t i = 0; i < block; ++i) f[i] ^= c[i];
        }
        theirs.encipher(f.data());
        for (std::size_t i = at; i < plain.size(); ++i) coded.push_back(plain[i] ^ f[i - at]);
        return coded;
    };
}

TEST(CipherModes, CtsChainsAsItsDefinitionSaysOverAnIndependentBlowfish) {
    std::mt19937 rng(11);
    TCipher_Blowfish ours;
    ours.Mode = cmCTS;
    ExpectSameStreams(ours, CtsOver(CryptoPPCipher<CryptoPP::Blowfish>()), 16, {45, 7, 8, 1096 + 5}, rng);
}

TEST(CipherModes, CbcAndCfbMatchTheStandardModesInCryptoPP) {
    std::mt19937 rng(12);
    TCipher_Blowfish ours;
    // 137 blocks: more than one batch of blocks deciphered together.
    const std::vector<std::size_t> lengths = {137 * 8};
    ours.Mode = cmCBC;
    ExpectSameStreams(ours, CryptoPPModeStream<CryptoPP::CBC_Mode<CryptoPP::Blowfish>>(), 16, lengths, rng, "CBC");
    ours.Mode = cmCFB;
    // Crypto++'s CFB with a feedback of one byte is our 8-bit CFB.
    ExpectSameStreams(ours, CryptoPPModeStream<CryptoPP::CFB_Mode<CryptoPP::Blowfish>>(1), 16, lengths, rng, "CFB");
}

TEST(CipherModes, CfbAndOfbDoNotDependOnHowTheDataIsSplit) {
    std::mt19937 rng(13);
    for (TCipherMode mode : {cmCFB, cmOFB}) {
        Keyed k(rng, mode);
        const std::vector<uint8_t> plain = RandomBytes(rng, 50);
        std::vector<uint8_t> whole(50), pieces(50);
        k.cipher.EncipherData(plain.data(), whole.data(), 50);
        k.cipher.RewindFeedback();
        int at = 0;
        for (int piece : {7, 1, 13, 29}) {
            k.cipher.EncipherData(plain.data() + at, pieces.data() + at, piece);
            at += piece;
        }
        EXPECT_EQ(whole, pieces) << int(mode);
    }
}

TEST(CipherModes, BlockModesCodeEachCallsTailOnItsOwn) {
    std::mt19937 rng(14);
    Keyed k(rng, cmCTS);
    const std::vector<uint8_t> plain = RandomBytes(rng, 24);
    std::vector<uint8_t> whole(24), split(24);
    k.cipher.EncipherData(plain.data(), whole.data(), 24);
    k.cipher.RewindFeedback();
    k.cipher.EncipherData(plain.data(), split.data(), 12);
    k.cipher.EncipherData(plain.data() + 12, split.data() + 12, 12);
    EXPECT_EQ(std::vector<uint8_t>(whole.begin(), whole.begin() + 8), std::vector<uint8_t>(split.begin(), split.begin() + 8));
    EXPECT_NE(whole, split);
}

}  // namespace

}  // namespace quellmark
