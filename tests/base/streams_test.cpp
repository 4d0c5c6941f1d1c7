// Streams and text helpers.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "base/exception.h"
#include "base/streams.h"
#include "base/text.h"
#include "test_support.h"

namespace quellmark {

namespace {

TEST(Streams, MemoryStreamReadsWritesSeeksAndGrows) {
    TMemoryStream stream;
    stream.WriteBuffer("hello world", 11);
    EXPECT_EQ(stream.Size(), 11);
    stream.SetPosition(6);
    char word[5];
    stream.ReadBuffer(word, 5);
    EXPECT_EQ(std::string(word, 5), "world");
    EXPECT_EQ(stream.Read(word, 5), 0) << "at the end a read gives nothing";
    EXPECT_THROW(stream.ReadBuffer(word, 1), EReadError);
    stream.Seek(-5, SeekOrigin::End);
    stream.WriteBuffer("there!", 6);  // writing past the end grows the stream
    EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().end()), "hello there!");
    stream.SetSize(5);
    EXPECT_EQ(stream.Position(), 5);
    EXPECT_THROW(stream.Seek(-1, SeekOrigin::Begin), EStreamError);
}

TEST(Streams, CopyFromCopiesACountOrTheWholeSource) {
    TStringStream source("0123456789"), all, part;
    source.SetPosition(7);
    EXPECT_EQ(all.CopyFrom(source, 0), 10);  // 0: everything from the start
    EXPECT_EQ(all.DataString(), "0123456789");
    source.SetPosition(2);
    part.CopyFrom(source, 3);
    EXPECT_EQ(part.DataString(), "234");
    EXPECT_THROW(part.CopyFrom(source, 100), EReadError);
}

TEST(Streams, FileStreamsCreateOpenAndNameTheFileInTheirErrors) {
    const auto dir = std::filesystem::temp_directory_path() / ("quellmark-streams-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "data.bin").string();
    {
        TFileStream out(path, FileMode::Create);
        out.WriteBuffer("abcdef", 6);
        out.SetSize(4);
    }
    {
        TFileStream in(path, FileMode::OpenReadWrite);
        EXPECT_EQ(in.Size(), 4);
        in.Seek(1, SeekOrigin::Begin);
        in.WriteBuffer("X", 1);
    }
    TFileStream in(path, FileMode::OpenRead);
    char text[4];
    in.ReadBuffer(text, 4);
    EXPECT_EQ(std::string(text, 4), "aXcd");
    EXPECT_THROW(in.WriteBuffer("x", 1), EWriteError);

    try {
        TFileStream missing((dir / "missing").string(), FileMode::OpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message().find("missing"), std::string::npos);
    }
    EXPECT_THROW(TFileStream((dir / "no" / "dir").string(), FileMode::Create), EFCreateError);
    std::filesystem::remove_all(dir);
}

TEST(Streams, HandleStreamsOnlyMoveForward) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    THandleStream writer(fds[1]), reader(fds[0]);
    writer.WriteBuffer("pipe", 4);
    close(fds[1]);
    writer.SetPosition(4);  // staying where it is is allowed
    EXPECT_THROW(writer.SetPosition(0), EStreamError);
    char text[8];
    EXPECT_EQ(reader.Read(text, 8), 4);
    EXPECT_THROW(reader.Size(), EStreamError);
    close(fds[0]);
}

TEST(Text, HexAndBase64RoundTripAndRejectMalformedInput) {
    std::mt19937 rng(64);
    for (std::size_t length = 0; length < 40; ++length) {
        std::vector<uint8_t> bytes = RandomBytes(rng, length);
        EXPECT_EQ(ParseHex(HexOf(bytes)), bytes);
        EXPECT_EQ(ParseBase64(Base64Of(bytes.data(), bytes.size())), bytes);
    }
    EXPECT_EQ(Base64Of(reinterpret_cast<const uint8_t*>("Man"), 3), "TWFu");
    EXPECT_EQ(Base64Of(reinterpret_cast<const uint8_t*>("Ma"), 2), "TWE=");
    EXPECT_FALSE(ParseHex("abc"));
    EXPECT_FALSE(ParseHex("zz"));
    EXPECT_FALSE(ParseBase64("TW=u"));
    EXPECT_FALSE(ParseBase64("T"));
    EXPECT_EQ(ParseFormatted("414243", fmtHEX), "ABC");
    EXPECT_THROW(ParseFormatted("41x", fmtHEX), Exception);
}

TEST(Text, CodePagesAndComparisons) {
    EXPECT_EQ(Utf8ToCodePage("k\xC3\xA4se \xE2\x82\xAC", "CP1252"), std::string("k\xE4se \x80"));
    EXPECT_FALSE(Utf8ToCodePage("\xCE\xB1", "CP1252")) << "alpha has no CP1252 byte";
    EXPECT_FALSE(Utf8ToCodePage("\xFF", "CP1252")) << "not UTF-8";
    EXPECT_THROW(Utf8ToCodePage("x", "NO-SUCH-CODEPAGE"), Exception);
    EXPECT_TRUE(SameText("BlowFish", "blowfish"));
    EXPECT_FALSE(SameText("Blowfish", "Blowfis"));
    EXPECT_EQ(Trim("  \t name \r\n"), "name");
}

}  // namespace

}  // namespace quellmark
