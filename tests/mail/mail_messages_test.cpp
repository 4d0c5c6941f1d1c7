// Containers in messages and mbox files written by Python's `email` package.
#include <filesystem>

#include "mail_fixture.h"

namespace quellmark {
namespace {

class MailMessages : public MailTest {};

TEST_F(MailMessages, MessagesSavedWithWindowsLineEndings) {
    const std::string payload = Payload("p", 5000);
    const std::string unix = WriteMessage(
        Multipart("mixed", {TextPart(), AttachmentPart(payload, "a.ozv", "base64"),
                            AttachmentPart(payload, "b.ozv", "quoted-printable")}));
    std::string text = ReadFile(unix), crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    ExpectSaved(Save(MakeFile("windows.eml", crlf)), {{"a.ozv", "section 2", payload}, {"b.ozv", "section 3", payload}});
}

TEST_F(MailMessages, NestedPartsForwardedMessagesAndEachTransferEncodingAreWalkedInOrder) {
    const std::string first = Payload("first", 3000);
    const std::string second = Payload("second", 4000);
    const std::string third = Payload("third", 100);
    // section 1: alternative { 1.1 text, 1.2 mixed { 1.2.1 text, 1.2.2 first } }
    // section 2: a forwarded message { 2.1 text, 2.2 second }
    // section 3: a forwarded message of one part: third, the whole body, at 3.1
    const std::string mail = WriteMessage(Multipart(
        "mixed",
        {Multipart("alternative", {TextPart(), Multipart("mixed", {TextPart(), AttachmentPart(first, "a.ozv")})}),
         Forwarded(Multipart("mixed", {TextPart(), AttachmentPart(second, "b.ozv", "quoted-printable")})),
         Forwarded(AttachmentPart(third, "c.ozv", "x-uuencode"))}));
    ExpectSaved(Save(mail), {{"a.ozv", "section 1.2.2", first}, {"b.ozv", "section 2.2", second}, {"c.ozv", "section 3.1", third}});
}

TEST_F(MailMessages, EncodedNamesAndTypesTellContainersApart) {
    const std::string a = Payload("a", 700), b = Payload("b", 800), c = Payload("c", 900), d = Payload("d", 50);
    const std::string mail = WriteMessage(Multipart(
        "mixed", {TextPart("Zwei Container und ein Bild"),
                  AttachmentPart(a, "Übersicht März €.ozv", "base64", "rfc2231"),
                  AttachmentPart(d, "picture.png", "base64", "rfc2231", "image/png"),
                  AttachmentPart(b, "報告.OZV", "base64", "rfc2047"),
                  AttachmentPart(c, "", "base64", "none", "application/x-ozv-container"),
                  AttachmentPart(d, "notes.ozv.txt")}));
    // The last, known only by its type, is named by its place among the containers.
    ExpectSaved(Save(mail), {{"Übersicht März €.ozv", "section 2", a}, {"報告.OZV", "section 4", b}, {"attachment-3.ozv", "section 5", c}});
}

TEST_F(MailMessages, EveryMessageOfAnMboxInTurn) {
    const std::string a = Payload("a", 2000), b = Payload("b", 3000), c = Payload("c", 10);
    // A body line starting "From " must not split a message: the writer
    // quotes it, and the reader must still find the container after it.
    const std::string mail =
        WriteMbox({Multipart("mixed", {TextPart("From here on\n"), AttachmentPart(a, "one.ozv")}),
                   Multipart("mixed", {TextPart("nothing for you")}),
                   Multipart("mixed", {TextPart(), AttachmentPart(b, "three.ozv"), AttachmentPart(c, "four.ozv")})});
    EXPECT_EQ(DetectMailKind(mail), MailKind::Mbox);
    ExpectSaved(Save(mail), {{"one.ozv", "message 1, section 2", a},
                             {"three.ozv", "message 3, section 2", b},
                             {"four.ozv", "message 3, section 3", c}});
}

TEST_F(MailMessages, MailWithoutContainersGivesAnEmptyResultAndWritesNothing) {
    const std::string mail =
        WriteMessage(Multipart("mixed", {TextPart(), AttachmentPart(Payload("x", 100), "report.pdf")}));
    EXPECT_TRUE(Save(mail).empty());
    EXPECT_TRUE(FilesBeneath(out).empty());
    EXPECT_TRUE(ListMailContainers(mail).empty());
}

TEST_F(MailMessages, ListingMeasuresWhatSavingWritesAndWritesNothing) {
    const std::string a = Payload("a", 12345), b = Payload("b", 1);
    const std::string mail = WriteMessage(Multipart(
        "mixed", {AttachmentPart(a, "a.ozv", "quoted-printable"), AttachmentPart(b, "dir/../b.ozv", "x-uuencode")}));
    const auto listed = ListMailContainers(mail);
    EXPECT_TRUE(FilesBeneath(out).empty());
    const auto saved = Save(mail);
    ASSERT_EQ(listed.size(), 2u);
    ASSERT_EQ(saved.size(), 2u);
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(listed[i].name, saved[i].name);
        EXPECT_EQ(listed[i].size, saved[i].size);
        EXPECT_EQ(listed[i].location, saved[i].location);
        EXPECT_TRUE(listed[i].path.empty());
    }
    EXPECT_EQ(listed[0].size, 12345u);
    EXPECT_EQ(listed[1].size, 1u);
    // A hostile name stays a name: the copies sit in `out` under names of
    // their own.
    EXPECT_EQ(saved[1].name, "dir/../b.ozv");
    EXPECT_EQ(FilesBeneath(out).size(), 2u);
}

TEST_F(MailMessages, ProgressClimbsToTheWholeMail) {
    const std::string mail = WriteMbox({Multipart("mixed", {AttachmentPart(Payload("a", 20000), "a.ozv")}),
                                        Multipart("mixed", {AttachmentPart(Payload("b", 20000), "b.ozv")})});
    std::vector<std::pair<uint64_t, uint64_t>> reports;
    SaveMailContainers(mail, out, [&](uint64_t done, uint64_t total) { reports.emplace_back(done, total); });
    ASSERT_GE(reports.size(), 3u);
    const uint64_t size = std::filesystem::file_size(mail);
    for (size_t i = 0; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].second, size);
        EXPECT_LE(reports[i].first, size);
        if (i > 0) {
            EXPECT_GE(reports[i].first, reports[i - 1].first);
        }
    }
    EXPECT_EQ(reports.back().first, size);
}

}  // namespace
}  // namespace quellmark
