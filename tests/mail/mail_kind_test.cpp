// Telling mail by its content, and names made safe for a directory.
#include "mail_fixture.h"

#include <sys/stat.h>

namespace quellmark {
namespace {

class MailKinds : public MailTest {};

TEST_F(MailKinds, ContentAloneDecides) {
    const struct {
        std::string content;
        MailKind kind;
    } cases[] = {
        {"From: a@example.org\nSubject: x\n\nbody", MailKind::Message},
        {"Received: from mx by host\n\tid 1\nFrom: a@b\n\n", MailKind::Message},
        {"Return-Path: <a@b>\n", MailKind::Message},
        {"X-Mozilla-Status: 0001\n", MailKind::Message},
        {"From sender@example.org Thu Jan  1 00:00:00 1970\nFrom: a@b\n\n", MailKind::Mbox},
        {std::string("\x78\x9f\x3e\x22\x01\x00", 6), MailKind::Tnef},
        // A container: a little-endian cipher index below 39, then its header.
        {std::string("\x03\x00\x00\x00", 4) + std::string(252, '\xff'), MailKind::None},
        {std::string("\x26\x00\x00\x00", 4) + "abc:def", MailKind::None},
        {"", MailKind::None},
        {" From: a@b\n", MailKind::None},
        {"Subject x: y\n", MailKind::None},
        {":empty name\n", MailKind::None},
        {"plain text without a field\n", MailKind::None},
        {"Subj\xc3\xa9t: y\n", MailKind::None},
    };
    int n = 0;
    for (const auto& each : cases) {
        const std::string path = MakeFile("kind" + std::to_string(n++), each.content);
        EXPECT_EQ(DetectMailKind(path), each.kind) << each.content;
    }
    // The name says nothing: a message called *.ozv is a message.
    EXPECT_EQ(DetectMailKind(MakeFile("mail.ozv", "From: a@b\n\n")), MailKind::Message);
    EXPECT_EQ(DetectMailKind((root / "missing").string()), MailKind::None);
    // A pipe nobody writes to is not waited on, nor read from.
    const std::string pipe = (root / "pipe.eml").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(DetectMailKind(pipe), MailKind::None);
    EXPECT_EQ(DetectMailKind("/dev/null"), MailKind::None);
}

TEST_F(MailKinds, WhatIsNotMailIsRefusedByTheWalk) {
    const std::string container = MakeFile("c.ozv", std::string("\x01\x00\x00\x00", 4) + std::string(300, 'x'));
    EXPECT_THROW(ListMailContainers(container), EMailFormat);
    EXPECT_THROW(SaveMailContainers(container, out), EMailFormat);
    // A missing file is a failed read, not mail in a wrong format.
    try {
        ListMailContainers((root / "missing.eml").string());
        ADD_FAILURE() << "no exception";
    } catch (const EMailFormat&) {
        ADD_FAILURE() << "a missing file reported as malformed mail";
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find("missing.eml"), std::string::npos) << e.Message();
    }
}

TEST(SafeAttachmentNames, KeepOnlyTheLastComponentWithoutControls) {
    EXPECT_EQ(SafeAttachmentName("Brief.ozv"), "Brief.ozv");
    EXPECT_EQ(SafeAttachmentName("../../etc/passwd.ozv"), "passwd.ozv");
    EXPECT_EQ(SafeAttachmentName("C:\\Users\\x\\Bericht.ozv"), "Bericht.ozv");
    EXPECT_EQ(SafeAttachmentName("a/b\\c.ozv"), "c.ozv");
    EXPECT_EQ(SafeAttachmentName("bad\nname\x7f.ozv"), "bad_name_.ozv");
    EXPECT_EQ(SafeAttachmentName("Übersicht.ozv"), "Übersicht.ozv");
    for (const std::string empty : {"", ".", "..", "dir/", "dir/..", "x\\."})
        EXPECT_EQ(SafeAttachmentName(empty), "attachment.ozv") << empty;
}

}  // namespace
}  // namespace quellmark
