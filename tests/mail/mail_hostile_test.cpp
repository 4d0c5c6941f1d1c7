// Mail made to hurt: malformed structure, damaged encodings, absurd nesting,
// and a disk that fills up.
#include <glib.h>
#include <pthread.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "mail_fixture.h"
#include "scoped_tmpfs.h"

namespace quellmark {
namespace {

class HostileMail : public MailTest {
protected:
    // A message around one base64 body, its lines as given.
    std::string Base64Message(const std::string& encodedBody) {
        return MakeFile("b64.eml",
                        "From: a@example.org\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=XX\n\n"
                        "--XX\nContent-Type: application/octet-stream; name=\"b.ozv\"\n"
                        "Content-Transfer-Encoding: base64\n\n" +
                            encodedBody + "\n--XX--\n");
    }

    std::string EncodedPayload(const std::string& payload) {
        const std::string bytes = ReadFile(payload);
        gchar* encoded = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
        std::string text(encoded);
        g_free(encoded);
        return text;
    }
};

// Runs `work` on a thread with a stack of `bytes`, as small as a thread
// pool's may be: the parser's recursion must fit in it whatever the mail.
void OnSmallStack(size_t bytes, const std::function<void()>& work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, bytes);
    pthread_t thread;
    auto run = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&work)), 0);
    pthread_attr_destroy(&attributes);
    pthread_join(thread, nullptr);
}

std::string NestedForwards(int depth, const std::string& leaf) {
    std::string mail;
    for (int i = 0; i < depth; ++i) mail += "From: a@example.org\nMIME-Version: 1.0\nContent-Type: message/rfc822\n\n";
    return mail + "From: a@example.org\nMIME-Version: 1.0\n" + leaf;
}

const std::string kLeaf = "Content-Type: application/x-ozv-container\n\nabc\n";

TEST_F(HostileMail, MalformedStructureIsMendedOrRefusedNeverMore) {
    const std::string messages[] = {
        "From: a@b\nContent-Type: multipart/mixed\n\n--\n--\n",
        "From: a@b\nContent-Type: multipart/mixed; boundary=\"\"\n\n--\n\n--\n",
        "From: a@b\nContent-Type: ///;;;===\nContent-Transfer-Encoding: base64\n\n!!!!\n",
        "From: a@b\nContent-Type: message/rfc822\n\n",
        "From: a@b\nContent-Type: multipart/mixed; boundary=x\n\n--x\nContent-Type: message/rfc822\n\n--x--\n",
        std::string("From: a@b\n\0\0\0\n\xff\xfe", 16),
        "From: a@b\nContent-Disposition: attachment; filename*0*=utf-8''%E2%82; filename*1*=%ZZ.ozv\n\nx\n",
        "From: a@b\nContent-Type: application/octet-stream; name==?utf-8?q?=E2=82?=.ozv\n"
        "Content-Transfer-Encoding: x-uuencode\n\nbegin 644\nM\n",
        "From: a@b\n" + std::string(100000, 'X') + "\n\n",
        "From: a@b\nContent-Type: multipart/mixed; boundary=x\n\n" + std::string(20000, '-') + "x\n",
    };
    int n = 0;
    for (const std::string& message : messages) {
        const std::string mail = MakeFile("malformed" + std::to_string(n++) + ".eml", message);
        try {
            for (const auto& found : Save(mail)) EXPECT_EQ(std::filesystem::path(found.path).parent_path(), out);
            ListMailContainers(mail);
        } catch (const EMailFormat&) {
        }
    }
    // Nothing was written anywhere but `out`.
    for (const std::string& file : FilesBeneath(root.string()))
        EXPECT_TRUE(file.rfind("malformed", 0) == 0 || file.rfind("out/", 0) == 0) << file;
}

TEST_F(HostileMail, AMultipartWithoutItsClosingBoundaryStillGivesItsContainer) {
    const std::string payload = Payload("p", 3000);
    const std::string mail =
        MakeFile("open.eml", "From: a@b\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=XX\n\n--XX\n"
                             "Content-Type: application/octet-stream; name=\"open.ozv\"\n"
                             "Content-Transfer-Encoding: base64\n\n" +
                                 EncodedPayload(payload) + "\n");
    ExpectSaved(Save(mail), {{"open.ozv", "section 1", payload}});
}

TEST_F(HostileMail, Base64WithBrokenLines) {
    const std::string payload = Payload("p", 4000);
    const std::string encoded = EncodedPayload(payload);
    // Lines of any length, CRLF and blank lines between, spaces and
    // characters outside the alphabet inside: GMime's decoder skips what is
    // not base64, so the bytes come out whole.
    std::string ragged;
    for (size_t i = 0; i < encoded.size(); i += 7) ragged += encoded.substr(i, 7) + (i % 3 ? "\r\n" : " \n\n*");
    ExpectSaved(Save(Base64Message(ragged)), {{"b.ozv", "section 1", payload}});
    // Cut off in the middle of a line: what arrives is the start of the
    // original, never more and never other bytes.
    ClearOut();
    const auto found = Save(Base64Message(encoded.substr(0, 2001)));
    ASSERT_EQ(found.size(), 1u);
    const std::string decoded = ReadFile(found[0].path);
    EXPECT_GE(decoded.size(), 1499u);
    EXPECT_EQ(decoded, ReadFile(payload).substr(0, decoded.size()));
}

TEST_F(HostileMail, TenThousandLevelsOfNestingAreRefusedOnASmallStack) {
    const std::string multiparts = MakeFile("deep.eml", NestedMultiparts(10000, kLeaf));
    const std::string forwards = MakeFile("forwards.eml", NestedForwards(10000, kLeaf));
    for (const std::string& mail : {multiparts, forwards}) {
        SCOPED_TRACE(mail);
        bool refused = false;
        OnSmallStack(1 << 20, [&] {
            try {
                Save(mail);
            } catch (const EMailFormat& e) {
                refused = e.Message().find("nested too deeply") != std::string::npos;
            }
        });
        EXPECT_TRUE(refused);
        EXPECT_TRUE(FilesBeneath(out).empty());
    }
}

TEST_F(HostileMail, OrdinaryNestingIsNotRefused) {
    // 40 multiparts put the leaf 40 numbers deep; 40 forwarded messages,
    // each a body of one part, put it 41 deep.
    const std::pair<std::string, size_t> mails[] = {{MakeFile("deep.eml", NestedMultiparts(40, kLeaf)), 40},
                                                    {MakeFile("forwards.eml", NestedForwards(40, kLeaf)), 41}};
    for (const auto& [mail, numbers] : mails) {
        const auto found = Save(mail);
        ASSERT_EQ(found.size(), 1u) << mail;
        EXPECT_EQ(ReadFile(found[0].path).substr(0, 3), "abc");
        const std::string& location = found[0].location;
        EXPECT_EQ(static_cast<size_t>(std::count(location.begin(), location.end(), '.')) + 1, numbers) << location;
    }
}

TEST_F(HostileMail, AFullDiskFailsTheSaveAndRemovesWhatWasWritten) {
    ScopedTmpfs disk(out, 256);
    SKIP_UNLESS_MOUNTED(disk);
    const std::string mail = WriteMessage(
        Multipart("mixed", {AttachmentPart(Payload("small", 100 * 1024), "small.ozv"),
                            AttachmentPart(Payload("large", 1024 * 1024), "large.ozv")}));
    try {
        Save(mail);
        ADD_FAILURE() << "a save onto a full disk reported success";
    } catch (const EMailFormat& e) {
        ADD_FAILURE() << "a full disk reported as malformed mail: " << e.Message();
    } catch (const Exception& e) {
        EXPECT_NE(e.Message().find(out), std::string::npos) << e.Message();
    }
    EXPECT_TRUE(FilesBeneath(out).empty());
}

TEST_F(HostileMail, ADirectoryThatIsNotThereIsAFailureNotAnEmptyResult) {
    const std::string mail = WriteMessage(Multipart("mixed", {AttachmentPart(Payload("p", 10), "p.ozv")}));
    EXPECT_THROW(SaveMailContainers(mail, (root / "missing").string()), Exception);
    EXPECT_FALSE(std::filesystem::exists(root / "missing"));
}

}  // namespace
}  // namespace quellmark
